#include "xlsx/QVExcelPage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include "xlsx/QVExcelCell.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelRow.h"
#include "xlsx/QVExcelSortUtilities.h"
#include "xlsx/QVExcelTempCut.h"

using Sort = QVExcelSortUtilities;

namespace {

struct SlotHash {
  size_t operator()(const std::pair<uint64_t, uint64_t>& slot) const {
    return std::hash<uint64_t>()(slot.first * 0x9E3779B97F4A7C15ull ^ slot.second);
  }
};

using Slot = std::pair<uint64_t, uint64_t>;

// The runs grouped by `key`, groups in the order of their first run.
template <typename Key>
std::vector<QVExcelRunList> groupedBy(const QVExcelRunList& runs, Key key) {
  std::vector<QVExcelRunList> groups;
  std::unordered_map<uint64_t, size_t> groupOf;
  for (const auto& run : runs) {
    auto [it, added] = groupOf.try_emplace(key(*run), groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(run);
  }
  return groups;
}

}  // namespace

QVExcelPage::QVExcelPage(uint64_t pageNumber, std::string rootFolder, QVExcelManager& manager)
    : pageNumber_(pageNumber), rootFolder_(std::move(rootFolder)), manager_(manager) {}

std::string QVExcelPage::sheetXMLPath() const {
  return rootFolder_ + "/xl/worksheets/sheet" + std::to_string(pageNumber_) + ".xml";
}

// ---------------------------------------------------------------------------
// The reconstruction

void QVExcelPage::typesetRunTexts() {
  // Top to bottom, left to right among equal tops.
  sortAllRunTextsByX();
  sortAllRunTextsByY();
  creatTempRowsByY();
  for (QVExcelTempRow& row : allTempRowArray) row.creatTempCell1(manager_);
  allRunTextArray = collectAllRunTextsInArray(allTempRowArray);
  // Left to right, top to bottom among equal lefts.
  sortAllRunTextsByY();
  sortAllRunTextsByX();
  creatTempCellsByX();
  for (QVExcelTempCell& cell : allTempCellArray) cell.creatTempRow2();
  caculateRowNumber();
  caculateColumnNumber();
  correctColumnNumber();
  caculateRunTextMergeLength();
  placeCentredLabels();
}

void QVExcelPage::sortAllRunTextsByX() { allRunTextArray = Sort::SortRunTextsByX(allRunTextArray); }

void QVExcelPage::sortAllRunTextsByY() { allRunTextArray = Sort::SortRunTextsByY(allRunTextArray); }

namespace {

bool overlapInHeight(double topA, double baseA, double topB, double baseB) { return topA < baseB && topB < baseA; }

bool overlapInWidth(const QVExcelRunText& a, const QVExcelRunText& b) {
  return a.ctmInfo.xLeft < b.ctmInfo.xRight && b.ctmInfo.xLeft < a.ctmInfo.xRight;
}

// Runs of a band that stand in one another's way both across and down, or
// that are lines of one paragraph set solid: a cell's text, its wrapped
// lines included. Each with its runs (in band
// order) and the height they take.
struct BandBlock {
  std::vector<size_t> runs;
  double top = 0;
  double base = 0;
};

std::vector<BandBlock> blocksOfBand(const QVExcelRunList& band) {
  const size_t n = band.size();
  std::vector<size_t> parent(n);
  for (size_t i = 0; i < n; ++i) parent[i] = i;
  auto root = [&](size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j) {
      const QVExcelRunText& a = *band[i];
      const QVExcelRunText& b = *band[j];
      if (overlapInWidth(a, b) && (overlapInHeight(a.ctmInfo.yTop, a.ctmInfo.yBase, b.ctmInfo.yTop, b.ctmInfo.yBase) ||
                                   QVExcelSortUtilities::IsLineSetSolid(a, b) ||
                                   QVExcelSortUtilities::IsLineSetSolid(b, a)))
        parent[root(j)] = root(i);
    }
  std::vector<BandBlock> blocks;
  std::unordered_map<size_t, size_t> blockOf;
  for (size_t i = 0; i < n; ++i) {
    auto [it, added] = blockOf.try_emplace(root(i), blocks.size());
    if (added) blocks.push_back({{}, band[i]->ctmInfo.yTop, band[i]->ctmInfo.yBase});
    BandBlock& block = blocks[it->second];
    block.runs.push_back(i);
    block.top = std::min(block.top, band[i]->ctmInfo.yTop);
    block.base = std::max(block.base, band[i]->ctmInfo.yBase);
  }
  return blocks;
}

// True when the row holds runs side by side: cells of a table's row.
bool holdsCellsSideBySide(const QVExcelRunList& row) {
  for (const auto& run : row)
    if (!overlapInWidth(*row.front(), *run)) return true;
  return false;
}

// A band splits where the only thing that holds rows of cells together is
// text standing beside them in a column of its own: the label of a merged
// cell of the printed sheet, centred on the rows it names, or a wrapped
// note beside rows set wider apart than its lines. Without it the band is
// cut again into rows; the spanning text joins the first row it reaches
// into, and its cell spans the rest. Bands answered in order, each in the
// order of `band`.
std::vector<QVExcelRunList> splitAtSpanningText(const QVExcelRunList& band) {
  // The tests compare runs pairwise: a band of thousands of runs is a page
  // of text set in a staircase, not a table, and stays whole.
  constexpr size_t kMaxRunsToSplit = 4096;
  if (band.size() < 5 || band.size() > kMaxRunsToSplit) return {band};
  const std::vector<BandBlock> blocks = blocksOfBand(band);
  if (blocks.size() < 3) return {band};

  std::vector<char> spanning(band.size(), 0);
  bool any = false;
  for (size_t i = 0; i < blocks.size(); ++i) {
    const BandBlock& block = blocks[i];
    // It spans rows when two of the blocks it stands beside stand one above
    // the other, apart: when one of them ends before another begins.
    double lowestTop = -std::numeric_limits<double>::infinity();
    double highestBase = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j < blocks.size(); ++j) {
      if (j == i || !overlapInHeight(block.top, block.base, blocks[j].top, blocks[j].base)) continue;
      lowestTop = std::max(lowestTop, blocks[j].top);
      highestBase = std::min(highestBase, blocks[j].base);
    }
    const bool apart = highestBase <= lowestTop;
    if (!apart) continue;
    for (size_t r : block.runs) spanning[r] = 1;
    any = true;
  }
  if (!any) return {band};

