#pragma once
// A fill entry of the style registry: a solid colour and the rectangle of
// the page (display space) it was painted over, by which the cells under it
// find it.
#include <optional>
#include <string>

#include "platform/geometry/geometry.h"
#include "platform/image/color.h"
#include "xlsx/QVExcelStyleRecords.h"

struct QVExcelStyleFill {
  QVExcelStyleFill() = default;
  // A solid fill of the colour over the frame.
  QVExcelStyleFill(const platform::Rect& frame, const platform::Color& color);

  // Six hexadecimal digits; none for the fills that have no colour.
  std::optional<std::string> fgRGBColor;
  platform::Rect rect;
  QVExcel_PatternFill patternFill;

  // The same pattern and colour over nearly the same rectangle: origins
  // within 2 points, far corners within 4 (inclusive). A fill without a
  // colour equals nothing.
  bool isEqualToFill(const QVExcelStyleFill& other) const;
};
