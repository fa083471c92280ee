#include "flowtext/html/QVHTMLCSS.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/text/text.h"

namespace {

constexpr std::string_view kDefaultFontName = "Times New Roman";
constexpr float kMinFontSize = 8.0f;
constexpr float kMaxFontSize = 288.0f;

std::string_view keyword(std::string_view const* table, size_t size, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= size) return table[0];
  return table[index];
}

void appendPixels(std::string& out, double value) {
  platform::text::appendFixed(out, value, 0);
  out += "px";
}

void appendHexColor(std::string& out, const QVHTML_CSS_Color& c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += '#';
  for (int16_t v : {c.red, c.green, c.blue}) {
    const int byte = std::clamp<int>(v, 0, 255);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
}

void appendFont(std::string& out, const QVHTML_CSS_Font& font) {
  out += " font: ";
  appendPixels(out, font.fontSize);
  out += " '";
  out += font.fontName;
  out += "';";
}

void appendKeyBytes(std::string& key, const void* data, size_t size) {
  key.append(static_cast<const char*>(data), size);
}

void appendColorKey(std::string& key, const QVHTML_CSS_Color& c) {
  for (int16_t v : {c.red, c.green, c.blue, c.alpha}) appendKeyBytes(key, &v, sizeof v);
}

void appendFontKey(std::string& key, const QVHTML_CSS_Font& f) {
  appendKeyBytes(key, &f.fontSize, sizeof f.fontSize);
  key += f.fontName;
}

}  // namespace

std::string_view QVHTMLUtilities::cssFontWeight(int32_t index) {
  static constexpr std::string_view kTable[] = {"normal", "bold", "bolder", "lighter", "100", "200", "300",
                                                "400",    "500",  "600",    "700",     "800", "900", "inherit"};
  return keyword(kTable, std::size(kTable), index);
}

std::string_view QVHTMLUtilities::cssFontStyle(int32_t index) {
  static constexpr std::string_view kTable[] = {"normal", "italic", "oblique", "inherit"};
  return keyword(kTable, std::size(kTable), index);
}

std::string_view QVHTMLUtilities::cssTextDecoration(int32_t index) {
  static constexpr std::string_view kTable[] = {"none", "underline", "line-through", "blink", "inherit"};
  return keyword(kTable, std::size(kTable), index);
}

QVHTML_CSS_Paragraph QVHTMLUtilities::defaultCssParagraphProperty() {
  QVHTML_CSS_Paragraph p;
  p.font = {12.0f, std::string(kDefaultFontName)};
  p.color = {0, 0, 0, 1};
  return p;
}

QVHTML_CSS_Span QVHTMLUtilities::defaultCssSpanProperty() {
  QVHTML_CSS_Span s;
  s.font = {12.0f, std::string(kDefaultFontName)};
  s.color = {0, 0, 0, 1};
  return s;
}

QVHTML_CSS_Color QVHTMLUtilities::fixedCssColor(QVHTML_CSS_Color color) {
  for (int16_t* v : {&color.red, &color.green, &color.blue, &color.alpha}) *v = std::clamp<int16_t>(*v, 0, 255);
  return color;
}

std::string QVHTMLUtilities::safeCssFontName(std::string_view name) {
  std::string out;
  out.reserve(std::min(name.size(), QVHTML_CSS_Font::kMaxNameBytes));
  for (char32_t cp : platform::text::decodeUtf8(name)) {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xFFFD) continue;
    switch (cp) {
      case '\'':
      case '"':
      case '\\':
      case '<':
      case '>':
      case '{':
      case '}':
      case ';':
        continue;
      default:
        break;
    }
    const std::string bytes = platform::text::utf8FromCodePoint(cp);
    if (out.size() + bytes.size() > QVHTML_CSS_Font::kMaxNameBytes) break;
    out += bytes;
  }
  return out;
}

QVHTML_CSS_Font QVHTMLUtilities::fixedCssFont(QVHTML_CSS_Font font) {
  font.fontSize = std::isnan(font.fontSize) ? kMaxFontSize : std::max(std::min(font.fontSize, kMaxFontSize), kMinFontSize);
  font.fontName = safeCssFontName(font.fontName);
  if (font.fontName.empty()) font.fontName = kDefaultFontName;
  return font;
}

