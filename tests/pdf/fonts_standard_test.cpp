// Standard fonts: records, aliases, substitutes, widths and glyph names.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pdf/fonts/BuiltinFontManager.h"
#include "pdf/fonts/BuiltinFontWidths.h"

namespace {

const BuiltinFontManager& manager() {
  return BuiltinFontManager::sharedManager();
}

const BuiltinFont& font(std::string_view name) {
  const BuiltinFont* f = manager().findBuildinFont(name);
  EXPECT_NE(f, nullptr) << name;
  static BuiltinFont empty;
  return f ? *f : empty;
}

TEST(StandardFonts, RecordsHoldNamesEncodingsAndScaledMetrics) {
  struct Row {
    const char* name;
    const char* encoding;
    double ascent, descent;
    double x0, y0, x1, y1;
    size_t glyphs;
  };
  const Row rows[] = {
      {"Courier", "StandardEncoding", 0.629, -0.157, -23, -250, 715, 805, 315},
      {"Courier-Bold", "StandardEncoding", 0.629, -0.157, -113, -250, 749, 801, 315},
      {"Courier-BoldOblique", "StandardEncoding", 0.629, -0.157, -57, -250, 869, 801, 315},
      {"Courier-Oblique", "StandardEncoding", 0.629, -0.157, -27, -250, 849, 805, 315},
      {"Helvetica", "StandardEncoding", 0.718, -0.207, -166, -225, 1000, 931, 315},
      {"Helvetica-Bold", "StandardEncoding", 0.718, -0.207, -170, -228, 1003, 962, 315},
      {"Helvetica-BoldOblique", "StandardEncoding", 0.718, -0.207, -174, -228, 1114, 962, 315},
      {"Helvetica-Oblique", "StandardEncoding", 0.718, -0.207, -170, -225, 1116, 931, 315},
      {"Symbol", "SymbolEncoding", 1.010, -0.293, -180, -293, 1090, 1010, 190},
      {"Times-Bold", "StandardEncoding", 0.683, -0.217, -168, -218, 1000, 935, 315},
      {"Times-BoldItalic", "StandardEncoding", 0.683, -0.217, -200, -218, 996, 921, 315},
      {"Times-Italic", "StandardEncoding", 0.683, -0.217, -169, -217, 1010, 883, 315},
      {"Times-Roman", "StandardEncoding", 0.683, -0.217, -168, -218, 1000, 898, 315},
      {"ZapfDingbats", "ZapfDingbatsEncoding", 0.820, -0.143, -1, -143, 981, 820, 202},
  };
  ASSERT_EQ(manager().fontsArray().size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    const BuiltinFont& f = manager().fontsArray()[i];
    SCOPED_TRACE(r.name);
    EXPECT_EQ(f.fontName, r.name);
    EXPECT_EQ(f.baseEncoding, r.encoding);
    EXPECT_DOUBLE_EQ(f.ascent, r.ascent);
    EXPECT_DOUBLE_EQ(f.descent, r.descent);
    EXPECT_EQ(f.bbox, platform::Rect(r.x0, r.y0, r.x1, r.y1));
    EXPECT_EQ(f.fontWidths.widthsCount(), r.glyphs);
    EXPECT_EQ(manager().findBuildinFont(r.name), &f);
  }
}

TEST(StandardFonts, AliasesResolveToTheirStandardFont) {
  const std::pair<const char*, const char*> rows[] = {
      {"Arial,BoldItalic", "Helvetica-BoldOblique"},
      {"Symbol,Italic", "Symbol"},
      {"TimesNewRomanPSMT", "Times-Roman"},
      {"Times New Roman", "Times-Roman"},  // spaces are removed first
      {"Arial-BoldMT", "Helvetica-Bold"},
      {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
      {"TimesNewRomanPSMT,Italic", "Times-Italic"},
      {"ArialMT", "Helvetica"},
  };
  for (const auto& [alias, standard] : rows) {
    const BuiltinFont* f = manager().findBuildinFont(alias);
    ASSERT_NE(f, nullptr) << alias;
    EXPECT_EQ(f->fontName, standard) << alias;
  }
}

TEST(StandardFonts, NamesThatAreNoAliasFindNothing) {
  for (const char* name : {"Arial Bold", "ArialBold", "Helvetica-Narrow", "arial", "helvetica", "", "Courier-Roman"})
    EXPECT_EQ(manager().findBuildinFont(name), nullptr) << name;
}

TEST(StandardFonts, SubstitutesFollowTheSubstitutionList) {
  const char* expected[] = {"Courier",        "Courier-Oblique",   "Courier-Bold",       "Courier-BoldOblique",
                            "Helvetica",      "Helvetica-Oblique", "Helvetica-Bold",     "Helvetica-BoldOblique",
                            "Times-Roman",    "Times-Italic",      "Times-Bold",         "Times-BoldItalic"};
  auto subst = manager().fontsSubstArray();
  ASSERT_EQ(subst.size(), std::size(expected));
  for (size_t i = 0; i < subst.size(); ++i) EXPECT_EQ(subst[i]->fontName, expected[i]) << i;
}

TEST(StandardFonts, KnownWidthsAlwaysHold) {
  EXPECT_EQ(font("Courier").fontWidths.widthOfSpace(), 600);
  EXPECT_EQ(font("Helvetica").fontWidths.widthOfSpace(), 278);
  EXPECT_EQ(font("Times-Roman").fontWidths.widthOfSpace(), 250);
  EXPECT_EQ(font("Helvetica").fontWidths.getString("A"), 667);
  EXPECT_EQ(font("Times-Roman").fontWidths.getString("A"), 722);
  EXPECT_EQ(font("Helvetica-Bold").fontWidths.getString("Euro"), 556);
  EXPECT_EQ(font("Times-Bold").fontWidths.getString("fi"), 556);
  EXPECT_EQ(font("Symbol").fontWidths.getString("alpha"), 631);
  EXPECT_EQ(font("ZapfDingbats").fontWidths.getString("a1"), 974);
  EXPECT_FALSE(font("Symbol").fontWidths.getString("A").has_value());
  EXPECT_FALSE(font("Helvetica").fontWidths.getString("alpha").has_value());
  for (const BuiltinFont& f : manager().fontsArray()) {
    if (f.fontName.rfind("Courier", 0) != 0) continue;
    for (const auto& g : f.fontWidths.glyphs()) EXPECT_EQ(g.width, 600) << f.fontName << " " << g.name;
  }
}

TEST(StandardFonts, EveryGlyphIsFoundWithItsOwnWidth) {
  for (const BuiltinFont& f : manager().fontsArray()) {
    for (const auto& g : f.fontWidths.glyphs()) {
      auto w = f.fontWidths.getString(g.name);
      ASSERT_TRUE(w.has_value()) << f.fontName << " " << g.name;
      EXPECT_EQ(*w, g.width) << f.fontName << " " << g.name;
    }
  }
}

// Reads "C ... ; WX w ; N name ; ..." lines of an AFM file.
std::vector<std::pair<std::string, int>> readAfmWidths(const std::filesystem::path& path) {
  std::vector<std::pair<std::string, int>> out;
  std::ifstream in(path);
  std::string line;
  bool inMetrics = false;
  while (std::getline(in, line)) {
    if (line.rfind("StartCharMetrics", 0) == 0) {
      inMetrics = true;
      continue;
    }
    if (line.rfind("EndCharMetrics", 0) == 0) break;
    if (!inMetrics) continue;
    std::string name;
    int width = -1;
    std::istringstream fields(line);
    std::string part;
    while (std::getline(fields, part, ';')) {
      std::istringstream words(part);
      std::string key;
      words >> key;
      if (key == "WX") words >> width;
      if (key == "N") words >> name;
    }
    if (!name.empty() && width >= 0) out.emplace_back(name, width);
  }
  return out;
}

TEST(StandardFonts, WidthsAgreeWithTheAfmFilesWhenPresent) {
  const std::filesystem::path dir = "/usr/share/ruby-prawn/fonts";
  if (!std::filesystem::exists(dir / "Helvetica.afm")) GTEST_SKIP() << "AFM files not installed";
  for (const BuiltinFont& f : manager().fontsArray()) {
    SCOPED_TRACE(f.fontName);
    auto afm = readAfmWidths(dir / (f.fontName + ".afm"));
    ASSERT_FALSE(afm.empty());
    EXPECT_EQ(afm.size(), f.fontWidths.widthsCount());
    for (const auto& [name, width] : afm) {
      auto w = f.fontWidths.getString(name);
      ASSERT_TRUE(w.has_value()) << name;
      EXPECT_EQ(*w, width) << name;
    }
  }
}

TEST(GlyphNames, NamesOfTheListGiveTheirValues) {
  const std::pair<const char*, char32_t> rows[] = {
      {"A", 0x41},          {"Aacute", 0xC1},      {"Euro", 0x20AC},      {"H18533", 0x25CF},
      {"ff", 0xFB00},       {"ffl", 0xFB04},       {"nbspace", 0xA0},     {"commaaccent", 0xF6C3},
      {"Delta", 0x2206},    {"Omega", 0x2126},     {"mu", 0xB5},          {"fraction", 0x2044},
      {"periodcentered", 0xB7}, {"Tcommaaccent", 0x162}, {"tcommaaccent", 0x163}, {"macron", 0xAF},
      {"Scedilla", 0x15E},  {"scedilla", 0x15F},   {"space", 0x20},       {"hyphen", 0x2D},
      {"!", 0x21},          {"~", 0x7E},           {"afii10017", 0x410},  {"Asmall", 0xF761},
      {"uni0041", 0x41},    {"uni20ac", 0x20AC},
  };
  for (const auto& [name, value] : rows) EXPECT_EQ(static_cast<uint32_t>(BuiltinFontWidths::nameToUnicodeID(name)), static_cast<uint32_t>(value)) << name;
}

TEST(GlyphNames, UnknownNamesGiveNothing) {
  for (const char* name : {"g123", "[", "uni", "uni41", "uni004", "uniXYZW", "uni00410", "Uni0041", "", "f_i"})
    EXPECT_EQ(BuiltinFontWidths::nameToUnicodeID(name), 0u) << name;
}

TEST(GlyphNames, UniNamesReadGroupsOfFourHexDigits) {
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("uni20AC20AD"), U"\u20AC\u20AD");
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("uni004100420043"), U"ABC");
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("uniD835DC00"), U"\U0001D400");  // surrogate pair joined
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("uniD8350041"), U"A");           // lone surrogate dropped
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("uni20AC2"), U"");               // not groups of four
  EXPECT_EQ(BuiltinFontWidths::nameToUnicode("dalethatafpatah"), U"\u05D3\u05B2");
}

