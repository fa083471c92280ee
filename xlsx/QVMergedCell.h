#pragma once
// A cell position and a merged range of cells (both corners inclusive).
#include <cstdint>
#include <string>

struct QVPoint {
  uint64_t r = 0;  // row
  uint64_t c = 0;  // column

  bool operator==(const QVPoint&) const = default;
};

inline QVPoint QVPointMake(uint64_t r, uint64_t c) { return QVPoint{r, c}; }

struct QVMergedCell {
  QVPoint start;
  QVPoint end;

  bool operator==(const QVMergedCell&) const = default;

  // The range reference, "A2:B3" for rows 2 to 3 of columns 1 to 2.
  std::string mergerCellInfo() const;
};
