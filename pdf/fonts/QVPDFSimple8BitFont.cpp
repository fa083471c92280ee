#include "pdf/fonts/QVPDFSimple8BitFont.h"

#include <algorithm>
#include <cmath>

#include "pdf/fonts/BuiltinFontManager.h"
#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontProgram.h"

namespace {

// Differences arrays longer than any 256-code encoding needs are read only
// this far.
constexpr size_t kMaxDifferencesElements = 4096;

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// A letter of a script other than Latin (Greek to Mongolian, the East Asian
// scripts, the Hebrew and Arabic presentation forms).
bool isOtherScriptLetter(char32_t c) {
  return (c >= 0x0370 && c <= 0x1CFF) || (c >= 0x3040 && c <= 0xD7FF) || (c >= 0xFB1D && c <= 0xFEFC);
}

// A symbolic TrueType program maps its codes into the private-use page
// F000-F0FF; a glyph that tells no more than that reads as the code's
// WinAnsi character, the way the font's author typed it.
char32_t unfoldSymbolPage(char32_t c) {
  if (c >= 0xF000 && c <= 0xF0FF) return QVPDFEncoding::unicode(QVPDFEncoding::Base::WinAnsi, c & 0xFF);
  return c;
}

uint64_t stringEncodingOf(QVPDFEncoding::Base base) {
  using Base = QVPDFEncoding::Base;
  switch (base) {
    case Base::Standard: return QVPDFSimple8BitFont::kASCIIStringEncoding;
    case Base::PDFDoc: return QVPDFSimple8BitFont::kUnicodeStringEncoding;
    case Base::WinAnsi: return QVPDFSimple8BitFont::kWindowsCP1252StringEncoding;
    case Base::MacRoman:
    case Base::MacExpert: return QVPDFSimple8BitFont::kMacOSRomanStringEncoding;
    case Base::Symbol:
    case Base::ZapfDingbats: return 0;
  }
  return 0;
}

}  // namespace

void QVPDFSimple8BitFont::initWithDictionary(const platform::PdfObject& dictionary, std::string_view objectKey) {
  objectKey_ = std::string(objectKey);
  setSubtypeBaseFontName(dictionary);
  setBuiltinFontWithFontDictionary(dictionary);
  setFontDescriptorWithFontDictionary(dictionary);
  if (kind_ == Kind::Type3) setType3GlyphSpace(dictionary);
  setEncodingWithFontDictionary(dictionary);
  setDefaultEncoding();
  setToUnicodeWithFontDictionary(dictionary, 8);
  setTextOfCodes();
  setWidthsWithFontDictionary(dictionary);
  if (kind_ == Kind::Type3) setType3Em();
  setSpaceWidth();
  program_.reset();
}

// Glyph space of a Type3 font is what its FontMatrix says: widths scale by
// its horizontal factor; how the glyphs stand is the matrix at unit scale.
void QVPDFSimple8BitFont::setType3GlyphSpace(const platform::PdfObject& dictionary) {
  platform::PdfObject matrix = dictionary.getArray("FontMatrix");
  if (matrix.size() != 6) return;
  double m[4];
  for (int i = 0; i < 4; ++i) {
    auto v = matrix.at(static_cast<size_t>(i)).asNumber();
    if (!v || !std::isfinite(*v) || std::fabs(*v) >= 1e3) return;
    m[i] = *v;
  }
  if (m[0] != 0) glyphScale_ = std::fabs(m[0]);
  const double unit = std::sqrt(std::fabs(m[0] * m[3] - m[1] * m[2]));
  if (!(unit > 0 && std::isfinite(unit))) return;
  glyphUnit_ = unit;
  glyphOrientation_ = platform::AffineTransform{m[0] / unit, m[1] / unit, m[2] / unit, m[3] / unit, 0, 0};
  platform::PdfObject box = dictionary.getArray("FontBBox");
  if (box.size() != 4) return;
  auto y0 = box.at(1).asNumber(), y1 = box.at(3).asNumber();
  if (!y0 || !y1 || !std::isfinite(*y0) || !std::isfinite(*y1)) return;
  type3BoxHeight_ = std::make_pair(std::min(*y0, *y1), std::max(*y0, *y1));
}

