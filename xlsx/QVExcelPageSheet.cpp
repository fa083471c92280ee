// The worksheet of a spreadsheet page: its cells, rows, columns and merged
// ranges, and the worksheet part.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelNumber.h"
#include "xlsx/QVExcelPage.h"

namespace {

bool overlaps(const QVMergedCell& a, const QVMergedCell& b) {
  return a.start.r <= b.end.r && b.start.r <= a.end.r && a.start.c <= b.end.c && b.start.c <= a.end.c;
}

// The merged ranges in order, each left out when it overlaps one taken
// before it (a worksheet with overlapping ranges does not open) or covers a
// cell other than its first (whose text the range would hide).
class MergeList {
 public:
  explicit MergeList(const std::vector<QVExcelStringItemPtr>& items) {
    for (const QVExcelStringItemPtr& item : items) columnsOfRow_[item->rowIndex].push_back(item->columnIndex);
    for (auto& [row, columns] : columnsOfRow_) std::sort(columns.begin(), columns.end());
  }
  void add(const QVMergedCell& range) {
    for (const QVMergedCell& taken : ranges_)
      if (overlaps(taken, range)) return;
    if (coversAnotherCell(range)) return;
    ranges_.push_back(range);
  }
  std::vector<QVMergedCell> take() { return std::move(ranges_); }

 private:
  bool coversAnotherCell(const QVMergedCell& range) const {
    for (uint64_t r = range.start.r; r <= range.end.r; ++r) {
      const auto row = columnsOfRow_.find(r);
      if (row == columnsOfRow_.end()) continue;
      for (auto c = std::lower_bound(row->second.begin(), row->second.end(), range.start.c);
           c != row->second.end() && *c <= range.end.c; ++c)
        if (QVPoint{r, *c} != range.start) return true;
    }
    return false;
  }

  std::unordered_map<uint64_t, std::vector<uint64_t>> columnsOfRow_;
  std::vector<QVMergedCell> ranges_;
};

const QVExcelStringItem& itemOf(const QVExcelCellPtr& cell) { return *cell->stringItem; }

}  // namespace

void QVExcelPage::creatSheet() {
  typesetRunTexts();
  const bool merge = manager_.isNeedMergeCells();
  const std::vector<QVExcelStringItemPtr> items = getStringItemsFromRuns(allRunTextArray);

  uint64_t maxRow = 0, maxColumn = 0;
  MergeList merges(items);
  std::vector<QVExcelCellPtr> cells;
  cells.reserve(items.size());
  for (const QVExcelStringItemPtr& item : items) {
    item->calculatStringItemInfo();
    if (item->rowIndex < 1 || item->rowIndex > kMaxSheetRows || item->columnIndex < 1 ||
        item->columnIndex > kMaxSheetColumns)
      continue;
    maxRow = std::max(maxRow, item->rowIndex);
    maxColumn = std::max(maxColumn, item->columnIndex);
    if (merge && (item->rowLength != 0 || item->columnLength != 0)) {
      const QVPoint end{std::min(item->rowIndex + item->rowLength, kMaxSheetRows),
                        std::min(item->columnIndex + item->columnLength, kMaxSheetColumns)};
      if (end != QVPoint{item->rowIndex, item->columnIndex}) merges.add({{item->rowIndex, item->columnIndex}, end});
    }
    cells.push_back(createCellWithStringItem(item));
  }
  if (maxRow == 0 || maxColumn == 0) return;

  // Rows: each row's top is its highest item, its bottom the lowest item
  // that stays in it.
  std::vector<std::vector<QVExcelCellPtr>> byRow(maxRow + 1), byColumn(maxColumn + 1);
  for (const QVExcelCellPtr& cell : cells) {
    byRow[itemOf(cell).rowIndex].push_back(cell);
    byColumn[itemOf(cell).columnIndex].push_back(cell);
  }
  std::vector<QVExcelRow> rows;
  for (uint64_t r = 1; r <= maxRow; ++r) {
    if (byRow[r].empty()) continue;
    QVExcelRow row;
    row.setRowIndex(r);
    double top = std::numeric_limits<double>::max(), bottom = 0;
    for (const QVExcelCellPtr& cell : byRow[r]) {
      const QVExcelStringItem& item = itemOf(cell);
      top = std::min(top, item.itemInfo.displayY);
      if (item.rowLength == 0) bottom = std::max(bottom, item.itemInfo.displayY + item.itemInfo.displayHeight);
    }
    const double height = bottom - top;
    row.setFrame(platform::Rect(0, top, 0, height < 13.5 ? 13.5 : height));
    row.cells = std::move(byRow[r]);
    rows.push_back(std::move(row));
  }

  // Columns: each column's left is its leftmost item, its right the
  // farthest item that stays in it. Without merging, a column set in large
  // type is narrowed as its text will be shown at the default size.
  std::vector<QVExcelColumn> kept;
  for (uint64_t c = 1; c <= maxColumn; ++c) {
    if (byColumn[c].empty()) continue;
    QVExcelColumn column;
    column.setColumnIndex(c);
    double left = std::numeric_limits<double>::max(), right = 0, widest = 0, size = 12.0;
    for (const QVExcelCellPtr& cell : byColumn[c]) {
      const QVExcelStringItem& item = itemOf(cell);
      left = std::min(left, item.itemInfo.displayX);
      if (item.columnLength == 0) right = std::max(right, item.itemInfo.displayX + item.itemInfo.displayWidth);
      if (!merge && item.itemInfo.displayWidth > widest) {
        widest = item.itemInfo.displayWidth;
        size = std::max(size, item.maxFontSize());
      }
    }
    double width = right - left;
    if (!(width >= 20.0)) width = 20.0;
    if (!merge) {
      width = 12.0 / size * width;
      if (!(width >= 20.0)) width = 20.0;
    }
    column.setFrame(platform::Rect(left, 0, width, 0));
    column.cells = std::move(byColumn[c]);
    kept.push_back(std::move(column));
  }

  for (const QVExcelCellPtr& cell : cells)
    if (cell->isText)
      cell->styleIndex = static_cast<uint32_t>(manager_.getStyleIndex(itemOf(cell), getCellFrame(*cell, kept)));

  if (!merge) {
    for (size_t i = 0; i < rows.size(); ++i) rows[i].setRowIndex(i + 1);
    for (size_t i = 0; i < kept.size(); ++i) kept[i].setColumnIndex(i + 1);
  }
  sheetRows = std::move(rows);
  columns = std::move(kept);
  mergeCells = merges.take();
}

