// Text, tab and picture runs and the paragraph that holds them: what they
// write, how a paragraph takes its indentation and exact line height from
// its runs, and the blank paragraphs that fill a vertical gap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "docx/QVDocxUtilities.h"
#include "tests/docx/docx_test_support.h"

namespace {

using docxtest::find;
using docxtest::findAll;
using docxtest::markup;
using docxtest::markupTree;
using docxtest::textRun;
using docxtest::wAttr;

TEST(DocxRuns, TextRunKeepsBlanksAndEscapesMarkup) {
  QVDocxRunText run;
  run.runText = "  a < b & \"c\" \xF0\x9D\x84\x9E ";
  const std::string xml = markup([&](XMLFileWriter& w) { run.writeWithXMLWriter(w); });
  EXPECT_THAT(xml, testing::HasSubstr("xml:space=\"preserve\""));
  EXPECT_THAT(xml, testing::HasSubstr("a &lt; b &amp; &quot;c&quot; \xF0\x9D\x84\x9E "));
  auto root = markupTree([&](XMLFileWriter& w) { run.writeWithXMLWriter(w); });
  EXPECT_EQ(find(*root, "t")->text, run.runText);
}

TEST(DocxRuns, EmptyTextRunStillWritesItsRunAndText) {
  QVDocxRunText run;
  auto root = markupTree([&](XMLFileWriter& w) { run.writeWithXMLWriter(w); });
  ASSERT_NE(find(*root, "r"), nullptr);
  ASSERT_NE(find(*root, "rPr"), nullptr);
  ASSERT_NE(find(*root, "t"), nullptr);
  EXPECT_EQ(find(*root, "t")->text, "");
}

TEST(DocxRuns, BaseAndPictureRunsWriteNothing) {
  QVDocxRun base;
  QVDocxRunPict pict;
  EXPECT_TRUE(markupTree([&](XMLFileWriter& w) { base.writeWithXMLWriter(w); })->children.empty());
  EXPECT_TRUE(markupTree([&](XMLFileWriter& w) { pict.writeWithXMLWriter(w); })->children.empty());
  EXPECT_EQ(pict.displayRect(), platform::Rect());
}

TEST(DocxRuns, DisplayRectHeightIsNeverNegative) {
  QVDocxRunText run;
  run.ctmInfo.topLeft = {10, 50};
  run.ctmInfo.bottomLeft = {10, 38};
  run.textWidth = 30;
  EXPECT_EQ(run.displayRect(), platform::Rect(10, 50, 30, 12));
}

TEST(DocxRuns, CopyOfATextRunDropsItsPlaceAndOrder) {
  auto run = textRun("word", 72, 100, 12, 30, 7);
  auto copy = run->copy();
  ASSERT_NE(copy->asText(), nullptr);
  EXPECT_EQ(copy->asText()->runText, "word");
  EXPECT_EQ(copy->asText()->textWidth, 30);
  EXPECT_EQ(copy->drawIndex, 0u);
  EXPECT_EQ(copy->ctmInfo, QVPDF_CTMInfo());
}

TEST(DocxRuns, TabRunWritesATabAndItsParagraphAStop) {
  QVDocxParagraph p;
  p.runArray.push_back(QVDocxRunTab::RunTapWithTabPostion(90, 20));
  auto root = markupTree([&](XMLFileWriter& w) { p.writeWithXMLWriter(w); });
  EXPECT_EQ(wAttr(find(*find(*root, "tabs"), "tab"), "pos"), "1800");
  EXPECT_NE(find(*find(*root, "r"), "tab"), nullptr);
}

TEST(DocxParagraph, LineHeightIsTheLargerOfSizeAndAscentToDescent) {
  auto run = textRun("x", 72, 100, 10, 5);
  run->ctmInfo.yAscent = 90;
  run->ctmInfo.yDescent = 102;
  QVDocxParagraph tall({run});
  EXPECT_EQ(tall.pProperty.spacing.line, 12.0f);
  run->ctmInfo.yDescent = 98;
  QVDocxParagraph narrow({run});
  EXPECT_EQ(narrow.pProperty.spacing.line, 10.0f);
  EXPECT_EQ(narrow.pProperty.ind.left, 72.0f);
}

TEST(DocxParagraph, FirstRunOfSizeZeroDefersToTheNext) {
  auto empty = textRun("", 50, 100, 10, 0);
  empty->rProperty.sz = 0;
  auto next = textRun("y", 60, 100, 14, 7);
  QVDocxParagraph p({empty, next});
  EXPECT_GE(p.pProperty.spacing.line, 14.0f);
  EXPECT_EQ(p.pProperty.ind.left, 50.0f);
  EXPECT_EQ(p.rProperty.sz, next->rProperty.sz);
}

TEST(DocxParagraph, ColumnResolutionNeedsATextRun) {
  QVDocxParagraph blank;
  blank.xColumnPosition = 20;
  EXPECT_FALSE(blank.resolveColumnProperty());
  EXPECT_EQ(blank.pProperty.ind.left, 60.0f);
  QVDocxParagraph p({textRun("x", 300, 100, 10, 5)});
  p.xColumnPosition = 280;
  EXPECT_TRUE(p.resolveColumnProperty());
  EXPECT_EQ(p.pProperty.ind.left, 20.0f);
}

TEST(DocxParagraph, BlankParagraphsFillAGapExactly) {
  const QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  const QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  auto blanks = QVDocxParagraph::BankParagraph(30, 12, 40, r, s);
  ASSERT_EQ(blanks.size(), 2u);
  EXPECT_EQ(blanks[0].pProperty.spacing.line, 15.0f);
  EXPECT_EQ(blanks[1].pProperty.ind.left, 40.0f);
  EXPECT_TRUE(blanks[0].runArray.empty());
  ASSERT_EQ(QVDocxParagraph::BankParagraph(5, 12, 0, r, s).size(), 1u);
  EXPECT_EQ(QVDocxParagraph::BankParagraph(5, 12, 0, r, s)[0].pProperty.spacing.line, 5.0f);
  QVDocx_RPr big = r;
  big.sz = 20;
  auto one = QVDocxParagraph::BankParagraph(30, 12, 0, big, s);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].pProperty.spacing.line, 30.0f);
}