namespace {

int isAsciiLower(int c) { return c >= 'a' && c <= 'z'; }
int isAsciiUpper(int c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

double QVPDFSimple8BitFont::averageWidth(int (*kind)(int)) const {
  double sum = 0;
  int count = 0;
  for (size_t code = 0; code < charWidths_.size(); ++code) {
    const double w = charWidths_[code];
    if (code == 32 || !(w > 0) || !std::isfinite(w)) continue;
    if (kind && !(single_[code] < 128 && kind(static_cast<int>(single_[code])))) continue;
    sum += w;
    ++count;
  }
  return count ? sum / count : 0.0;
}

// One font size is the em of nearly every Type3 font. A font whose letters
// would then be far wider or narrower than letters are counts its glyph
// space in other units (device pixels): its em is the height of its box when
// that agrees with its letters, else what its letters' widths make of it:
// lower-case letters average about half an em, capitals about 0.7 of one.
void QVPDFSimple8BitFont::setType3Em() {
  const double lower = averageWidth(isAsciiLower);
  const double upper = averageWidth(isAsciiUpper);
  const double all = averageWidth(nullptr);
  // The share of the em the letters take, and how far from the usual share
  // an em may put them and still be believed.
  auto share = [&](double em, double slack) {
    if (lower > 0) return lower / em >= 0.5 / slack && lower / em <= 0.5 * slack;
    if (upper > 0) return upper / em >= 0.7 / slack && upper / em <= 0.7 * slack;
    if (all > 0) return all / em >= 0.55 / slack && all / em <= 0.55 * slack;
    return true;
  };
  double em = 1.0;
  if (!share(em, 2.5)) {
    const double box = type3BoxHeight_ ? (type3BoxHeight_->second - type3BoxHeight_->first) * glyphUnit_ : 0.0;
    if (box > 0 && std::isfinite(box) && share(box, 1.25))
      em = box;
    else
      em = lower > 0 ? lower / 0.5 : upper > 0 ? upper / 0.7 : all / 0.55;
  }
  if (!(em > 0) || !std::isfinite(em)) em = 1.0;
  emSize_ = em;

  // The box's top and bottom, the glyphs upright; a box of nothing, or one
  // far from an em, tells no more than the defaults.
  if (!type3BoxHeight_) return;
  const double bottom = type3BoxHeight_->first * glyphUnit_, top = type3BoxHeight_->second * glyphUnit_;
  if (!(top > 0 && bottom <= 0 && top - bottom > 0.3 * emSize_ && top - bottom < 3 * emSize_)) return;
  type3Ascent_ = top;
  type3Descent_ = bottom;
}

void QVPDFSimple8BitFont::setSpaceWidth() {
  spaceWidth_ = spaceWidthOrEstimate(charWidths_[32], emSize_, descriptorScale(), averageWidth(nullptr));
}

// ---- Encoding

void QVPDFSimple8BitFont::setEncodingWithFontDictionary(const platform::PdfObject& dictionary) {
  platform::PdfObject encoding = dictionary.get("Encoding");
  if (!encoding.isNull()) setEncodingWithEncodingObject(encoding, 0);
}

void QVPDFSimple8BitFont::setEncodingWithEncodingObject(const platform::PdfObject& encoding, int depth) {
  if (auto name = encoding.asName()) {
    fontEncodingName_ = *name;
    if (auto base = QVPDFEncoding::baseEncodingNamed(*name)) {
      baseEncoding_ = base;
      explicitBaseEncoding_ = true;
      stringEncoding_ = stringEncodingOf(*base);
    }
    return;
  }
  if (!encoding.isDictionary() || depth > 0) return;
  platform::PdfObject base = encoding.get("BaseEncoding");
  if (!base.isNull()) setEncodingWithEncodingObject(base, depth + 1);
  platform::PdfObject differences = encoding.getArray("Differences");
  if (!differences.isNull()) setDifferencesWithDifferencesArray(differences);
}

void QVPDFSimple8BitFont::setDifferencesWithDifferencesArray(const platform::PdfObject& differences) {
  int64_t code = 0;
  const size_t n = std::min(differences.size(), kMaxDifferencesElements);
  for (size_t i = 0; i < n; ++i) {
    platform::PdfObject element = differences.at(i);
    if (auto value = element.asInteger()) {
      code = *value;
    } else if (auto name = element.asName()) {
      if (code >= 0 && code <= 255 && !name->empty()) differences_[static_cast<int>(code)] = *name;
      if (code <= 255) ++code;
    }
  }
}

void QVPDFSimple8BitFont::setDefaultEncoding() {
  using Base = QVPDFEncoding::Base;
  if (baseEncoding_) return;
  const bool embedded = fontDescriptor_ && fontDescriptor_->embFontNum() != 0;
  if (kind_ != Kind::Type3 && kind_ != Kind::TrueType && embedded) {
    // A Type 1 or CFF program carries its own encoding.
    if (QVPDFFontProgram* p = program()) {
      programEncoding_ = p->builtinEncoding();
      usesProgramEncoding_ = std::any_of(programEncoding_.begin(), programEncoding_.end(),
                                         [](const std::string& name) { return !name.empty(); });
    }
  } else if (kind_ == Kind::TrueType && embedded && fontDescriptor_->isSymbolic()) {
    if (QVPDFFontProgram* p = program()) {
      for (int c = 0; c < 256 && !usesSymbolicCmap_; ++c)
        usesSymbolicCmap_ = p->glyphForSymbolicCode(static_cast<uint8_t>(c)) != 0;
    }
  }
  if (usesProgramEncoding_ || usesSymbolicCmap_) {
    if (fontEncodingName_.empty()) fontEncodingName_ = "FontSpecific";
    return;
  }
  std::optional<Base> base;
  if (builtinFont_) {
    auto builtin = QVPDFEncoding::baseEncodingNamed(builtinFont_->baseEncoding);
    // The Latin standard fonts are set in StandardEncoding; a TrueType font
    // that merely shares a standard font's name keeps the WinAnsi default.
    if (builtin && (kind_ != Kind::TrueType || *builtin != Base::Standard)) base = builtin;
  }
  if (!base) base = kind_ == Kind::Type3 ? Base::Standard : Base::WinAnsi;
  baseEncoding_ = base;
  stringEncoding_ = stringEncodingOf(*base);
  if (fontEncodingName_.empty()) fontEncodingName_ = std::string(QVPDFEncoding::name(*base));
}

QVPDFFontProgram* QVPDFSimple8BitFont::program() {
  if (!programTried_) {
    programTried_ = true;
    if (fontDescriptor_ && fontDescriptor_->embFontNum() != 0)
      program_ = QVPDFFontProgram::fromData(fontDescriptor_->embFontData());
  }
  return program_.get();
}

// ---- Text of the codes

std::u32string QVPDFSimple8BitFont::textOfGlyphName(const std::string& name) {
  std::u32string text = QVPDFEncoding::glyphNameToUnicode(name);
  if (!text.empty()) return text;
  if (char32_t dingbat = QVPDFEncoding::dingbatNameToUnicode(name);
      dingbat && (baseEncoding_ == QVPDFEncoding::Base::ZapfDingbats ||
                  (builtinFont_ && builtinFont_->fontName == "ZapfDingbats")))
    return std::u32string(1, dingbat);
  // A name that says nothing of its own ("g123") may still name a glyph the
  // program maps to a character.
  if (QVPDFFontProgram* p = program()) {
    if (uint32_t glyph = p->glyphIndexByName(name)) {
      text = p->unicodeOfGlyph(glyph);
      for (char32_t& c : text) c = unfoldSymbolPage(c);
    }
  }
  return text;
}

std::u32string QVPDFSimple8BitFont::baseTextOfCode(uint8_t code) {
  if (usesProgramEncoding_) {
    const std::string& name = programEncoding_[code];
    return name.empty() ? std::u32string() : textOfGlyphName(name);
  }
  if (usesSymbolicCmap_) {
    // Only what the program says of the glyph; a glyph it says nothing of
    // (or no more than its private-use code) is left to the code page the
    // font is read in (symbolicCodePage).
    QVPDFFontProgram* p = program();
    uint32_t glyph = p ? p->glyphForSymbolicCode(code) : 0;
    std::u32string text = glyph ? p->unicodeOfGlyph(glyph) : std::u32string();
    if (text.size() == 1 && text.front() >= 0xF000 && text.front() <= 0xF0FF) text.clear();
    return text;
  }
  if (baseEncoding_) {
    if (char32_t c = QVPDFEncoding::unicode(*baseEncoding_, code)) return std::u32string(1, c);
  }
  return {};
}

const platform::text::CodePage* QVPDFSimple8BitFont::symbolicCodePage(bool namesSayOtherScript) {
  // OS/2 code-page bits.
  constexpr uint32_t kLatin1 = 1u << 0, kThai = 1u << 16, kSymbol = 1u << 31;
  QVPDFFontProgram* p = program();
  const std::optional<uint32_t> pages = p ? p->codePageRange() : std::nullopt;
  if (pages && (*pages & kThai) && !(*pages & kLatin1)) return &platform::text::windows874CodePage();
  if (namesSayOtherScript) return nullptr;
  // A symbol font, or one that says nothing, reads as its author typed it.
  if (!pages || (*pages & (kLatin1 | kSymbol))) return &platform::text::windows1252CodePage();
  return nullptr;
}

void QVPDFSimple8BitFont::setTextOfCodes() {
  char32_t buffer[QVPDFCharCodeToUnicode::kMaxValueLength];
  std::array<std::u32string, 256> texts;
  std::array<bool, 256> fromMap{};
  // Whether the glyphs the font names are of a script other than Latin: then
  // a code nothing names is no Latin letter either.
  bool namesSayOtherScript = false;
  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<uint8_t>(c);
    std::u32string& text = texts[code];
    if (embToUnicodeMap_) {
      int n = embToUnicodeMap_->mapToUnicode(code, buffer, static_cast<int>(std::size(buffer)));
      text.assign(buffer, buffer + std::max(n, 0));
      fromMap[code] = !text.empty();
      if (fromMap[code]) continue;
    }
    auto it = differences_.find(c);
    if (it != differences_.end()) text = textOfGlyphName(it->second);
    // A name that tells nothing leaves the code to the base encoding.
    if (text.empty()) text = baseTextOfCode(code);
    namesSayOtherScript = namesSayOtherScript || std::any_of(text.begin(), text.end(), isOtherScriptLetter);
    if (text.empty() && !usesSymbolicCmap_) {
      // What no encoding defines reads as Latin-1, as long as it is a
      // character at all.
      text.push_back(code);
    }
  }
  const platform::text::CodePage* symbolicPage = usesSymbolicCmap_ ? symbolicCodePage(namesSayOtherScript) : nullptr;
  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<uint8_t>(c);
    std::u32string& text = texts[code];
    if (text.empty() && symbolicPage && (*symbolicPage)[code]) text.push_back((*symbolicPage)[code]);
    // The map's text is the author's own; what the names and encodings give
    // keeps no control codes.
    if (!fromMap[code]) std::erase_if(text, isControl);
    if (text.size() == 1) {
      single_[code] = text.front();
    } else if (!text.empty()) {
      multi_[code] = std::move(text);
    }
  }
}