  QVExcelRunList rest;
  for (size_t i = 0; i < band.size(); ++i)
    if (!spanning[i]) rest.push_back(band[i]);
  std::vector<QVExcelRunList> rows = QVExcelSortUtilities::FindGroupsInTurn(rest, Sort::Grouping::RowBands);
  if (rows.size() < 2 || !std::all_of(rows.begin(), rows.end(), holdsCellsSideBySide)) return {band};

  // The spanning text goes, a block whole, to the row it shares the most
  // height with: the upper of rows it stands beside alike (a label centred
  // on them, as the sheet holds it: in the first row of its merged cell).
  std::vector<std::pair<double, double>> extents;
  for (const QVExcelRunList& row : rows) {
    double top = row.front()->ctmInfo.yTop, base = row.front()->ctmInfo.yBase;
    for (const auto& run : row) top = std::min(top, run->ctmInfo.yTop), base = std::max(base, run->ctmInfo.yBase);
    extents.emplace_back(top, base);
  }
  std::unordered_map<const QVExcelRunText*, size_t> rowOf;
  for (size_t k = 0; k < rows.size(); ++k)
    for (const auto& run : rows[k]) rowOf[run.get()] = k;
  for (const BandBlock& block : blocks) {
    if (!spanning[block.runs.front()]) continue;
    size_t best = 0;
    double most = -1.0;
    for (size_t k = 0; k < rows.size(); ++k) {
      const double shared =
          std::min(block.base, extents[k].second) - std::max(block.top, extents[k].first);
      if (shared > most + 1.0) most = shared, best = k;
    }
    for (size_t r : block.runs) rowOf[band[r].get()] = best;
  }
  std::vector<QVExcelRunList> split(rows.size());
  for (size_t i = 0; i < band.size(); ++i) {
    band[i]->spansRows = spanning[i] != 0;
    split[rowOf.at(band[i].get())].push_back(band[i]);
  }
  return split;
}

}  // namespace

