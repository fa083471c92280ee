// Rows, columns and spans of a page's runs, as the table reconstruction
// gives them, on tables laid out by hand.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelPage.h"

namespace {

using xlsxtest::makeRun;

struct Slot {
  uint64_t row, column, rowLength, columnLength;
  bool operator==(const Slot&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Slot& s) {
  return os << "(row " << s.row << ", column " << s.column << ", +" << s.rowLength << " rows, +" << s.columnLength
            << " columns)";
}

class TableTest : public ::testing::Test {
 protected:
  QVExcelManager manager;
  QVExcelPage page{1, "/nonexistent", manager};

  void add(const std::string& text, double left, double baseline, double width, double size = 10.0) {
    page.allRunTextArray.push_back(makeRun(text, left, baseline, width, size));
  }
  // The slot of every run after typesetting, by text.
  std::map<std::string, Slot> typeset() {
    page.typesetRunTexts();
    std::map<std::string, Slot> slots;
    for (const auto& run : page.allRunTextArray)
      slots[run->text] = {run->rowIndex, run->columnIndex, run->rowLength, run->columnLength};
    return slots;
  }
};

TEST_F(TableTest, APageWithoutRunsHasNoBandsAndNoItems) {
  page.typesetRunTexts();
  EXPECT_TRUE(page.allTempRowArray.empty());
  EXPECT_TRUE(page.allTempCellArray.empty());
  EXPECT_TRUE(page.getStringItemsFromRuns(page.allRunTextArray).empty());
  EXPECT_FALSE(page.creatCSV().has_value());
}

TEST_F(TableTest, AGridOfSingleLineCellsNumbersRowsAndColumnsWithoutSpans) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) add("r" + std::to_string(r) + "c" + std::to_string(c), 10 + 50.0 * c, 100 + 20.0 * r, 30);
  const auto slots = typeset();
  ASSERT_EQ(slots.size(), 12u);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(slots.at("r" + std::to_string(r) + "c" + std::to_string(c)),
                (Slot{static_cast<uint64_t>(r + 1), static_cast<uint64_t>(c + 1), 0, 0}));
}

TEST_F(TableTest, AHeadingOverTwoCellsSpansBothColumns) {
  add("Heading", 10, 100, 80);
  add("Left", 10, 120, 30);
  add("Right", 60, 120, 30);
  const auto slots = typeset();
  EXPECT_EQ(slots.at("Heading"), (Slot{1, 1, 0, 1}));
  EXPECT_EQ(slots.at("Left"), (Slot{2, 1, 0, 0}));
  EXPECT_EQ(slots.at("Right"), (Slot{2, 2, 0, 0}));
}

// A table with a merged heading over two columns of right-aligned numbers
// (their left edges ragged), and a left-aligned column of names of every
// width.
TEST_F(TableTest, MergedHeadingNumberColumnsAndARaggedColumn) {
  add("Region", 10, 100, 40);
  add("Sales", 100, 100, 90);
  add("2022", 110, 120, 25);
  add("2023", 160, 120, 25);
  add("North", 10, 140, 30);
  add("1,234", 112, 140, 28);
  add("987", 170, 140, 20);
  add("South-East", 10, 160, 60);
  add("56", 128, 160, 12);
  add("12,345", 160, 160, 30);
  add("W", 10, 180, 8);
  add("7", 134, 180, 6);
  add("5", 184, 180, 6);
  const auto slots = typeset();
  const std::map<std::string, Slot> expected = {
      {"Region", {1, 1, 0, 0}}, {"Sales", {1, 2, 0, 1}},     {"2022", {2, 2, 0, 0}}, {"2023", {2, 3, 0, 0}},
      {"North", {3, 1, 0, 0}},  {"1,234", {3, 2, 0, 0}},     {"987", {3, 3, 0, 0}},  {"South-East", {4, 1, 0, 0}},
      {"56", {4, 2, 0, 0}},     {"12,345", {4, 3, 0, 0}},    {"W", {5, 1, 0, 0}},    {"7", {5, 2, 0, 0}},
      {"5", {5, 3, 0, 0}}};
  EXPECT_EQ(slots, expected);

  const std::optional<std::string> csv = page.creatCSV();
  ASSERT_TRUE(csv);
  EXPECT_EQ(xlsxtest::parseCsv(*csv),
            (std::vector<std::vector<std::string>>{{"Region", "Sales"},
                                                   {"", "2022", "2023"},
                                                   {"North", "1,234", "987"},
                                                   {"South-East", "56", "12,345"},
                                                   {"W", "7", "5"}}));
}

