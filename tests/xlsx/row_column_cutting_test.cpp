// The list operations of the table reconstruction: bands, continuing lines
// and blocks, and how their runs are joined.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelSortUtilities.h"
#include "xlsx/QVExcelTempCell.h"
#include "xlsx/QVExcelTempRow.h"

namespace {

using Sort = QVExcelSortUtilities;
using xlsxtest::makeRun;

std::vector<std::string> texts(const QVExcelRunList& runs) {
  std::vector<std::string> out;
  for (const auto& run : runs) out.push_back(run->text);
  return out;
}

using Strings = std::vector<std::string>;

TEST(RowColumnCutting, SortingKeepsTheOrderOfEqualKeys) {
  const QVExcelRunList runs = {makeRun("c", 30, 100, 5), makeRun("a", 10, 120, 5), makeRun("b", 10, 100, 5),
                               makeRun("d", 10, 110, 5)};
  EXPECT_EQ(texts(Sort::SortRunTextsByX(runs)), (Strings{"a", "b", "d", "c"}));
  // By x, then by y: top to bottom, left to right among equal tops.
  EXPECT_EQ(texts(Sort::SortRunTextsByY(Sort::SortRunTextsByX(runs))), (Strings{"b", "c", "d", "a"}));
  EXPECT_EQ(texts(runs), (Strings{"c", "a", "b", "d"}));
}

TEST(RowColumnCutting, BandsJoinOverlapsAndDoNotStopAtAMiss) {
  // Row band: a top exactly on the band's baseline is outside it; a later
  // run can still join after one that did not.
  const QVExcelRunList rows = {makeRun("first", 10, 100, 20), makeRun("touching", 40, 110, 20),
                               makeRun("overlapping", 70, 109.9, 20)};
  EXPECT_EQ(texts(Sort::FindRunTextsCrossedInHeight(rows)), (Strings{"first", "overlapping"}));
  // Column band: touching edges are inside it; the band's edge grows.
  const QVExcelRunList columns = {makeRun("first", 10, 100, 20), makeRun("far", 60, 120, 10),
                                  makeRun("touching", 30, 140, 35), makeRun("now inside", 60, 160, 5)};
  EXPECT_EQ(texts(Sort::FindRunTextsCrossedInWidth(columns)), (Strings{"first", "touching", "now inside"}));
  EXPECT_TRUE(Sort::FindRunTextsCrossedInHeight({}).empty());
}

TEST(RowColumnCutting, ALineContinuesWithinTwoPointsOnTheSameBaselineAndProperties) {
  struct Case {
    double gap, baselineShift;
    const char* colour;
    bool joins;
  } cases[] = {{1.5, 0, "000000", true},  {2.0, 0, "000000", false}, {-1.9, 0, "000000", true},
               {0, 1.0, "000000", false}, {0, 0.9, "000000", true},  {0, 0, "ff0000", false}};
  for (const Case& c : cases) {
    auto a = makeRun("Hello", 10, 100, 30);
    auto b = makeRun("World", 40 + c.gap, 100 + c.baselineShift, 30);
    b->rPr.rgbColor = c.colour;
    const QVExcelRunList group = Sort::FindRunTextsMergedInWidth({a, b});
    EXPECT_EQ(group.size(), c.joins ? 2u : 1u) << "gap " << c.gap << " shift " << c.baselineShift;
  }
  auto a = makeRun("Hel", 10, 100, 20);
  auto b = makeRun("lo", 31.5, 100, 10);
  const QVExcelRunTextPtr joined = Sort::MergeRunTextsInWidth({a, b});
  EXPECT_EQ(joined, a);
  EXPECT_EQ(a->text, "Hello");
  EXPECT_DOUBLE_EQ(a->ctmInfo.xRight, 41.5);
  EXPECT_DOUBLE_EQ(a->textWidth, 30);
}

TEST(RowColumnCutting, ABlockContinuesWithLinesStartingLeftOfItsRightEdge) {
  struct Case {
    double left, top;
    bool joins;
  } cases[] = {{10, 103.5, true}, {10, 105.4, true}, {10, 105.5, false}, {48.9, 103.5, true}, {49.0, 103.5, false}};
  for (const Case& c : cases) {
    auto first = makeRun("first line", 10, 100, 40);
    auto next = makeRun("second", c.left, c.top + 10, 30);
    const QVExcelRunList group = Sort::FindRunTextsMergedInHeight({first, next});
    EXPECT_EQ(group.size(), c.joins ? 2u : 1u) << "left " << c.left << " top " << c.top;
  }
}

TEST(RowColumnCutting, WrappedLinesJoinWithOneBlankUnlessTheyMeetAtWhitespace) {
  QVExcelManager wrapping;  // layout option 0: cells wrap their text
  struct Case {
    const char* first;
    const char* second;
    const char* joined;
  } cases[] = {{"Area (sq", "km)", "Area (sq km)"},
               {"Area (sq ", "km)", "Area (sq km)"},
               {"Area (sq", " km)", "Area (sq km)"},
               {"", "km)", "km)"}};
  for (const Case& c : cases) {
    auto a = makeRun(c.first, 10, 100, 40);
    auto b = makeRun(c.second, 10, 112.5, 20);
    Sort::MergeRunTextsInHeight({a, b}, wrapping);
    EXPECT_EQ(a->text, c.joined);
  }

  QVExcelOptions middle;
  middle.excelFormatOption = 1;
  QVExcelManager lineFeeds;
  lineFeeds.setOptions(middle);
  auto a = makeRun("Area (sq", 20, 100, 40);
  auto b = makeRun("km)", 10, 112.5, 50);
  Sort::MergeRunTextsInHeight({a, b}, lineFeeds);
  EXPECT_EQ(a->text, "Area (sq\nkm)");
  EXPECT_DOUBLE_EQ(a->ctmInfo.yTop, 90);
  EXPECT_DOUBLE_EQ(a->ctmInfo.xLeft, 10);
  EXPECT_DOUBLE_EQ(a->ctmInfo.yBase, 112.5);
  EXPECT_DOUBLE_EQ(a->ctmInfo.xRight, 60);
  EXPECT_DOUBLE_EQ(a->textWidth, 50);
}

TEST(RowColumnCutting, CutTreesHaveFourLevelsWithJoinsOnlyInTheRowsFirstCut) {
  QVExcelManager manager;
  // One row band: a line of two continuing runs beside a two-line block.
  const QVExcelRunList runs = {makeRun("Hel", 10, 100, 20),  makeRun("lo", 31, 100, 10),
                               makeRun("Block", 100, 100, 40), makeRun("text", 100, 112.5, 20),
                               makeRun("Tall", 200, 106, 30)};
  QVExcelTempRow rowsFirst(runs);
  rowsFirst.creatTempCell1(manager);
  EXPECT_EQ(texts(rowsFirst.collectAllRunTexts()), (Strings{"Hello", "Block text", "Tall"}));
  const QVExcelNestedRuns nested = rowsFirst.dataStructureArray();
  ASSERT_EQ(nested.items.size(), 3u);  // column bands
  for (const QVExcelNestedRuns& cell : nested.items) {
    ASSERT_EQ(cell.items.size(), 1u);           // row bands
    ASSERT_EQ(cell.items[0].items.size(), 1u);  // leaf column bands
    EXPECT_TRUE(cell.items[0].items[0].isRunList());
  }

  QVExcelTempCell columnsFirst({makeRun("a", 10, 100, 20), makeRun("b", 11, 100, 20)});
  columnsFirst.creatTempRow2();
  EXPECT_EQ(texts(columnsFirst.collectAllRunTexts()), (Strings{"a", "b"}));
}

// Taking the groups of a list in turn is finding the first run's group,
// removing it, and starting again with what is left; on sorted lists it
// takes a shorter way, which must find the same groups.
TEST(RowColumnCutting, GroupsTakenInTurnAreThoseOfRepeatedFinds) {
  using Grouping = QVExcelSortUtilities::Grouping;
  const std::pair<Grouping, QVExcelRunList (*)(const QVExcelRunList&)> kinds[] = {
      {Grouping::RowBands, Sort::FindRunTextsCrossedInHeight},
      {Grouping::ColumnBands, Sort::FindRunTextsCrossedInWidth},
      {Grouping::LineContinuations, Sort::FindRunTextsMergedInWidth},
      {Grouping::BlockContinuations, Sort::FindRunTextsMergedInHeight}};
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    QVExcelRunList runs;
    for (int i = 0; i < 60; ++i) {
      // Few distinct positions and sizes, so that runs touch, overlap and
      // continue one another.
      auto run = makeRun(std::to_string(i), 3.0 * (random() % 20), 100 + 5.5 * (random() % 12), 2.0 + random() % 20);
      if (random() % 5 == 0) run->rPr.rgbColor = "ff0000";
      runs.push_back(run);
    }
    for (const QVExcelRunList& list : {runs, Sort::SortRunTextsByX(runs), Sort::SortRunTextsByY(runs)}) {
      for (const auto& [grouping, find] : kinds) {
        std::vector<Strings> expected;
        QVExcelRunList work = list;
        while (!work.empty()) {
          const QVExcelRunList group = find(work);
          expected.push_back(texts(group));
          std::erase_if(work, [&](const QVExcelRunTextPtr& r) { return std::count(group.begin(), group.end(), r); });
        }
        std::vector<Strings> found;
        for (const QVExcelRunList& group : Sort::FindGroupsInTurn(list, grouping)) found.push_back(texts(group));
        ASSERT_EQ(found, expected) << "round " << round << ", grouping " << static_cast<int>(grouping);
      }
    }
  }
}

}  // namespace