TEST(DocxParagraph, BlankParagraphsOfAHugeGapAreBounded) {
  const auto blanks = QVDocxParagraph::BankParagraph(1e9, 12, 0, QVDocxUtilities::defaultRProperty(),
                                                     QVDocxUtilities::defaultSectProperty(), 70);
  ASSERT_EQ(blanks.size(), 70u);
  EXPECT_FLOAT_EQ(blanks[0].pProperty.spacing.line, static_cast<float>(1e9 / 70));
  EXPECT_LE(QVDocxParagraph::BankParagraph(1e300, 1e-300, 0, QVDocxUtilities::defaultRProperty(),
                                           QVDocxUtilities::defaultSectProperty())
                .size(),
            QVDocxParagraph::kMaxBlankParagraphs);
}

TEST(DocxParagraph, EmptyParagraphKeepsItsHeightWithOneBlank) {
  QVDocxParagraph p;
  p.breakColumn = true;
  auto root = markupTree([&](XMLFileWriter& w) { p.writeWithXMLWriter(w); });
  const auto runs = findAll(*root, "r");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(wAttr(find(*runs[0], "br"), "type"), "column");
  EXPECT_EQ(find(*runs[1], "t")->text, " ");
}

TEST(DocxParagraph, ScriptAppliesToTextRunsOnly) {
  QVDocxParagraph p({textRun("a", 0, 10, 12, 5)});
  p.runArray.push_back(QVDocxRunTab::RunTapWithTabPostion(1, 1));
  p.setRPropertyScrpit(1, 7.5);
  EXPECT_EQ(p.runArray[0]->rProperty.scrpit, 1);
  EXPECT_EQ(p.runArray[0]->rProperty.sz, 7.5f);
  EXPECT_EQ(p.runArray[1]->rProperty.scrpit, 0);
}

}  // namespace
