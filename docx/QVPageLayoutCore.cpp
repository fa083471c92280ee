#include "docx/QVPageLayoutCore.h"

#include <cmath>
#include <numeric>

namespace {

template <class T, class Key>
void stableOrder(std::vector<T>& items, Key key) {
  std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) { return key(a) < key(b); });
}

}  // namespace

QVLayoutBox QVLayoutBox::make(const QVPDF_CTMInfo& ctmInfo, double textWidth, int32_t scrpit, uint32_t item) {
  QVLayoutBox box;
  box.yBase = ctmInfo.yBase;
  box.top = ctmInfo.topLeft.y;
  box.bottom = ctmInfo.bottomLeft.y;
  box.left = ctmInfo.bottomLeft.x;
  box.leftTop = ctmInfo.topLeft.x;
  box.width = textWidth;
  box.onBaseLine = scrpit == 0;
  box.item = item;
  return box;
}

QVLinePart::QVLinePart(std::vector<const QVLayoutBox*> partRuns) : runs(std::move(partRuns)) {
  if (runs.empty()) return;
  minTopY = QVLayoutFloatMin(runs, [](const QVLayoutBox* b) { return b->top; });
  maxBottomY = QVLayoutFloatMax(runs, [](const QVLayoutBox* b) { return b->bottom; });
  // A raised or lowered run after the first does not move the part's base line.
  std::vector<const QVLayoutBox*> onBase;
  onBase.reserve(runs.size());
  onBase.push_back(runs.front());
  for (size_t i = 1; i < runs.size(); ++i)
    if (runs[i]->onBaseLine) onBase.push_back(runs[i]);
  minBaseLine = QVLayoutFloatMin(onBase, [](const QVLayoutBox* b) { return b->yBase; });
  maxBaseLine = QVLayoutFloatMax(onBase, [](const QVLayoutBox* b) { return b->yBase; });
  leftX = runs.front()->leftTop;
  rightX = runs.back()->right();
}

QVPageLayoutPolicy QVPageLayoutPolicy::word() {
  QVPageLayoutPolicy p;
  p.runOrder = Key::BaseLine;
  p.lineKey = Key::BaseLine;
  p.touchingLinesJoin = false;
  p.columnOrder = ColumnOrder::BaseLineContinuation;
  p.columnExtent = ColumnExtent::AllParts;
  p.rowKey = RowKey::MaxBaseLine;
  p.rowTolerance = 5.0;
  return p;
}

double QVPageLayoutCore::key(const QVLayoutBox& box, QVPageLayoutPolicy::Key k) const {
  switch (k) {
    case QVPageLayoutPolicy::Key::BaseLine:
      return box.yBase;
    case QVPageLayoutPolicy::Key::Top:
      return box.top;
    case QVPageLayoutPolicy::Key::Bottom:
      return box.bottom;
  }
  return box.yBase;
}

std::vector<QVLayoutBlock> QVPageLayoutCore::layout(const std::vector<QVLayoutBox>& boxes) const {
  std::vector<QVLineSection> sections;
  for (std::vector<const QVLayoutBox*>& line : lines(topOrder(boxes))) {
    orderLeftToRight(line);
    QVLineSection section = lineSection(line);
    if (!section.empty()) sections.push_back(std::move(section));
  }
  std::vector<QVLayoutBlock> out;
  for (const std::vector<QVLineSection>& block : blocks(std::move(sections))) out.push_back({columns(block)});
  return out;
}

std::vector<const QVLayoutBox*> QVPageLayoutCore::topOrder(const std::vector<QVLayoutBox>& boxes) const {
  std::vector<const QVLayoutBox*> ordered;
  ordered.reserve(boxes.size());
  for (const QVLayoutBox& box : boxes) ordered.push_back(&box);
  stableOrder(ordered, [&](const QVLayoutBox* b) { return key(*b, policy_.runOrder); });
  return ordered;
}

