#pragma once
// One worksheet cell: a shared-string cell or a number cell, holding the
// string item whose row and column give its reference. A cell is shared by
// its row and its column.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "xlsx/QVExcelStringItem.h"

class XMLFileWriter;

class QVExcelCell {
 public:
  static constexpr uint32_t kNoStyle = std::numeric_limits<uint32_t>::max();

  // The "c" element: reference, style (when set), type and value (when set).
  void writeXML(XMLFileWriter& writer) const;

  // True when the cell refers to a shared string.
  bool isText = false;
  // Index into the cell formats; kNoStyle for none.
  uint32_t styleIndex = kNoStyle;
  QVExcelStringItemPtr stringItem;
  // "s" shared string, "n" number.
  std::string dataType = "s";
  // The shared-string index or the number as text; "-1" for no value.
  std::string cellValue = "-1";
};

using QVExcelCellPtr = std::shared_ptr<QVExcelCell>;