bool QVHTMLUtilities::isCSSFont(const QVHTML_CSS_Font& a, const QVHTML_CSS_Font& b) {
  return a.fontSize == b.fontSize && a.fontName == b.fontName;
}

bool QVHTMLUtilities::isCSSParagraph(const QVHTML_CSS_Paragraph& a, const QVHTML_CSS_Paragraph& b) {
  return a.textIndent == b.textIndent && a.margin == b.margin && a.color == b.color && isCSSFont(a.font, b.font);
}

bool QVHTMLUtilities::isCSSSpan(const QVHTML_CSS_Span& a, const QVHTML_CSS_Span& b) {
  return a.textDecoration == b.textDecoration && a.color == b.color && isCSSFont(a.font, b.font);
}

// ---------------------------------------------------------------------------

QVHTMLCSSParagraph::QVHTMLCSSParagraph() : property_(QVHTMLUtilities::defaultCssParagraphProperty()) {}

QVHTMLCSSParagraph::QVHTMLCSSParagraph(const QVHTML_CSS_Paragraph& property) { setCssPProperty(property); }

void QVHTMLCSSParagraph::setCssPProperty(const QVHTML_CSS_Paragraph& property) {
  property_ = property;
  property_.color = QVHTMLUtilities::fixedCssColor(property.color);
  property_.font = QVHTMLUtilities::fixedCssFont(property.font);
}

std::string QVHTMLCSSParagraph::cssStringFormat() const {
  const QVHTML_CSS_Paragraph& p = property_;
  std::string out = "{margin: ";
  appendPixels(out, p.margin.top);
  out += ' ';
  appendPixels(out, p.margin.right);
  out += ' ';
  appendPixels(out, p.margin.bottom);
  out += ' ';
  appendPixels(out, p.margin.left);
  out += ';';
  if (p.textIndent > 0.0f) {
    out += " text-indent: ";
    appendPixels(out, p.textIndent);
    out += ';';
  }
  appendFont(out, p.font);
  out += " color: ";
  appendHexColor(out, p.color);
  out += '}';
  return out;
}

bool QVHTMLCSSParagraph::isEqualToEntry(const QVHTMLCSSParagraph& other) const {
  return QVHTMLUtilities::isCSSParagraph(property_, other.property_);
}

std::string QVHTMLCSSParagraph::registryKey() const {
  std::string key;
  const QVHTML_CSS_Paragraph& p = property_;
  // +0 and -0 are equal, so they must give one key.
  for (float v : {p.textIndent, p.margin.top, p.margin.right, p.margin.bottom, p.margin.left}) {
    const float normal = v == 0.0f ? 0.0f : v;
    appendKeyBytes(key, &normal, sizeof normal);
  }
  appendColorKey(key, p.color);
  appendFontKey(key, p.font);
  return key;
}

QVHTMLCSSSpan::QVHTMLCSSSpan() : property_(QVHTMLUtilities::defaultCssSpanProperty()) {}

QVHTMLCSSSpan::QVHTMLCSSSpan(const QVHTML_CSS_Span& property) { setCssSpanProperty(property); }

void QVHTMLCSSSpan::setCssSpanProperty(const QVHTML_CSS_Span& property) {
  property_ = property;
  property_.color = QVHTMLUtilities::fixedCssColor(property.color);
  property_.font = QVHTMLUtilities::fixedCssFont(property.font);
}

std::string QVHTMLCSSSpan::cssStringFormat() const {
  const QVHTML_CSS_Span& s = property_;
  std::string out = "{";
  appendFont(out, s.font);
  if (s.textDecoration != 0) {
    out += " text-decoration: ";
    out += QVHTMLUtilities::cssTextDecoration(s.textDecoration);
    out += ';';
  }
  out += " color: ";
  appendHexColor(out, s.color);
  out += '}';
  return out;
}

bool QVHTMLCSSSpan::isEqualToEntry(const QVHTMLCSSSpan& other) const {
  return QVHTMLUtilities::isCSSSpan(property_, other.property_);
}

std::string QVHTMLCSSSpan::registryKey() const {
  std::string key;
  appendKeyBytes(key, &property_.textDecoration, sizeof property_.textDecoration);
  appendColorKey(key, property_.color);
  appendFontKey(key, property_.font);
  return key;
}
