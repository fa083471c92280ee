// Base encodings of simple fonts and the reading of glyph names as text.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/QVPDFEncoding.h"
#include "platform/text/text.h"

namespace {

using Base = QVPDFEncoding::Base;

std::string utf8(char32_t c) { return platform::text::utf8FromCodePoint(c); }

TEST(FontEncoding, BaseEncodingsDecodeTheirPublishedTables) {
  struct Case {
    Base base;
    uint8_t code;
    char32_t unicode;
    const char* glyph;
  };
  const Case cases[] = {
      {Base::Standard, 0x41, U'A', "A"},
      {Base::Standard, 0x27, U'\u2019', "quoteright"},
      {Base::Standard, 0x60, U'\u2018', "quoteleft"},
      {Base::Standard, 0xAE, U'\uFB01', "fi"},
      {Base::Standard, 0xAF, U'\uFB02', "fl"},
      {Base::Standard, 0xB1, U'\u2013', "endash"},
      {Base::Standard, 0xD0, U'\u2014', "emdash"},
      {Base::Standard, 0xE1, U'\u00C6', "AE"},
      {Base::Standard, 0xFB, U'\u00DF', "germandbls"},
      {Base::Standard, 0x80, 0, ""},  // unassigned
      {Base::WinAnsi, 0x80, U'\u20AC', "Euro"},
      {Base::WinAnsi, 0x27, U'\'', "quotesingle"},
      {Base::WinAnsi, 0xE9, U'\u00E9', "eacute"},
      {Base::WinAnsi, 0x96, U'\u2013', "endash"},
      {Base::MacRoman, 0x8E, U'\u00E9', "eacute"},
      {Base::MacRoman, 0xD1, U'\u2014', "emdash"},
      {Base::MacExpert, 0x56, U'\uFB00', "ff"},
      {Base::Symbol, 0x61, U'\u03B1', "alpha"},
      {Base::Symbol, 0x44, U'\u0394', "Delta"},
      {Base::Symbol, 0xE5, U'\u2211', "summation"},
      {Base::Symbol, 0xD3, U'\u00A9', "copyrightserif"},
      {Base::ZapfDingbats, 0x21, U'\u2701', "a1"},
      {Base::ZapfDingbats, 0x6C, U'\u25CF', "a71"},
      {Base::ZapfDingbats, 0xAC, U'\u2460', "a120"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QVPDFEncoding::unicode(c.base, c.code), c.unicode)
        << QVPDFEncoding::name(c.base) << " " << int(c.code);
    EXPECT_EQ(QVPDFEncoding::glyphName(c.base, c.code), c.glyph) << QVPDFEncoding::name(c.base) << " " << int(c.code);
  }
}

TEST(FontEncoding, EncodingNamesAreRecognisedExactly) {
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("StandardEncoding"), Base::Standard);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("WinAnsiEncoding"), Base::WinAnsi);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("MacRomanEncoding"), Base::MacRoman);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("MacExpertEncoding"), Base::MacExpert);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("PDFDocEncoding"), Base::PDFDoc);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("winansiencoding"), std::nullopt);
  EXPECT_EQ(QVPDFEncoding::baseEncodingNamed("Identity-H"), std::nullopt);
  for (Base b : {Base::Standard, Base::WinAnsi, Base::MacRoman, Base::MacExpert, Base::PDFDoc, Base::Symbol,
                 Base::ZapfDingbats})
    EXPECT_EQ(QVPDFEncoding::baseEncodingNamed(QVPDFEncoding::name(b)), b);
}

TEST(FontEncoding, GlyphNamesReadAsText) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"eacute", utf8(U'\u00E9')},
      {"A", "A"},
      {"fi", utf8(U'\uFB01')},
      {"uni00E9", utf8(U'\u00E9')},
      {"uni00660069", "fi"},
      {"uniD835DC00", utf8(U'\U0001D400')},  // a UTF-16 pair is one character
      {"u1D400", utf8(U'\U0001D400')},
      {"u00E9", utf8(U'\u00E9')},
      {"f_f_i", "ffi"},
      {"T_h", "Th"},
      {"a.sc", "a"},
      {"one.oldstyle", "1"},
      {"f_i.alt", "fi"},
      {"space", " "},
      // TeX math names.
      {"angbracketleft", utf8(U'\u27E8')},
      {"parenleftBigg", "("},
      {"summationdisplay", utf8(U'\u2211')},
      {"lessorsimilar", utf8(U'\u2272')},
      // Names that say nothing about their character.
      {"g123", ""},
      {"cid42", ""},
      {"glyph7", ""},
      {".notdef", ""},
      {"f_g123", ""},
      {"", ""},
      {"u12", ""},
      {"uD800", ""},  // a lone surrogate is no character
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::text::encodeUtf8(QVPDFEncoding::glyphNameToUnicode(c.name)), c.text) << c.name;
}

TEST(FontEncoding, GlyphNamesThatSpellCharacterNamesReadAsThoseCharacters) {
  struct Case {
    const char* name;
    char32_t character;
  };
  const Case cases[] = {
      {"ThaiCharacterKoKai", U'\u0E01'},
      {"ThaiCharacterMaiEkLow", U'\u0E48'},
      {"ThaiCharacterMaiEkLowLeft", U'\u0E48'},
      {"ThaiCharacterYoYingDescless", U'\u0E0D'},
      {"ThaiCharacterSaraAa.alt1", U'\u0E32'},
      {"hebrew-letter-alef", U'\u05D0'},
      {"ArabicLetterBeh", U'\u0628'},
      {"ArabicLetterBehFinalForm", U'\uFE90'},
      {"ArabicLetterBehFinal", U'\u0628'},
      {"DevanagariLetterKa", U'\u0915'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(QVPDFEncoding::glyphNameToUnicode(c.name), std::u32string(1, c.character)) << c.name;
  // Ligatures of such names, and names that spell nothing.
  EXPECT_EQ(QVPDFEncoding::glyphNameToUnicode("KhmerLetterKa_KhmerVowelSignAa"), U"\u1780\u17B6");
  for (const char* nothing : {"g123", "glyph42", "ThaiCharacter", "Low", "cid1234", "LeftRight"})
    EXPECT_TRUE(QVPDFEncoding::glyphNameToUnicode(nothing).empty()) << nothing;
}

TEST(FontEncoding, DingbatNamesNameDingbats) {
  EXPECT_EQ(QVPDFEncoding::dingbatNameToUnicode("a1"), U'\u2701');
  EXPECT_EQ(QVPDFEncoding::dingbatNameToUnicode("a191"), U'\u27BE');
  EXPECT_EQ(QVPDFEncoding::dingbatNameToUnicode("a"), 0u);
  EXPECT_EQ(QVPDFEncoding::dingbatNameToUnicode("alpha"), 0u);
}

}  // namespace
