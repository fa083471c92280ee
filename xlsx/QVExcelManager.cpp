#include "xlsx/QVExcelManager.h"

#include <algorithm>
#include <cmath>

#include "xlsx/QVExcelNumber.h"
#include "xlsx/QVExcelRunText.h"
#include "xlsx/QVExcelStringItem.h"
#include "xlsx/QVExcelUtilities.h"

void QVExcelManager::setOptions(const std::optional<QVExcelOptions>& options) {
  excelOptions_ = options;
  thousandSepartor_ = std::string(options && options->thousandSepartor == 1 ? "." : ",");
}

void QVExcelManager::reset() {
  amountOfStringItems_ = 0;
  excelStyle_ = QVExcelStyle();
}

bool QVExcelManager::isBlankSpace(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

std::string QVExcelManager::runColor(const std::optional<std::string>& color) const {
  std::string digits = QVExcelUtilities::sixDigitColor(color);
  if (!isNeedCollectFills() && (digits == "ffffff" || digits == "FFFFFF")) digits = "000000";
  return digits;
}

QVExcelStyleFont QVExcelManager::fontOf(const QVExcelRunTextProperty& properties, QVExcelRunTextProperty* rPr) const {
  const std::string name = isNeedDefaultFontName() ? std::string(QVExcelUtilities::defaultFontName()) : properties.rFont;
  const double size = isNeedDefaultFontSize() ? QVExcelUtilities::defaultFontSize() : properties.sz;
  const std::string color = runColor(properties.rgbColor);
  if (rPr) {
    rPr->rFont = name;
    rPr->sz = size;
    rPr->rgbColor = color;
  }
  return QVExcelStyleFont(size, name, color, properties.b && !isSpecialVersion(), properties.i && !isSpecialVersion());
}

int32_t QVExcelManager::collectFontsWithRun(QVExcelRunText& run, int32_t fillID) {
  (void)fillID;
  return excelStyle_.collectFonts(fontOf(run.rPr, &run.rPr));
}

int32_t QVExcelManager::getStyleIndex(const QVExcelStringItem& item, const platform::Rect& cellFrame) {
  std::string horizontal = "left";
  const std::string vertical = "center";
  const int32_t fontID = item.isAttributeRunText() ? 0 : excelStyle_.collectFonts(fontOf(item.runProperty(), nullptr));
  if (item.columnLength != 0) {
    const double left = item.itemInfo.displayX;
    const double right = left + item.itemInfo.displayWidth;
    if (std::fabs(left - cellFrame.minX()) < 3.0) horizontal = "left";
    else if (std::fabs(right - cellFrame.maxX()) < 3.0) horizontal = "right";
    else horizontal = "center";
  }
  if (isNeedWrapText()) horizontal = "left";

  // A text cell takes no number format and no fill of a number cell's
  // format: the fill lies under that other cell, not under this one.
  return excelStyle_.getTextStyleIndex(fontID, horizontal, vertical, item.readsRightToLeft());
}

int32_t QVExcelManager::styleIndexFrom(QVExcelRunText& run, QVExcelNumber& number, int32_t fillID) {
  if (number.numID() == -1) number.setNumID(excelStyle_.collectNumberFormat(number.formatCode().value_or("General")));
  const int32_t fontID = collectFontsWithRun(run, fillID);
  return excelStyle_.getStyleIndexFrom(number.numID(), fontID, fillID, 0,
                                       QVExcel_AlignmentMake(std::string("left"), std::string("center"), true));
}
