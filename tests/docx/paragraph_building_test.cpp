// A page's text runs become paragraphs: neighbouring runs merge, rows
// become paragraphs with exact line heights, raised and lowered rows join
// their neighbour, blank paragraphs fill the gaps and every block ends in a
// section of its columns.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "docx/QVDocxOfficeFonts.h"
#include "docx/QVDocxPage.h"
#include "docx/QVDocxUtilities.h"
#include "tests/docx/docx_test_support.h"

namespace {

using docxtest::textRun;
using RunList = std::vector<std::shared_ptr<QVDocxRunText>>;

std::string textOf(const QVDocxParagraph& p) {
  std::string out;
  for (const auto& run : p.runArray)
    if (const QVDocxRunText* t = run->asText()) out += t->runText;
  return out;
}

std::vector<std::string> texts(const QVDocxPage& page) {
  std::vector<std::string> out;
  for (const QVDocxParagraph& p : page.paragraphArray) out.push_back(textOf(p));
  return out;
}

// The paragraphs with text, leaving out the blank ones.
std::vector<std::string> textParagraphs(const QVDocxPage& page) {
  std::vector<std::string> out;
  for (const QVDocxParagraph& p : page.paragraphArray)
    if (!p.runArray.empty()) out.push_back(textOf(p));
  return out;
}

// Two runs of one line drawn one after the other: the first ends at 100,
// the second starts `gap` later; one space is six points wide.
RunList pair(double gap, double firstSpace = 6) {
  auto a = textRun("ab", 90, 100, 12, 10, 0);
  a->spaceWidth = firstSpace;
  auto b = textRun("cd", 100 + gap, 100, 12, 10, 1);
  b->spaceWidth = 6;
  return {a, b};
}

QVDocxPage page(platform::Size size = {600, 800}) { return QVDocxPage(size); }

TEST(DocxRunMerge, RunsCloserThanATenthOfTheEmJoinAsTheyAre) {
  const RunList runs = pair(1.1);
  const auto merged = page().mergeRuns(runs);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0]->runText, "abcd");
  EXPECT_DOUBLE_EQ(merged[0]->textWidth, 21.1);
  EXPECT_EQ(page().mergeRuns(pair(1.2))[0]->runText, "ab cd");
}

TEST(DocxRunMerge, SmallTextSetWordByWordKeepsItsWordsApart) {
  // Seven-point words whose gaps are a quarter em, under the two points
  // below which a gap once joined words whatever their size.
  auto a = textRun("harbour", 72, 100, 7, 25, 0);
  a->spaceWidth = 1.95;
  auto b = textRun("gate", 72 + 25 + 1.75, 100, 7, 13, 1);
  b->spaceWidth = 1.95;
  EXPECT_EQ(page().mergeRuns({a, b})[0]->runText, "harbour gate");
}

TEST(DocxRunMerge, AGapUnderHalfASpaceMoreGetsOneBlank) {
  const RunList runs = pair(4.0);
  const auto merged = page().mergeRuns(runs);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0]->runText, "ab cd");
  EXPECT_DOUBLE_EQ(runs[1]->ctmInfo.xLeft, 100);
  EXPECT_DOUBLE_EQ(runs[1]->textWidth, 14);
}

TEST(DocxRunMerge, WiderGapsGetABlankPerSpaceAndAFifth) {
  const auto merged = page().mergeRuns(pair(20.0));
  EXPECT_EQ(merged[0]->runText, "ab  cd");
}

TEST(DocxRunMerge, SmallOverlapsJoinLargerOnesDoNot) {
  EXPECT_EQ(page().mergeRuns(pair(-1.5)).size(), 1u);
  EXPECT_EQ(page().mergeRuns(pair(-2.5)).size(), 2u);
}

TEST(DocxRunMerge, AnotherLineOrOtherPropertiesOrALaterDrawingEndTheGroup) {
  RunList runs = pair(1.5);
  runs[1]->ctmInfo.yBase += 1.0;
  EXPECT_EQ(page().mergeRuns(runs).size(), 2u);
  runs = pair(1.5);
  runs[1]->rProperty.b = true;
  EXPECT_EQ(page().mergeRuns(runs).size(), 2u);
  runs = pair(1.5);
  runs[1]->drawIndex = 2;
  EXPECT_EQ(page().mergeRuns(runs).size(), 2u);
}

