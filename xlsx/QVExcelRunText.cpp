#include "xlsx/QVExcelRunText.h"

namespace {

bool presentAndEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  return a && b && *a == *b;
}

}  // namespace

bool QVExcelRunTextProperty::isEqualToRPr(const QVExcelRunTextProperty& other) const {
  return sz == other.sz && presentAndEqual(rgbColor, other.rgbColor) && presentAndEqual(family, other.family);
}

bool QVExcelRunTextProperty::isSameToRPr(const QVExcelRunTextProperty& other) const {
  return sz == other.sz && presentAndEqual(rgbColor, other.rgbColor);
}

platform::Rect QVExcelRunText::frame() const {
  return platform::Rect(ctmInfo.xLeft, ctmInfo.yTop, textWidth, ctmInfo.yBottom - ctmInfo.yTop);
}