void QVExcelPage::creatTempRowsByY() {
  allTempRowArray.clear();
  for (QVExcelRunList& band : Sort::FindGroupsInTurn(allRunTextArray, Sort::Grouping::RowBands))
    for (QVExcelRunList& row : splitAtSpanningText(band)) allTempRowArray.emplace_back(std::move(row));
}

void QVExcelPage::creatTempCellsByX() {
  allTempCellArray = qvexcelcut::bands<QVExcelTempCell>(allRunTextArray, Sort::Grouping::ColumnBands);
}

QVExcelNestedRuns QVExcelPage::tempRowDataStructureArray() const {
  QVExcelNestedRuns list;
  for (const QVExcelTempRow& row : allTempRowArray) list.items.push_back(row.dataStructureArray());
  return list;
}

QVExcelNestedRuns QVExcelPage::tempCellDataStructureArray() const {
  QVExcelNestedRuns list;
  for (const QVExcelTempCell& cell : allTempCellArray) list.items.push_back(cell.dataStructureArray());
  return list;
}

QVExcelRunList QVExcelPage::collectAllRunTextsInArray(const std::vector<QVExcelTempRow>& rows) {
  QVExcelRunList all;
  for (const QVExcelTempRow& row : rows) {
    QVExcelRunList part = row.collectAllRunTexts();
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

bool QVExcelPage::isRowsInRunTexts(const QVExcelRunList& runs) {
  if (runs.empty()) return false;
  const double base = runs.front()->ctmInfo.yBase;
  return std::any_of(runs.begin(), runs.end(),
                     [&](const QVExcelRunTextPtr& run) { return std::fabs(run->ctmInfo.yBase - base) > 1.0; });
}

// ---------------------------------------------------------------------------
// Row numbers

void QVExcelPage::caculateRowNumber() {
  uint64_t maxIndex = 0;
  loopCellArrayRowIndex(tempRowDataStructureArray(), maxIndex, 1);
}

void QVExcelPage::loopCellArrayRowIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t rowIndex) {
  if (!list.isRunList()) {
    for (const QVExcelNestedRuns& element : list.items) {
      loopColumnArrayRowIndex(element, maxIndex, rowIndex);
      rowIndex = maxIndex;
    }
    return;
  }
  const bool stacked = isRowsInRunTexts(list.runs);
  for (auto run = list.runs.rbegin(); run != list.runs.rend(); ++run) {
    (*run)->rowIndex = rowIndex;
    if (stacked) {
      ++rowIndex;
      maxIndex = std::max(maxIndex, rowIndex);
    } else {
      maxIndex = std::max(maxIndex, rowIndex + 1);
    }
  }
}

void QVExcelPage::loopColumnArrayRowIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t rowIndex) {
  uint64_t local = 0;
  for (const QVExcelNestedRuns& element : list.items) {
    uint64_t privateMax = maxIndex;
    loopCellArrayRowIndex(element, privateMax, rowIndex);
    local = std::max(local, privateMax);
  }
  maxIndex = std::max(maxIndex, local);
}

// ---------------------------------------------------------------------------
// Column numbers

void QVExcelPage::caculateColumnNumber() {
  uint64_t maxIndex = 0;
  loopColumnArrayColumnIndex(tempCellDataStructureArray(), maxIndex, 1);
}

