#pragma once
// A CID font whose glyphs are a CFF (Type 1 outline) program: Subtype
// CIDFontType0.
#include <memory>
#include <string_view>

#include "pdf/fonts/QVPDFCIDTypeFont.h"

class QVPDFCIDType0Font : public QVPDFCIDTypeFont {
 public:
  QVPDFCIDType0Font() = default;

  // The descendant of a font dictionary, built completely.
  static std::shared_ptr<QVPDFCIDType0Font> initWithDictionary(const platform::PdfObject& dictionary,
                                                               std::string_view objectKey) {
    auto font = std::make_shared<QVPDFCIDType0Font>();
    font->initCIDFont(dictionary, objectKey);
    return font;
  }

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }
};
