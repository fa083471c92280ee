// The text of a page's CSV file: lines by row, fields placed by column,
// quoting, and the bytes of the file.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelPage.h"
#include "xlsx/QVExcelWriter.h"

namespace {

using xlsxtest::makeRun;

TEST(CsvText, FieldsAreQuotedWhenTheyHoldASeparatorALineBreakOrAQuote) {
  struct Case {
    const char* text;
    const char* field;
  } cases[] = {{"plain text", "plain text"},
               {"a,b", "\"a,b\""},
               {"a;b", "\"a;b\""},
               {"12\"", "\"12\"\"\""},
               {"say \"hi\", twice", "\"say \"\"hi\"\", twice\""},
               {"two\nlines", "\"two\nlines\""},
               {"carriage\rreturn", "\"carriage\rreturn\""},
               {"Name\tValue", "\"Name\tValue\""},
               {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(QVExcelPage::csvField(c.text), c.field) << c.text;
}

class CsvPageTest : public ::testing::Test {
 protected:
  QVExcelManager manager;
  QVExcelPage page{1, "/nonexistent", manager};

  void add(const std::string& text, double left, double baseline, double width) {
    page.allRunTextArray.push_back(makeRun(text, left, baseline, width));
  }
};

TEST_F(CsvPageTest, FieldsArePlacedByTheirColumnsAndEveryLineEndsWithALineFeed) {
  // Columns 1, 2 and 4 on the first line (column 3 is taken on the second).
  add("a", 10, 100, 20);
  add("b", 60, 100, 20);
  add("d", 160, 100, 20);
  add("x", 10, 120, 20);
  add("c", 110, 120, 20);
  const std::optional<std::string> csv = page.creatCSV();
  ASSERT_TRUE(csv);
  EXPECT_EQ(*csv, "a\tb\t\td\nx\t\tc\n");
}

TEST_F(CsvPageTest, RowsWithoutItemsGiveEmptyLines) {
  add("top", 10, 100, 20);
  // A blank item takes a row number but makes no field.
  add("   ", 10, 120, 20);
  add("bottom", 10, 140, 20);
  const std::optional<std::string> csv = page.creatCSV();
  ASSERT_TRUE(csv);
  EXPECT_EQ(*csv, "top\n\nbottom\n");
}

TEST_F(CsvPageTest, ATabInACellStaysInsideItsField) {
  add("Name\tValue", 10, 100, 40);
  add("next", 100, 100, 20);
  const std::optional<std::string> csv = page.creatCSV();
  ASSERT_TRUE(csv);
  EXPECT_EQ(xlsxtest::parseCsv(*csv), (std::vector<std::vector<std::string>>{{"Name\tValue", "next"}}));
}

// Two runs on one line where the one further left stands lower: the leaf
// gives the upper one the first column, while the cells come in the order
// of their left edges.
TEST_F(CsvPageTest, ARowsFieldsAreWrittenInColumnOrder) {
  add("second", 10, 101, 40);
  add("first", 20, 100, 40);
  const std::optional<std::string> csv = page.creatCSV();
  ASSERT_TRUE(csv);
  EXPECT_EQ(*csv, "first\tsecond\n");
}

TEST_F(CsvPageTest, RunsOfOneCellStandingApartAsWordsAreSeparated) {
  auto is = makeRun("is", 10, 100, 10);
  auto a = makeRun("a", 23, 100, 5);
  auto kerned = makeRun("b", 28.5, 100, 5);
  auto nextLine = makeRun("line", 10, 112, 20);
  for (const auto& run : {is, a, kerned, nextLine}) run->rowIndex = run->columnIndex = 1;
  const auto items = page.getStringItemsFromRuns({is, a, kerned, nextLine});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->content(), "is ab line");
}

TEST(CsvFile, IsUtf16LittleEndianWithAByteOrderMark) {
  const std::string data = QVExcelWriter::csvFileData("A\xC3\xA9\xF0\x9D\x84\x9E\n");  // A é 𝄞
  const std::string expected("\xFF\xFE"
                             "A\0"
                             "\xE9\0"
                             "\x34\xD8\x1E\xDD"
                             "\n\0",
                             12);
  EXPECT_EQ(data, expected);
}

}  // namespace
