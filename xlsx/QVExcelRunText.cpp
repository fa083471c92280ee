#include "xlsx/QVExcelRunText.h"

#include "convert/QVLineReadingOrder.h"
#include "convert/xml/XMLFileWriter.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelUtilities.h"

namespace {

bool presentAndEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  return QVExcelUtilities::isPresentAndEqual(a, b);
}

}  // namespace

bool QVExcelRunTextProperty::isEqualToRPr(const QVExcelRunTextProperty& other) const {
  return sz == other.sz && presentAndEqual(rgbColor, other.rgbColor) && presentAndEqual(family, other.family);
}

bool QVExcelRunTextProperty::isSameToRPr(const QVExcelRunTextProperty& other) const {
  return sz == other.sz && presentAndEqual(rgbColor, other.rgbColor);
}

void QVExcelRunText::appendText(const QVExcelRunText& right, std::string_view separator) {
  const bool ordered = !pieces.empty() || !right.pieces.empty() || QVHoldsRightToLeft(text) ||
                       QVHoldsRightToLeft(right.text);
  if (!ordered || pieces.size() + right.pieces.size() + 2 > kMaxPieces) {
    pieces.clear();
    text += separator;
    text += right.text;
    return;
  }
  if (pieces.empty()) pieces.push_back(text);
  if (!separator.empty()) pieces.emplace_back(separator);
  if (right.pieces.empty())
    pieces.push_back(right.text);
  else
    pieces.insert(pieces.end(), right.pieces.begin(), right.pieces.end());
  const std::vector<std::string_view> views(pieces.begin(), pieces.end());
  if (const std::optional<QVLineReading> reading = QVLineReadingOrder(views)) text = reading->text();
}

platform::Rect QVExcelRunText::frame() const {
  return platform::Rect(ctmInfo.xLeft, ctmInfo.yTop, textWidth, ctmInfo.yBottom - ctmInfo.yTop);
}

void QVExcelRunText::writeXMLWith(XMLFileWriter& writer, const QVExcelManager& manager,
                                  std::string_view separator) const {
  const std::string_view name =
      manager.isNeedDefaultFontName() ? std::string_view(QVExcelUtilities::defaultFontName()) : std::string_view(rPr.rFont);
  const double size = manager.isNeedDefaultFontSize() ? QVExcelUtilities::defaultFontSize() : rPr.sz;
  writer.writeStartElement("r");
  writer.writeStartElement("rPr");
  QVExcelUtilities::writeFontProperties(writer, "rFont", name, size, manager.runColor(rPr.rgbColor), rPr.b, rPr.i);
  writer.writeEndElement();
  writer.writeStartElement("t");
  writer.writeAttribute("xml:space", "preserve");
  if (!separator.empty()) writer.writeCharacters(separator);
  writer.writeCharacters(text);
  writer.writeEndElement();
  writer.writeEndElement();
}
