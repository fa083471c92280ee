#pragma once
// A font entry of the style registry: the font record and the colour it is
// written with.
#include <string>
#include <utility>

#include "xlsx/QVExcelStyleRecords.h"

struct QVExcelStyleFont {
  QVExcelStyleFont() = default;
  // A font of those properties, its family, character set and scheme empty.
  QVExcelStyleFont(double size, std::string name, std::string color, bool bold, bool italic)
      : rgbColor(std::move(color)) {
    font.sz = size;
    font.name = std::move(name);
    font.famliy.clear();
    font.charset.clear();
    font.scheme.clear();
    font.b = bold;
    font.i = italic;
  }

  // Six hexadecimal digits.
  std::string rgbColor = "000000";
  QVExcel_Font font;

  // Equal records (size and name), colour, bold and italic.
  bool isEqualToFont(const QVExcelStyleFont& other) const {
    return QVExcel_FontIsEqual(font, other.font) && rgbColor == other.rgbColor && font.b == other.font.b &&
           font.i == other.font.i;
  }
};