TEST_F(TableTest, ARunReachingIntoTheNextRowSpansItOnlyWhenTheSlotBelowIsFree) {
  // The first column's run has a deep bottom that reaches below the top of
  // the next row; the slot below it is free. The second column's is the same
  // with a run below it.
  add("deep", 10, 100, 30);
  add("deep too", 60, 100, 30);
  add("below", 60, 120, 30);
  page.allRunTextArray[0]->ctmInfo.yBottom = 115;
  page.allRunTextArray[1]->ctmInfo.yBottom = 115;
  const auto slots = typeset();
  EXPECT_EQ(slots.at("deep"), (Slot{1, 1, 1, 0}));
  EXPECT_EQ(slots.at("deep too"), (Slot{1, 2, 0, 0}));
  EXPECT_EQ(slots.at("below"), (Slot{2, 2, 0, 0}));
}

TEST_F(TableTest, TwoLinesOfACellJoinOnlyWhenANeighbourBindsThemIntoOneRowBand) {
  // "Country" sits between the two lines of the heading beside it, so the
  // three fall into one row band and the two lines become one cell.
  add("Area (sq", 100, 100, 40);
  add("km)", 100, 112.5, 18);
  add("Country", 10, 106, 40);
  const auto joined = typeset();
  ASSERT_EQ(joined.count("Area (sq km)"), 1u);
  EXPECT_EQ(joined.at("Area (sq km)"), (Slot{1, 2, 0, 0}));
  EXPECT_EQ(joined.at("Country"), (Slot{1, 1, 0, 0}));
}

TEST_F(TableTest, TwoLinesAloneStayTwoRows) {
  add("Area (sq", 100, 100, 40);
  add("km)", 100, 112.5, 18);
  const auto slots = typeset();
  EXPECT_EQ(slots.at("Area (sq"), (Slot{1, 1, 0, 0}));
  EXPECT_EQ(slots.at("km)"), (Slot{2, 1, 0, 0}));
}

TEST_F(TableTest, LinesOfDifferentColoursInOneBandStayTwoRunsUpperFirst) {
  add("Country", 10, 106, 40);
  add("Upper", 100, 100, 40);
  add("Lower", 100, 112.5, 40);
  page.allRunTextArray.back()->rPr.rgbColor = "ff0000";
  const auto slots = typeset();
  EXPECT_EQ(slots.at("Upper").row + 1, slots.at("Lower").row);
  EXPECT_EQ(slots.at("Upper").column, slots.at("Lower").column);
}

TEST_F(TableTest, WrappedLinesAreJoinedWithALineFeedWhenCellsDoNotWrap) {
  QVExcelOptions options;
  options.excelFormatOption = 1;
  manager.setOptions(options);
  add("Area (sq", 100, 100, 40);
  add("km)", 100, 112.5, 18);
  add("Country", 10, 106, 40);
  EXPECT_EQ(typeset().count("Area (sq\nkm)"), 1u);
}

// A big run and a small one standing inside it on another baseline form one
// leaf: its runs are numbered from the last to the first.
TEST_F(TableTest, StackedRunsOfOneLeafAreNumberedFromTheLast) {
  add("Big", 10, 100, 50, 20);
  add("small", 20, 95, 20, 8);
  const auto slots = typeset();
  EXPECT_EQ(slots.at("small").row, 1u);
  EXPECT_EQ(slots.at("Big").row, 2u);
}

TEST_F(TableTest, RunsOfOneSlotMakeOneItemAndBlankItemsAreDropped) {
  auto a = makeRun("ab", 10, 100, 20);
  auto b = makeRun("cd", 30, 100, 20);
  auto blank = makeRun("   ", 60, 100, 20);
  auto empty = makeRun("", 90, 100, 20);
  auto tab = makeRun("\t", 120, 100, 20);
  a->rowIndex = b->rowIndex = blank->rowIndex = empty->rowIndex = tab->rowIndex = 1;
  a->columnIndex = b->columnIndex = 1;
  blank->columnIndex = 2;
  empty->columnIndex = 3;
  tab->columnIndex = 4;
  const auto items = page.getStringItemsFromRuns({a, blank, b, empty, tab});
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->columnIndex, 1u);
  EXPECT_EQ(items[0]->textRuns.size(), 2u);
  EXPECT_EQ(items[0]->content(), "abcd");
  EXPECT_EQ(items[1]->content(), "\t");
}

