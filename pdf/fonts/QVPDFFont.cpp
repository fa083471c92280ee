#include "pdf/fonts/QVPDFFont.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <unordered_map>

#include "pdf/fonts/BuiltinFontManager.h"
#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "pdf/fonts/QVPDFFontUtilities.h"
#include "pdf/fonts/QVPDFMapTool.h"

namespace {

bool mapsAnyByte(const QVPDFCharCodeToUnicode& map) {
  char32_t buffer[QVPDFCharCodeToUnicode::kMaxValueLength];
  for (uint32_t code = 0; code < 256; ++code)
    if (map.mapToUnicode(code, buffer, static_cast<int>(std::size(buffer))) > 0) return true;
  return false;
}

}  // namespace

QVPDFFont::~QVPDFFont() = default;

std::optional<std::string> QVPDFFont::familyNameOfFont(std::string_view name) {
  // Names a document can bring are many only in a hostile file: beyond the
  // bound the answers are searched again.
  constexpr size_t kMaxKeptNames = 4096;
  thread_local std::unordered_map<std::string, std::optional<std::string>> known;
  if (auto it = known.find(std::string(name)); it != known.end()) return it->second;
  std::optional<std::string> family = QVPDFFontUtilities::familyName(name);
  if (known.size() >= kMaxKeptNames) known.clear();
  known.emplace(std::string(name), family);
  return family;
}

std::shared_ptr<const QVPDFFont> QVPDFFont::fontWithDictionary(const platform::PdfObject& dictionary,
                                                               std::string_view objectKey) {
  return QVPDFFontFactory::fontWithDictionary(dictionary, objectKey);
}

int QVPDFFont::getNextChar(const unsigned char*, int, uint32_t*, uint32_t*, int, int*, float*, float*, float*,
                           float*) const {
  return 1;
}

double QVPDFFont::spaceWidthOrEstimate(double width, double em, double descriptorScale,
                                       double averageGlyphWidth) const {
  if (width > 0 && width < em) return width;
  if (fontDescriptor_) {
    double w = width > 0 ? width : em;
    // The box holds its corners in place of origin and size.
    const platform::Rect& box = fontDescriptor_->fontBBox();
    const double boxWidth = box.size.width - box.origin.x;
    for (double candidate :
         {fontDescriptor_->missingWidth(), fontDescriptor_->averageWidth(), fontDescriptor_->maxWidth(), boxWidth})
      if (candidate > 0) w = std::min(w, candidate * descriptorScale);
    if (w > 0 && w < em) return w;
  }
  const bool fixedPitch = fontDescriptor_ && fontDescriptor_->isFixedWidth();
  const bool knownGlyphs = averageGlyphWidth > 0 && std::isfinite(averageGlyphWidth);
  if (fixedPitch) return knownGlyphs ? std::min(averageGlyphWidth, em) : em;
  // Half an em, the old guess, is wider than most word spaces (a quarter to
  // a third of an em, less in justified lines): text set in such a font came
  // out with its words glued together.
  if (!knownGlyphs) return 0.25 * em;
  return std::clamp(averageGlyphWidth / 2, 0.2 * em, em / 3);
}

void QVPDFFont::setSubtypeBaseFontName(const platform::PdfObject& dictionary) {
  if (auto subtype = dictionary.getName("Subtype")) subtype_ = *subtype;
  auto baseFont = dictionary.getName("BaseFont");
  if (!baseFont) return;
  baseFontName_ = *baseFont;
  // A name that admits to being unknown gets a typeface that has every
  // character rather than a made-up family.
  if (QVPDFFontUtilities::lowercase(baseFontName_).find("unknown") != std::string::npos)
    baseFontName_ = "Arial Unicode MS";
  // Any text up to the first "+" is a subset tag.
  size_t plus = baseFontName_.find('+');
  fontName_ = plus == std::string::npos ? baseFontName_ : baseFontName_.substr(plus + 1);
  if (auto family = familyNameOfFont(fontName_); family && !family->empty())
    fontFamilyName_ = *family;
  else
    fontFamilyName_ = QVPDFFontUtilities::familyNameCut(fontName_);
}

void QVPDFFont::setBuiltinFontWithFontDictionary(const platform::PdfObject& dictionary) {
  if (fontName_.empty() || baseFontName_.empty()) setSubtypeBaseFontName(dictionary);
  if (fontName_.empty()) return;
  builtinFont_ = BuiltinFontManager::sharedManager().findBuildinFont(fontName_);
}

void QVPDFFont::setFontDescriptorWithFontDictionary(const platform::PdfObject& dictionary) {
  platform::PdfObject descriptor = dictionary.getDictionary("FontDescriptor");
  if (descriptor.isNull()) return;
  fontDescriptor_ = QVPDFFontDescriptor::initWithPDFDictionary(descriptor);
  if (fontDescriptor_ && fontDescriptor_->fontFamily() && !fontDescriptor_->fontFamily()->empty()) {
    // The descriptor's own family replaces the one guessed from the name.
    auto family = familyNameOfFont(*fontDescriptor_->fontFamily());
    fontFamilyName_ = family ? *family : std::string();
  }
}

void QVPDFFont::setToUnicodeWithFontDictionary(const platform::PdfObject& dictionary, int nBits) {
  platform::PdfObject stream = dictionary.getStream("ToUnicode");
  if (stream.isNull()) return;
  try {
    // Codes the map leaves out are decoded by the font's other means, so a
    // partial or empty map loses no text.
    // A map is read only as far as the largest CMap file goes: a stream
    // that inflates to gigabytes costs no more.
    const std::string text = stream.decodedPrefix(QVPDFMapTool::kMaxCMapFileSize);
    embToUnicodeMap_ = QVPDFCharCodeToUnicode::parseCMap(text, nBits);
    // Some writers give the one-byte codes of a simple font four digits; such
    // a map read with two-digit codes would say nothing.
    if (nBits == 8 && !mapsAnyByte(*embToUnicodeMap_)) {
      auto wide = QVPDFCharCodeToUnicode::parseCMap(text, 16);
      if (mapsAnyByte(*wide)) embToUnicodeMap_ = std::move(wide);
    }
  } catch (const std::exception&) {
    // An undecodable map is no map.
  }
}
