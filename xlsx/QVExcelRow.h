#pragma once
// One worksheet row with its cells, in the order they were added.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelCell.h"

class QVExcelManager;
class XMLFileWriter;

class QVExcelRow {
 public:
  uint64_t rowIndex() const { return rowIndex_; }
  // Also moves the string item of every cell already in the row.
  void setRowIndex(uint64_t index);
  // y is the row's top, height its height.
  const platform::Rect& frame() const { return frame_; }
  void setFrame(const platform::Rect& frame) { frame_ = frame; }
  void setHeight(double height) { frame_.size.height = height; }

  // The "row" element with its cells, in their order; the height is the
  // frame's (times 1.1, at most the 409 points a row may have) unless the
  // options ask for the default height, and the spans are the first and last
  // columns of its cells.
  void writeXML(XMLFileWriter& writer, const QVExcelManager& manager) const;

  std::vector<QVExcelCellPtr> cells;
  bool customHeight = true;

 private:
  uint64_t rowIndex_ = 1;
  platform::Rect frame_;
};
