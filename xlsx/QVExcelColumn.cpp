#include "xlsx/QVExcelColumn.h"

#include <cmath>

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"

void QVExcelColumn::setColumnIndex(uint64_t index) {
  columnIndex_ = index;
  for (const auto& cell : cells)
    if (cell && cell->stringItem) cell->stringItem->columnIndex = index;
}

void QVExcelColumn::writeXML(XMLFileWriter& writer) const {
  const std::string index = platform::text::formatInteger(static_cast<int64_t>(columnIndex_));
  writer.writeStartElement("col");
  writer.writeAttribute("min", index);
  writer.writeAttribute("max", index);
  const double characters = frame_.size.width / 3.0 * 1.1;
  writer.writeAttribute("width", platform::text::formatFixed(std::isfinite(characters) ? std::fmin(characters, 255.0) : 8.0, 0));
  writer.writeAttribute("customWidth", customWidth ? "1" : "0");
  writer.writeEndElement();
}
