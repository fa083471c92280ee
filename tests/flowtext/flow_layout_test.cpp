// The flowing-text page layout and writing pass, driven through a markup that
// writes plain tags, so that what a page writes can be read directly.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "flowtext/QVFlowTextFileWriter.h"
#include "flowtext/QVFlowTextPage.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace {

// Paragraphs open with "\n[P]", runs write their text.
class TagMarkup : public QVFlowTextMarkup {
 public:
  explicit TagMarkup(const std::string& path) : writer_(path, "   ", "<br>") {}
  QVFlowTextFileWriter& bodyWriter() override { return writer_; }
  void writeNewLine(QVFlowParagraph&) override { writer_.write("\n[P]"); }
  void writeRun(const QVFlowRunText& run) override { writer_.writeContent(run.runText); }
  void endPage() override { writer_.write("[END]"); }
  std::string text() {
    writer_.closeFile();
    return *platform::fs::readFile(writer_.textPath());
  }

 private:
  QVFlowTextFileWriter writer_;
};

// An upright run whose em box (descent to ascent) is 1.3 times its size high,
// with its bottom at `bottom`.
std::shared_ptr<QVFlowRunText> run(const std::string& text, double x, double bottom, double width, double size = 12) {
  auto r = std::make_shared<QVFlowRunText>();
  r->runText = text;
  r->textWidth = width;
  r->spaceWidth = size / 4;
  r->rProperty.sz = static_cast<float>(size);
  r->ctmInfo.topLeft = {x, bottom - 1.3 * size};
  r->ctmInfo.bottomLeft = {x, bottom};
  r->ctmInfo.yBase = bottom - size * 0.2;
  r->ctmInfo.fontSize = {size, size};
  return r;
}

struct PageFixture : ::testing::Test {
  qvtest::TempDir dir;
  TagMarkup markup{dir.file("body.txt").string()};
  QVFlowTextPage page{markup, {612, 792}, true};

  std::string write() {
    page.begainWritePage(1);
    page.endWritePage(1);
    return markup.text();
  }
};

}  // namespace

TEST_F(PageFixture, ColumnOneIsWrittenBeforeColumnTwo) {
  // Read across, the lines alternate between the columns.
  for (int i = 0; i < 3; ++i) {
    page.allRunTextArray.push_back(run("left" + std::to_string(i), 72, 80 + 14 * i, 150));
    page.allRunTextArray.push_back(run("right" + std::to_string(i), 320, 80 + 14 * i, 150));
  }
  EXPECT_EQ(write(), "\n[P]left0\n[P]left1\n[P]left2\n[P]right0\n[P]right1\n[P]right2[END]");
}

TEST_F(PageFixture, PartsOfOneRowShareAParagraphWithAJoiningBlank) {
  page.allRunTextArray.push_back(run("Name", 72, 80, 30));
  page.allRunTextArray.push_back(run("Value", 106, 80, 30));  // 4 points on: a part of its own
  page.allRunTextArray.push_back(run("Same", 72, 94, 24));
  page.allRunTextArray.push_back(run("part", 96.5, 94, 24));  // 0.5 on: continues the part
  EXPECT_EQ(write(), "\n[P]Name Value\n[P]Samepart[END]");
}

TEST_F(PageFixture, LineBesideALargeHeadingKeepsItsText) {
  // A 40-point initial, then a small line whose bottom lies far above the
  // initial's: its row overlaps the one above by more than a line height.
  page.allRunTextArray.push_back(run("W", 72, 120, 30, 40));
  page.allRunTextArray.push_back(run("hen in the course", 110, 80, 100));
  page.allRunTextArray.push_back(run("of human events", 110, 94, 100));
  const std::string body = write();
  EXPECT_NE(body.find("hen in the course"), std::string::npos) << body;
  EXPECT_NE(body.find("of human events"), std::string::npos) << body;
  EXPECT_NE(body.find("W"), std::string::npos) << body;
}

