#include "xlsx/QVExcelCell.h"

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "xlsx/QVExcelUtilities.h"

void QVExcelCell::writeXML(XMLFileWriter& writer) const {
  writer.writeStartElement("c");
  const uint64_t row = stringItem ? stringItem->rowIndex : 0;
  const uint64_t column = stringItem ? stringItem->columnIndex : 0;
  writer.writeAttribute("r", QVExcelUtilities::cellReference(row, column));
  if (styleIndex < kNoStyle) writer.writeAttribute("s", platform::text::formatInteger(styleIndex));
  writer.writeAttribute("t", dataType);
  if (cellValue) {
    writer.writeStartElement("v");
    writer.writeCharacters(*cellValue);
    writer.writeEndElement();
  }
  writer.writeEndElement();
}
