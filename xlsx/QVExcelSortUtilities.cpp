#include "xlsx/QVExcelSortUtilities.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "docx/QVPageLayoutCore.h"
#include "xlsx/QVExcelManager.h"

namespace {

template <typename Key>
QVExcelRunList stableSorted(const QVExcelRunList& runs, Key key) {
  QVExcelRunList sorted = runs;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](const QVExcelRunTextPtr& a, const QVExcelRunTextPtr& b) { return key(*a) < key(*b); });
  return sorted;
}

// The tests by which later runs join the group of a list's first run. Each
// keeps the running state of its group (the band's edge so far) and knows
// the key its lists are sorted by when they are cut: on such a list, a run
// that isBeyond the group is followed only by runs that cannot join it
// either, since the key only grows and the state changes only when a run
// joins.
class RowBand {
 public:
  explicit RowBand(const QVExcelRunText& first) : bottom_(first.ctmInfo.yBase) {}
  static double key(const QVExcelRunText& r) { return r.ctmInfo.yTop; }
  bool joins(const QVExcelRunText& r) {
    if (!(r.ctmInfo.yTop < bottom_)) return false;
    bottom_ = std::max(bottom_, r.ctmInfo.yBase);
    return true;
  }
  bool isBeyond(const QVExcelRunText& r) const { return !(r.ctmInfo.yTop < bottom_); }

 private:
  double bottom_;
};

class ColumnBand {
 public:
  explicit ColumnBand(const QVExcelRunText& first) : right_(first.ctmInfo.xRight) {}
  static double key(const QVExcelRunText& r) { return r.ctmInfo.xLeft; }
  bool joins(const QVExcelRunText& r) {
    if (!(r.ctmInfo.xLeft <= right_)) return false;
    right_ = std::max(right_, r.ctmInfo.xRight);
    return true;
  }
  bool isBeyond(const QVExcelRunText& r) const { return !(r.ctmInfo.xLeft <= right_); }

 private:
  double right_;
};

class LineContinuation {
 public:
  explicit LineContinuation(const QVExcelRunText& first) : first_(first), right_(first.ctmInfo.xRight) {}
  static double key(const QVExcelRunText& r) { return r.ctmInfo.xLeft; }
  bool joins(const QVExcelRunText& r) {
    if (!(std::fabs(first_.ctmInfo.yBase - r.ctmInfo.yBase) < 1.0 && std::fabs(r.ctmInfo.xLeft - right_) < 2.0 &&
          first_.rPr.isSameToRPr(r.rPr)))
      return false;
    right_ = std::max(right_, r.ctmInfo.xRight);
    return true;
  }
  bool isBeyond(const QVExcelRunText& r) const { return r.ctmInfo.xLeft - right_ >= 2.0; }

 private:
  const QVExcelRunText& first_;
  double right_;
};

class BlockContinuation {
 public:
  explicit BlockContinuation(const QVExcelRunText& first)
      : first_(first), bottom_(first.ctmInfo.yBottom), last_(&first) {}
  static double key(const QVExcelRunText& r) { return r.ctmInfo.yTop; }
  bool joins(const QVExcelRunText& r) {
    if (!(first_.ctmInfo.xRight - r.ctmInfo.xLeft > 1.0 &&
          (std::fabs(r.ctmInfo.yTop - bottom_) < 2.0 || QVExcelSortUtilities::IsLineSetSolid(*last_, r)) &&
          first_.rPr.isSameToRPr(r.rPr)))
      return false;
    bottom_ = std::max(bottom_, r.ctmInfo.yBottom);
    if (r.ctmInfo.yBase > last_->ctmInfo.yBase) last_ = &r;
    return true;
  }
  bool isBeyond(const QVExcelRunText& r) const { return r.ctmInfo.yTop - bottom_ >= 2.0; }

 private:
  const QVExcelRunText& first_;
  double bottom_;
  // The lowest line so far.
  const QVExcelRunText* last_;
};

