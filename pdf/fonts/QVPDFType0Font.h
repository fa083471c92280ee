#pragma once
// QVPDFType0Font: a composite font. Its CMap (Encoding) turns the bytes of a
// shown string into character codes of one or more bytes and their CIDs; the
// first descendant CID font gives each CID its advance.
//
// Text of a code, by the first source that has one:
//   1. the font's ToUnicode map, looked up by the character code;
//   2. the Unicode map of the descendant's character collection (Adobe-Japan1,
//      Adobe-GB1, Adobe-CNS1, Adobe-Korea1), looked up by the CID;
//   3. the character the embedded program's cmap or glyph names give the
//      glyph of the CID (read only for fonts that have neither map);
//   4. the code itself, when the font names an identity map (Identity-H or
//      Identity-V) as its ToUnicode: its writer says the codes are Unicode.
// A ToUnicode that is not a stream is no map (a name other than those, a
// number), and the other sources answer as for a font without one.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/fonts/QVPDFCIDTypeFont.h"
#include "pdf/fonts/QVPDFFont.h"

class QVPDFCodeToCIDMap;

class QVPDFType0Font : public QVPDFFont {
 public:
  // Descendants read from DescendantFonts (the first one is used).
  static constexpr size_t kMaxDescendants = 4;

  QVPDFType0Font() = default;

  // The font of a font dictionary, built completely; none when its Encoding
  // is neither a known CMap name nor a readable CMap stream.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey);

  int getNextChar(const unsigned char* s, int len, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                  float* dy, float* ox, float* oy) const override;
  double widthOfSpace() const override;
  double ascent() const override;
  double descent() const override;
  platform::Rect fontBBox() const override;
  bool isVertical() const override;
  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override;

  // The first descendant, or none.
  const QVPDFCIDTypeFont* cidTypeFont() const { return descendantFonts_.empty() ? nullptr : descendantFonts_.front().get(); }
  const std::vector<std::shared_ptr<const QVPDFCIDTypeFont>>& descendantFonts() const { return descendantFonts_; }
  const std::shared_ptr<const QVPDFCodeToCIDMap>& extToCIDMap() const { return extToCIDMap_; }
  const std::shared_ptr<const QVPDFCharCodeToUnicode>& extToUnicodeMap() const { return extToUnicodeMap_; }
  const std::string& cMapName() const { return cMapName_; }

  // Advance and vertical origin of a CID in this font's writing mode; all 0
  // without a descendant.
  void getCIDWidths(uint32_t cid, float* dx, float* dy, float* ox, float* oy) const;

 private:
  void setDescendantFontsWithDictionary(const platform::PdfObject& dictionary);
  void setFontDescriptorWithCIDTypeFont();
  bool setCMapWithEncodingObject(const platform::PdfObject& encoding);
  void setSpaceWidth();
  void setCodesAreUnicodeWithFontDictionary(const platform::PdfObject& dictionary);

  std::shared_ptr<const QVPDFCharCodeToUnicode> extToUnicodeMap_;
  std::shared_ptr<const QVPDFCodeToCIDMap> extToCIDMap_;
  double spaceWidth_ = 0.5;
  std::vector<std::shared_ptr<const QVPDFCIDTypeFont>> descendantFonts_;
  std::string cMapName_;
  bool codesAreUnicode_ = false;
};