TEST(GlyphNames, UnicodeToNameUsesPlainNamesAndFixedExceptions) {
  const std::pair<char32_t, const char*> rows[] = {
      {0x0000, ".notdef"},      {0x0021, "exclam"},      {0x007B, "braceleft"},   {0x00AE, "registered"},
      {0x2122, "trademark"},    {0x00A0, "space"},       {0x00AD, "hyphen"},      {0x021A, "Tcommaaccent"},
      {0x021B, "tcommaaccent"}, {0x02C9, "macron"},      {0x0394, "Delta"},       {0x03A9, "Omega"},
      {0x03BC, "mu"},           {0x2215, "fraction"},    {0x2219, "periodcentered"}, {0xF6C1, "Scedilla"},
      {0xF6C2, "scedilla"},     {0xF6D9, "copyrightserif"}, {0xF6DA, "registerserif"}, {0xF6DB, "trademarkserif"},
      {0xF8E9, "copyrightsans"}, {0xF8E8, "registersans"}, {0xF8EA, "trademarksans"}, {0x00E9, "eacute"},
      {0x20AC, "Euro"},
  };
  for (const auto& [value, name] : rows) EXPECT_EQ(BuiltinFontWidths::unicodeIDToName(value), name) << static_cast<uint32_t>(value);
  EXPECT_EQ(BuiltinFontWidths::unicodeIDToName(0x4E00), "uni4e00");
  EXPECT_EQ(BuiltinFontWidths::unicodeIDToName(0x1D400), "uni1d400");
}

TEST(GlyphNames, EveryStandardLatinGlyphRoundTripsThroughItsValue) {
  // The width look-up by Unicode value must reach the Latin glyphs.
  const BuiltinFont& helvetica = font("Helvetica");
  EXPECT_EQ(helvetica.fontWidths.getCharacter(0xA0), 278);  // named "space"
  EXPECT_EQ(helvetica.fontWidths.getCharacter(U'A'), 667);
  EXPECT_EQ(helvetica.fontWidths.getCharacter(0xE9), 556);  // eacute
  EXPECT_FALSE(helvetica.fontWidths.getCharacter(0x4E00).has_value());
  EXPECT_EQ(font("Symbol").fontWidths.getCharacter(0x0394), 612);  // Delta
}

}  // namespace
