#pragma once
// A Type 1 font (Subtype Type1, its program in FontFile or FontFile3, or
// one of the standard fonts). Without an Encoding it uses its program's own
// encoding, a standard font's, or WinAnsiEncoding.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFSimple8BitFont.h"

class QVPDFType1Font : public QVPDFSimple8BitFont {
 public:
  QVPDFType1Font() : QVPDFSimple8BitFont(Kind::Type1) {}

  // The font of a font dictionary, built completely.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey) {
    auto font = std::make_shared<QVPDFType1Font>();
    font->QVPDFSimple8BitFont::initWithDictionary(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
