// The presentation exporter's text path: which strings open text boxes, how
// they continue on a line, in paragraphs or in new boxes, the runs they make,
// and where boxes land on the slide, read back from the written slides.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "tests/pptx/e2e_support.h"
#include "tests/pptx/exporter_fixtures.h"
#include "tests/support/fixtures.h"

namespace {

using pptxfix::Converted;
using pptxfix::TextBox;

// One page of Helvetica text (font /F1) on a US letter page.
Converted convertText(const std::string& content, int rotate = 0, const std::string& mediaBox = "[0 0 612 792]") {
  qvtest::PdfBuilder b;
  auto page = b.addPage(content, b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}), mediaBox);
  if (rotate != 0) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
  return pptxfix::convert(b);
}

TEST(PptxExporterText, LoneBlankOrControlStringOpensNoBox) {
  for (const char* text : {"( )", "(\\t)", "(\\n)", "(\\001)"}) {
    Converted c = convertText(std::string("BT /F1 12 Tf 72 700 Td ") + text + " Tj ET");
    EXPECT_TRUE(c.textBoxes(0).empty()) << text;
  }
  // Inside an open box the same string is text like any other.
  Converted c = convertText("BT /F1 12 Tf 72 700 Td (A) Tj ( ) Tj (B) Tj ET");
  ASSERT_EQ(c.textBoxes(0).size(), 1u);
  EXPECT_EQ(c.textBoxes(0)[0].text, "A B");
}

// Helvetica at 10 points: "Hello" is 22.78 points wide, a space 2.78.
struct GapCase {
  int tjAdjust;  // thousandths of the font size, negative moves right
  const char* text;
};

class PptxExporterGaps : public testing::TestWithParam<GapCase> {};

