#pragma once
// QVPDFFont: the base class of every page font (simple and composite).
//
// The graphics state holds the current font as a shared, immutable object
// (std::shared_ptr<const QVPDFFont>): saving the state shares the font, it
// never copies it. A font is built completely by the factory and not changed
// afterwards, so every query here is const. Fonts are built once per document
// and font object (QVPDFFontFactory) and shared by every page and form that
// lists them.
//
// Class tree:
//   QVPDFFont
//     QVPDFSimple8BitFont          one-byte fonts: encodings, Differences, widths
//       QVPDFType1Font, QVPDFMMType1Font, QVPDFType1CFont, QVPDFTrueTypeFont, QVPDFType3Font
//     QVPDFType0Font               composite fonts: a CMap and a descendant CID font
//     QVPDFCIDTypeFont             descendants: CID widths and character collection
//       QVPDFCIDType0Font, QVPDFCIDType2Font
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

struct BuiltinFont;
class QVPDFCharCodeToUnicode;
class QVPDFFontDescriptor;

class QVPDFFont {
 public:
  virtual ~QVPDFFont();

  // The font of one entry of a Font resource dictionary: the font dictionary
  // and the resource name it is listed under. None when the dictionary is not
  // a font this system reads (Type not Font; Subtype not Type0, Type1,
  // MMType1, Type3 or TrueType; a composite font without a usable CMap).
  // Built once per document and font object (QVPDFFontFactory).
  static std::shared_ptr<const QVPDFFont> fontWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey);

  // Resource name, Subtype, BaseFont as found (subset prefix included), the
  // name without the subset prefix, and the family name for the exporters.
  const std::string& objectKey() const { return objectKey_; }
  const std::string& subtype() const { return subtype_; }
  const std::string& baseFontName() const { return baseFontName_; }
  const std::string& fontName() const { return fontName_; }
  const std::string& fontFamilyName() const { return fontFamilyName_; }
  // Writing mode of the font object: always 0. Whether a composite font's
  // CMap sets its text vertically is isVertical().
  int wMode() const { return 0; }
  virtual bool isVertical() const { return false; }

  // Descriptor (metrics and flags for the exporters' bold and italic tests),
  // the standard font the name designates, and the font's own ToUnicode map.
  // Each may be none.
  const std::shared_ptr<const QVPDFFontDescriptor>& fontDescriptor() const { return fontDescriptor_; }
  const BuiltinFont* builtinFont() const { return builtinFont_; }
  const std::shared_ptr<const QVPDFCharCodeToUnicode>& embToUnicodeMap() const { return embToUnicodeMap_; }

  // Decodes the next character code of a shown string. `s` points at the
  // bytes not yet decoded, `len` (at least 1) is their number. Writes the
  // code, up to uSize Unicode values into u (their number into uLen, 0 when
  // the code has no text), the advance for a font size of 1 into dx, dy and
  // the origin offset for vertical writing into ox, oy. The caller clears the
  // out-values first. Answers the number of bytes taken: at least 1, at most
  // len.
  virtual int getNextChar(const unsigned char* s, int len, uint32_t* code, uint32_t* u, int uSize, int* uLen,
                          float* dx, float* dy, float* ox, float* oy) const;

  // Metrics as fractions of the font size (descent negative). The one
  // exception: a simple font whose box comes from a standard font answers it
  // in glyph-space units. The space width is never 0: a font that has no
  // usable one is given one from its own glyphs (spaceWidthOrEstimate), so
  // that every output finds the same word gaps.
  virtual double widthOfSpace() const { return 0.0; }
  virtual double ascent() const { return 0.95; }
  virtual double descent() const { return -0.35; }
  virtual platform::Rect fontBBox() const { return platform::Rect(0.95, -0.35, 1.0, 1.0); }
  double height() const { return ascent() - descent(); }
  // The em (the height a line of the font is set in) as a multiple of the
  // font size: 1 for every font but a Type 3 font, whose glyph space its
  // FontMatrix sets (an em is 1000 units of it).
  virtual double emSize() const { return 1.0; }
  // How the font's glyphs stand in text space: the FontMatrix of a Type 3
  // font at unit scale (a flip, a turn), the identity for every other font.
  // A page may show such a font's glyphs flipped twice, by the FontMatrix and
  // by the text matrix, and so upright: placements take it in.
  virtual platform::AffineTransform glyphOrientation() const { return platform::AffineTransform::identity(); }

  // The same font listed under another resource name: a copy that shares
  // every table with this one.
  virtual std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const = 0;

 protected:
  QVPDFFont() = default;
  QVPDFFont(const QVPDFFont&) = default;
  QVPDFFont& operator=(const QVPDFFont&) = default;

  // The FontBook family of a font name (QVPDFFontUtilities::familyName):
  // a fuzzy search of every family and face, so each name is searched once
  // on a thread and the answer kept for every font of that name.
  static std::optional<std::string> familyNameOfFont(std::string_view name);

  // A copy of a concrete font listed under another resource name.
  template <class T>
  static std::shared_ptr<const QVPDFFont> copyAs(const T& font, std::string_view objectKey) {
    auto copy = std::make_shared<T>(font);
    static_cast<QVPDFFont&>(*copy).objectKey_ = std::string(objectKey);
    return copy;
  }

  // The steps every initialiser shares.
  void setSubtypeBaseFontName(const platform::PdfObject& dictionary);
  void setBuiltinFontWithFontDictionary(const platform::PdfObject& dictionary);
  void setFontDescriptorWithFontDictionary(const platform::PdfObject& dictionary);
  void setToUnicodeWithFontDictionary(const platform::PdfObject& dictionary, int nBits);
  // The space width of a font: its own, `width`, when it lies between
  // nothing and an em; else the least of the descriptor's widths (read as
  // `descriptorScale` font sizes a unit) when that is below an em; else an
  // estimate from the font's glyphs: a fixed-pitch font's space is as wide
  // as its glyphs (`averageGlyphWidth`), a proportional font's about half
  // as wide, within a fifth and a third of the em. Without any glyph width
  // known, an em for a fixed-pitch font and a quarter em for any other.
  double spaceWidthOrEstimate(double width, double em, double descriptorScale, double averageGlyphWidth) const;

  std::string objectKey_;
  std::string subtype_;
  std::string baseFontName_;
  std::string fontName_;
  std::string fontFamilyName_;
  std::shared_ptr<const QVPDFCharCodeToUnicode> embToUnicodeMap_;
  std::shared_ptr<const QVPDFFontDescriptor> fontDescriptor_;
  const BuiltinFont* builtinFont_ = nullptr;
};
