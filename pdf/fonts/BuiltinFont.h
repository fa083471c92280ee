#pragma once
// One of the fourteen standard PDF fonts: its name, built-in encoding, metrics
// and width table. The records belong to BuiltinFontManager and live for the
// whole process; fonts hold plain pointers to them.
#include <string>

#include "pdf/fonts/BuiltinFontWidths.h"
#include "platform/geometry/geometry.h"

struct BuiltinFont {
  std::string fontName;      // "Helvetica-Bold"
  std::string baseEncoding;  // "StandardEncoding", "SymbolEncoding", "ZapfDingbatsEncoding"
  double ascent = 0;         // fraction of the font size
  double descent = 0;        // fraction of the font size, negative
  // Glyph-space units, unscaled: origin = (x0, y0) and size = (x1, y1), the
  // corners standing in for origin and size.
  platform::Rect bbox;
  BuiltinFontWidths fontWidths;

  bool operator==(const BuiltinFont&) const = default;
};