void QVExcelPage::loopColumnArrayColumnIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex,
                                             uint64_t columnIndex) {
  for (const auto& run : list.runs) {
    run->columnIndex = columnIndex;
    ++columnIndex;
    maxIndex = std::max(maxIndex, columnIndex);
  }
  for (const QVExcelNestedRuns& element : list.items) {
    loopCellArrayColumnIndex(element, maxIndex, columnIndex);
    columnIndex = maxIndex;
  }
}

void QVExcelPage::loopCellArrayColumnIndex(const QVExcelNestedRuns& list, uint64_t& maxIndex, uint64_t columnIndex) {
  uint64_t local = 0;
  for (const QVExcelNestedRuns& element : list.items) {
    uint64_t privateMax = maxIndex;
    loopColumnArrayColumnIndex(element, privateMax, columnIndex);
    local = std::max(local, privateMax);
  }
  maxIndex = std::max(maxIndex, local);
}

// ---------------------------------------------------------------------------
// Column correction and spans

std::vector<QVExcelRunList> QVExcelPage::creatRowArray() const {
  const QVExcelRunList sorted = Sort::SortRunTextsByY(Sort::SortRunTextsByX(allRunTextArray));
  return groupedBy(sorted, [](const QVExcelRunText& r) { return r.rowIndex; });
}

std::vector<QVExcelRunList> QVExcelPage::creatColumnArray() const {
  const QVExcelRunList sorted = Sort::SortRunTextsByX(Sort::SortRunTextsByY(allRunTextArray));
  return groupedBy(sorted, [](const QVExcelRunText& r) { return r.columnIndex; });
}

void QVExcelPage::correctColumnNumber() {
  // Each pass moves runs one column on, and a run moved onto a column of
  // its own that still lies left of the next column's start moves again:
  // passes are bounded so that such a page cannot run forever.
  const size_t maxPasses = allRunTextArray.size();
  for (size_t pass = 0; pass < maxPasses; ++pass) {
    const std::vector<QVExcelRunList> groups = creatColumnArray();
    bool changed = false;
    for (size_t i = 0; i + 1 < groups.size(); ++i) {
      const QVExcelRunList& group = groups[i];
      const double minRight = Sort::GetMinxRightInRunTexts(group);
      const double maxLeft = Sort::GetMaxxLeftInRunTexts(group);
      const double nextLeft = Sort::GetMinxLeftInRunTexts(groups[i + 1]);
      for (const auto& run : group) {
        const double left = run->ctmInfo.xLeft;
        if (left >= maxLeft && left > minRight && left + run->textWidth / 2.0 > nextLeft) {
          ++run->columnIndex;
          changed = true;
        }
      }
    }
    if (!changed) break;
  }
}

namespace {

// The slots that hold a run, by column and by row, each list sorted.
class OccupiedSlots {
 public:
  explicit OccupiedSlots(const QVExcelRunList& runs) {
    for (const auto& run : runs) {
      rowsOfColumn_[run->columnIndex].push_back(run->rowIndex);
      columnsOfRow_[run->rowIndex].push_back(run->columnIndex);
    }
    for (auto& [column, rows] : rowsOfColumn_) std::sort(rows.begin(), rows.end());
    for (auto& [row, columns] : columnsOfRow_) std::sort(columns.begin(), columns.end());
  }
  // Free slots in a line (a column's rows or a row's columns) from `from` on,
  // up to the first taken one.
  static uint64_t freeFrom(const std::unordered_map<uint64_t, std::vector<uint64_t>>& lines, uint64_t line,
                           uint64_t from) {
    const auto it = lines.find(line);
    if (it == lines.end()) return UINT64_MAX;
    const auto next = std::lower_bound(it->second.begin(), it->second.end(), from);
    return next == it->second.end() ? UINT64_MAX : *next - from;
  }
  uint64_t freeRowsFrom(uint64_t column, uint64_t row) const { return freeFrom(rowsOfColumn_, column, row); }
  uint64_t freeColumnsFrom(uint64_t row, uint64_t column) const { return freeFrom(columnsOfRow_, row, column); }

