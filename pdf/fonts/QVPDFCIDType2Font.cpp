#include "pdf/fonts/QVPDFCIDType2Font.h"

#include <algorithm>
#include <exception>

#include "pdf/fonts/QVPDFFontProgram.h"

std::shared_ptr<QVPDFCIDType2Font> QVPDFCIDType2Font::initWithDictionary(const platform::PdfObject& dictionary,
                                                                         std::string_view objectKey) {
  auto font = std::make_shared<QVPDFCIDType2Font>();
  font->initCIDFont(dictionary, objectKey);
  font->setCIDToGIDMapWithDictionary(dictionary);
  return font;
}

void QVPDFCIDType2Font::setCIDToGIDMapWithDictionary(const platform::PdfObject& dictionary) {
  platform::PdfObject map = dictionary.getStream("CIDToGIDMap");
  if (map.isNull()) return;
  try {
    if (map.rawLength() > 2 * kMaxCIDToGIDEntries) return;
    std::string bytes = map.decodedPrefix(2 * kMaxCIDToGIDEntries);
    const size_t n = std::min(bytes.size() / 2, kMaxCIDToGIDEntries);
    cidToGID_.resize(n);
    for (size_t i = 0; i < n; ++i)
      cidToGID_[i] = static_cast<uint16_t>((static_cast<uint8_t>(bytes[2 * i]) << 8) | static_cast<uint8_t>(bytes[2 * i + 1]));
  } catch (const std::exception&) {
    cidToGID_.clear();
  }
}

uint32_t QVPDFCIDType2Font::glyphOfCID(uint32_t cid) const {
  if (cidToGID_.empty()) return cid;
  return cid < cidToGID_.size() ? cidToGID_[cid] : 0;
}

void QVPDFCIDType2Font::collectCIDGlyphs(const QVPDFFontProgram& program,
                                         std::vector<std::pair<uint32_t, uint32_t>>& pairs) const {
  const uint32_t n = program.numGlyphs();
  if (cidToGID_.empty()) {
    for (uint32_t glyph = 1; glyph < n; ++glyph) pairs.emplace_back(glyph, glyph);
    return;
  }
  for (uint32_t cid = 0; cid < cidToGID_.size(); ++cid)
    if (cidToGID_[cid] != 0 && cidToGID_[cid] < n) pairs.emplace_back(cid, cidToGID_[cid]);
}