TEST_F(PageFixture, AtMostOneBlankParagraphBetweenTextParagraphs) {
  page.allRunTextArray.push_back(run("top", 72, 80, 20));
  page.allRunTextArray.push_back(run("bottom", 72, 400, 40));
  EXPECT_EQ(write(), "\n[P]top\n[P]<br>\n[P]bottom[END]");
}

TEST_F(PageFixture, ParagraphsOnOneOutputLineAreJoinedByBlanks) {
  // Two columns whose last runs' base lines are within 2 points (77.6 and
  // 79.1): one output line.
  page.allRunTextArray.push_back(run("a", 72, 80, 10));
  page.allRunTextArray.push_back(run("b", 100, 79.7, 10, 3));
  // 18 points at a space width of 0.75: 24 blanks.
  EXPECT_EQ(write(), "\n[P]a" + std::string(24, ' ') + "b[END]");
}

TEST_F(PageFixture, PageWithoutRunsWritesNothing) {
  EXPECT_EQ(write(), "");
  EXPECT_EQ(page.textMargin().left, static_cast<float>(QVFlowTextPage::kNoLeftMargin));
}

TEST(FlowTextCounts, BlankParagraphsOfAGap) {
  QVDocx_RPr r;
  r.sz = 20;
  const auto two = QVFlowParagraph::BankParagraph(50, 12, 0, r, {});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_FLOAT_EQ(two[0].pProperty.spacing.line, 25.0f);
  EXPECT_EQ(QVFlowParagraph::BankParagraph(5, 12, 0, r, {}).size(), 1u);
  // Broken geometry fills nothing; a huge gap is capped.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(QVFlowParagraph::BankParagraph(inf, 12, 0, r, {}).empty());
  EXPECT_TRUE(QVFlowParagraph::BankParagraph(std::nan(""), 12, 0, r, {}).empty());
  EXPECT_TRUE(QVFlowParagraph::BankParagraph(-40, 12, 0, r, {}).empty());
  EXPECT_EQ(QVFlowParagraph::BankParagraph(1e300, 12, 0, r, {}, 7).size(), 7u);
}

TEST_F(PageFixture, BlanksOfAGapAreBoundedByThePage) {
  EXPECT_EQ(page.blanksForGap(6.0, 3.0), 2);
  EXPECT_EQ(page.blanksForGap(6.01, 3.0), 3);
  EXPECT_EQ(page.blanksForGap(6.0, 0.0), 0);
  EXPECT_EQ(page.blanksForGap(6.0, -1.0), 0);
  EXPECT_EQ(page.blanksForGap(std::nan(""), 3.0), 0);
  EXPECT_EQ(page.blanksForGap(1e30, 1e-30), page.maxBlanks());
  EXPECT_LE(page.maxBlanks(), 792);
}

TEST(FlowTextFileWriter, AtMostFiveLineBreaksInARow) {
  qvtest::TempDir dir;
  const std::string path = dir.file("w.txt").string();
  QVFlowTextFileWriter w(path, "    ", "\n");
  for (int i = 0; i < 8; ++i) w.writeLinebreak();
  w.write("x");
  for (int i = 0; i < 3; ++i) w.writeLinebreak();
  for (int i = 0; i < 3; ++i) w.writeIndentation();
  w.writeData("\n\n");
  w.closeFile();
    // Three line breaks and two indentations make five: the third indentation is dropped.
  EXPECT_EQ(*platform::fs::readFile(path), "\n\n\n\n\nx\n\n\n        \n\n");
}

TEST(FlowTextFileWriter, FailedWriteIsAnError) {
  EXPECT_THROW(QVFlowTextFileWriter("/nonexistent-folder/x.html", "   ", "<br>"), QVFlowTextWriteError);
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  QVFlowTextFileWriter w("/dev/full", "   ", "<br>");
  w.write("text");
  EXPECT_THROW(w.closeFile(), QVFlowTextWriteError);
}
