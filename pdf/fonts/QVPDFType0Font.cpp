#include "pdf/fonts/QVPDFType0Font.h"

#include <algorithm>
#include <string_view>

#include "pdf/fonts/QVPDFCIDType0Font.h"
#include "pdf/fonts/QVPDFCIDType2Font.h"
#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFCodeToCIDMap.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontUtilities.h"

namespace {

// A code that can stand for a character: no control code, no surrogate,
// within Unicode.
bool isUnicodeCharacter(uint32_t code) {
  return code >= 0x20 && !(code >= 0x7F && code < 0xA0) && !(code >= 0xD800 && code <= 0xDFFF) && code <= 0x10FFFF;
}

}  // namespace

std::shared_ptr<const QVPDFFont> QVPDFType0Font::initWithDictionary(const platform::PdfObject& dictionary,
                                                                    std::string_view objectKey) {
  auto font = std::make_shared<QVPDFType0Font>();
  font->objectKey_ = std::string(objectKey);
  font->setSubtypeBaseFontName(dictionary);
  font->setDescendantFontsWithDictionary(dictionary);
  font->setFontDescriptorWithCIDTypeFont();
  if (!font->setCMapWithEncodingObject(dictionary.get("Encoding"))) return nullptr;
  if (const QVPDFCIDTypeFont* cid = font->cidTypeFont()) font->extToUnicodeMap_ = cid->extToUnicodeMap();
  font->setToUnicodeWithFontDictionary(dictionary, 16);
  font->setCodesAreUnicodeWithFontDictionary(dictionary);
  font->setSpaceWidth();
  return font;
}

void QVPDFType0Font::setDescendantFontsWithDictionary(const platform::PdfObject& dictionary) {
  platform::PdfObject descendants = dictionary.getArray("DescendantFonts");
  const size_t n = std::min(descendants.size(), kMaxDescendants);
  for (size_t i = 0; i < n; ++i) {
    platform::PdfObject d = descendants.at(i);
    if (!d.isDictionary()) continue;
    auto subtype = d.getName("Subtype");
    std::shared_ptr<QVPDFCIDTypeFont> font;
    if (subtype == std::optional<std::string>("CIDFontType0")) {
      font = QVPDFCIDType0Font::initWithDictionary(d, objectKey_);
    } else if (subtype == std::optional<std::string>("CIDFontType2")) {
      font = QVPDFCIDType2Font::initWithDictionary(d, objectKey_);
    }
    if (!font) continue;
    // Text that no map gives may still be in the program's own tables.
    const bool hasToUnicode = !dictionary.getStream("ToUnicode").isNull();
    if (descendantFonts_.empty() && !hasToUnicode && !font->extToUnicodeMap()) font->readProgramText();
    fontDescriptor_ = font->fontDescriptor();
    descendantFonts_.push_back(std::move(font));
  }
}

void QVPDFType0Font::setFontDescriptorWithCIDTypeFont() {
  const QVPDFCIDTypeFont* cid = cidTypeFont();
  if (!cid) return;
  fontDescriptor_ = cid->fontDescriptor();
  if (fontDescriptor_ && fontDescriptor_->fontFamily() && !fontDescriptor_->fontFamily()->empty()) {
    auto family = familyNameOfFont(*fontDescriptor_->fontFamily());
    fontFamilyName_ = family ? *family : std::string();
  }
}

void QVPDFType0Font::setCodesAreUnicodeWithFontDictionary(const platform::PdfObject& dictionary) {
  const std::optional<std::string> name = dictionary.get("ToUnicode").asName();
  codesAreUnicode_ = name && (*name == "Identity-H" || *name == "Identity-V");
}

bool QVPDFType0Font::setCMapWithEncodingObject(const platform::PdfObject& encoding) {
  if (auto name = encoding.asName()) {
    cMapName_ = *name;
    extToCIDMap_ = QVPDFCodeToCIDMap::parse(*name);
  } else if (encoding.isStream()) {
    extToCIDMap_ = QVPDFCodeToCIDMap::parseStream(encoding);
    if (extToCIDMap_) cMapName_ = extToCIDMap_->cMapName();
  }
  return extToCIDMap_ != nullptr;
}

bool QVPDFType0Font::isVertical() const { return extToCIDMap_ && extToCIDMap_->wMode() == 1; }

void QVPDFType0Font::getCIDWidths(uint32_t cid, float* dx, float* dy, float* ox, float* oy) const {
  const QVPDFCIDTypeFont* font = cidTypeFont();
  if (!font) {
    *dx = *dy = *ox = *oy = 0;
    return;
  }
  font->getCIDWidths(cid, isVertical() ? 1 : 0, dx, dy, ox, oy);
}

