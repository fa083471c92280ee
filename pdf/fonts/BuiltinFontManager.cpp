#include "pdf/fonts/BuiltinFontManager.h"

#include <string>

namespace {

struct Alias {
  std::string_view alias;
  std::string_view standardName;
};

// Names that producers write for the standard fonts (Windows names of the
// metric-compatible faces, style suffixes after a comma).
constexpr Alias kAliases[] = {
    {"Arial", "Helvetica"},
    {"Arial,Bold", "Helvetica-Bold"},
    {"Arial,BoldItalic", "Helvetica-BoldOblique"},
    {"Arial,Italic", "Helvetica-Oblique"},
    {"Arial-Bold", "Helvetica-Bold"},
    {"Arial-BoldItalic", "Helvetica-BoldOblique"},
    {"Arial-BoldItalicMT", "Helvetica-BoldOblique"},
    {"Arial-BoldMT", "Helvetica-Bold"},
    {"Arial-Italic", "Helvetica-Oblique"},
    {"Arial-ItalicMT", "Helvetica-Oblique"},
    {"ArialMT", "Helvetica"},
    {"Courier,Bold", "Courier-Bold"},
    {"Courier,BoldItalic", "Courier-BoldOblique"},
    {"Courier,Italic", "Courier-Oblique"},
    {"CourierNew", "Courier"},
    {"CourierNew,Bold", "Courier-Bold"},
    {"CourierNew,BoldItalic", "Courier-BoldOblique"},
    {"CourierNew,Italic", "Courier-Oblique"},
    {"CourierNew-Bold", "Courier-Bold"},
    {"CourierNew-BoldItalic", "Courier-BoldOblique"},
    {"CourierNew-Italic", "Courier-Oblique"},
    {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
    {"CourierNewPS-BoldMT", "Courier-Bold"},
    {"CourierNewPS-ItalicMT", "Courier-Oblique"},
    {"CourierNewPSMT", "Courier"},
    {"Helvetica,Bold", "Helvetica-Bold"},
    {"Helvetica,BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica,Italic", "Helvetica-Oblique"},
    {"Helvetica-BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica-Italic", "Helvetica-Oblique"},
    {"Symbol,Bold", "Symbol"},
    {"Symbol,BoldItalic", "Symbol"},
    {"Symbol,Italic", "Symbol"},
    {"TimesNewRoman", "Times-Roman"},
    {"TimesNewRoman,Bold", "Times-Bold"},
    {"TimesNewRoman,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman,Italic", "Times-Italic"},
    {"TimesNewRoman-Bold", "Times-Bold"},
    {"TimesNewRoman-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman-Italic", "Times-Italic"},
    {"TimesNewRomanPS", "Times-Roman"},
    {"TimesNewRomanPS-Bold", "Times-Bold"},
    {"TimesNewRomanPS-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldMT", "Times-Bold"},
    {"TimesNewRomanPS-Italic", "Times-Italic"},
    {"TimesNewRomanPS-ItalicMT", "Times-Italic"},
    {"TimesNewRomanPSMT", "Times-Roman"},
    {"TimesNewRomanPSMT,Bold", "Times-Bold"},
    {"TimesNewRomanPSMT,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPSMT,Italic", "Times-Italic"},
};

// Substitute index → record index.
constexpr size_t kSubstitutes[BuiltinFontManager::kSubstituteCount] = {0, 3, 1, 2, 4, 7, 5, 6, 12, 11, 9, 10};

}  // namespace

const BuiltinFontManager& BuiltinFontManager::sharedManager() {
  static const BuiltinFontManager manager;
  return manager;
}

BuiltinFontManager::BuiltinFontManager() {
  static_assert(qvfontdata::kStandardFontCount == kFontCount);
  for (size_t i = 0; i < kFontCount; ++i) {
    const qvfontdata::StandardFontMetrics& m = qvfontdata::kStandardFonts[i];
    BuiltinFont& font = fonts_[i];
    font.fontName = m.fontName;
    font.baseEncoding = m.baseEncoding;
    font.ascent = m.ascent * 0.001;
    font.descent = m.descent * 0.001;
    font.bbox = platform::Rect(m.bbox[0], m.bbox[1], m.bbox[2], m.bbox[3]);
    font.fontWidths = BuiltinFontWidths(std::span(m.glyphs, m.glyphCount));
  }
  for (size_t i = 0; i < kSubstituteCount; ++i) fontsSubst_[i] = &fonts_[kSubstitutes[i]];
}

const BuiltinFont* BuiltinFontManager::findBuildinFont(std::string_view name) const {
  if (name.empty()) return nullptr;
  std::string key;
  key.reserve(name.size());
  for (char c : name)
    if (c != ' ') key.push_back(c);
  std::string_view wanted = key;
  for (const Alias& a : kAliases) {
    if (a.alias == wanted) {
      wanted = a.standardName;
      break;
    }
  }
  for (const BuiltinFont& font : fonts_)
    if (font.fontName == wanted) return &font;
  return nullptr;
}
