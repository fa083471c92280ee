// Rows, columns, cells and merged ranges of a sheet, and the worksheet
// elements they write.
#include <gtest/gtest.h>

#include "convert/xml/XMLFileWriter.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/xlsx/csv_support.h"
#include "xlsx/QVExcelColumn.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelRow.h"
#include "xlsx/QVExcelUtilities.h"
#include "xlsx/QVMergedCell.h"

namespace {

TEST(GridModel, ColumnLetters) {
  const std::pair<int64_t, const char*> letters[] = {{1, "A"},    {26, "Z"},     {27, "AA"},   {28, "AB"},
                                                     {52, "AZ"},  {702, "ZZ"},   {703, "AAA"}, {16384, "XFD"}};
  for (const auto& [number, name] : letters) {
    EXPECT_EQ(QVExcelUtilities::getColumnName(number), name);
    EXPECT_EQ(QVExcelUtilities::getColumnNumber(name), number);
  }
  EXPECT_FALSE(QVExcelUtilities::getColumnName(0));
  EXPECT_FALSE(QVExcelUtilities::getColumnName(-3));
  EXPECT_EQ(QVExcelUtilities::getColumnNumber(""), 0);
}

TEST(GridModel, MergedRangesAndRenumberedRowsMoveTheirItems) {
  EXPECT_EQ((QVMergedCell{{2, 1}, {3, 2}}).mergerCellInfo(), "A2:B3");
  EXPECT_EQ((QVMergedCell{{1, 28}, {1, 30}}).mergerCellInfo(), "AB1:AD1");

  auto item = std::make_shared<QVExcelStringItem>();
  auto cell = std::make_shared<QVExcelCell>();
  cell->stringItem = item;
  QVExcelRow row;
  row.cells.push_back(cell);
  row.setRowIndex(7);
  QVExcelColumn column;
  column.cells.push_back(cell);
  column.setColumnIndex(3);
  EXPECT_EQ(item->rowIndex, 7u);
  EXPECT_EQ(item->columnIndex, 3u);
}

TEST(GridModel, RowsColumnsAndCellsWriteTheirElements) {
  qvtest::TempDir dir;
  const std::string path = dir.file("sheet.xml").string();
  auto text = std::make_shared<QVExcelCell>();
  text->stringItem = std::make_shared<QVExcelStringItem>();
  text->styleIndex = 4;
  text->cellValue = "12";
  auto empty = std::make_shared<QVExcelCell>();
  empty->stringItem = std::make_shared<QVExcelStringItem>();
  QVExcelRow row;
  row.cells = {text, empty};
  row.setHeight(20);
  QVExcelColumn column;
  column.cells = {text};
  column.setColumnIndex(3);
  column.setWidth(60);
  row.setRowIndex(7);
  {
    QVExcelManager manager;
    XMLFileWriter w(path);
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.writeStartElement("sheet");
    column.writeXML(w);
    row.writeXML(w, manager);
    w.writeEndDocument();
  }
  const std::string xml = platform::fs::readFile(path).value_or("");
  auto tree = qvtest::parseXml(xml);
  ASSERT_TRUE(tree) << xml;
  ASSERT_EQ(tree->children.size(), 2u);
  const qvtest::XmlElement& col = *tree->children[0];
  EXPECT_EQ(col.attr("min"), "3");
  EXPECT_EQ(col.attr("max"), "3");
  EXPECT_EQ(col.attr("width"), "22");
  EXPECT_EQ(col.attr("customWidth"), "1");
  const qvtest::XmlElement& r = *tree->children[1];
  EXPECT_EQ(r.attr("r"), "7");
  EXPECT_EQ(r.attr("spans"), "3:3");
  EXPECT_EQ(r.attr("ht"), "22.00");
  EXPECT_EQ(r.attr("customHeight"), "1");
  ASSERT_EQ(r.children.size(), 2u);
  EXPECT_EQ(r.children[0]->attr("r"), "C7");
  EXPECT_EQ(r.children[0]->attr("s"), "4");
  EXPECT_EQ(r.children[0]->attr("t"), "s");
  ASSERT_EQ(r.children[0]->children.size(), 1u);
  EXPECT_EQ(r.children[0]->children[0]->text, "12");
  EXPECT_FALSE(r.children[1]->attr("s"));
  EXPECT_TRUE(r.children[1]->children.empty());
}

}  // namespace
