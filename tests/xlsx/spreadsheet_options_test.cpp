// The questions the layout and the writers ask of a conversion's spreadsheet
// options, by layout option, and the state a new document starts from.
#include <gtest/gtest.h>

#include "xlsx/QVExcelManager.h"

namespace {

TEST(SpreadsheetOptions, EachLayoutOptionAnswersTheLayoutQuestions) {
  struct Row {
    uint64_t layout;
    bool numbers, fontName, fontSize, rowHeight, wrap, merge, special;
  } rows[] = {{0, true, false, false, false, true, true, false},
              {1, true, false, true, true, false, false, false},
              {2, false, true, true, true, false, false, true},
              {3, true, false, true, true, false, false, false}};
  for (const Row& row : rows) {
    QVExcelOptions options;
    options.excelFormatOption = row.layout;
    QVExcelManager m;
    m.setOptions(options);
    EXPECT_EQ(m.isNeedValidNumbers(), row.numbers) << row.layout;
    EXPECT_EQ(m.isNeedDefaultFontName(), row.fontName) << row.layout;
    EXPECT_EQ(m.isNeedDefaultFontSize(), row.fontSize) << row.layout;
    EXPECT_EQ(m.isNeedDefaultRowHeight(), row.rowHeight) << row.layout;
    EXPECT_EQ(m.isNeedWrapText(), row.wrap) << row.layout;
    EXPECT_EQ(m.isNeedMergeCells(), row.merge) << row.layout;
    EXPECT_EQ(m.isSpecialVersion(), row.special) << row.layout;
  }
}

TEST(SpreadsheetOptions, NoOptionsReadAsEveryOptionZero) {
  QVExcelManager m;
  m.setOptions(std::nullopt);
  EXPECT_EQ(m.thousandSepartor(), ",");
  EXPECT_TRUE(m.isNeedValidNumbers());
  EXPECT_TRUE(m.isNeedMergeCells());
  EXPECT_TRUE(m.isNeedWrapText());
  EXPECT_FALSE(m.isNeedCollectCGPaths());
  EXPECT_FALSE(m.isNeedCollectFills());
  EXPECT_FALSE(m.isAllInOneSheetEnabled());
}

TEST(SpreadsheetOptions, SeparatorsFillsAndTheStartOfADocument) {
  QVExcelOptions options;
  options.thousandSepartor = 1;
  options.collectFills = true;
  QVExcelManager m;
  m.setOptions(options);
  EXPECT_EQ(m.thousandSepartor(), ".");
  // Fills are collected only with the paths they come from.
  EXPECT_FALSE(m.isNeedCollectFills());
  options.collectCGPaths = true;
  options.thousandSepartor = 2;
  m.setOptions(options);
  EXPECT_TRUE(m.isNeedCollectFills());
  EXPECT_EQ(m.thousandSepartor(), ",");

  m.setAmountOfStringItems(12);
  m.reset();
  EXPECT_EQ(m.amountOfStringItems(), 0u);

  EXPECT_TRUE(QVExcelManager::isBlankSpace(""));
  EXPECT_TRUE(QVExcelManager::isBlankSpace("   "));
  EXPECT_FALSE(QVExcelManager::isBlankSpace("\t"));
  EXPECT_FALSE(QVExcelManager::isBlankSpace(" a "));
}

}  // namespace
