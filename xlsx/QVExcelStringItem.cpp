#include "xlsx/QVExcelStringItem.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "convert/xml/XMLFileWriter.h"

namespace {

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The second run stands on another line than the first.
bool isOtherLine(const QVExcelRunText& previous, const QVExcelRunText& next) {
  return std::fabs(next.ctmInfo.yBase - previous.ctmInfo.yBase) > previous.ctmInfo.fontSize.height / 2;
}

}  // namespace

platform::Rect QVExcelStringItemInfo::textBoxRect() const {
  return platform::Rect(std::round(displayX), std::round(displayY), displayWidth, displayHeight);
}

QVExcelStringItem::QVExcelStringItem() : phoneticPr(QVExcelUtilities::defaultPhoneticProperty()) {}

bool QVExcelStringItem::containRunText(const QVExcelRunText& run) const {
  return run.columnIndex == columnIndex && run.rowIndex == rowIndex;
}

bool QVExcelStringItem::isWordBreak(const QVExcelRunText& previous, const QVExcelRunText& next) {
  if (previous.text.empty() || next.text.empty() || isWhitespace(previous.text.back()) ||
      isWhitespace(next.text.front()))
    return false;
  const double em = previous.ctmInfo.fontSize.height;
  return isOtherLine(previous, next) || next.ctmInfo.xLeft - previous.ctmInfo.xRight >= kMinWordGap * em;
}

std::optional<QVLineReading> QVExcelStringItem::lineReading(std::vector<size_t>& owners) const {
  if (textRuns.size() < 2) return std::nullopt;
  std::vector<std::string_view> pieces;
  for (size_t i = 0; i < textRuns.size(); ++i) {
    const QVExcelRunText& run = *textRuns[i];
    if (run.text.find('\n') != std::string::npos) return std::nullopt;
    if (i > 0) {
      if (isOtherLine(*textRuns[i - 1], run)) return std::nullopt;
      if (isWordBreak(*textRuns[i - 1], run)) {
        pieces.push_back(" ");
        owners.push_back(i);
      }
    }
    if (run.pieces.empty()) {
      pieces.push_back(run.text);
      owners.push_back(i);
    }
    for (const std::string& piece : run.pieces) {
      pieces.push_back(piece);
      owners.push_back(i);
    }
  }
  return QVLineReadingOrder(pieces);
}

bool QVExcelStringItem::readsRightToLeft() const {
  const std::string text = content();
  const std::optional<QVLineReading> reading = QVLineReadingOrder({text});
  return reading && reading->rightToLeft;
}

std::string QVExcelStringItem::content() const {
  std::vector<size_t> owners;
  if (const std::optional<QVLineReading> reading = lineReading(owners)) return reading->text();
  std::string text;
  for (size_t i = 0; i < textRuns.size(); ++i) {
    if (i > 0 && isWordBreak(*textRuns[i - 1], *textRuns[i])) text += ' ';
    text += textRuns[i]->text;
  }
  return text;
}

double QVExcelStringItem::textWidth() const {
  double width = 0.0;
  for (const auto& run : textRuns) width += run->textWidth;
  return width;
}

double QVExcelStringItem::maxFontSize() const {
  double size = 12.0;
  for (const auto& run : textRuns) size = std::max(size, run->rPr.sz);
  return size;
}

QVExcelRunTextProperty QVExcelStringItem::runProperty() const {
  return textRuns.empty() ? QVExcelRunTextProperty() : textRuns.front()->rPr;
}

bool QVExcelStringItem::isAttributeRunText() const {
  if (textRuns.size() < 2) return false;
  const QVExcelRunTextProperty& first = textRuns.front()->rPr;
  return std::any_of(textRuns.begin() + 1, textRuns.end(),
                     [&](const QVExcelRunTextPtr& run) { return !first.isEqualToRPr(run->rPr); });
}

void QVExcelStringItem::calculatStringItemInfo() {
  double left = std::numeric_limits<double>::max();
  double top = std::numeric_limits<double>::max();
  double right = std::numeric_limits<double>::min();
  double bottom = std::numeric_limits<double>::min();
  for (const auto& run : textRuns) {
    const QVPDF_CTMInfo& c = run->ctmInfo;
    left = std::min(left, c.xLeft);
    top = std::min(top, c.yTop);
    right = std::max(right, c.xRight);
    bottom = std::max(bottom, c.yBottom);
    rowLength = std::max(rowLength, run->rowLength);
    columnLength = std::max(columnLength, run->columnLength);
  }
  itemInfo.displayX = left;
  itemInfo.displayY = top;
  itemInfo.displayWidth = right - left;
  itemInfo.displayHeight = bottom - top;
}

void QVExcelStringItem::writeXMLWith(XMLFileWriter& writer, const QVExcelManager& manager) const {
  writer.writeStartElement("si");
  std::vector<size_t> owners;
  if (const std::optional<QVLineReading> reading = lineReading(owners)) {
    for (const QVReadingPiece& piece : reading->pieces) {
      QVExcelRunText shown = *textRuns[owners[piece.piece]];
      shown.text = piece.text;
      shown.writeXMLWith(writer, manager);
    }
    writer.writeEndElement();
    return;
  }
  for (size_t i = 0; i < textRuns.size(); ++i) {
    const bool blank = i > 0 && isWordBreak(*textRuns[i - 1], *textRuns[i]);
    textRuns[i]->writeXMLWith(writer, manager, blank ? " " : "");
  }
  writer.writeEndElement();
}
