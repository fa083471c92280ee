// Pages' grids collected into one worksheet: each page goes on after the
// highest row or column used before it, and nothing goes past the last row
// or column a worksheet has.
#include <gtest/gtest.h>

#include "tests/support/fixtures.h"
#include "xlsx/QVExcelAIOSWriter.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelPage.h"

namespace {

// A page whose grid holds one cell per (row, column), rows and columns
// numbered as given, and the merged ranges given.
std::unique_ptr<QVExcelPage> pageWithCells(QVExcelManager& manager,
                                           const std::vector<std::pair<uint64_t, uint64_t>>& slots,
                                           const std::vector<QVMergedCell>& merges = {}) {
  auto page = std::make_unique<QVExcelPage>(1, "/nonexistent", manager);
  std::map<uint64_t, QVExcelRow> rows;
  std::map<uint64_t, QVExcelColumn> columns;
  for (const auto& [r, c] : slots) {
    auto cell = std::make_shared<QVExcelCell>();
    cell->stringItem = std::make_shared<QVExcelStringItem>();
    cell->stringItem->rowIndex = r;
    cell->stringItem->columnIndex = c;
    rows[r].setRowIndex(r);
    rows[r].cells.push_back(cell);
    rows[r].setFrame(platform::Rect(0, 0, 0, 10.0 * static_cast<double>(r)));
    columns[c].setColumnIndex(c);
    columns[c].cells.push_back(cell);
    columns[c].setFrame(platform::Rect(0, 0, 30.0 * static_cast<double>(c), 0));
  }
  for (auto& [r, row] : rows) page->sheetRows.push_back(std::move(row));
  for (auto& [c, column] : columns) page->columns.push_back(std::move(column));
  page->mergeCells = merges;
  return page;
}

std::vector<uint64_t> rowNumbers(const QVExcelAIOSWriter& writer) {
  std::vector<uint64_t> numbers;
  for (const QVExcelRow& row : writer.sheetRows) numbers.push_back(row.rowIndex());
  return numbers;
}

TEST(AllInOneSheet, StackedPagesGoOnBelowTheHighestRowUsed) {
  QVExcelManager manager;
  QVExcelAIOSWriter writer("/nonexistent");
  // Rows with a gap, and a range reaching below the last row.
  auto first = pageWithCells(manager, {{1, 1}, {3, 2}}, {{{3, 2}, {4, 2}}});
  auto second = pageWithCells(manager, {{1, 2}, {2, 1}}, {{{1, 2}, {2, 2}}});
  const QVExcelStringItemPtr moved = second->sheetRows[1].cells[0]->stringItem;
  writer.collectPageXMLToRow(*first);
  writer.collectPageXMLToRow(*second);
  EXPECT_EQ(rowNumbers(writer), (std::vector<uint64_t>{1, 3, 5, 6}));
  EXPECT_EQ(moved->rowIndex, 6u);
  ASSERT_EQ(writer.mergeCells.size(), 2u);
  EXPECT_EQ(writer.mergeCells[1].mergerCellInfo(), "B5:B6");
  // Columns of one number are one column, as wide as the wider.
  ASSERT_EQ(writer.columns.size(), 2u);
  EXPECT_EQ(writer.columns[1].frame().size.width, 60.0);

  // Rows past the last a worksheet has are left out, with their ranges.
  QVExcelAIOSWriter full("/nonexistent");
  auto low = pageWithCells(manager, {{QVExcelPage::kMaxSheetRows - 2, 1}});
  auto more = pageWithCells(manager, {{1, 1}, {2, 1}, {3, 1}}, {{{2, 1}, {3, 1}}});
  full.collectPageXMLToRow(*low);
  full.collectPageXMLToRow(*more);
  EXPECT_EQ(rowNumbers(full), (std::vector<uint64_t>{QVExcelPage::kMaxSheetRows - 2, QVExcelPage::kMaxSheetRows - 1,
                                                      QVExcelPage::kMaxSheetRows}));
  EXPECT_TRUE(full.mergeCells.empty());
}

TEST(AllInOneSheet, PagesSideBySideGoOnRightOfTheHighestColumnUsedAndStopAtTheLast) {
  QVExcelManager manager;
  QVExcelAIOSWriter writer("/nonexistent");
  auto first = pageWithCells(manager, {{1, 1}, {2, 3}});
  auto second = pageWithCells(manager, {{1, 1}, {1, 2}, {4, 1}}, {{{1, 2}, {2, 2}}});
  writer.collectPageXMLToColumn(*first);
  writer.collectPageXMLToColumn(*second);
  // Row 1 holds both pages' cells at the greater height; row 4 is new.
  ASSERT_EQ(rowNumbers(writer), (std::vector<uint64_t>{1, 2, 4}));
  ASSERT_EQ(writer.sheetRows[0].cells.size(), 3u);
  EXPECT_EQ(writer.sheetRows[0].cells[1]->stringItem->columnIndex, 4u);
  EXPECT_EQ(writer.sheetRows[0].cells[2]->stringItem->columnIndex, 5u);
  EXPECT_EQ(writer.sheetRows[0].frame().size.height, 10.0);
  EXPECT_EQ(writer.mergeCells.at(0).mergerCellInfo(), "E1:E2");

  // A page beside one that reaches column 16,380 keeps four columns.
  QVExcelAIOSWriter wide("/nonexistent");
  auto right = pageWithCells(manager, {{1, QVExcelPage::kMaxSheetColumns - 4}});
  auto beside = pageWithCells(manager, {{1, 1}, {1, 4}, {1, 5}, {1, 6}, {2, 6}}, {{{2, 4}, {2, 6}}});
  wide.collectPageXMLToColumn(*right);
  wide.collectPageXMLToColumn(*beside);
  ASSERT_EQ(wide.columns.size(), 3u);
  EXPECT_EQ(wide.columns.back().columnIndex(), QVExcelPage::kMaxSheetColumns);
  ASSERT_EQ(wide.sheetRows.size(), 1u);
  EXPECT_EQ(wide.sheetRows[0].cells.size(), 3u);
  EXPECT_EQ(wide.sheetRows[0].cells.back()->stringItem->columnIndex, QVExcelPage::kMaxSheetColumns);
  EXPECT_TRUE(wide.mergeCells.empty());
}

}  // namespace