// The groups the test takes in turn from the list: the first run's group,
// then the group of the first run left, and so on; each group in list
// order. On a list sorted by the test's key a group's scan ends at the first
// run beyond it, which finds the same groups in a fraction of the time.
template <typename Test>
std::vector<QVExcelRunList> groupsInTurn(const QVExcelRunList& runs) {
  const bool sorted = std::is_sorted(runs.begin(), runs.end(), [](const QVExcelRunTextPtr& a, const QVExcelRunTextPtr& b) {
    return Test::key(*a) < Test::key(*b);
  });
  std::vector<char> taken(runs.size(), 0);
  std::vector<QVExcelRunList> groups;
  for (size_t first = 0; first < runs.size(); ++first) {
    if (taken[first]) continue;
    Test test(*runs[first]);
    QVExcelRunList group{runs[first]};
    taken[first] = 1;
    for (size_t i = first + 1; i < runs.size(); ++i) {
      if (taken[i]) continue;
      if (sorted && test.isBeyond(*runs[i])) break;
      if (test.joins(*runs[i])) {
        group.push_back(runs[i]);
        taken[i] = 1;
      }
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

// The first run and the later runs that join its group, the whole list read.
template <typename Test>
QVExcelRunList findWithFirst(const QVExcelRunList& runs) {
  QVExcelRunList group;
  if (runs.empty()) return group;
  Test test(*runs.front());
  group.push_back(runs.front());
  for (size_t i = 1; i < runs.size(); ++i)
    if (test.joins(*runs[i])) group.push_back(runs[i]);
  return group;
}

// The first run and the later runs with the same value.
template <typename Value>
QVExcelRunList findSame(const QVExcelRunList& runs, Value value) {
  QVExcelRunList group;
  if (runs.empty()) return group;
  const auto wanted = value(*runs.front());
  for (const auto& run : runs)
    if (value(*run) == wanted) group.push_back(run);
  return group;
}

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Lines of a wrapped cell are joined into one text: a word broken over two
// lines ("Area (sq" / "km)") must not run together.
void appendLine(std::string& text, const std::string& line) {
  if (!text.empty() && !line.empty() && !isWhitespace(text.back()) && !isWhitespace(line.front())) text += ' ';
  text += line;
}

template <typename Value>
double extreme(const QVExcelRunList& runs, Value value, bool largest) {
  double result = value(*runs.front());
  for (const auto& run : runs) result = largest ? std::max(result, value(*run)) : std::min(result, value(*run));
  return result;
}

}  // namespace

QVExcelRunList QVExcelSortUtilities::SortRunTextsByX(const QVExcelRunList& runs) {
  return stableSorted(runs, [](const QVExcelRunText& r) { return r.ctmInfo.xLeft; });
}

QVExcelRunList QVExcelSortUtilities::SortRunTextsByY(const QVExcelRunList& runs) {
  return stableSorted(runs, [](const QVExcelRunText& r) { return r.ctmInfo.yTop; });
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsCrossedInHeight(const QVExcelRunList& runs) {
  return findWithFirst<RowBand>(runs);
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsCrossedInWidth(const QVExcelRunList& runs) {
  return findWithFirst<ColumnBand>(runs);
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsMergedInWidth(const QVExcelRunList& runs) {
  return findWithFirst<LineContinuation>(runs);
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsMergedInHeight(const QVExcelRunList& runs) {
  return findWithFirst<BlockContinuation>(runs);
}

std::vector<QVExcelRunList> QVExcelSortUtilities::FindGroupsInTurn(const QVExcelRunList& runs, Grouping grouping) {
  switch (grouping) {
    case Grouping::RowBands:
      return groupsInTurn<RowBand>(runs);
    case Grouping::ColumnBands:
      return groupsInTurn<ColumnBand>(runs);
    case Grouping::LineContinuations:
      return groupsInTurn<LineContinuation>(runs);
    case Grouping::BlockContinuations:
      return groupsInTurn<BlockContinuation>(runs);
  }
  return {};
}

bool QVExcelSortUtilities::IsLineSetSolid(const QVExcelRunText& line, const QVExcelRunText& next) {
  return std::fabs(next.ctmInfo.yTop - line.ctmInfo.yBase) < 1.0 && next.ctmInfo.yBase > line.ctmInfo.yBase;
}

bool QVExcelSortUtilities::IsWordGap(const QVExcelRunText& before, const QVExcelRunText& after, double gap) {
  if (!(before.spaceWidth > 0) && !(after.spaceWidth > 0)) return false;
  return QVLayoutIsWordGap(gap, before.spaceWidth, after.spaceWidth, before.ctmInfo.yBase - before.ctmInfo.yTop);
}

bool QVExcelSortUtilities::ContinuesWord(const QVExcelRunText& last, const QVExcelRunText& next) {
  const double lastEm = last.ctmInfo.yBase - last.ctmInfo.yTop, em = next.ctmInfo.yBase - next.ctmInfo.yTop;
  if (!(lastEm > 0) || !(em > 0)) return false;
  const double taller = std::max(lastEm, em);
  const double off = std::fabs(next.ctmInfo.yBase - last.ctmInfo.yBase);
  const double gap = next.ctmInfo.xLeft - last.ctmInfo.xRight;
  if (off < QVPageLayoutCore::kLineTolerance && next.rPr.sz == last.rPr.sz && gap > -QVPageLayoutCore::kLineTolerance)
    return false;
  return off < QVPageLayoutCore::kLineReachOfEm * taller &&
         std::min(lastEm, em) >= QVPageLayoutCore::kLeastScriptShare * taller &&
         next.ctmInfo.xLeft > last.ctmInfo.xLeft && !IsWordGap(last, next, gap);
}

QVExcelRunTextPtr QVExcelSortUtilities::MergeRunTextsInWidth(const QVExcelRunList& group) {
  if (group.empty()) return nullptr;
  QVExcelRunText& first = *group.front();
  for (size_t i = 1; i < group.size(); ++i) {
    const QVExcelRunText& r = *group[i];
    // Justified text and fonts set one word a string stand their words
    // closer than a blank: the gap alone says where a word ends.
    const bool blank = IsWordGap(first, r, r.ctmInfo.xLeft - first.ctmInfo.xRight) && !first.text.empty() &&
                       !r.text.empty() && !isWhitespace(first.text.back()) && !isWhitespace(r.text.front());
    first.appendText(r, blank ? " " : "");
    first.textWidth += r.textWidth;
    first.ctmInfo.xRight = r.ctmInfo.xRight;
    if (r.spaceWidth > 0) first.spaceWidth = r.spaceWidth;
  }
  return group.front();
}

QVExcelRunTextPtr QVExcelSortUtilities::MergeRunTextsInHeight(const QVExcelRunList& group,
                                                              const QVExcelManager& manager) {
  if (group.empty()) return nullptr;
  QVExcelRunText& first = *group.front();
  for (size_t i = 1; i < group.size(); ++i) {
    const QVExcelRunText& r = *group[i];
    // Each line is in its reading order already; the lines are not one line.
    first.pieces.clear();
    if (manager.isNeedWrapText()) {
      appendLine(first.text, r.text);
    } else {
      first.text += '\n';
      first.text += r.text;
    }
    first.textWidth = std::max(first.textWidth, r.textWidth);
    QVPDF_CTMInfo& c = first.ctmInfo;
    c.yTop = std::min(c.yTop, r.ctmInfo.yTop);
    c.xLeft = std::min(c.xLeft, r.ctmInfo.xLeft);
    c.yBase = std::max(c.yBase, r.ctmInfo.yBase);
    c.yBottom = std::max(c.yBottom, r.ctmInfo.yBottom);
    c.xRight = std::max(c.xRight, r.ctmInfo.xRight);
  }
  return group.front();
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsInSameRowColumnIndex(const QVExcelRunList& runs) {
  return findSame(runs, [](const QVExcelRunText& r) { return std::make_pair(r.rowIndex, r.columnIndex); });
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsInSameColumnIndex(const QVExcelRunList& runs) {
  return findSame(runs, [](const QVExcelRunText& r) { return r.columnIndex; });
}

QVExcelRunList QVExcelSortUtilities::FindRunTextsInSameRowIndex(const QVExcelRunList& runs) {
  return findSame(runs, [](const QVExcelRunText& r) { return r.rowIndex; });
}

double QVExcelSortUtilities::GetMaxxRightInRunTexts(const QVExcelRunList& runs) {
  return extreme(runs, [](const QVExcelRunText& r) { return r.ctmInfo.xRight; }, true);
}

double QVExcelSortUtilities::GetMinxRightInRunTexts(const QVExcelRunList& runs) {
  return extreme(runs, [](const QVExcelRunText& r) { return r.ctmInfo.xRight; }, false);
}

double QVExcelSortUtilities::GetMaxxLeftInRunTexts(const QVExcelRunList& runs) {
  return extreme(runs, [](const QVExcelRunText& r) { return r.ctmInfo.xLeft; }, true);
}

double QVExcelSortUtilities::GetMinxLeftInRunTexts(const QVExcelRunList& runs) {
  return extreme(runs, [](const QVExcelRunText& r) { return r.ctmInfo.xLeft; }, false);
}

double QVExcelSortUtilities::GetMinxTopInRunTexts(const QVExcelRunList& runs) {
  return extreme(runs, [](const QVExcelRunText& r) { return r.ctmInfo.yTop; }, false);
}
