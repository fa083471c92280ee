#include "xlsx/QVExcelStyleFill.h"

#include <cmath>

#include "convert/QVHexColor.h"

QVExcelStyleFill::QVExcelStyleFill(const platform::Rect& frame, const platform::Color& color)
    : fgRGBColor(QVHexColor::getHexColorFromCGColor(color)), rect(frame) {
  patternFill.patternType = "solid";
}

bool QVExcelStyleFill::isEqualToFill(const QVExcelStyleFill& other) const {
  if (patternFill.patternType != other.patternFill.patternType || !fgRGBColor || !other.fgRGBColor ||
      *fgRGBColor != *other.fgRGBColor)
    return false;
  return std::fabs(rect.origin.x - other.rect.origin.x) <= 2.0 &&
         std::fabs(rect.origin.y - other.rect.origin.y) <= 2.0 &&
         std::fabs(rect.maxX() - other.rect.maxX()) <= 4.0 && std::fabs(rect.maxY() - other.rect.maxY()) <= 4.0;
}
