#pragma once
// A TrueType font (Subtype TrueType). Without an Encoding it uses
// WinAnsiEncoding, or the glyphs of its own cmap when it is symbolic.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFSimple8BitFont.h"

class QVPDFTrueTypeFont : public QVPDFSimple8BitFont {
 public:
  QVPDFTrueTypeFont() : QVPDFSimple8BitFont(Kind::TrueType) {}

  // The font of a font dictionary, built completely.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey) {
    auto font = std::make_shared<QVPDFTrueTypeFont>();
    font->QVPDFSimple8BitFont::initWithDictionary(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