std::vector<std::vector<const QVLayoutBox*>> QVPageLayoutCore::lines(
    const std::vector<const QVLayoutBox*>& ordered) const {
  // Each line takes the first run left and every run left whose key lies
  // within the tolerance of that run's. Those runs are one stretch of the
  // list sorted by key; the stretch is scanned from the opener outwards, and
  // since two openers are at least the tolerance apart, each run is looked
  // at a bounded number of times.
  const size_t n = ordered.size();
  std::vector<std::vector<const QVLayoutBox*>> out;
  if (n == 0) return out;
  std::vector<double> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = key(*ordered[i], policy_.lineKey);
  std::vector<uint32_t> byKey(n);
  std::iota(byKey.begin(), byKey.end(), 0u);
  std::stable_sort(byKey.begin(), byKey.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  std::vector<uint32_t> rank(n);
  for (size_t r = 0; r < n; ++r) rank[byKey[r]] = static_cast<uint32_t>(r);
  std::vector<bool> alive(n, true);

  std::vector<uint32_t> members;
  for (size_t opener = 0; opener < n; ++opener) {
    if (!alive[opener]) continue;
    const double k0 = keys[opener];
    members.clear();
    auto visit = [&](size_t r) {
      const uint32_t p = byKey[r];
      if (std::fabs(keys[p] - k0) >= kLineTolerance) return false;
      if (alive[p]) {
        alive[p] = false;
        members.push_back(p);
      }
      return true;
    };
    for (size_t r = rank[opener] + 1; r-- > 0;)
      if (!visit(r)) break;
    for (size_t r = rank[opener] + 1; r < n; ++r)
      if (!visit(r)) break;
    std::sort(members.begin(), members.end());
    std::vector<const QVLayoutBox*> line;
    line.reserve(members.size());
    for (uint32_t p : members) line.push_back(ordered[p]);
    out.push_back(std::move(line));
  }
  return out;
}

void QVPageLayoutCore::orderLeftToRight(std::vector<const QVLayoutBox*>& line) {
  stableOrder(line, [](const QVLayoutBox* b) { return b->left; });
}

QVLineSection QVPageLayoutCore::lineSection(const std::vector<const QVLayoutBox*>& line) {
  QVLineSection section;
  if (line.empty()) return section;
  std::vector<const QVLayoutBox*> part{line.front()};
  double rightEnd = line.front()->right();
  for (size_t i = 1; i < line.size(); ++i) {
    const QVLayoutBox* run = line[i];
    if (std::fabs(run->left - rightEnd) >= kLineTolerance) {
      section.emplace_back(std::move(part));
      part.clear();
    }
    part.push_back(run);
    rightEnd = run->right();
  }
  section.emplace_back(std::move(part));
  return section;
}

double QVPageLayoutCore::topYOfLineSect(const QVLineSection& section) {
  float top = static_cast<float>(kEmptySectionTop);
  for (const QVLinePart& part : section)
    for (const QVLayoutBox* b : part.runs) top = std::min(top, static_cast<float>(b->top));
  return top;
}

double QVPageLayoutCore::bottomYOfLineSect(const QVLineSection& section) {
  float bottom = 0;
  for (const QVLinePart& part : section)
    for (const QVLayoutBox* b : part.runs) bottom = std::max(bottom, static_cast<float>(b->bottom));
  return bottom;
}

std::vector<std::vector<QVLineSection>> QVPageLayoutCore::blocks(std::vector<QVLineSection> sections) const {
  std::vector<std::vector<QVLineSection>> out;
  size_t i = 0;
  while (i < sections.size()) {
    std::vector<QVLineSection> block;
    float bottom = static_cast<float>(bottomYOfLineSect(sections[i]));
    block.push_back(std::move(sections[i++]));
    while (i < sections.size()) {
      const double top = topYOfLineSect(sections[i]);
      const bool meets = policy_.touchingLinesJoin ? top <= bottom : bottom > top;
      if (!meets) break;
      bottom = std::max(bottom, static_cast<float>(bottomYOfLineSect(sections[i])));
      block.push_back(std::move(sections[i++]));
    }
    out.push_back(std::move(block));
  }
  return out;
}

std::vector<QVLayoutColumn> QVPageLayoutCore::columns(const std::vector<QVLineSection>& block) const {
  std::vector<QVLinePart> parts;
  for (const QVLineSection& section : block) parts.insert(parts.end(), section.begin(), section.end());
  stableOrder(parts, [](const QVLinePart& p) { return p.leftX; });

  std::vector<QVLayoutColumn> out;
  size_t i = 0;
  while (i < parts.size()) {
    QVLayoutColumn column;
    double right = parts[i].rightX;
    column.push_back(std::move(parts[i++]));
    while (i < parts.size() && !(parts[i].leftX > right + kColumnTolerance)) {
      right = std::max(static_cast<float>(right), static_cast<float>(parts[i].rightX));
      column.push_back(std::move(parts[i++]));
    }
    orderColumn(column);
    out.push_back(std::move(column));
  }
  return out;
}

void QVPageLayoutCore::orderColumn(QVLayoutColumn& column) const {
  switch (policy_.columnOrder) {
    case QVPageLayoutPolicy::ColumnOrder::Top:
      stableOrder(column, [](const QVLinePart& p) { return p.minTopY; });
      return;
    case QVPageLayoutPolicy::ColumnOrder::BaseLineContinuation:
      stableOrder(column, [](const QVLinePart& p) { return p.minBaseLine; });
      orderByContinuation(column);
      return;
  }
}

std::vector<size_t> QVPageLayoutCore::continuingParts(const std::vector<const QVLinePart*>& parts) {
  std::vector<size_t> taken;
  if (parts.empty()) return taken;
  taken.push_back(0);
  const QVLinePart& first = *parts.front();
  const double h0 = first.maxBottomY - first.minTopY;
  float lowest = static_cast<float>(h0), highest = static_cast<float>(h0);
  double previous = first.maxBaseLine;
  for (size_t i = 1; i < parts.size(); ++i) {
    const QVLinePart& p = *parts[i];
    const double h = p.maxBottomY - p.minTopY;
    const double b = p.maxBaseLine;
    lowest = std::min(static_cast<float>(h), lowest);
    highest = std::max(static_cast<float>(h), highest);
    bool take;
    if (b == previous) {
      take = true;
    } else if (b > previous) {
      if (h > lowest)
        take = b - previous <= std::max(lowest, static_cast<float>(0.6 * highest));
      else
        take = b - previous < 1.0 * lowest;
    } else {
      take = lowest > h || previous - b < 1.0 * lowest;
    }
    if (take) taken.push_back(i);
    previous = b;
  }
  return taken;
}

void QVPageLayoutCore::orderByContinuation(QVLayoutColumn& column) const {
  // Repeatedly: the parts that continue each other from the first part
  // left, ordered from left to right, go to the rebuilt column.
  std::vector<const QVLinePart*> remaining;
  remaining.reserve(column.size());
  for (const QVLinePart& p : column) remaining.push_back(&p);
  std::vector<const QVLinePart*> rebuilt;
  rebuilt.reserve(column.size());
  uint64_t work = 0;
  const uint64_t budget = std::max<uint64_t>(kContinuationWorkFloor, kContinuationWorkPerPart * column.size());
  std::vector<const QVLinePart*> group;
  while (!remaining.empty()) {
    if (work > budget) {
      rebuilt.insert(rebuilt.end(), remaining.begin(), remaining.end());
      break;
    }
    work += remaining.size();
    const std::vector<size_t> taken = continuingParts(remaining);
    group.clear();
    std::vector<bool> isTaken(remaining.size(), false);
    for (size_t t : taken) {
      isTaken[t] = true;
      group.push_back(remaining[t]);
    }
    std::stable_sort(group.begin(), group.end(),
                     [](const QVLinePart* a, const QVLinePart* b) { return a->leftX < b->leftX; });
    rebuilt.insert(rebuilt.end(), group.begin(), group.end());
    size_t kept = 0;
    for (size_t i = 0; i < remaining.size(); ++i)
      if (!isTaken[i]) remaining[kept++] = remaining[i];
    remaining.resize(kept);
  }
  QVLayoutColumn ordered;
  ordered.reserve(column.size());
  for (const QVLinePart* p : rebuilt) ordered.push_back(*p);
  column = std::move(ordered);
}

std::vector<QVLayoutRow> QVPageLayoutCore::rows(const QVLayoutColumn& column) const {
  auto rowKey = [&](const QVLinePart& p) {
    return policy_.rowKey == QVPageLayoutPolicy::RowKey::MaxBaseLine ? p.maxBaseLine : p.maxBottomY;
  };
  std::vector<QVLayoutRow> out;
  size_t i = 0;
  while (i < column.size()) {
    QVLayoutRow row{column[i]};
    const double noted = rowKey(column[i]);
    ++i;
    while (i < column.size() && std::fabs(rowKey(column[i]) - noted) < policy_.rowTolerance) row.push_back(column[i++]);
    stableOrder(row, [](const QVLinePart& p) { return p.leftX; });
    out.push_back(std::move(row));
  }
  return out;
}

double QVPageLayoutCore::minLeftXOfColumn(const QVLayoutColumn& column) {
  return QVLayoutFloatMin(column, [](const QVLinePart& p) { return p.leftX; });
}

double QVPageLayoutCore::minLeftXOfColumnSect(const std::vector<QVLayoutRow>& rows) {
  std::vector<double> lefts;
  lefts.reserve(rows.size());
  for (const QVLayoutRow& row : rows)
    if (!row.empty()) lefts.push_back(row.front().leftX);
  return QVLayoutFloatMin(lefts, [](double v) { return v; });
}

double QVPageLayoutCore::minTopYOfColumn(const QVLayoutColumn& column) const {
  if (policy_.columnExtent == QVPageLayoutPolicy::ColumnExtent::FirstAndLastPart)
    return column.empty() ? 0.0 : column.front().minTopY;
  return QVLayoutFloatMin(column, [](const QVLinePart& p) { return p.minTopY; });
}

double QVPageLayoutCore::maxBottomYOfColumn(const QVLayoutColumn& column) const {
  if (policy_.columnExtent == QVPageLayoutPolicy::ColumnExtent::FirstAndLastPart)
    return column.empty() ? 0.0 : column.back().maxBottomY;
  return QVLayoutFloatMax(column, [](const QVLinePart& p) { return p.maxBottomY; });
}

double QVPageLayoutCore::minTopYOfDiv(const QVLayoutBlock& block) const {
  return QVLayoutFloatMin(block.columns, [&](const QVLayoutColumn& c) { return minTopYOfColumn(c); });
}

double QVPageLayoutCore::maxBottomYOfDiv(const QVLayoutBlock& block) const {
  return QVLayoutFloatMax(block.columns, [&](const QVLayoutColumn& c) { return maxBottomYOfColumn(c); });
}
