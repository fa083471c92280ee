#pragma once
// Advance widths of one standard font, looked up by glyph name or by Unicode
// value, and the glyph-name tables shared by the encodings and the widths.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pdf/fonts/generated/StandardFontMetrics.h"

class BuiltinFontWidths {
 public:
  BuiltinFontWidths() = default;
  // A view of a static glyph list sorted by name (the generated tables).
  explicit BuiltinFontWidths(std::span<const qvfontdata::GlyphWidth> glyphs) : glyphs_(glyphs) {}

  // Width of the glyph (glyph-space units, 1/1000 em); nullopt when the font
  // has no glyph of that name.
  std::optional<uint16_t> getString(std::string_view glyphName) const;
  // Width of the glyph that unicodeIDToName() names for the value.
  std::optional<uint16_t> getCharacter(char32_t unicode) const;
  // Width of "space".
  std::optional<uint16_t> widthOfSpace() const;

  size_t widthsCount() const { return glyphs_.size(); }
  std::span<const qvfontdata::GlyphWidth> glyphs() const { return glyphs_; }

  // Glyph name → Unicode. Names of the glyph list (and the printable ASCII
  // characters standing for themselves) give their values; a "uni" name gives
  // its hexadecimal groups of four digits (uni20AC, uni20AC20AD); anything
  // else gives nothing. A UTF-16 surrogate pair in a "uni" name becomes one
  // character; lone surrogates are dropped.
  static std::u32string nameToUnicode(std::string_view glyphName);
  // The first value of nameToUnicode(), 0 when the name is unknown.
  static char32_t nameToUnicodeID(std::string_view glyphName);
  // Unicode → the glyph name used for width look-ups; "uni" and the value in
  // four (or more) lower-case hexadecimal digits when the table has none.
  static std::string unicodeIDToName(char32_t unicode);

  bool operator==(const BuiltinFontWidths& other) const {
    return glyphs_.data() == other.glyphs_.data() && glyphs_.size() == other.glyphs_.size();
  }

 private:
  std::span<const qvfontdata::GlyphWidth> glyphs_;
};