TEST_P(PptxExporterGaps, GapsOnALineBecomeBlanksCountedInSpaceWidths) {
  const GapCase& g = GetParam();
  Converted c = convertText("BT /F1 10 Tf 72 700 Td [(Hello) " + std::to_string(g.tjAdjust) + " (World)] TJ ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, g.text);
  EXPECT_EQ(boxes[0].runs, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PptxExporterGaps,
    testing::Values(GapCase{0, "HelloWorld"},
                    // Kerning stays inside the word.
                    GapCase{-50, "HelloWorld"}, GapCase{-120, "HelloWorld"},
                    // A justified line's word space, narrower than the font's.
                    GapCase{-250, "Hello World"}, GapCase{-278, "Hello World"},
                    GapCase{-850, "Hello   World"},
                    // A string that moves a little left stays on the line.
                    GapCase{100, "HelloWorld"}));

TEST(PptxExporterText, WordGapsStaySpacesWhenTheFontsSpaceIsWide) {
  // A font whose space is 0.9 em wide: a word gap of 0.3 em is a third of
  // it, still a word space; 0.15 em is kerning.
  auto convertWide = [](int adjust) {
    qvtest::PdfBuilder b;
    std::string widths = "900";
    for (int i = 33; i <= 126; ++i) widths += " 500";
    auto font = b.qpdf().makeIndirectObject(b.parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 126 /Widths [" + widths +
        "] >>"));
    b.addPage("BT /F1 10 Tf 72 700 Td [(Hello) " + std::to_string(adjust) + " (World)] TJ ET",
              b.resources({{"Font", {{"F1", font}}}}));
    return pptxfix::convert(b);
  };
  ASSERT_EQ(convertWide(-300).textBoxes(0).size(), 1u);
  EXPECT_EQ(convertWide(-300).textBoxes(0)[0].text, "Hello World");
  EXPECT_EQ(convertWide(-150).textBoxes(0)[0].text, "HelloWorld");
}

TEST(PptxExporterText, GapBeyondTheBlankLimitOpensANewBox) {
  // 32 spaces still fit; 200 points (72 spaces) is another column.
  Converted near = convertText("BT /F1 10 Tf 72 700 Td [(Left) -8900 (Right)] TJ ET");
  ASSERT_EQ(near.textBoxes(0).size(), 1u);
  EXPECT_EQ(near.textBoxes(0)[0].text, "Left" + std::string(32, ' ') + "Right");

  Converted far = convertText("BT /F1 10 Tf 72 700 Td [(Left) -20000 (Right)] TJ ET");
  const auto boxes = far.textBoxes(0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Left");
  EXPECT_EQ(boxes[1].text, "Right");
  EXPECT_NEAR(boxes[1].x, 72 + 16.68 + 200, 0.5);

  // A space width too small to measure a gap by does not make millions of
  // blanks either.
  Converted tiny = convertText("BT /F1 10 Tf 0.001 0 0 0.001 72 700 Tm (A) Tj 50000 0 Td (B) Tj ET");
  const auto tinyBoxes = tiny.textBoxes(0);
  ASSERT_EQ(tinyBoxes.size(), 2u);
  EXPECT_EQ(tinyBoxes[0].text, "A");
  EXPECT_EQ(tinyBoxes[1].text, "B");
}

TEST(PptxExporterText, LowerLineStartsAParagraphWithItsLineSpacing) {
  Converted c = convertText("BT /F1 10 Tf 72 700 Td (One) Tj 0 -14 Td (Two) Tj 20 -14 Td (Three) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "One\nTwo\nThree");
  ASSERT_EQ(boxes[0].paragraphs.size(), 3u);
  EXPECT_EQ(boxes[0].paragraphs[1].lineSpacing, "1400");
  EXPECT_FALSE(boxes[0].paragraphs[1].marginLeft);
  EXPECT_EQ(boxes[0].paragraphs[2].marginLeft, "254000");  // 20 points
}

TEST(PptxExporterText, LinesFarBelowAboveOrLeftOfTheBoxOpenNewBoxes) {
  // 96 points below, above, and a lower line left of the box's edge.
  for (const char* move : {"0 -96 Td", "0 30 Td", "-20 -14 Td"}) {
    Converted c = convertText(std::string("BT /F1 10 Tf 72 700 Td (One) Tj ") + move + " (Two) Tj ET");
    EXPECT_EQ(c.textBoxes(0).size(), 2u) << move;
  }
  Converted justAbove = convertText("BT /F1 10 Tf 72 700 Td (One) Tj 0 -95.9 Td (Two) Tj ET");
  EXPECT_EQ(justAbove.textBoxes(0).size(), 1u);
}

TEST(PptxExporterText, RunsSplitOnColourFontAndSizeAndKeepTheirProperties) {
  Converted c = convertText(
      "0 g BT /F1 10 Tf 72 700 Td (Black) Tj 1 0 0 rg (Red) Tj (Still) Tj /F1 20 Tf (Big) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  const auto& runs = boxes[0].paragraphs.at(0).runs;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].text, "Black");
  EXPECT_EQ(runs[0].color, "000000");
  EXPECT_EQ(runs[0].size, "1000");
  EXPECT_EQ(runs[1].text, "RedStill");
  EXPECT_EQ(runs[1].color, "ff0000");
  EXPECT_EQ(runs[2].text, "Big");
  EXPECT_EQ(runs[2].size, "2000");
  EXPECT_FALSE(runs[0].typeface.empty());
}

TEST(PptxExporterText, UprightBoxSitsAtTheTopLeftOfItsFirstEmBox) {
  Converted c = convertText("BT /F1 10 Tf 72 700 Td (Hello) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NEAR(boxes[0].x, 72, 0.01);
  // Helvetica's ascent (0.718) above the baseline at 792 - 700.
  EXPECT_NEAR(boxes[0].y, 92 - 7.18, 0.3);
  EXPECT_EQ(boxes[0].rotation, 0);
  EXPECT_NEAR(boxes[0].width, 22.78, 0.05);
}

// The top-left corner of a frame turned by its rotation about its centre.
platform::Point turnedTopLeft(const TextBox& box) {
  const double r = box.rotation * std::numbers::pi / 180;
  const double cx = box.x + box.width / 2, cy = box.y + box.height / 2;
  const double dx = -box.width / 2, dy = -box.height / 2;
  return {cx + dx * std::cos(r) - dy * std::sin(r), cy + dx * std::sin(r) + dy * std::cos(r)};
}

struct TurnCase {
  const char* matrix;  // the text matrix's linear part
  double rotation;     // of the box on the slide
};

class PptxExporterTurnedBoxes : public testing::TestWithParam<TurnCase> {};

TEST_P(PptxExporterTurnedBoxes, TurnedTopLeftCornerLandsOnTheFirstGlyph) {
  const TurnCase& t = GetParam();
  // A long line (so that the box is far longer than it is high) starting at
  // (300, 400) of user space, i.e. (300, 392) on the slide.
  Converted c = convertText(std::string("BT /F1 10 Tf ") + t.matrix +
                            " 300 400 Tm (A line of text that runs far from its start) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NEAR(boxes[0].rotation, t.rotation, 0.01);
  // The glyph's top: the ascent (7.18 points) up the glyph from the baseline start.
  const double up = (t.rotation + 270) * std::numbers::pi / 180;
  const platform::Point expected{300 + 7.18 * std::cos(up), 392 + 7.18 * std::sin(up)};
  const platform::Point corner = turnedTopLeft(boxes[0]);
  EXPECT_NEAR(corner.x, expected.x, 0.6) << t.matrix;
  EXPECT_NEAR(corner.y, expected.y, 0.6) << t.matrix;
  EXPECT_GT(boxes[0].width, 150);
}

INSTANTIATE_TEST_SUITE_P(Table, PptxExporterTurnedBoxes,
                         testing::Values(TurnCase{"0.866 0.5 -0.5 0.866", 330},  // 30 degrees up the page
                                         TurnCase{"0 1 -1 0", 270},              // rising
                                         TurnCase{"0 -1 1 0", 90},               // falling
                                         TurnCase{"-1 0 0 -1", 180},             // upside down
                                         TurnCase{"0.707 -0.707 0.707 0.707", 45}));

TEST(PptxExporterText, PageTurnedByRotateTurnsItsText) {
  // User-space upright text on a page shown a quarter turn clockwise runs
  // down the slide, which is as wide as the page is high.
  Converted c = convertText("BT /F1 10 Tf 72 700 Td (Turned page text) Tj ET", 90);
  EXPECT_EQ(c.slideSize(), (platform::Size{792, 612}));
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rotation, 90);
  // (x, y) of user space shows at (y, x): the glyph's top lies 7.18 points
  // right of x = 700 at y = 72.
  const platform::Point corner = turnedTopLeft(boxes[0]);
  EXPECT_NEAR(corner.x, 707.18, 0.6);
  EXPECT_NEAR(corner.y, 72, 0.6);

  Converted upside = convertText("BT /F1 10 Tf 72 700 Td (Upside down) Tj ET", 180);
  ASSERT_EQ(upside.textBoxes(0).size(), 1u);
  EXPECT_EQ(upside.textBoxes(0)[0].rotation, 180);
  const platform::Point turned = turnedTopLeft(upside.textBoxes(0)[0]);
  EXPECT_NEAR(turned.x, 612 - 72, 0.6);
  EXPECT_NEAR(turned.y, 700 + 7.18, 0.6);
}

TEST(PptxExporterText, MediaBoxAwayFromTheOriginPlacesTextOnTheSlide) {
  Converted c = convertText("BT /F1 10 Tf 172 800 Td (Shifted) Tj ET", 0, "[100 100 712 892]");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NEAR(boxes[0].x, 72, 0.01);
  EXPECT_NEAR(boxes[0].y, 92 - 7.18, 0.3);
}

TEST(PptxExporterText, SlightlyTurnedStringsEachOpenTheirOwnBox) {
  // 3 degrees down the page: the first string snaps the box upright; the
  // next, still at 3 degrees, no longer matches it.
  Converted c = convertText("BT /F1 10 Tf 0.9986 -0.0523 0.0523 0.9986 72 700 Tm (One) Tj (Two) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].rotation, 0);
}

TEST(PptxExporterText, PathsAndImagesCloseTheOpenBoxSoShapesKeepPageOrder) {
  Converted c = convertText("BT /F1 10 Tf 72 700 Td (Before) Tj ET 0 0 1 RG 72 600 m 300 600 l S "
                            "BT /F1 10 Tf 72 690 Td (After) Tj ET");
  const auto kinds = c.shapeKinds(0);
  EXPECT_EQ(kinds, (std::vector<std::string>{"text", "freeform", "text"}));
}

// Every paragraph's line spacing, in points.
std::vector<double> lineSpacings(const std::vector<TextBox>& boxes) {
  std::vector<double> out;
  for (const TextBox& box : boxes)
    for (const auto& p : box.paragraphs) out.push_back(std::stod(p.lineSpacing) / 100.0);
  return out;
}

TEST(PptxExporterText, RaisedLetterInsideAWordStandsInItsOwnBoxNeverOverTheLineAbove) {
  // The logo of a typesetting system as TeX sets it: the A raised, smaller
  // and pulled back under the L, the E lowered and pulled back under the T.
  Converted c = convertText("BT /F1 10 Tf 72 700 Td (L) Tj 1.96 3 Td /F1 7 Tf (A) Tj 3.17 -3 Td "
                            "/F1 10 Tf (T) Tj 4.91 -2.15 Td (E) Tj 5.67 2.15 Td (X is a typesetting system) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_GE(boxes.size(), 2u);
  for (double spacing : lineSpacings(boxes)) EXPECT_GT(spacing, 0);
  std::string text;
  for (const TextBox& box : boxes) {
    EXPECT_EQ(box.paragraphs.size(), 1u) << box.text;
    text += box.text;
  }
  EXPECT_EQ(text, "LATEX is a typesetting system");
  // The A's box stands where the A is drawn: right of the L's start, and
  // raised above the L's line.
  EXPECT_EQ(boxes[0].text, "L");
  EXPECT_NEAR(boxes[1].x, 72 + 5.56 - 3.6, 0.05);
  EXPECT_LT(boxes[1].y, boxes[0].y);
}

TEST(PptxExporterText, TextTurnedUpsideDownKeepsItsWordsAndLines) {
  // Two lines turned by 180 degrees, words apart by justified spaces.
  Converted c = convertText("BT /F1 12 Tf -1 0 0 -1 500 300 Tm 14 TL [(Turned) -250 (upside) -250 (down)] TJ "
                            "T* (and a second line) Tj ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rotation, 180);
  EXPECT_EQ(boxes[0].text, "Turned upside down\nand a second line");
  ASSERT_EQ(boxes[0].paragraphs.size(), 2u);
  EXPECT_EQ(boxes[0].paragraphs[1].lineSpacing, "1400");
  // The box is as long as its longest line, so its turned corner lands on
  // the first glyph.
  // The words (3.168, 2.946 and 2.39 em) and two blanks of 0.278 em.
  EXPECT_NEAR(boxes[0].width, 12 * (3.168 + 2.946 + 2.39 + 2 * 0.278), 0.05);
  const platform::Point corner = turnedTopLeft(boxes[0]);
  EXPECT_NEAR(corner.x, 500, 0.6);
  EXPECT_NEAR(corner.y, 492 + 12 * 0.718, 0.6);
}

TEST(PptxExporterText, QuarterTurnedLinesAreParagraphsStartingWhereTheirLinesStart) {
  // Rising and falling lines: the next line follows across the text, and an
  // indent is measured along it, not across.
  for (const char* matrix : {"0 1 -1 0", "0 -1 1 0"}) {
    Converted c = convertText(std::string("BT /F1 10 Tf ") + matrix +
                              " 300 400 Tm 14 TL (First line) Tj T* (Second) Tj 20 -14 Td (Indented) Tj ET");
    const auto boxes = c.textBoxes(0);
    ASSERT_EQ(boxes.size(), 1u) << matrix;
    EXPECT_EQ(boxes[0].text, "First line\nSecond\nIndented") << matrix;
    ASSERT_EQ(boxes[0].paragraphs.size(), 3u);
    EXPECT_EQ(boxes[0].paragraphs[1].lineSpacing, "1400") << matrix;
    EXPECT_FALSE(boxes[0].paragraphs[1].marginLeft) << matrix;
    EXPECT_EQ(boxes[0].paragraphs[2].marginLeft, "254000") << matrix;
  }
}

TEST(PptxExporterText, LineSpacingKeepsHundredthsSoLongParagraphsDoNotDrift) {
  std::string content = "BT /F1 10 Tf 72 740 Td 13.6 TL (Line 1) Tj";
  for (int i = 2; i <= 40; ++i) content += " T* (Line " + std::to_string(i) + ") Tj";
  Converted c = convertText(content + " ET");
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(boxes[0].paragraphs.size(), 40u);
  double below = 0;
  for (size_t i = 1; i < 40; ++i) {
    EXPECT_EQ(boxes[0].paragraphs[i].lineSpacing, "1360") << i;
    below += std::stod(boxes[0].paragraphs[i].lineSpacing) / 100.0;
  }
  // The fortieth baseline stands where the page has it, not 39 points higher.
  EXPECT_NEAR(below, 39 * 13.6, 0.01);
  const double first = std::stod(boxes[0].paragraphs[0].lineSpacing) / 100.0;
  EXPECT_NEAR(boxes[0].height, first + 39 * 13.6, 0.05);
}

TEST(PptxExporterText, Type3FontMeasuresItsEmAndSpaceInItsOwnGlyphSpace) {
  // Glyph space is text space upside down and the text matrix turns it
  // upright again, shown at a font size of 0.01: an em of 10 points, letters
  // 5 points wide, a space 3.33. Words are placed one by one with a kerning
  // gap of 0.3 points inside "Kerned".
  qvtest::PdfBuilder b;
  auto procs = b.parse("<< >>");
  for (const char* glyph : {"K", "e", "r", "n", "d", "w", "o", "s", "t", "a", "y", "space"})
    procs.replaceKey(std::string("/") + glyph, b.stream("500 0 d0"));
  auto font = b.parse("<< /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 -1 0 0] /FontBBox [0 -200 1000 800]"
                      " /FirstChar 32 /LastChar 121 /Resources << >>"
                      " /Encoding << /Type /Encoding /Differences [32 /space 75 /K 97 /a 100 /d /e 110 /n /o"
                      " 114 /r /s /t 119 /w 121 /y] >> >>");
  std::string widths = "333";
  for (int code = 33; code <= 121; ++code) widths += " 500";
  font.replaceKey("/Widths", b.parse("[" + widths + "]"));
  font.replaceKey("/CharProcs", procs);
  b.addPage("BT /T3 0.01 Tf 1 0 0 -1 72 700 Tm (Ke) Tj 10.3 0 Td (rned) Tj 23.33 0 Td (words) Tj 28.33 0 Td (stay) Tj ET",
            b.resources({{"Font", {{"T3", b.qpdf().makeIndirectObject(font)}}}}));
  Converted c = pptxfix::convert(b);
  const auto boxes = c.textBoxes(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Kerned words stay");
  ASSERT_FALSE(boxes[0].paragraphs.empty());
  EXPECT_EQ(boxes[0].paragraphs[0].runs.at(0).size, "1000");
  EXPECT_EQ(boxes[0].paragraphs[0].lineSpacing, "1000");
  // Its em box: the ascent of the box (800 units of the 1000) above the
  // baseline at 792 - 700.
  EXPECT_NEAR(boxes[0].y, 92 - 8, 0.3);
}

}  // namespace