// The spans as defined: for k = the run's row (column), the next one, ...
// below the number of rows (columns), until the run ends above the top
// (left) of the k-th row (column) in the order of their first runs, the span
// grows while the slot just past it holds no run.
TEST_F(TableTest, SpansAreTheFreeRowsAndColumnsTheRunReachesInto) {
  std::mt19937 random(11);
  int spanning = 0;
  for (int round = 0; round < 20; ++round) {
    page.allRunTextArray.clear();
    for (int i = 0; i < 80; ++i) {
      add(std::to_string(i), 12.0 * (random() % 30), 100 + 7.0 * (random() % 25), 5.0 + random() % 60);
      if (random() % 4 == 0) page.allRunTextArray.back()->ctmInfo.yBottom += 5.0 * (random() % 8);
    }
    page.typesetRunTexts();
    std::vector<float> tops, lefts;
    for (const auto& group : page.creatRowArray()) {
      double top = group.front()->ctmInfo.yTop;
      for (const auto& r : group) top = std::min(top, r->ctmInfo.yTop);
      tops.push_back(static_cast<float>(top));
    }
    for (const auto& group : page.creatColumnArray()) {
      double left = group.front()->ctmInfo.xLeft;
      for (const auto& r : group) left = std::min(left, r->ctmInfo.xLeft);
      lefts.push_back(static_cast<float>(left));
    }
    auto taken = [&](uint64_t row, uint64_t column) {
      return std::any_of(page.allRunTextArray.begin(), page.allRunTextArray.end(),
                         [&](const QVExcelRunTextPtr& r) { return r->rowIndex == row && r->columnIndex == column; });
    };
    for (const auto& run : page.allRunTextArray) {
      uint64_t rowLength = 0, columnLength = 0;
      for (uint64_t k = run->rowIndex; k < tops.size(); ++k) {
        if (run->ctmInfo.yBottom <= tops[k]) break;
        if (!taken(run->rowIndex + rowLength + 1, run->columnIndex)) ++rowLength;
      }
      for (uint64_t k = run->columnIndex; k < lefts.size(); ++k) {
        if (run->ctmInfo.xRight <= lefts[k]) break;
        if (!taken(run->rowIndex, run->columnIndex + columnLength + 1)) ++columnLength;
      }
      ASSERT_EQ(run->rowLength, rowLength) << "round " << round << ", run " << run->text;
      ASSERT_EQ(run->columnLength, columnLength) << "round " << round << ", run " << run->text;
      if (rowLength > 0 || columnLength > 0) ++spanning;
    }
  }
  EXPECT_GT(spanning, 100);
}

TEST_F(TableTest, AStaircaseOfRunsIsTooLargeForACSVFile) {
  // Every run on a row and a column of its own: a tab per row and column.
  for (int i = 0; i < 7000; ++i) add("w", 0.5 * i, 0.5 * i, 10);
  EXPECT_THROW(page.creatCSV(), std::runtime_error);
}

// The first run's text ends right of where the run starts (a string drawn
// with a negative advance), and the run stands alone in a column of its own
// before the column of a run to its right: each pass of the column
// correction moves it on to yet another column of its own.
void addRunThatKeepsMovingRight(QVExcelPage& page) {
  page.allRunTextArray.push_back(makeRun("Heading", 90, 100, 110));
  page.allRunTextArray.push_back(makeRun("Y", 95, 118, 105));
  page.allRunTextArray.push_back(makeRun("X", 105, 119, 55));
  auto backwards = makeRun("ABC", 100, 121, -60);
  page.allRunTextArray.push_back(backwards);
  page.allRunTextArray.push_back(makeRun("Z", 110, 140, 20));
  page.allRunTextArray[1]->ctmInfo.yTop = 108;
  page.allRunTextArray[2]->ctmInfo.yTop = 109;
  page.allRunTextArray[3]->ctmInfo.yTop = 111;
}

TEST_F(TableTest, TheColumnCorrectionEndsOnARunThatKeepsMovingRight) {
  addRunThatKeepsMovingRight(page);
  // In a child, so that a correction that never ends fails the test rather
  // than holding up the suite.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(120);
    page.typesetRunTexts();
    uint64_t largest = 0;
    for (const auto& run : page.allRunTextArray) largest = std::max(largest, run->columnIndex);
    _exit(largest <= page.allRunTextArray.size() + 3 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the typesetting did not end";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(TableTest, TheColumnCorrectionMovesARunPastTheNextColumnStart) {
  // "wide" starts right of the narrow run above it and its centre lies past
  // the start of the next column: it moves one column on.
  auto narrow = makeRun("n", 10, 100, 10);
  auto wide = makeRun("wide", 30, 120, 60);
  auto next = makeRun("next", 50, 140, 20);
  narrow->columnIndex = wide->columnIndex = 1;
  next->columnIndex = 2;
  page.allRunTextArray = {narrow, wide, next};
  page.correctColumnNumber();
  EXPECT_EQ(narrow->columnIndex, 1u);
  EXPECT_EQ(wide->columnIndex, 2u);
  EXPECT_EQ(next->columnIndex, 2u);
}

}  // namespace
