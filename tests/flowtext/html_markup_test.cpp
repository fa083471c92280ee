// The HTML body markup: escaping, the CSS records and their rule text, the
// class registry and the tags the style state writes, and what a paragraph
// and a run of the HTML document write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "docx/QVDocxUtilities.h"
#include "flowtext/html/QVHTMLCSS.h"
#include "flowtext/html/QVHTMLFileWriter.h"
#include "flowtext/html/QVHTMLPDFConverter.h"
#include "flowtext/html/QVHTMLState.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace {

std::string escaped(std::string_view text) {
  std::string out;
  QVHTMLFileWriter::appendEscaped(out, text);
  return out;
}

// A body writer whose file is read back.
struct Body {
  qvtest::TempDir dir;
  QVHTMLFileWriter writer{dir.file("body.html").string()};
  std::string text() {
    writer.closeFile();
    return *platform::fs::readFile(writer.textPath());
  }
};

QVHTML_CSS_Span span(bool bold, bool italic, float size = 14) {
  QVHTML_CSS_Span s = QVHTMLUtilities::defaultCssSpanProperty();
  s.fontWeight = bold;
  s.fontStyle = italic;
  s.font = {size, "Helvetica"};
  return s;
}

}  // namespace

TEST(HtmlEscaping, TextBecomesSafeCharacterData) {
  EXPECT_EQ(escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c'");
  EXPECT_EQ(escaped("one\ttwo\nthree\rfour"), "one<br>two<br>three<br>four");
  // Other controls are dropped; a broken sequence or an encoded surrogate
  // becomes U+FFFD; characters beyond U+FFFF stay.
  EXPECT_EQ(escaped(std::string("a\x01\x7F" "b")), "ab");
  EXPECT_EQ(escaped("\xC3(x"), "\xEF\xBF\xBD(x");
  EXPECT_EQ(escaped("\xED\xA0\x80z"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz");
  EXPECT_EQ(escaped("\xF0\x9F\x98\x80 \xC3\xA9 \xE2\x82\xAC \xED\x95\x9C"), "\xF0\x9F\x98\x80 \xC3\xA9 \xE2\x82\xAC \xED\x95\x9C");
  EXPECT_EQ(escaped("\xC2\x85"), "");
}

TEST(HtmlEscaping, ThreeBlanksCountAsAnIndentationAndALineFeedAsALineBreak) {
  Body b;
  for (int i = 0; i < 3; ++i) b.writer.writeContent("   ");
  for (int i = 0; i < 4; ++i) b.writer.writeContent("\n");
  b.writer.writeContent("<");
  b.writer.writeLinebreak();
  EXPECT_EQ(b.text(), "         <br><br>&lt;<br>");
}

TEST(HtmlCss, RecordsAreClampedWhenSet) {
  EXPECT_EQ(QVHTMLUtilities::fixedCssFont({4.0f, "A"}).fontSize, 8.0f);
  EXPECT_EQ(QVHTMLUtilities::fixedCssFont({300.0f, "A"}).fontSize, 288.0f);
  EXPECT_EQ(QVHTMLUtilities::fixedCssFont({std::nanf(""), "A"}).fontSize, 288.0f);
  EXPECT_EQ(QVHTMLUtilities::fixedCssFont({12.0f, ""}).fontName, "Times New Roman");
  const QVHTML_CSS_Color c = QVHTMLUtilities::fixedCssColor({-5, 300, 7, 1});
  EXPECT_EQ(c, (QVHTML_CSS_Color{0, 255, 7, 1}));
}

TEST(HtmlCss, FontNamesKeepOnlyCharactersSafeInTheStyleBlock) {
  EXPECT_EQ(QVHTMLUtilities::safeCssFontName("A'}</style><script>x</script>"), "A/stylescriptx/script");
  EXPECT_EQ(QVHTMLUtilities::safeCssFontName("Bad\"\\;{Name}\x01\x7F"), "BadName");
  EXPECT_EQ(QVHTMLUtilities::safeCssFontName("MS \xE6\x98\x8E\xE6\x9C\x9D"), "MS \xE6\x98\x8E\xE6\x9C\x9D");
  // Cut at 217 bytes, never inside a character.
  const std::string longName = std::string(216, 'x') + "\xC3\xA9";
  EXPECT_EQ(QVHTMLUtilities::safeCssFontName(longName), std::string(216, 'x'));
  EXPECT_EQ(QVHTMLUtilities::fixedCssFont({12.0f, "'\"<>"}).fontName, "Times New Roman");
}

TEST(HtmlCss, RuleBodies) {
  QVHTML_CSS_Span s = span(false, false);
  EXPECT_EQ(QVHTMLCSSSpan(s).cssStringFormat(), "{ font: 14px 'Helvetica'; color: #000000}");
  s.textDecoration = 1;
  s.color = {255, 16, 1, 255};
  EXPECT_EQ(QVHTMLCSSSpan(s).cssStringFormat(), "{ font: 14px 'Helvetica'; text-decoration: underline; color: #ff1001}");
  QVHTML_CSS_Paragraph p = QVHTMLUtilities::defaultCssParagraphProperty();
  p.margin.left = 36;
  p.font = {14.4f, "Helvetica"};
  EXPECT_EQ(QVHTMLCSSParagraph(p).cssStringFormat(), "{margin: 0px 0px 0px 36px; font: 14px 'Helvetica'; color: #000000}");
  p.textIndent = 2.5f;  // rounded half to even
  EXPECT_EQ(QVHTMLCSSParagraph(p).cssStringFormat(),
            "{margin: 0px 0px 0px 36px; text-indent: 2px; font: 14px 'Helvetica'; color: #000000}");
}

TEST(HtmlState, ClassesAreNumberedInOrderOfFirstUse) {
  QVHTMLState state;
  QVHTML_CSS_Paragraph p = QVHTMLUtilities::defaultCssParagraphProperty();
  EXPECT_EQ(state._indexOfCSSParagraph(QVHTMLCSSParagraph(p)), 0);
  p.color.alpha = 255;
  EXPECT_EQ(state._indexOfCSSParagraph(QVHTMLCSSParagraph(p)), 1);
  p.color.alpha = 1;
  EXPECT_EQ(state._indexOfCSSParagraph(QVHTMLCSSParagraph(p)), 0);
  // Bold and italic share a class; a size clamped to the same value too.
  EXPECT_EQ(state._indexOfCSSSpan(QVHTMLCSSSpan(span(false, false, 4))), 0);
  EXPECT_EQ(state._indexOfCSSSpan(QVHTMLCSSSpan(span(true, true, 6))), 0);
  EXPECT_EQ(state._indexOfCSSSpan(QVHTMLCSSSpan(span(false, false, 9))), 1);
  state.resetToDefault();
  EXPECT_EQ(state.paragraphClassCount(), 0u);
  EXPECT_EQ(state._indexOfCSSSpan(QVHTMLCSSSpan(span(false, false, 9))), 0);
}

TEST(HtmlState, TagsAlwaysNest) {
  Body b;
  QVHTMLState state;
  const QVHTMLCSSParagraph p;
  state.writeCSSParagraphBegain(p, b.writer);
  state.writeCSSCSSSpanBegain(QVHTMLCSSSpan(span(true, false)), b.writer);
  b.writer.write("B");
  state.writeCSSCSSSpanBegain(QVHTMLCSSSpan(span(false, true)), b.writer);
  b.writer.write("I");
  state.writeCSSCSSSpanBegain(QVHTMLCSSSpan(span(true, true)), b.writer);
  b.writer.write("BI");
  state.writeCSSCSSSpanBegain(QVHTMLCSSSpan(span(true, true)), b.writer);
  b.writer.write("same");
  state.writeCSSCSSSpanBegain(QVHTMLCSSSpan(span(true, true, 20)), b.writer);
  b.writer.write("big");
  state.writeCSSParagraphBegain(p, b.writer);
  state.endWriteParagraphTagsIfNeed(b.writer);
  state.endWriteParagraphTagsIfNeed(b.writer);
  EXPECT_EQ(b.text(),
            "\n<p class=\"p0\"><span class=\"s0\"><b>B</b><i>I</i><b><i>BIsame</i></b></span>"
            "<span class=\"s1\"><b><i>big</i></b></span></p>\n<p class=\"p0\"></p>");
}

TEST(HtmlState, StyleBlockListsTheRegisteredClasses) {
  Body b;
  QVHTMLState state;
  state.writeRegistedCSSParagraph(b.writer);
  state._indexOfCSSParagraph(QVHTMLCSSParagraph());
  state._indexOfCSSSpan(QVHTMLCSSSpan(span(false, false)));
  state._indexOfCSSSpan(QVHTMLCSSSpan(span(false, false, 20)));
  state.writeRegistedCSSParagraph(b.writer);
  state.writeRegistedCSSSpan(b.writer);
  EXPECT_EQ(b.text(),
            "    p.p0 {margin: 0px 0px 0px 0px; font: 12px 'Times New Roman'; color: #000000}\n"
            "    span.s0 { font: 14px 'Helvetica'; color: #000000}\n"
            "    span.s1 { font: 20px 'Helvetica'; color: #000000}\n");
}

TEST(HtmlDocument, ParagraphsAndRunsWriteTheirClasses) {
  qvtest::TempDir dir;
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVDocxConversionContext context;
  QVHTMLPDFConverter converter(dir.file("out.html").string(), 1, context);
  converter.begainWriteDocument();
  QVDocxFontNames names;

  auto run = std::make_shared<QVFlowRunText>();
  run->rProperty = QVDocxUtilities::defaultRProperty();
  run->rProperty.rFonts.ascii = names.intern("Helvetica");
  run->rProperty.sz = 12;
  run->rProperty.color = {300, -4, 0, 255};
  run->rProperty.u = 1;
  run->runText = "x < y";
  run->ctmInfo.bottomLeft = {100, 90};
  QVFlowParagraph indented({run});
  indented.textMargin.left = 64;
  converter.writeNewLine(indented);
  QVFlowParagraph leftOfMargin({run});
  leftOfMargin.textMargin.left = 120;
  converter.writeNewLine(leftOfMargin);
  leftOfMargin.writeWithXMLWriter(converter);
  QVFlowParagraph blank;
  converter.writeNewLine(blank);
  blank.writeWithXMLWriter(converter);
  converter.endPage();
  converter.packetDocxFile();

  const std::string html = *platform::fs::readFile(dir.file("out.html").string());
  EXPECT_THAT(html, testing::HasSubstr("p.p0 {margin: 0px 0px 0px 36px; font: 14px 'Helvetica'; color: #ff0000}"));
  EXPECT_THAT(html, testing::HasSubstr("p.p1 {margin: 0px 0px 0px 0px; font: 14px 'Helvetica'; color: #ff0000}"));
  EXPECT_THAT(html, testing::HasSubstr("span.s0 { font: 14px 'Helvetica'; text-decoration: underline; color: #ff0000}"));
  EXPECT_THAT(html, testing::HasSubstr(
                        "<body>\n<p class=\"p0\"></p>\n<p class=\"p1\"><span class=\"s0\">x &lt; y</span></p>\n"
                        "<p class=\"p2\"><br></p>\n</body>\n</html>"));
  // The body's work folder is gone with the document written.
  EXPECT_TRUE(std::filesystem::is_empty(work.path()));
}
