#pragma once
// A cell-format entry of the style registry.
#include <cstdint>
#include <optional>
#include <string>

#include "xlsx/QVExcelStyleRecords.h"

struct QVExcelStyleXf {
  QVExcelStyleXf() = default;
  explicit QVExcelStyleXf(const QVExcel_Xf& record) : formatedElm(record) {}
  // A format of those indexes that applies its number format and its
  // alignment (horizontal and vertical of `algn`, no wrap).
  QVExcelStyleXf(int32_t numFmtID, int32_t fontID, int32_t fillID, int32_t borderID,
                 const QVExcel_Xf_Alignment& algn);

  QVExcel_Xf formatedElm;

  const std::optional<std::string>& algnHorizontal() const { return formatedElm.alignment.horizontal; }
  const std::optional<std::string>& algnVertical() const { return formatedElm.alignment.vertical; }
  // The same four indexes, alignment and number-format flag.
  bool isEqualXf(const QVExcelStyleXf& other) const;
};
