#include "xlsx/QVExcelRow.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "xlsx/QVExcelManager.h"

void QVExcelRow::setRowIndex(uint64_t index) {
  rowIndex_ = index;
  for (const auto& cell : cells)
    if (cell && cell->stringItem) cell->stringItem->rowIndex = index;
}

void QVExcelRow::writeXML(XMLFileWriter& writer, const QVExcelManager& manager) const {
  const double points = frame_.size.height * 1.1;
  const std::string height = manager.isNeedDefaultRowHeight()
                                 ? std::string("13.5")
                                 : platform::text::formatFixed(std::isfinite(points) ? std::fmin(points, 409.0) : 13.5, 2);
  uint64_t first = UINT64_MAX, last = 0;
  for (const auto& cell : cells) {
    if (!cell || !cell->stringItem || cell->stringItem->columnIndex == 0) continue;
    first = std::min(first, cell->stringItem->columnIndex);
    last = std::max(last, cell->stringItem->columnIndex);
  }
  std::string spans = "1:1";
  if (last != 0) {
    spans = platform::text::formatInteger(static_cast<int64_t>(first));
    spans += ':';
    platform::text::appendInteger(spans, static_cast<int64_t>(last));
  }
  writer.writeStartElement("row");
  writer.writeAttribute("r", platform::text::formatInteger(static_cast<int64_t>(rowIndex_)));
  writer.writeAttribute("spans", spans);
  writer.writeAttribute("ht", height);
  writer.writeAttribute("customHeight", customHeight ? "1" : "0");
  for (const auto& cell : cells)
    if (cell) cell->writeXML(writer);
  writer.writeEndElement();
}
