#pragma once
// A Type 3 font (Subtype Type3): glyphs drawn by content streams, which are
// not run. Its widths are in the glyph space of its FontMatrix; without an
// Encoding it uses StandardEncoding.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFSimple8BitFont.h"

class QVPDFType3Font : public QVPDFSimple8BitFont {
 public:
  QVPDFType3Font() : QVPDFSimple8BitFont(Kind::Type3) {}

  // The font of a font dictionary, built completely.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey) {
    auto font = std::make_shared<QVPDFType3Font>();
    font->QVPDFSimple8BitFont::initWithDictionary(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