std::u32string QVPDFSimple8BitFont::textOfCode(uint8_t code) const {
  if (single_[code]) return std::u32string(1, single_[code]);
  auto it = multi_.find(code);
  return it == multi_.end() ? std::u32string() : it->second;
}

std::string QVPDFSimple8BitFont::glyphNameOfCode(uint8_t code) const {
  auto it = differences_.find(code);
  if (it != differences_.end()) return it->second;
  if (usesProgramEncoding_) return programEncoding_[code];
  if (baseEncoding_) return std::string(QVPDFEncoding::glyphName(*baseEncoding_, code));
  return {};
}

// ---- Widths

void QVPDFSimple8BitFont::setStandardWidths(const BuiltinFont& font) {
  if (auto space = font.fontWidths.widthOfSpace()) charWidths_[32] = *space * 0.001;
  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<uint8_t>(c);
    std::optional<uint16_t> width;
    std::string name = glyphNameOfCode(code);
    if (!name.empty()) width = font.fontWidths.getString(name);
    if (!width) {
      std::u32string text = textOfCode(code);
      if (text.size() == 1) width = font.fontWidths.getCharacter(text.front());
    }
    if (width) charWidths_[code] = *width * 0.001;
  }
}

void QVPDFSimple8BitFont::setWidthsWithFontDictionary(const platform::PdfObject& dictionary) {
  charWidths_.fill(fontDescriptor_ ? fontDescriptor_->missingWidth() * descriptorScale() : 0.0);
  if (builtinFont_) setStandardWidths(*builtinFont_);

  platform::PdfObject widths = dictionary.getArray("Widths");
  if (!widths.isNull()) {
    int64_t first = dictionary.getInteger("FirstChar").value_or(0);
    int64_t last = dictionary.getInteger("LastChar").value_or(255);
    if (first < 0 || first > 255) first = 0;
    if (last < 0 || last > 255) last = 255;
    if (last < first) return;
    const size_t count = std::min<size_t>(widths.size(), static_cast<size_t>(last - first + 1));
    for (size_t i = 0; i < count; ++i) {
      auto w = widths.at(i).asNumber();
      if (w && std::isfinite(*w)) charWidths_[static_cast<size_t>(first) + i] = *w * glyphScale_;
    }
    return;
  }
  if (builtinFont_) return;

  // Neither widths nor a standard font: the widths of the standard face the
  // descriptor's flags come closest to.
  size_t index = 4;
  if (fontDescriptor_) {
    index = fontDescriptor_->isFixedWidth() ? 0 : fontDescriptor_->isSerif() ? 8 : 4;
    if (fontDescriptor_->isBold()) index += 2;
    if (fontDescriptor_->isItalic()) index += 1;
  }
  auto substitutes = BuiltinFontManager::sharedManager().fontsSubstArray();
  if (index < substitutes.size() && substitutes[index]) setStandardWidths(*substitutes[index]);
}