 private:
  std::unordered_map<uint64_t, std::vector<uint64_t>> rowsOfColumn_;
  std::unordered_map<uint64_t, std::vector<uint64_t>> columnsOfRow_;
};

// The further rows (or columns) a run's cell takes: for k = index, index +
// 1, ... below the number of lines, until the run ends above the start of
// line k, the span grows by one while the slot just past it is free (once
// a slot is taken it stays taken, and the span stays as it is).
//
// The starts come from lines ordered by their first run, so they never
// decrease: the first line the run ends above is found by bisection, and
// the free slots by the taken ones, so that a page of thousands of runs
// with long spans costs no more than one with short ones.
uint64_t spanLength(uint64_t index, uint64_t length, double end, const std::vector<float>& starts, bool startsSorted,
                    const std::function<uint64_t(uint64_t)>& freeFrom) {
  if (index >= starts.size()) return length;
  uint64_t stop = starts.size();
  if (startsSorted) {
    stop = static_cast<uint64_t>(
        std::lower_bound(starts.begin(), starts.end(), end, [](float s, double e) { return s < e; }) - starts.begin());
  } else {
    for (uint64_t k = index; k < starts.size(); ++k)
      if (end <= starts[k]) {
        stop = k;
        break;
      }
  }
  if (stop <= index) return length;
  return length + std::min(stop - index, freeFrom(index + length + 1));
}

}  // namespace

void QVExcelPage::caculateRunTextMergeLength() {
  const std::vector<QVExcelRunList> rowGroups = creatRowArray();
  const std::vector<QVExcelRunList> columnGroups = creatColumnArray();
  std::vector<float> tops, lefts;
  tops.reserve(rowGroups.size());
  lefts.reserve(columnGroups.size());
  for (const auto& group : rowGroups) tops.push_back(static_cast<float>(Sort::GetMinxTopInRunTexts(group)));
  for (const auto& group : columnGroups) lefts.push_back(static_cast<float>(Sort::GetMinxLeftInRunTexts(group)));

  // Rows and columns stay as they are from here on.
  const OccupiedSlots slots(allRunTextArray);
  const bool topsSorted = std::is_sorted(tops.begin(), tops.end());
  const bool leftsSorted = std::is_sorted(lefts.begin(), lefts.end());
  for (const auto& run : allRunTextArray) {
    // tops[k] is the top of the row after row k when rows are numbered 1, 2,
    // 3 ... in list order.
    run->rowLength = spanLength(run->rowIndex, run->rowLength, run->ctmInfo.yBottom, tops, topsSorted,
                                [&](uint64_t row) { return slots.freeRowsFrom(run->columnIndex, row); });
    run->columnLength = spanLength(run->columnIndex, run->columnLength, run->ctmInfo.xRight, lefts, leftsSorted,
                                   [&](uint64_t column) { return slots.freeColumnsFrom(run->rowIndex, column); });
  }
}

// ---------------------------------------------------------------------------
// String items and CSV text

std::vector<QVExcelStringItemPtr> QVExcelPage::getStringItemsFromRuns(const QVExcelRunList& runs) const {
  std::vector<QVExcelStringItemPtr> items;
  std::unordered_map<Slot, size_t, SlotHash> itemOf;
  for (const auto& run : runs) {
    auto [it, added] = itemOf.try_emplace(Slot{run->rowIndex, run->columnIndex}, items.size());
    if (added) {
      auto item = std::make_shared<QVExcelStringItem>();
      item->rowIndex = run->rowIndex;
      item->columnIndex = run->columnIndex;
      items.push_back(std::move(item));
    }
    items[it->second]->textRuns.push_back(run);
  }
  std::erase_if(items, [](const QVExcelStringItemPtr& item) {
    return std::all_of(item->textRuns.begin(), item->textRuns.end(),
                       [](const QVExcelRunTextPtr& run) { return QVExcelManager::isBlankSpace(run->text); });
  });
  return items;
}

