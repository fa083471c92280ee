#pragma once
// One worksheet cell: a shared-string cell or a number cell, holding the
// string item whose row and column give its reference. A cell is shared by
// its row and its column.
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
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
  // The shared-string index or the number as text; none until the cell has
  // one. Any text is a value, "-1" as much as "0": a number cell of -1 keeps it.
  std::optional<std::string> cellValue;
};

using QVExcelCellPtr = std::shared_ptr<QVExcelCell>;
