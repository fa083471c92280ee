// The geometry core of the page layouts: lines, line parts, blocks, columns
// and rows, with the Word policy and with a policy of the flowing pages, and
// its cost on pages of many runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "docx/QVPageLayoutCore.h"

namespace {

// A box whose em box is `height` high with the base line `down` above its
// bottom.
QVLayoutBox box(double left, double yBase, double width, double height = 10, uint32_t item = 0) {
  QVLayoutBox b;
  b.left = b.leftTop = left;
  b.yBase = yBase;
  b.top = yBase - 0.8 * height;
  b.bottom = yBase + 0.2 * height;
  b.width = width;
  b.item = item;
  return b;
}

std::vector<uint32_t> items(const std::vector<const QVLayoutBox*>& boxes) {
  std::vector<uint32_t> out;
  for (const QVLayoutBox* b : boxes) out.push_back(b->item);
  return out;
}

QVLinePart part(std::initializer_list<const QVLayoutBox*> boxes) { return QVLinePart(std::vector(boxes)); }

QVPageLayoutPolicy flowingPolicy() {
  QVPageLayoutPolicy p;
  p.touchingLinesJoin = true;
  p.columnExtent = QVPageLayoutPolicy::ColumnExtent::FirstAndLastPart;
  return p;
}

const QVPageLayoutCore kWord(QVPageLayoutPolicy::word());

TEST(PageLayoutLines, BaseLinesWithinOnePointShareALine) {
  std::vector<QVLayoutBox> boxes = {box(10, 100.0, 5, 10, 0), box(20, 100.6, 5, 10, 1), box(30, 101.2, 5, 10, 2)};
  const auto lines = kWord.lines(kWord.topOrder(boxes));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(items(lines[0]), testing::ElementsAre(0, 1));
  EXPECT_THAT(items(lines[1]), testing::ElementsAre(2));
}

TEST(PageLayoutLines, EqualKeysKeepTheOrderTheRunsWereMadeIn) {
  std::vector<QVLayoutBox> boxes = {box(50, 100, 5, 10, 0), box(10, 100, 5, 10, 1), box(10, 100, 5, 10, 2)};
  auto lines = kWord.lines(kWord.topOrder(boxes));
  ASSERT_EQ(lines.size(), 1u);
  QVPageLayoutCore::orderLeftToRight(lines[0]);
  EXPECT_THAT(items(lines[0]), testing::ElementsAre(1, 2, 0));
}

TEST(PageLayoutParts, RunsWithinOnePointOfTheLastEndContinueThePart) {
  QVLayoutBox a = box(0, 100, 50), joined = box(50.9, 100, 10), apart = box(51, 100, 10);
  EXPECT_EQ(QVPageLayoutCore::lineSection({&a, &joined}).size(), 1u);
  EXPECT_EQ(QVPageLayoutCore::lineSection({&a, &apart}).size(), 2u);
  QVLayoutBox overlapping = box(49.2, 100, 10);
  EXPECT_EQ(QVPageLayoutCore::lineSection({&a, &overlapping}).size(), 1u);
}

TEST(PageLayoutParts, RaisedRunsDoNotMoveThePartsBaseLine) {
  QVLayoutBox a = box(0, 100, 10), raised = box(10, 96, 5), low = box(15, 104, 5);
  raised.onBaseLine = false;
  low.onBaseLine = false;
  const QVLinePart p = part({&a, &raised, &low});
  EXPECT_EQ(p.minBaseLine, 100);
  EXPECT_EQ(p.maxBaseLine, 100);
  const QVLinePart first = part({&raised, &a});
  EXPECT_EQ(first.minBaseLine, 96);
}

TEST(PageLayoutBlocks, TouchingLinesSplitForWordAndJoinForTheFlowingPages) {
  QVLayoutBox upper = box(0, 100, 10), lower = box(0, 110, 10);
  ASSERT_EQ(upper.bottom, lower.top);
  std::vector<QVLineSection> sections = {QVPageLayoutCore::lineSection({&upper}),
                                         QVPageLayoutCore::lineSection({&lower})};
  EXPECT_EQ(kWord.blocks(sections).size(), 2u);
  EXPECT_EQ(QVPageLayoutCore(flowingPolicy()).blocks(sections).size(), 1u);
  QVLayoutBox overlapping = box(0, 109.9, 10);
  sections[1] = QVPageLayoutCore::lineSection({&overlapping});
  EXPECT_EQ(kWord.blocks(sections).size(), 1u);
}

TEST(PageLayoutBlocks, EmptyLineSectionMeasuresFromItsStartValues) {
  EXPECT_EQ(QVPageLayoutCore::topYOfLineSect({}), 90000.0);
  EXPECT_EQ(QVPageLayoutCore::bottomYOfLineSect({}), 0.0);
}

TEST(PageLayoutColumns, PartsWithinEightPointsOrABlankAndAHalfShareAColumn) {
  QVLayoutBox a = box(0, 100, 50, 6), b8 = box(58, 120, 10, 6), b801 = box(58.01, 120, 10, 6);
  const std::vector<QVLineSection> together = {QVPageLayoutCore::lineSection({&a}),
                                               QVPageLayoutCore::lineSection({&b8})};
  EXPECT_EQ(kWord.columns(together).size(), 1u);
  const std::vector<QVLineSection> apart = {QVPageLayoutCore::lineSection({&a}),
                                            QVPageLayoutCore::lineSection({&b801})};
  EXPECT_EQ(kWord.columns(apart).size(), 2u);
  // The word gap of large typewriter type; large letters half an em apart
  // in a proportional face (blanks of a quarter of it) stand apart.
  QVLayoutBox word = box(0, 100, 44, 19.2), next = box(58.6, 100, 44, 19.2);
  word.space = next.space = 14.64;
  EXPECT_EQ(kWord.columns({QVPageLayoutCore::lineSection({&word, &next})}).size(), 1u);
  QVLayoutBox big = box(60, 560, 100, 140), other = box(240, 560, 100, 140);
  big.space = other.space = 41.7;
  EXPECT_EQ(kWord.columns({QVPageLayoutCore::lineSection({&big, &other})}).size(), 2u);
}

TEST(PageLayoutRows, PartsWithinFivePointsOfTheFirstBaseLineFormARow) {
  QVLayoutBox a = box(100, 200, 10, 10, 0), b = box(0, 204.9, 10, 10, 1), c = box(50, 205, 10, 10, 2);
  const QVLayoutColumn column = {part({&a}), part({&b}), part({&c})};
  const auto rows = kWord.rows(column);
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[0].size(), 2u);
  EXPECT_EQ(rows[0][0].runs[0]->item, 1u);  // left to right
  EXPECT_EQ(rows[1][0].runs[0]->item, 2u);
}