QVExcelCellPtr QVExcelPage::createCellWithStringItem(const QVExcelStringItemPtr& item) {
  if (!item) return nullptr;
  auto cell = std::make_shared<QVExcelCell>();
  cell->stringItem = item;
  const bool text =
      !(manager_.isNeedValidNumbers() && item->textRuns.size() == 1) || valideNumbers(*item->textRuns.front(), *cell);
  if (text) {
    stringItems.push_back(item);
    manager_.setAmountOfStringItems(manager_.amountOfStringItems() + 1);
    cell->cellValue = std::to_string(manager_.amountOfStringItems() - 1);
    cell->isText = true;
  }
  return cell;
}

bool QVExcelPage::valideNumbers(QVExcelRunText& run, QVExcelCell& cell) {
  QVExcelNumber number(run.text, manager_.thousandSepartor());
  if (!number.isNumber()) return true;
  const int32_t fill = manager_.excelStyle().getFillIdWithCellFrame(cell.stringItem->itemInfo.textBoxRect(),
                                                                     manager_.isNeedCollectFills());
  cell.cellValue = number.readNumber();
  // Assigned as a character: GCC 12 warns falsely about copying a literal here.
  cell.dataType.assign(1, 'n');
  cell.styleIndex = static_cast<uint32_t>(manager_.styleIndexFrom(run, number, fill));
  return false;
}

platform::Rect QVExcelPage::getCellFrame(const QVExcelCell& cell, const std::vector<QVExcelColumn>& columns) {
  if (!cell.stringItem) return {};
  const uint64_t first = cell.stringItem->columnIndex;
  const uint64_t last = first + cell.stringItem->columnLength;
  auto byIndex = [](const QVExcelColumn& column, uint64_t index) { return column.columnIndex() < index; };
  auto it = std::lower_bound(columns.begin(), columns.end(), first, byIndex);
  if (it == columns.end() || it->columnIndex() > last) return {};
  const double x = it->columnIndex() == first ? it->frame().origin.x : 0.0;
  double width = 0;
  for (; it != columns.end() && it->columnIndex() <= last; ++it) width += it->frame().size.width;
  return platform::Rect(x, 0, width, 0);
}

void QVExcelPage::writeSheetXML(bool tabSelected) {
  writeWorksheet(sheetXMLPath(), columns, sheetRows, mergeCells, manager_, tabSelected);
}

void QVExcelPage::writeWorksheet(const std::string& path, std::vector<QVExcelColumn>& columns,
                                 std::vector<QVExcelRow>& rows, const std::vector<QVMergedCell>& mergeCells,
                                 const QVExcelManager& manager, bool tabSelected) {
  std::stable_sort(columns.begin(), columns.end(),
                   [](const QVExcelColumn& a, const QVExcelColumn& b) { return a.columnIndex() < b.columnIndex(); });
  std::stable_sort(rows.begin(), rows.end(),
                   [](const QVExcelRow& a, const QVExcelRow& b) { return a.rowIndex() < b.rowIndex(); });
  for (QVExcelRow& row : rows)
    std::stable_sort(row.cells.begin(), row.cells.end(), [](const QVExcelCellPtr& a, const QVExcelCellPtr& b) {
      return a->stringItem->columnIndex < b->stringItem->columnIndex;
    });

  XMLFileWriter w(path);
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("worksheet");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
  w.writeStartElement("sheetViews");
  w.writeStartElement("sheetView");
  if (tabSelected) w.writeAttribute("tabSelected", "1");
  w.writeAttribute("workbookViewId", "0");
  w.writeStartElement("selection");
  w.writeAttribute("activeCell", "A1");
  w.writeAttribute("sqref", "A1");
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndElement();
  w.writeStartElement("sheetFormatPr");
  w.writeAttribute("defaultRowHeight", "18.000000");
  w.writeAttribute("defaultColWidth", "15.000000");
  w.writeEndElement();
  if (!columns.empty()) {
    w.writeStartElement("cols");
    for (const QVExcelColumn& column : columns) column.writeXML(w);
    w.writeEndElement();
  }
  w.writeStartElement("sheetData");
  for (const QVExcelRow& row : rows) row.writeXML(w, manager);
  w.writeEndElement();
  if (!mergeCells.empty()) {
    w.writeStartElement("mergeCells");
    for (const QVMergedCell& range : mergeCells) {
      w.writeStartElement("mergeCell");
      w.writeAttribute("ref", range.mergerCellInfo());
      w.writeEndElement();
    }
    w.writeEndElement();
  }
  w.writeStartElement("pageMargins");
  for (const char* side : {"left", "right", "top", "bottom", "header", "footer"}) w.writeAttribute(side, "0");
  w.writeEndElement("pageMargins");
  w.writeEndElement("worksheet");
  w.writeEndDocument();
}