TEST(DocxRunMerge, ARunInAnotherColourStillLendsItsWidthToTheUnit) {
  // The third run, of the same font in red, has a 2-point space: the unit is
  // then 2 points and a 5-point gap two blanks, where the 6-point space
  // alone would make it one.
  EXPECT_EQ(page().mergeRuns(pair(5.0))[0]->runText, "ab cd");
  RunList runs = pair(5.0);
  auto red = textRun("x", 300, 100, 12, 10, 5);
  red->spaceWidth = 2;
  red->rProperty.color.red = 255;
  runs.push_back(red);
  const auto merged = page().mergeRuns(runs);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0]->runText, "ab  cd");
}

TEST(DocxRunMerge, WithoutASpaceWidthAWordGapIsMeasuredByTheEm) {
  // A tenth of the 12-point em parts two words: a gap of 2.5 points is a
  // word gap, one of 1 point is not.
  auto a = textRun("ab", 90, 100, 12, 0.5, 0);
  a->spaceWidth = 0;
  auto b = textRun("cd", 92.5, 100, 12, 0.5, 1);
  b->spaceWidth = 0;
  const auto merged = page().mergeRuns({a, b});
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0]->runText, "ab cd");
  EXPECT_DOUBLE_EQ(b->ctmInfo.xLeft, 90.5);
  auto c = textRun("ef", 90, 100, 12, 0.5, 0);
  c->spaceWidth = 0;
  auto d = textRun("gh", 91, 100, 12, 0.5, 1);
  d->spaceWidth = 0;
  EXPECT_EQ(page().mergeRuns({c, d})[0]->runText, "efgh");
}

TEST(DocxRunMerge, ASpaceWidthOfAlmostNothingMakesNoMoreBlanksThanThePageIsWide) {
  RunList runs = pair(400.0, 1e-9);
  runs[1]->spaceWidth = 1e-9;
  const auto merged = page({600, 800}).mergeRuns(runs);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0]->runText, "ab" + std::string(600, ' ') + "cd");
}

TEST(DocxRunMerge, TwentyThousandOneGlyphStringsMergeInOnePass) {
  RunList runs;
  for (uint64_t i = 0; i < 20000; ++i)
    runs.push_back(textRun("x", 10 + (i % 100) * 5.0, 20 + (i / 100) * 3.7, 4, 4.5, i));
  QVDocxPage p = page({600, 800});
  p.allRunTextArray = runs;
  p._creatParagraphs();
  size_t glyphs = 0;
  for (const QVDocxParagraph& para : p.paragraphArray)
    for (char c : textOf(para)) glyphs += c == 'x';
  EXPECT_EQ(glyphs, 20000u);
}

// ---- Paragraphs and spacing

TEST(DocxParagraphBuilding, TextStartingAtTheTopMarginNeedsNoBlankAbove) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("Heading", 72, 80, 10, 40)};
  p._creatParagraphs();
  EXPECT_EQ(p.sectProperty.pgMar.top, 72.0f);
  EXPECT_THAT(texts(p), testing::ElementsAre("Heading"));
}

TEST(DocxParagraphBuilding, TextLowerDownGetsBlankParagraphsFromTheMargin) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("Lower", 72, 108, 10, 40)};
  p._creatParagraphs();
  EXPECT_EQ(p.sectProperty.pgMar.top, 72.0f);
  ASSERT_THAT(texts(p), testing::ElementsAre("", "", "Lower"));
  EXPECT_EQ(p.paragraphArray[0].pProperty.spacing.line, 14.0f);
}

TEST(DocxParagraphBuilding, TextHighUpMakesItsOwnTopMargin) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("High", 72, 38, 10, 40)};
  p._creatParagraphs();
  EXPECT_EQ(p.sectProperty.pgMar.top, 30.0f);
}

TEST(DocxParagraphBuilding, RowsOneLineApartAreParagraphsWithTheirStepAsLine) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("one", 72, 80, 10, 20, 0), textRun("two", 72, 93.6, 10, 20, 1),
                       textRun("three", 72, 107.2, 10, 30, 2)};
  p._creatParagraphs();
  ASSERT_THAT(texts(p), testing::ElementsAre("one", "two", "three"));
  EXPECT_FLOAT_EQ(p.paragraphArray[0].pProperty.spacing.line, 13.6f);
  EXPECT_FLOAT_EQ(p.paragraphArray[1].pProperty.spacing.line, 13.6f);
  for (const QVDocxParagraph& para : p.paragraphArray) EXPECT_GT(para.pProperty.spacing.line, 0.0f);
}

