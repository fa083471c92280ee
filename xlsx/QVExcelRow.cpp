#include "xlsx/QVExcelRow.h"

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "xlsx/QVExcelManager.h"

void QVExcelRow::setRowIndex(uint64_t index) {
  rowIndex_ = index;
  for (const auto& cell : cells)
    if (cell && cell->stringItem) cell->stringItem->rowIndex = index;
}

void QVExcelRow::writeXML(XMLFileWriter& writer, const QVExcelManager& manager) const {
  const std::string height =
      manager.isNeedDefaultRowHeight() ? std::string("13.5") : platform::text::formatFixed(frame_.size.height * 1.1, 2);
  writer.writeStartElement("row");
  writer.writeAttribute("r", platform::text::formatInteger(static_cast<int64_t>(rowIndex_)));
  writer.writeAttribute("spans", spans);
  writer.writeAttribute("ht", height);
  writer.writeAttribute("customHeight", customHeight ? "1" : "0");
  for (const auto& cell : cells)
    if (cell) cell->writeXML(writer);
  writer.writeEndElement();
}
