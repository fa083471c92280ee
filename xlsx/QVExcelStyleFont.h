#pragma once
// A font entry of the style registry: the font record and the colour it is
// written with.
#include <string>

#include "xlsx/QVExcelStyleRecords.h"

struct QVExcelStyleFont {
  // Six hexadecimal digits.
  std::string rgbColor = "000000";
  QVExcel_Font font;

  // Equal records (size and name), colour, bold and italic.
  bool isEqualToFont(const QVExcelStyleFont& other) const {
    return QVExcel_FontIsEqual(font, other.font) && rgbColor == other.rgbColor && font.b == other.font.b &&
           font.i == other.font.i;
  }
};