// ---- Decoding and metrics

int QVPDFSimple8BitFont::getNextChar(const unsigned char* s, int len, uint32_t* code, uint32_t* u, int uSize,
                                     int* uLen, float* dx, float* dy, float* ox, float* oy) const {
  if (len < 1) return 1;
  const uint8_t c = s[0];
  *code = c;
  int n = 0;
  if (single_[c]) {
    if (uSize > 0) u[n++] = single_[c];
  } else if (auto it = multi_.find(c); it != multi_.end()) {
    for (char32_t v : it->second) {
      if (n >= uSize) break;
      u[n++] = v;
    }
  }
  *uLen = n;
  *dx = static_cast<float>(charWidths_[c]);
  *dy = 0;
  *ox = 0;
  *oy = 0;
  return 1;
}

double QVPDFSimple8BitFont::widthOfSpace() const { return spaceWidth_; }

// A descriptor's metric counts when it was given (not 0); an embedded
// program's descriptor is the better source, a standard font's tables the
// next.
double QVPDFSimple8BitFont::ascent() const {
  if (kind_ == Kind::Type3) {
    if (fontDescriptor_ && fontDescriptor_->ascent() != 0) return fontDescriptor_->ascent() * emSize_;
    return type3Ascent_ ? *type3Ascent_ : QVPDFFont::ascent() * emSize_;
  }
  const bool embedded = fontDescriptor_ && fontDescriptor_->embFontNum() != 0;
  if (embedded && fontDescriptor_->ascent() != 0) return fontDescriptor_->ascent();
  if (builtinFont_) return builtinFont_->ascent;
  if (fontDescriptor_ && fontDescriptor_->ascent() != 0) return fontDescriptor_->ascent();
  return QVPDFFont::ascent();
}

