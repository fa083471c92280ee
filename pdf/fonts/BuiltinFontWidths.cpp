#include "pdf/fonts/BuiltinFontWidths.h"

#include <algorithm>
#include <cstring>

#include "pdf/fonts/generated/GlyphNames.h"

namespace {

bool nameLess(const char* a, std::string_view b) {
  return std::string_view(a) < b;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The characters of a "uni" suffix: groups of four hexadecimal digits, UTF-16
// surrogate pairs joined. Empty when the suffix is not such a sequence.
std::u32string uniSuffixValues(std::string_view digits) {
  std::u32string out;
  if (digits.empty() || digits.size() % 4 != 0) return out;
  char16_t pendingHigh = 0;
  for (size_t i = 0; i < digits.size(); i += 4) {
    char32_t unit = 0;
    for (size_t j = i; j < i + 4; ++j) {
      int v = hexValue(digits[j]);
      if (v < 0) return {};
      unit = unit * 16 + static_cast<char32_t>(v);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pendingHigh = static_cast<char16_t>(unit);
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (pendingHigh != 0)
        out.push_back(0x10000 + ((static_cast<char32_t>(pendingHigh) - 0xD800) << 10) + (unit - 0xDC00));
      pendingHigh = 0;
      continue;
    }
    pendingHigh = 0;
    out.push_back(unit);
  }
  return out;
}

}  // namespace

std::optional<uint16_t> BuiltinFontWidths::getString(std::string_view glyphName) const {
  auto it = std::lower_bound(glyphs_.begin(), glyphs_.end(), glyphName,
                             [](const qvfontdata::GlyphWidth& g, std::string_view n) { return nameLess(g.name, n); });
  if (it != glyphs_.end() && std::string_view(it->name) == glyphName) return it->width;
  return std::nullopt;
}

std::optional<uint16_t> BuiltinFontWidths::getCharacter(char32_t unicode) const {
  return getString(unicodeIDToName(unicode));
}

std::optional<uint16_t> BuiltinFontWidths::widthOfSpace() const {
  return getString("space");
}

std::u32string BuiltinFontWidths::nameToUnicode(std::string_view glyphName) {
  using qvfontdata::kGlyphNameCount;
  using qvfontdata::kGlyphNames;
  const auto* end = kGlyphNames + kGlyphNameCount;
  const auto* it = std::lower_bound(kGlyphNames, end, glyphName,
                                    [](const qvfontdata::GlyphNameEntry& e, std::string_view n) { return nameLess(e.name, n); });
  if (it != end && std::string_view(it->name) == glyphName) {
    std::u32string out;
    for (uint16_t v : it->unicode)
      if (v != 0) out.push_back(v);
    return out;
  }
  if (glyphName.size() > 3 && glyphName.substr(0, 3) == "uni") return uniSuffixValues(glyphName.substr(3));
  return {};
}

char32_t BuiltinFontWidths::nameToUnicodeID(std::string_view glyphName) {
  std::u32string values = nameToUnicode(glyphName);
  return values.empty() ? 0 : values.front();
}

std::string BuiltinFontWidths::unicodeIDToName(char32_t unicode) {
  using qvfontdata::kUnicodeNameCount;
  using qvfontdata::kUnicodeNames;
  if (unicode <= 0xFFFF) {
    const auto* end = kUnicodeNames + kUnicodeNameCount;
    const auto* it = std::lower_bound(kUnicodeNames, end, unicode,
                                      [](const qvfontdata::UnicodeNameEntry& e, char32_t u) { return e.unicode < u; });
    if (it != end && it->unicode == unicode) return it->name;
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (char32_t v = unicode; v != 0 || hex.size() < 4; v >>= 4) hex.insert(hex.begin(), kDigits[v & 0xF]);
  return "uni" + hex;
}