TEST(DocxParagraphBuilding, SmallerTextJustAboveTheLineBecomesASuperscript) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("x", 72, 100, 12, 8, 0), textRun("2", 80.5, 95, 8, 5, 2)};
  p._creatParagraphs();
  ASSERT_THAT(textParagraphs(p), testing::ElementsAre("x2"));
  const QVDocxParagraph& para = p.paragraphArray.back();
  EXPECT_EQ(para.runArray[1]->rProperty.scrpit, 1);
  EXPECT_EQ(para.runArray[1]->rProperty.sz, 12.0f);
  EXPECT_EQ(para.runArray[0]->rProperty.scrpit, 0);
}

TEST(DocxParagraphBuilding, SmallerTextJustBelowBecomesASubscript) {
  QVDocxPage p = page();
  // A base line with a deep descent, then a smaller row whose bottom lies
  // just below it.
  p.allRunTextArray = {textRun("H", 72, 100, 12, 8, 0, -0.5), textRun("2", 80.5, 105, 8, 5, 2)};
  p._creatParagraphs();
  ASSERT_THAT(textParagraphs(p), testing::ElementsAre("H2"));
  EXPECT_EQ(p.paragraphArray.back().runArray[1]->rProperty.scrpit, 2);
  EXPECT_EQ(p.paragraphArray.back().runArray[1]->rProperty.sz, 12.0f);
}

TEST(DocxParagraphBuilding, RunsOfARowAreJoinedByABlankFromATenthOfTheSize) {
  QVDocxPage p = page();
  // Two runs of one row, the second starting 0.9 after the first ends, then
  // 1.0 after it: a tenth of the 10-point size.
  p.allRunTextArray = {textRun("left", 72, 100, 10, 20, 0), textRun("right", 92.9, 100, 10, 20, 5)};
  p._creatParagraphs();
  EXPECT_THAT(textParagraphs(p), testing::ElementsAre("leftright"));
  QVDocxPage q = page();
  q.allRunTextArray = {textRun("left", 72, 100, 10, 20, 0), textRun("right", 93, 100, 10, 20, 5)};
  q._creatParagraphs();
  EXPECT_THAT(textParagraphs(q), testing::ElementsAre("left right"));
}

TEST(DocxParagraphBuilding, ThreeColumnsTileThePage) {
  QVDocxPage p = page({600, 800});
  p.allRunTextArray = {textRun("a", 50, 100, 10, 100, 0),  textRun("b", 200, 100, 10, 100, 5),
                       textRun("c", 400, 100, 10, 100, 9),  textRun("d", 50, 112, 10, 100, 13),
                       textRun("e", 200, 112, 10, 100, 17), textRun("f", 400, 112, 10, 100, 21)};
  p._creatParagraphs();
  ASSERT_THAT(textParagraphs(p), testing::ElementsAre("a", "d", "b", "e", "c", "f"));
  const QVDocx_Cols& cols = p.paragraphArray.back().sectProperty.cols;
  ASSERT_EQ(cols.num, 3);
  ASSERT_TRUE(cols.col);
  for (const QVDocx_Col& c : *cols.col) {
    EXPECT_EQ(c.w, 200.0f);
    EXPECT_EQ(c.space, 0.0f);
  }
  EXPECT_TRUE(p.paragraphArray.back().sectProperty.write);
}

// A row of three parts with nothing above or below them in their columns
// is a line of the page, not a section of three columns of a line each: its
// later parts start at tab stops where the page shows them.
TEST(DocxParagraphBuilding, ALineOfPartsFarApartIsOneParagraphWithTabStops) {
  QVDocxPage p = page({600, 800});
  p.allRunTextArray = {textRun("a", 50, 100, 10, 100, 0), textRun("b", 200, 100, 10, 100, 5),
                       textRun("c", 400, 100, 10, 100, 9)};
  p._creatParagraphs();
  ASSERT_THAT(textParagraphs(p), testing::ElementsAre("abc"));
  const QVDocxParagraph& line = p.paragraphArray.back();
  EXPECT_LT(line.sectProperty.cols.num, 2);
  const QVDocx_Tabs tabs = line.tabsPropertyInParagraph();
  ASSERT_EQ(tabs.count(), 2);
  EXPECT_EQ(tabs.tabs[0].pos, 200.0f);
  EXPECT_EQ(tabs.tabs[1].pos, 400.0f);
  EXPECT_EQ(line.pProperty.ind.left, 50.0f);
}

