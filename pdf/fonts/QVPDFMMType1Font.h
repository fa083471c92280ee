#pragma once
// A multiple master Type 1 font instance (Subtype MMType1): read as a Type 1
// font.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFSimple8BitFont.h"

class QVPDFMMType1Font : public QVPDFSimple8BitFont {
 public:
  QVPDFMMType1Font() : QVPDFSimple8BitFont(Kind::MMType1) {}

  // The font of a font dictionary, built completely.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey) {
    auto font = std::make_shared<QVPDFMMType1Font>();
    font->QVPDFSimple8BitFont::initWithDictionary(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
