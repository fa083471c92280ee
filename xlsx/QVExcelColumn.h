#pragma once
// One worksheet column with its cells.
#include <cstdint>
#include <vector>

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelCell.h"

class XMLFileWriter;

class QVExcelColumn {
 public:
  uint64_t columnIndex() const { return columnIndex_; }
  // Also moves the string item of every cell already in the column.
  void setColumnIndex(uint64_t index);
  // x is the column's left edge, width its width in points.
  const platform::Rect& frame() const { return frame_; }
  void setFrame(const platform::Rect& frame) { frame_ = frame; }
  void setWidth(double width) { frame_.size.width = width; }

  // The empty "col" element: the width in points becomes character widths
  // (÷ 3 × 1.1, whole numbers, at most the 255 a column may have).
  void writeXML(XMLFileWriter& writer) const;

  std::vector<QVExcelCellPtr> cells;
  bool customWidth = true;

 private:
  uint64_t columnIndex_ = 0;
  platform::Rect frame_;
};
