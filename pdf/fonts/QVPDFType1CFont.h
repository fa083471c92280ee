#pragma once
// A Type 1 font whose program is a compact (CFF) font. The factory makes
// such fonts as QVPDFType1Font, whose program reading covers both.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFSimple8BitFont.h"

class QVPDFType1CFont : public QVPDFSimple8BitFont {
 public:
  QVPDFType1CFont() : QVPDFSimple8BitFont(Kind::Type1) {}

  // The font of a font dictionary, built completely.
  static std::shared_ptr<const QVPDFFont> initWithDictionary(const platform::PdfObject& dictionary,
                                                             std::string_view objectKey) {
    auto font = std::make_shared<QVPDFType1CFont>();
    font->QVPDFSimple8BitFont::initWithDictionary(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