std::string QVExcelPage::csvField(std::string_view text) {
  if (text.find_first_of("\t\r\n\",;") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

std::optional<std::string> QVExcelPage::creatCSV() {
  typesetRunTexts();
  const std::vector<QVExcelStringItemPtr> items = getStringItemsFromRuns(allRunTextArray);
  uint64_t maxRow = 0;
  for (const auto& item : items) maxRow = std::max(maxRow, item->rowIndex);
  if (maxRow == 0) return std::nullopt;

  std::vector<QVExcelRow> rows(maxRow);
  for (uint64_t r = 1; r <= maxRow; ++r) rows[r - 1].setRowIndex(r);
  for (const auto& item : items) {
    if (item->rowIndex == 0) continue;
    auto cell = std::make_shared<QVExcelCell>();
    cell->stringItem = item;
    rows[item->rowIndex - 1].cells.push_back(std::move(cell));
  }

  std::string text;
  for (QVExcelRow& row : rows) {
    // Fields go by column: a cell written after one of a higher column
    // would otherwise run into it.
    std::stable_sort(row.cells.begin(), row.cells.end(), [](const QVExcelCellPtr& a, const QVExcelCellPtr& b) {
      return a->stringItem->columnIndex < b->stringItem->columnIndex;
    });
    uint64_t previousColumn = 1;
    for (const auto& cell : row.cells) {
      const uint64_t column = cell->stringItem->columnIndex;
      if (column > previousColumn) text.append(column - previousColumn, '\t');
      previousColumn = column;
      text += csvField(cell->stringItem->content());
    }
    text += '\n';
    if (text.size() > kMaxCSVTextBytes)
      throw std::runtime_error("The table of page " + std::to_string(pageNumber_) + " is too large for a CSV file");
  }
  return text;
}

// ---------------------------------------------------------------------------
// Labels centred on their rows

void QVExcelPage::placeCentredLabels() {
  std::unordered_map<uint64_t, std::vector<std::pair<uint64_t, uint64_t>>> taken;
  for (const auto& run : allRunTextArray)
    if (run->spansRows) taken.try_emplace(run->columnIndex);
  if (taken.empty()) return;
  // The rows each run of a column of labels takes, its span included, and
  // how many runs each row holds.
  std::unordered_map<uint64_t, size_t> runsInRow;
  for (const auto& run : allRunTextArray) {
    ++runsInRow[run->rowIndex];
    for (auto& [column, rows] : taken)
      if (column >= run->columnIndex && column - run->columnIndex <= run->columnLength)
        rows.emplace_back(run->rowIndex, run->rowIndex + run->rowLength);
  }
  for (auto& [column, rows] : taken) std::sort(rows.begin(), rows.end());

  std::unordered_map<Slot, QVExcelRunList, SlotHash> slots;
  for (const auto& run : allRunTextArray)
    if (taken.count(run->columnIndex)) slots[{run->rowIndex, run->columnIndex}].push_back(run);
  for (auto& [slot, runs] : slots) {
    const auto [row, column] = slot;
    if (std::any_of(runs.begin(), runs.end(),
                    [](const QVExcelRunTextPtr& r) { return r->spansRows || r->rowLength != 0; }))
      continue;
    // The taken rows nearest above and below the slot's own.
    const auto& rows = taken.at(column);
    uint64_t above = 0, below = 0, covering = 0;
    for (const auto& [first, last] : rows) {
      if (last < row) above = std::max(above, last);
      if (first > row && (below == 0 || first < below)) below = first;
      if (first <= row && row <= last && first != last) ++covering;
    }
    if (above == 0 || below == 0 || covering != 0) continue;
    const uint64_t free = row - above - 1;
    if (free == 0 || below - row - 1 != free) continue;
    bool tableRows = true;
    for (uint64_t r = row - free; r <= row + free && tableRows; ++r) tableRows = runsInRow[r] >= 2;
    if (!tableRows) continue;
    for (const auto& run : runs) {
      run->rowIndex = row - free;
      run->rowLength = 2 * free;
    }
  }
}