TEST(DocxParagraphBuilding, SecondColumnOfSeveralParagraphsStartsWithAColumnBreak) {
  QVDocxPage p = page({600, 800});
  uint64_t d = 0;
  for (int line = 0; line < 3; ++line) {
    p.allRunTextArray.push_back(textRun("L" + std::to_string(line), 72, 100 + 9 * line, 10, 150, d));
    d += 2;
    p.allRunTextArray.push_back(textRun("R" + std::to_string(line), 320, 100 + 9 * line, 10, 150, d));
    d += 2;
  }
  p._creatParagraphs();
  EXPECT_THAT(textParagraphs(p), testing::ElementsAre("L0", "L1", "L2", "R0", "R1", "R2"));
  auto right = std::find_if(p.paragraphArray.begin(), p.paragraphArray.end(),
                            [](const QVDocxParagraph& para) { return textOf(para) == "R0"; });
  EXPECT_TRUE(right->breakColumn);
  EXPECT_EQ(right->sectProperty.cols.num, 2);
  EXPECT_FLOAT_EQ(right->pProperty.ind.left, 0.0f);
}

TEST(DocxParagraphBuilding, AColumnBeyondThePagesRightEdgeJoinsItsNeighbour) {
  QVDocxPage p = page({600, 800});
  p.allRunTextArray = {textRun("in", 72, 100, 10, 100, 0), textRun("out", 640, 100, 10, 100, 5),
                       textRun("far", 900, 100, 10, 100, 9)};
  p._creatParagraphs();
  for (const QVDocxParagraph& para : p.paragraphArray) {
    const QVDocx_Cols& cols = para.sectProperty.cols;
    if (cols.num < 2) continue;
    ASSERT_TRUE(cols.col);
    EXPECT_EQ(static_cast<size_t>(cols.num), cols.col->size());
    for (const QVDocx_Col& c : *cols.col) EXPECT_GT(c.w, 0.0f);
  }
  std::string all;
  for (const auto& t : texts(p)) all += t;
  EXPECT_THAT(all, testing::HasSubstr("in"));
  EXPECT_THAT(all, testing::HasSubstr("out"));
  EXPECT_THAT(all, testing::HasSubstr("far"));
}

TEST(DocxParagraphBuilding, AGapOfOneLineWidensItAndMoreGetsBlanksWithTheSection) {
  // Two blocks: a gap equal to the upper paragraph's line widens it.
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("a", 72, 80, 10, 10, 0), textRun("b", 72, 100, 10, 10, 2)};
  p._creatParagraphs();
  ASSERT_THAT(texts(p), testing::ElementsAre("a", "b"));
  EXPECT_FLOAT_EQ(p.paragraphArray[0].pProperty.spacing.line, 20.0f);

  QVDocxPage q = page();
  q.allRunTextArray = {textRun("a", 72, 80, 10, 10, 0), textRun("b", 72, 100.5, 10, 10, 2)};
  q._creatParagraphs();
  ASSERT_THAT(texts(q), testing::ElementsAre("a", "", "b"));
  EXPECT_EQ(q.paragraphArray[1].sectProperty.write, q.paragraphArray[0].sectProperty.write);
}

TEST(DocxParagraphBuilding, TextFarBelowThePageGetsNoMoreBlanksThanThePageHolds) {
  QVDocxPage p = page({600, 800});
  p.allRunTextArray = {textRun("top", 72, 80, 10, 10, 0), textRun("deep", 72, 1e9, 10, 10, 2)};
  p._creatParagraphs();
  EXPECT_LE(p.paragraphArray.size(), 2u + 81u);
  EXPECT_EQ(textOf(p.paragraphArray.back()), "deep");
}

// ---- The page end

TEST(DocxPageEnd, APageWithoutTextGetsOneParagraphEndingItsSection) {
  QVDocxPage p = page({612, 792});
  p.endWritePage(true);
  ASSERT_EQ(p.paragraphArray.size(), 1u);
  const QVDocx_SectPr& s = p.paragraphArray[0].sectProperty;
  EXPECT_TRUE(s.write);
  EXPECT_EQ(s.type, 1);
  EXPECT_EQ(s.pgSz.w, 612.0f);
  EXPECT_EQ(s.cols.num, 1);
}

