#pragma once
// The base encodings of simple fonts (the standard's StandardEncoding,
// WinAnsiEncoding, MacRomanEncoding, MacExpertEncoding, PDFDocEncoding and
// the built-in encodings of the Symbol and ZapfDingbats fonts): for each
// one-byte code, the glyph name the encoding assigns and the Unicode text of
// that glyph. Also the reading of glyph names as Unicode, shared by the
// Differences of an encoding and by the glyph names of embedded font programs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QVPDFEncoding {
 public:
  enum class Base : uint8_t {
    Standard,
    WinAnsi,
    MacRoman,
    MacExpert,
    PDFDoc,
    Symbol,
    ZapfDingbats,
  };

  // The base encoding an /Encoding or /BaseEncoding name designates, or a
  // standard font's built-in encoding name ("SymbolEncoding",
  // "ZapfDingbatsEncoding"); nullopt for any other name.
  static std::optional<Base> baseEncodingNamed(std::string_view name);
  // "StandardEncoding", "WinAnsiEncoding", ...
  static std::string_view name(Base base);

  // The glyph name of a code; empty when the encoding leaves it unassigned.
  static std::string_view glyphName(Base base, uint8_t code);
  // The character of a code; 0 when the encoding leaves it unassigned.
  // WinAnsi, MacRoman and PDFDoc follow the code pages of the platform layer.
  static char32_t unicode(Base base, uint8_t code);

  // The Unicode text of a glyph name: a name of the glyph list, "uniXXXX"
  // (groups of four hexadecimal digits), "uXXXX" to "uXXXXXX", a ligature of
  // such names joined by "_" ("f_f_i"), and any of these followed by a
  // variant suffix after "." ("a.sc", "one.oldstyle"), and a Unicode
  // character name spelt out ("ThaiCharacterKoKai"), perhaps followed by the
  // words of a glyph variant ("ThaiCharacterMaiEkLowLeft"). Empty for a name
  // that says nothing about its character ("g123", "cid42", ".notdef").
  static std::u32string glyphNameToUnicode(std::string_view glyphName);

  // The character of a ZapfDingbats glyph name ("a1" … "a206"); 0 for others.
  static char32_t dingbatNameToUnicode(std::string_view glyphName);
};
