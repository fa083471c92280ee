#pragma once
// The fourteen standard fonts, the names that stand for them, and the twelve
// Latin faces offered as substitutes for a simple font without widths.
#include <array>
#include <span>
#include <string_view>

#include "pdf/fonts/BuiltinFont.h"

class BuiltinFontManager {
 public:
  static constexpr size_t kFontCount = 14;
  static constexpr size_t kSubstituteCount = 12;

  // The process-wide manager, made on first use (thread-safe) and never freed.
  static const BuiltinFontManager& sharedManager();

  // The standard font that a font name designates: the name without spaces,
  // through the alias list, must equal a standard name exactly. nullptr when
  // it designates none.
  const BuiltinFont* findBuildinFont(std::string_view name) const;

  // Substitutes by index: 0 Courier, 1 Courier-Oblique, 2 Courier-Bold,
  // 3 Courier-BoldOblique, 4 Helvetica, 5 Helvetica-Oblique, 6 Helvetica-Bold,
  // 7 Helvetica-BoldOblique, 8 Times-Roman, 9 Times-Italic, 10 Times-Bold,
  // 11 Times-BoldItalic.
  std::span<const BuiltinFont* const> fontsSubstArray() const { return fontsSubst_; }

  // Every record, in table order (Courier ... ZapfDingbats).
  std::span<const BuiltinFont> fontsArray() const { return fonts_; }

  BuiltinFontManager(const BuiltinFontManager&) = delete;
  BuiltinFontManager& operator=(const BuiltinFontManager&) = delete;

 private:
  BuiltinFontManager();

  std::array<BuiltinFont, kFontCount> fonts_;
  std::array<const BuiltinFont*, kSubstituteCount> fontsSubst_{};
};