TEST(DocxPageEnd, OneParagraphPageGetsItsBreakOnlyFromThePageEnd) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("alone", 72, 80, 10, 30)};
  p._creatParagraphs();
  EXPECT_FALSE(p.paragraphArray.back().sectProperty.write);
  p.paragraphArray.clear();
  p.endWritePage(true);
  EXPECT_TRUE(p.paragraphArray.back().sectProperty.write);
  EXPECT_EQ(p.paragraphArray.back().sectProperty.type, 1);
}

TEST(DocxPageEnd, LaterPagesStartTheirFirstSectionOnANewPage) {
  QVDocxPage p = page();
  p.allRunTextArray = {textRun("a", 72, 80, 10, 300, 0), textRun("b", 72, 100, 10, 100, 2),
                       textRun("c", 320, 100, 10, 100, 4), textRun("d", 72, 112, 10, 100, 6),
                       textRun("e", 320, 112, 10, 100, 8)};
  p.endWritePage(false);
  std::vector<int> written;
  for (const QVDocxParagraph& para : p.paragraphArray)
    if (para.sectProperty.write) written.push_back(para.sectProperty.type);
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written.front(), 0);
  EXPECT_EQ(written.back(), 1);
}

}  // namespace

namespace {

TEST(DocxParagraphBuilding, TwentyThousandOverprintedRowsJoinOneParagraphInOnePass) {
  // Rows of 12-point text five and a half points apart: each one joins the
  // paragraph above it, which is resolved again every time.
  QVDocxPage p({600, 800});
  for (uint64_t i = 0; i < 20000; ++i) p.allRunTextArray.push_back(textRun("x", 72, 20 + 5.5 * i, 12, 6, 2 * i));
  p._creatParagraphs();
  size_t glyphs = 0;
  for (const QVDocxParagraph& para : p.paragraphArray)
    for (char c : textOf(para)) glyphs += c == 'x';
  EXPECT_EQ(glyphs, 20000u);
}

}  // namespace

namespace {

// A run is shown no wider than the page shows it: one the office face sets
// wider is narrowed by its scale, one it sets narrower keeps its scale, and
// one in a face whose widths are unknown is left alone.
TEST(DocxOfficeWidths, ARunTheOfficeFaceSetsWiderIsNarrowedToThePagesWidth) {
  auto run = [](const char* family, double width) {
    auto r = textRun("Harbour gate at noon", 72, 100, 12, width);
    r->rProperty.rFonts.ascii = std::make_shared<const std::string>(family);
    QVDocxOfficeFonts::fitRun(*r);
    return r;
  };
  const auto narrow = run("Arial", 80);
  const std::optional<double> set = QVDocxOfficeFonts::officeWidth(narrow->rProperty, narrow->runText, 0);
  ASSERT_TRUE(set);
  EXPECT_GT(*set, 80);
  EXPECT_LT(narrow->rProperty.w, 100.0f);
  EXPECT_LE(*set * narrow->rProperty.w / 100.0, 80.0);
  EXPECT_EQ(run("Arial", 200)->rProperty.w, 100.0f);
  EXPECT_EQ(run("Cambria Math", 40)->rProperty.w, 100.0f);
}

// A line of East Asian characters breaks between any two of them, a line of
// words at its blanks.
TEST(DocxOfficeWidths, LinesBreakBetweenEastAsianCharactersAndAtBlanks) {
  QVDocxParagraph cjk({textRun("\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57", 72, 100, 10, 100)});
  EXPECT_EQ(QVDocxOfficeFonts::lineCount(cjk, 100), 1u);
  EXPECT_EQ(QVDocxOfficeFonts::lineCount(cjk, 35), 4u);
  QVDocxParagraph words({textRun("quay quay quay quay", 72, 100, 10, 100)});
  const double word = *QVDocxOfficeFonts::officeWidth(words.runArray[0]->rProperty, "quay ", 0);
  EXPECT_EQ(QVDocxOfficeFonts::lineCount(words, 2.5 * word), 2u);
  EXPECT_EQ(QVDocxOfficeFonts::lineCount(words, 4.5 * word), 1u);
}

}  // namespace