double QVPDFSimple8BitFont::descent() const {
  if (kind_ == Kind::Type3) {
    if (fontDescriptor_ && fontDescriptor_->descent() != 0) return fontDescriptor_->descent() * emSize_;
    return type3Descent_ ? *type3Descent_ : QVPDFFont::descent() * emSize_;
  }
  const bool embedded = fontDescriptor_ && fontDescriptor_->embFontNum() != 0;
  if (embedded && fontDescriptor_->descent() != 0) return fontDescriptor_->descent();
  if (builtinFont_) return builtinFont_->descent;
  if (fontDescriptor_ && fontDescriptor_->descent() != 0) return fontDescriptor_->descent();
  return QVPDFFont::descent();
}

platform::Rect QVPDFSimple8BitFont::fontBBox() const {
  const bool embedded = fontDescriptor_ && fontDescriptor_->embFontNum() != 0;
  const bool hasBox = fontDescriptor_ && fontDescriptor_->fontBBox() != platform::Rect();
  if (embedded && hasBox) return fontDescriptor_->fontBBox();
  if (builtinFont_) return builtinFont_->bbox;
  if (hasBox) return fontDescriptor_->fontBBox();
  return QVPDFFont::fontBBox();
}

std::shared_ptr<const QVPDFFont> QVPDFSimple8BitFont::copyWithObjectKey(std::string_view objectKey) const {
  return copyAs(*this, objectKey);
}