int QVPDFType0Font::getNextChar(const unsigned char* s, int len, uint32_t* code, uint32_t* u, int uSize, int* uLen,
                                float* dx, float* dy, float* ox, float* oy) const {
  if (len < 1) return 1;
  int nUsed = 1;
  const uint32_t cid =
      extToCIDMap_->getCID(std::string_view(reinterpret_cast<const char*>(s), static_cast<size_t>(len)), nUsed);
  nUsed = std::clamp(nUsed, 1, len);
  // The character code is the bytes the CMap took, most significant first;
  // ToUnicode maps are keyed by it, the collection maps by the CID.
  uint32_t charCode = 0;
  for (int i = 0; i < std::min(nUsed, 4); ++i) charCode = (charCode << 8) | s[i];
  *code = cid;

  char32_t buffer[QVPDFCharCodeToUnicode::kMaxValueLength];
  const int capacity = static_cast<int>(std::size(buffer));
  int n = 0;
  if (embToUnicodeMap_) n = embToUnicodeMap_->mapToUnicode(charCode, buffer, capacity);
  if (n <= 0 && extToUnicodeMap_) n = extToUnicodeMap_->mapToUnicode(cid, buffer, capacity);
  if (n <= 0) {
    if (const QVPDFCIDTypeFont* font = cidTypeFont(); font && font->hasProgramText()) {
      std::u32string text = font->programTextOfCID(cid);
      n = static_cast<int>(std::min(text.size(), std::size(buffer)));
      std::copy_n(text.begin(), n, buffer);
    }
  }
  if (n <= 0 && codesAreUnicode_ && isUnicodeCharacter(charCode)) {
    buffer[0] = static_cast<char32_t>(charCode);
    n = 1;
  }
  n = std::clamp(n, 0, uSize);
  for (int i = 0; i < n; ++i) u[i] = buffer[i];
  *uLen = n;
  getCIDWidths(cid, dx, dy, ox, oy);
  return nUsed;
}

double QVPDFType0Font::widthOfSpace() const { return spaceWidth_; }

// The space is found once per font: its code through the ToUnicode map (or
// the collection's map) and the CMap, then its CID's width.
void QVPDFType0Font::setSpaceWidth() {
  uint32_t spaceCID = 32;
  if (embToUnicodeMap_ || (codesAreUnicode_ && !extToUnicodeMap_)) {
    // The map is keyed by codes: the space's CID is what the CMap makes of
    // its code.
    const uint32_t spaceCode = embToUnicodeMap_ ? embToUnicodeMap_->spaceCIDCode() : 0x20;
    unsigned char bytes[2] = {static_cast<unsigned char>(spaceCode >> 8), static_cast<unsigned char>(spaceCode)};
    std::string_view view(reinterpret_cast<const char*>(bytes), 2);
    if (spaceCode <= 0xFF && !extToCIDMap_->isIdentity()) view.remove_prefix(1);
    int nUsed = 1;
    spaceCID = extToCIDMap_->getCID(view, nUsed);
  } else if (extToUnicodeMap_) {
    spaceCID = extToUnicodeMap_->spaceCIDCode();
  }
  float dx = 0, dy = 0, ox = 0, oy = 0;
  const QVPDFCIDTypeFont* font = cidTypeFont();
  if (font) font->getCIDWidths(spaceCID, 0, &dx, &dy, &ox, &oy);
  spaceWidth_ = spaceWidthOrEstimate(dx, 1.0, 1.0, font ? font->averageWidth() : 0.0);
}

double QVPDFType0Font::ascent() const {
  if (fontDescriptor_ && fontDescriptor_->ascent() != 0) return fontDescriptor_->ascent();
  return QVPDFFont::ascent();
}

double QVPDFType0Font::descent() const {
  if (fontDescriptor_ && fontDescriptor_->descent() != 0) return fontDescriptor_->descent();
  return QVPDFFont::descent();
}

platform::Rect QVPDFType0Font::fontBBox() const {
  if (fontDescriptor_ && fontDescriptor_->fontBBox() != platform::Rect()) return fontDescriptor_->fontBBox();
  return QVPDFFont::fontBBox();
}

std::shared_ptr<const QVPDFFont> QVPDFType0Font::copyWithObjectKey(std::string_view objectKey) const {
  return copyAs(*this, objectKey);
}
