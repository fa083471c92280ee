#pragma once
// The CSS records of the HTML output and their class entries: a paragraph
// class (margins, text indent, font, colour) and a span class (font, colour,
// text decoration; bold and italic travel as tags inside the span, so they
// take part in no class).
//
// Setting a record on an entry clamps it: colour components to 0..255, the
// font size to 8..288 px (an undefined size to 288), and the font name to
// what can stand inside a quoted CSS string in a style element: quotes,
// backslashes, "<", ">", "{", "}", ";" and control characters are dropped, the
// name is cut to 217 bytes (on a character boundary), and an empty name
// becomes "Times New Roman".
#include <cstdint>
#include <string>
#include <string_view>

struct QVHTML_CSS_Color {
  int16_t red = 0;
  int16_t green = 0;
  int16_t blue = 0;
  int16_t alpha = 0;
  bool operator==(const QVHTML_CSS_Color&) const = default;
};

struct QVHTML_CSS_Margin {
  float top = 0;
  float right = 0;
  float bottom = 0;
  float left = 0;
  bool operator==(const QVHTML_CSS_Margin&) const = default;
};

struct QVHTML_CSS_Font {
  // The most bytes of a font name.
  static constexpr size_t kMaxNameBytes = 217;
  float fontSize = 0;  // CSS pixels
  std::string fontName;
  bool operator==(const QVHTML_CSS_Font&) const = default;
};

struct QVHTML_CSS_Paragraph {
  float textIndent = 0;
  QVHTML_CSS_Margin margin;
  QVHTML_CSS_Font font;
  QVHTML_CSS_Color color;
};

struct QVHTML_CSS_Span {
  int32_t textDecoration = 0;  // index of cssTextDecoration
  int32_t fontWeight = 0;      // 0 normal, 1 bold
  int32_t fontStyle = 0;       // 0 normal, 1 italic
  QVHTML_CSS_Font font;
  QVHTML_CSS_Color color;
};

class QVHTMLUtilities {
 public:
  QVHTMLUtilities() = delete;

  static std::string_view cssFontWeight(int32_t index);
  static std::string_view cssFontStyle(int32_t index);
  static std::string_view cssTextDecoration(int32_t index);

  // No indent, no margins, 12 px "Times New Roman", black, alpha 1.
  static QVHTML_CSS_Paragraph defaultCssParagraphProperty();
  static QVHTML_CSS_Span defaultCssSpanProperty();

  static QVHTML_CSS_Color fixedCssColor(QVHTML_CSS_Color color);
  static QVHTML_CSS_Font fixedCssFont(QVHTML_CSS_Font font);
  // The font name as it may stand in the style block.
  static std::string safeCssFontName(std::string_view name);

  // Equal fonts: equal sizes (a NaN equals nothing) and names.
  static bool isCSSFont(const QVHTML_CSS_Font& a, const QVHTML_CSS_Font& b);
  static bool isCSSParagraph(const QVHTML_CSS_Paragraph& a, const QVHTML_CSS_Paragraph& b);
  // Bold and italic are not compared: they share a class.
  static bool isCSSSpan(const QVHTML_CSS_Span& a, const QVHTML_CSS_Span& b);
};

class QVHTMLCSSParagraph {
 public:
  QVHTMLCSSParagraph();
  explicit QVHTMLCSSParagraph(const QVHTML_CSS_Paragraph& property);

  void setCssPProperty(const QVHTML_CSS_Paragraph& property);
  const QVHTML_CSS_Paragraph& cssPProperty() const { return property_; }
  // The rule body: {margin: ...; [text-indent: ...;] font: ...; color: #rrggbb}
  std::string cssStringFormat() const;
  bool isEqualToEntry(const QVHTMLCSSParagraph& other) const;
  // A key that is equal exactly when two entries are.
  std::string registryKey() const;

 private:
  QVHTML_CSS_Paragraph property_;
};

class QVHTMLCSSSpan {
 public:
  QVHTMLCSSSpan();
  explicit QVHTMLCSSSpan(const QVHTML_CSS_Span& property);

  void setCssSpanProperty(const QVHTML_CSS_Span& property);
  const QVHTML_CSS_Span& cssSpanProperty() const { return property_; }
  // The rule body: { font: ...; [text-decoration: ...;] color: #rrggbb}
  std::string cssStringFormat() const;
  bool isEqualToEntry(const QVHTMLCSSSpan& other) const;
  std::string registryKey() const;

 private:
  QVHTML_CSS_Span property_;
};