TEST(PageLayoutColumnOrder, LinesAreContinuedWithinHalfTheTallerEm) {
  auto taken = [](double height0, double height1, double step) {
    QVLayoutBox a = box(0, 100, 10, height0), b = box(0, 100 + step, 10, height1);
    const QVLinePart p0 = part({&a}), p1 = part({&b});
    return QVPageLayoutCore::continuingParts({&p0, &p1}).size() == 2;
  };
  EXPECT_TRUE(taken(10, 10, 4.9));
  EXPECT_FALSE(taken(10, 10, 5.0));
  EXPECT_TRUE(taken(8, 12, 5.9));
  EXPECT_FALSE(taken(8, 12, 6.0));
  EXPECT_TRUE(taken(12, 8, -5.9));
}

TEST(PageLayoutColumnOrder, ALetterSetLowerStaysWithItsLineNotTheNext) {
  // Lines 12 apart whose em boxes are 11 high, each with a letter set 2.2
  // lower in its middle (as the E of a TeX logo): every line comes out
  // whole, left to right, before the next.
  std::vector<QVLayoutBox> boxes;
  for (uint32_t line = 0; line < 6; ++line) {
    const double y = 100 + 12.0 * line;
    boxes.push_back(box(72, y, 40, 11, 3 * line));
    boxes.push_back(box(112, y + 2.2, 6, 11, 3 * line + 1));
    boxes.push_back(box(118, y, 120, 11, 3 * line + 2));
  }
  QVLayoutColumn column;
  for (const QVLayoutBox& b : boxes) column.push_back(QVLinePart({&b}));
  kWord.orderColumn(column);
  for (uint32_t i = 0; i < column.size(); ++i) ASSERT_EQ(column[i].runs[0]->item, i);
}

