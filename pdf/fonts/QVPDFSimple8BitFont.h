#pragma once
// QVPDFSimple8BitFont: the one-byte fonts (Type1, MMType1, Type3, TrueType).
// Each byte of a shown string is one character code with its own advance
// width and Unicode text.
//
// Text of a code, by the first source that has one:
//   1. the font's ToUnicode map;
//   2. the glyph name the encoding's Differences give the code, when the name
//      says what character it is ("eacute", "uni00E9", "f_i") or the
//      embedded font program maps that glyph to a character;
//   3. the base encoding: the one the Encoding names, else the built-in
//      encoding of the embedded program (Type 1, CFF), the glyphs a symbolic
//      TrueType program's own cmap selects, the built-in encoding of a
//      standard font (Symbol, ZapfDingbats), or WinAnsiEncoding (Type1,
//      TrueType) and StandardEncoding (Type3);
//   4. the byte's own value read as Latin-1, unless that is a control code;
//      a symbolic TrueType program's code instead reads in the code page
//      the program declares (1252 as typed, 874 for Thai), and in none when
//      the program or the glyph names say the text is of another script.
// Widths: the Widths array (scaled by the FontMatrix of a Type3 font), else
// the standard font's (or a substitute's) widths by glyph name, else the
// descriptor's MissingWidth.
// A Type3 font measures its em, its space and its ascent and descent in its
// own glyph space too. Its FontMatrix does not say how many units an em has:
// the usual 1/1000 scale makes one font size an em, but the bitmap fonts of
// DVI converters and PostScript printers count glyph space in device pixels
// (a matrix of [1 0 0 -1 0 0] and widths such as 54). The em is then what
// the font's box or, failing that, its letters' widths make plausible.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "pdf/fonts/QVPDFEncoding.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/text/codepages.h"

class QVPDFFontProgram;

class QVPDFSimple8BitFont : public QVPDFFont {
 public:
  // Character sets of the base encoding, as numbered by the text services:
  // 1 ASCII (StandardEncoding), 10 UTF-16 (PDFDocEncoding), 12 Windows code
  // page 1252 (WinAnsiEncoding), 30 Mac OS Roman (MacRomanEncoding,
  // MacExpertEncoding); 0 for the Symbol and ZapfDingbats encodings and the
  // built-in encodings of embedded programs.
  static constexpr uint64_t kASCIIStringEncoding = 1;
  static constexpr uint64_t kUnicodeStringEncoding = 10;
  static constexpr uint64_t kWindowsCP1252StringEncoding = 12;
  static constexpr uint64_t kMacOSRomanStringEncoding = 30;

  int getNextChar(const unsigned char* s, int len, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                  float* dy, float* ox, float* oy) const override;
  double widthOfSpace() const override;
  double ascent() const override;
  double descent() const override;
  platform::Rect fontBBox() const override;
  double emSize() const override { return emSize_; }
  platform::AffineTransform glyphOrientation() const override { return glyphOrientation_; }
  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override;

  // Advance of each code as a fraction of the font size.
  const std::array<double, 256>& charWidths() const { return charWidths_; }
  // The base encoding's name as found or as defaulted ("WinAnsiEncoding"),
  // or "FontSpecific" for the built-in encoding of an embedded program.
  const std::string& fontEncodingName() const { return fontEncodingName_; }
  uint64_t stringEncoding() const { return stringEncoding_; }
  // The glyph names of the encoding's Differences by code.
  const std::map<int, std::string>& differences() const { return differences_; }
  // The Unicode text of a code (empty when it has none).
  std::u32string textOfCode(uint8_t code) const;

 protected:
  enum class Kind { Type1, MMType1, TrueType, Type3 };
  explicit QVPDFSimple8BitFont(Kind kind) : kind_(kind) {}

  // The initialiser: names, standard font, descriptor, encoding, widths,
  // ToUnicode map, and the text of every code.
  void initWithDictionary(const platform::PdfObject& dictionary, std::string_view objectKey);

 private:
  void setEncodingWithFontDictionary(const platform::PdfObject& dictionary);
  void setEncodingWithEncodingObject(const platform::PdfObject& encoding, int depth);
  void setDifferencesWithDifferencesArray(const platform::PdfObject& differences);
  void setDefaultEncoding();
  void setType3GlyphSpace(const platform::PdfObject& dictionary);
  // Once the widths and the text of the codes are known.
  void setType3Em();
  void setSpaceWidth();
  // The mean width of the codes that have one (font sizes), of all codes or
  // of those whose text is of a kind: lower-case, upper-case letters.
  double averageWidth(int (*kind)(int)) const;
  void setWidthsWithFontDictionary(const platform::PdfObject& dictionary);
  void setStandardWidths(const BuiltinFont& font);
  void setTextOfCodes();
  std::u32string textOfGlyphName(const std::string& name);
  std::u32string baseTextOfCode(uint8_t code);
  // The code page a symbolic TrueType program's codes read in when nothing
  // else names their glyphs: 1252 as the author typed them, unless the
  // program covers Thai and not Latin (874), or the program or the font's
  // glyph names say the text is of another script (none: no text).
  const platform::text::CodePage* symbolicCodePage(bool namesSayOtherScript);
  // The glyph name a code selects: its Differences name, else the base
  // encoding's name. Empty when neither names one.
  std::string glyphNameOfCode(uint8_t code) const;
  QVPDFFontProgram* program();
  // A descriptor's widths are read as thousandths of the font size; a Type3
  // font's glyph space scales them.
  double descriptorScale() const { return glyphScale_ * 1000.0; }

  Kind kind_;
  std::array<double, 256> charWidths_{};
  uint64_t stringEncoding_ = 0;
  std::string fontEncodingName_;
  std::map<int, std::string> differences_;
  // The base encoding; none while the defaults are still to be chosen or when
  // the embedded program's own encoding is used (programEncoding_).
  std::optional<QVPDFEncoding::Base> baseEncoding_;
  bool explicitBaseEncoding_ = false;
  std::array<std::string, 256> programEncoding_;
  bool usesProgramEncoding_ = false;
  bool usesSymbolicCmap_ = false;
  // Glyph-space units to text space: 0.001, or the FontMatrix of a Type3 font.
  double glyphScale_ = 0.001;
  // A Type3 font's em, and its ascent and descent from its FontBBox (in
  // font sizes, the glyphs upright; none when the box tells nothing).
  double emSize_ = 1.0;
  std::optional<double> type3Ascent_, type3Descent_;
  // Glyph-space units to text space along both axes, the FontMatrix at
  // unit scale, and the box's bottom and top in glyph-space units.
  double glyphUnit_ = 0.001;
  platform::AffineTransform glyphOrientation_ = platform::AffineTransform::identity();
  std::optional<std::pair<double, double>> type3BoxHeight_;
  double spaceWidth_ = 0.0;

  // Text by code: one character in single_, several in multi_.
  std::array<char32_t, 256> single_{};
  std::map<uint8_t, std::u32string> multi_;

  // While the font is built: the embedded program, opened on first need and
  // dropped when the font is complete.
  std::shared_ptr<QVPDFFontProgram> program_;
  bool programTried_ = false;
};
