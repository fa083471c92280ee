#pragma once
// A CID font whose glyphs are a TrueType program: Subtype CIDFontType2. Its
// CIDToGIDMap (Identity, or a stream of two-byte glyph indices by CID) says
// which glyph each CID selects.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "pdf/fonts/QVPDFCIDTypeFont.h"

class QVPDFCIDType2Font : public QVPDFCIDTypeFont {
 public:
  // CIDs a CIDToGIDMap stream may map.
  static constexpr size_t kMaxCIDToGIDEntries = 1u << 20;

  QVPDFCIDType2Font() = default;

  // The descendant of a font dictionary, built completely.
  static std::shared_ptr<QVPDFCIDType2Font> initWithDictionary(const platform::PdfObject& dictionary,
                                                               std::string_view objectKey);

  // True when CIDs are glyph indices (Identity, or no usable map).
  bool identity() const { return cidToGID_.empty(); }
  // The glyph of a CID.
  uint32_t glyphOfCID(uint32_t cid) const;

  std::shared_ptr<const QVPDFFont> copyWithObjectKey(std::string_view objectKey) const override {
    return copyAs(*this, objectKey);
  }

 protected:
  void collectCIDGlyphs(const QVPDFFontProgram& program,
                        std::vector<std::pair<uint32_t, uint32_t>>& pairs) const override;

 private:
  void setCIDToGIDMapWithDictionary(const platform::PdfObject& dictionary);

  std::vector<uint16_t> cidToGID_;
};