TEST(PageLayoutColumnOrder, ALetterKernedIntoItsWordJoinsThePartItStandsIn) {
  // "and LT" then the A of the LaTeX logo, smaller and raised, kerned in
  // between the L and the T; and a label inside a large letter's box.
  QVLayoutBox text = box(72, 106, 29, 10, 0), a = box(91.45, 103.9, 5, 7, 1);
  QVLayoutBox letter = box(35, 240, 100, 139, 2), label = box(64, 238, 41, 11, 3);
  QVLayoutColumn column = {part({&text}), part({&a})};
  kWord.orderColumn(column);
  ASSERT_EQ(column.size(), 1u);
  EXPECT_EQ(column[0].maxBaseLine, 106);  // the line's own base line
  QVLayoutColumn apart = {part({&letter}), part({&label})};
  kWord.orderColumn(apart);
  EXPECT_EQ(apart.size(), 2u);
}

TEST(PageLayoutRows, LinesOfSmallTypeSetCloserThanTheToleranceAreRowsOfTheirOwn) {
  QVLayoutBox upper = box(311, 110, 40, 4.2, 0), lower = box(311, 115, 60, 4.2, 1);
  const auto rows = kWord.rows({part({&upper}), part({&lower})});
  EXPECT_EQ(rows.size(), 2u);
}

TEST(PageLayoutColumnOrder, DoubleSpacedColumnKeepsItsOrderAtAnyLength) {
  // Every line stands apart from the next, so each regrouping takes one
  // line: the column must still come out top to bottom, and quickly.
  std::vector<QVLayoutBox> boxes;
  for (uint32_t i = 0; i < 20000; ++i) boxes.push_back(box(72, 10 + 4.0 * i, 200, 1.5, i));
  const auto blocks = kWord.layout(boxes);
  ASSERT_EQ(blocks.size(), 20000u);
  QVLayoutColumn column;
  for (uint32_t i = 0; i < 20000; ++i) {
    QVLayoutBox* b = &boxes[19999 - i];
    column.push_back(QVLinePart({b}));
  }
  kWord.orderColumn(column);
  for (uint32_t i = 0; i < column.size(); ++i) ASSERT_EQ(column[i].runs[0]->item, i);
}

TEST(PageLayoutScale, TwentyThousandRunsOnOneLineAndInAGridAreGroupedInOnePass) {
  std::vector<QVLayoutBox> line;
  for (uint32_t i = 0; i < 20000; ++i) line.push_back(box(i * 6.0, 300, 5, 10, i));
  const auto one = kWord.layout(line);
  ASSERT_EQ(one.size(), 1u);
  ASSERT_EQ(one[0].columns.size(), 1u);
  EXPECT_EQ(one[0].columns[0].size(), 20000u);

  std::vector<QVLayoutBox> grid;
  for (uint32_t i = 0; i < 20000; ++i) grid.push_back(box((i % 200) * 30.0, (i / 200) * 12.0, 5, 10, i));
  const auto blocks = kWord.layout(grid);
  size_t parts = 0;
  for (const auto& b : blocks)
    for (const auto& c : b.columns) parts += c.size();
  EXPECT_EQ(parts, 20000u);
}

}  // namespace
