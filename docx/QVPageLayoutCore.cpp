#include "docx/QVPageLayoutCore.h"

#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <string_view>

namespace {

template <class T, class Key>
void stableOrder(std::vector<T>& items, Key key) {
  std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) { return key(a) < key(b); });
}

}  // namespace

void QVLayoutMoveDown(QVPDF_CTMInfo& c, double dy) {
  c.yTop += dy;
  c.yAscent += dy;
  c.yBase += dy;
  c.yDescent += dy;
  c.yBottom += dy;
  c.topLeft.y += dy;
  c.bottomLeft.y += dy;
}

bool QVLayoutIsWordGap(double gap, double spaceBefore, double spaceAfter, double em) {
  double least = kLayoutWordGapOfEm * em;
  if (!(least > 0)) least = std::numeric_limits<double>::infinity();
  for (double space : {spaceBefore, spaceAfter})
    if (space > 0) least = std::min(least, space / 2);
  return std::isfinite(least) && gap >= least;
}

size_t QVLayoutBlankPosition(const std::string& text) {
  // U+200B to U+200D (zero-width space, non-joiner, joiner), U+2060 (word
  // joiner) and U+FEFF, in UTF-8.
  static constexpr std::string_view kZeroWidth[] = {"\xE2\x80\x8B", "\xE2\x80\x8C", "\xE2\x80\x8D",
                                                    "\xE2\x81\xA0", "\xEF\xBB\xBF"};
  size_t end = text.size();
  for (bool more = true; more;) {
    more = false;
    for (std::string_view z : kZeroWidth)
      if (end >= z.size() && std::string_view(text).substr(end - z.size(), z.size()) == z) {
        end -= z.size();
        more = true;
      }
  }
  return end;
}

QVLayoutBox QVLayoutBox::make(const QVPDF_CTMInfo& ctmInfo, double textWidth, int32_t scrpit, uint32_t item,
                              double spaceWidth) {
  QVLayoutBox box;
  box.yBase = ctmInfo.yBase;
  box.top = ctmInfo.topLeft.y;
  box.bottom = ctmInfo.bottomLeft.y;
  box.left = ctmInfo.bottomLeft.x;
  box.leftTop = ctmInfo.topLeft.x;
  box.width = textWidth;
  box.onBaseLine = scrpit == 0;
  box.item = item;
  box.space = spaceWidth > 0 ? spaceWidth : kLayoutSpaceShareOfEm * std::fabs(box.bottom - box.top);
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
  space = QVLayoutFloatMax(runs, [](const QVLayoutBox* b) { return b->space; });
}

QVLinePart QVLinePart::joined(const std::vector<const QVLinePart*>& parts) {
  std::vector<const QVLayoutBox*> runs;
  const QVLinePart* host = parts.front();
  for (const QVLinePart* p : parts) {
    runs.insert(runs.end(), p->runs.begin(), p->runs.end());
    if (p->rightX - p->leftX > host->rightX - host->leftX) host = p;
  }
  std::stable_sort(runs.begin(), runs.end(), [](const QVLayoutBox* a, const QVLayoutBox* b) { return a->left < b->left; });
  QVLinePart out(std::move(runs));
  // The line stands where its widest part, its own text, stands: the
  // letters raised or lowered into it move neither its base line nor its
  // extent.
  out.minTopY = host->minTopY;
  out.maxBottomY = host->maxBottomY;
  out.minBaseLine = host->minBaseLine;
  out.maxBaseLine = host->maxBaseLine;
  out.rightX = QVLayoutFloatMax(parts, [](const QVLinePart* p) { return p->rightX; });
  return out;
}

QVPageLayoutPolicy QVPageLayoutPolicy::word() { return {}; }

std::vector<QVLayoutBlock> QVPageLayoutCore::layout(const std::vector<QVLayoutBox>& boxes) const {
  std::vector<QVLineSection> sections;
  for (std::vector<const QVLayoutBox*>& line : lines(topOrder(boxes))) {
    orderLeftToRight(line);
    QVLineSection section = lineSection(line);
    if (!section.empty()) sections.push_back(std::move(section));
  }
  const std::vector<std::vector<QVLineSection>> slices = blocks(std::move(sections));
  const std::vector<ColumnBand> bands = columnBands(slices);
  std::vector<QVLayoutBlock> out;
  size_t next = 0;
  for (size_t i = 0; i < slices.size();) {
    if (next < bands.size() && bands[next].first == i) {
      const ColumnBand& band = bands[next++];
      std::vector<QVLayoutColumn> columns(band.cuts.size() + 1);
      for (size_t k = band.first; k <= band.last; ++k)
        for (const QVLineSection& section : slices[k])
          for (const QVLinePart& part : section) {
            const double middle = (part.leftX + part.rightX) / 2;
            const size_t c =
                static_cast<size_t>(std::upper_bound(band.cuts.begin(), band.cuts.end(), middle) - band.cuts.begin());
            columns[c].push_back(part);
          }
      for (QVLayoutColumn& column : columns) orderColumn(column);
      out.push_back({std::move(columns)});
      i = band.last + 1;
    } else {
      out.push_back({columns(slices[i])});
      ++i;
    }
  }
  return out;
}

std::vector<double> QVPageLayoutCore::straightenDriftingLines(std::vector<QVLayoutBox>& boxes) const {
  const size_t n = boxes.size();
  std::vector<double> moves(n, 0.0);
  if (n < 2) return moves;
  std::vector<double> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = boxes[i].yBase;
  std::vector<uint32_t> byKey(n);
  std::iota(byKey.begin(), byKey.end(), 0u);
  std::stable_sort(byKey.begin(), byKey.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  auto height = [](const QVLayoutBox& b) { return b.bottom - b.top; };
  auto toleranceOf = [&](const QVLayoutBox& b) { return std::max(kLineTolerance, kDriftOfEm * height(b)); };
  double widest = kLineTolerance;
  for (const QVLayoutBox& b : boxes) widest = std::max(widest, toleranceOf(b));

  // The run that continues each run on its line: within the line tolerance
  // of its key, about as tall, starting where it ends or up to an em later,
  // the nearest. A run is continued by one run only, the nearest.
  //
  // A continuation stands within the widest tolerance of the page, so each
  // is found among the runs of one cluster of keys, each next to the one
  // before by less than that; runs of a cluster whose keys span less than
  // the line tolerance make no chain that moves (most lines keep one key).
  // Within a cluster the runs that start where a run ends are found by
  // their left ends.
  constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
  std::vector<uint32_t> bestOf(n, kNone);
  std::vector<double> bestGapOf(n, 0.0);
  std::vector<uint32_t> cluster;
  std::vector<double> lefts;
  for (size_t first = 0; first < n;) {
    size_t last = first + 1;
    while (last < n && keys[byKey[last]] - keys[byKey[last - 1]] < widest) ++last;
    if (keys[byKey[last - 1]] - keys[byKey[first]] >= kLineTolerance) {
      cluster.assign(byKey.begin() + static_cast<std::ptrdiff_t>(first),
                     byKey.begin() + static_cast<std::ptrdiff_t>(last));
      std::stable_sort(cluster.begin(), cluster.end(),
                       [&](uint32_t a, uint32_t b) { return boxes[a].left < boxes[b].left; });
      lefts.clear();
      for (uint32_t j : cluster) lefts.push_back(boxes[j].left);
      for (uint32_t i : cluster) {
        const QVLayoutBox& b = boxes[i];
        const double em = height(b);
        if (!(em > 0)) continue;
        const double tolerance = toleranceOf(b);
        const double end = b.right();
        uint32_t best = kNone;
        double bestGap = 0, bestDrift = 0;
        size_t looks = 0;
        for (size_t k = static_cast<size_t>(std::upper_bound(lefts.begin(), lefts.end(), end - kLineTolerance) -
                                            lefts.begin());
             k < cluster.size() && lefts[k] - end <= kDriftGapOfEm * em && looks < kDriftLooks; ++k) {
          const uint32_t j = cluster[k];
          const double drift = std::fabs(keys[j] - keys[i]);
          if (drift >= tolerance) continue;
          ++looks;
          const QVLayoutBox& c = boxes[j];
          const double gap = c.left - end;
          const double ratio = height(c) / em;
          if (j != i && c.left > b.left && ratio >= kDriftSizeRatio && ratio <= 1 / kDriftSizeRatio &&
              (best == kNone || gap < bestGap || (gap == bestGap && drift < bestDrift))) {
            best = j;
            bestGap = gap;
            bestDrift = drift;
          }
        }
        bestOf[i] = best;
        bestGapOf[i] = bestGap;
      }
    }
    first = last;
  }

  std::vector<uint32_t> next(n, kNone), previous(n, kNone);
  std::vector<double> previousGap(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t best = bestOf[i];
    const double bestGap = bestGapOf[i];
    if (best == kNone) continue;
    if (previous[best] != kNone) {
      if (previousGap[best] <= bestGap) continue;
      next[previous[best]] = kNone;
    }
    next[i] = best;
    previous[best] = static_cast<uint32_t>(i);
    previousGap[best] = bestGap;
  }

  // Each chain of continuations that drifts beyond the tolerance moves onto
  // its first run's key.
  std::vector<uint32_t> chain;
  for (size_t start = 0; start < n; ++start) {
    if (previous[start] != kNone || next[start] == kNone) continue;
    chain.clear();
    double low = keys[start], high = keys[start];
    for (uint32_t j = static_cast<uint32_t>(start); j != kNone && chain.size() <= n; j = next[j]) {
      chain.push_back(j);
      low = std::min(low, keys[j]);
      high = std::max(high, keys[j]);
    }
    if (high - low < kLineTolerance) continue;
    const double onto = keys[start];
    for (uint32_t j : chain) {
      const double dy = onto - keys[j];
      moves[j] = dy;
      boxes[j].yBase += dy;
      boxes[j].top += dy;
      boxes[j].bottom += dy;
    }
  }
  return moves;
}

namespace {

struct Stretch {
  double lo = 0, hi = 0;
  double width() const { return hi - lo; }
};

// The x stretches that the parts of some line sections cover, left to right,
// overlapping ones joined.
std::vector<Stretch> covered(const std::vector<const QVLineSection*>& sections) {
  std::vector<Stretch> parts;
  for (const QVLineSection* section : sections)
    for (const QVLinePart& part : *section)
      parts.push_back({std::min(part.leftX, part.rightX), std::max(part.leftX, part.rightX)});
  std::sort(parts.begin(), parts.end(), [](const Stretch& a, const Stretch& b) { return a.lo < b.lo; });
  std::vector<Stretch> out;
  for (const Stretch& p : parts) {
    if (!out.empty() && p.lo <= out.back().hi)
      out.back().hi = std::max(out.back().hi, p.hi);
    else
      out.push_back(p);
  }
  return out;
}

// The gaps between covered stretches at least `least` wide.
std::vector<Stretch> gapsBetween(const std::vector<Stretch>& cover, double least) {
  std::vector<Stretch> gaps;
  for (size_t i = 1; i < cover.size(); ++i)
    if (cover[i].lo - cover[i - 1].hi >= least) gaps.push_back({cover[i - 1].hi, cover[i].lo});
  return gaps;
}

// The widest stretch of a gap that nothing covered reaches into (the
// covered stretches apart and in order).
Stretch widestFree(Stretch gap, const std::vector<Stretch>& cover) {
  Stretch best{gap.lo, gap.lo};
  double from = gap.lo;
  auto it = std::lower_bound(cover.begin(), cover.end(), from, [](const Stretch& c, double x) { return c.hi <= x; });
  for (; it != cover.end(); ++it) {
    const Stretch& c = *it;
    if (c.lo >= gap.hi) break;
    if (c.lo - from > best.width()) best = {from, c.lo};
    from = std::max(from, c.hi);
  }
  if (gap.hi - from > best.width()) best = {from, gap.hi};
  return best;
}

}  // namespace

std::vector<QVPageLayoutCore::ColumnBand> QVPageLayoutCore::columnBands(
    const std::vector<std::vector<QVLineSection>>& slices) const {
  std::vector<ColumnBand> bands;
  const size_t count = slices.size();
  if (count < 2) return bands;

  // The page's usual em: the median height of its line parts.
  std::vector<double> heights;
  for (const auto& slice : slices)
    for (const QVLineSection& section : slice)
      for (const QVLinePart& part : section) heights.push_back(part.maxBottomY - part.minTopY);
  if (heights.empty()) return bands;
  std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
  const double em = heights[heights.size() / 2];
  if (!(em > 0) || !std::isfinite(em)) return bands;
  const double least = std::max(kLeastGutter, kGutterOfEm * em);

  std::vector<std::vector<Stretch>> cover(count);
  for (size_t k = 0; k < count; ++k) {
    std::vector<const QVLineSection*> sections;
    for (const QVLineSection& section : slices[k]) sections.push_back(&section);
    cover[k] = covered(sections);
  }

  uint64_t work = 0;
  const uint64_t budget = kBandWorkPerSlice * count + (1u << 16);

  // The blocks above and below one that leave a stretch of one of its gaps
  // free, down to `floor`: the first and the last.
  auto stretchFrom = [&](size_t k, Stretch gap, size_t floor) {
    size_t first = k, last = k;
    Stretch free = gap;
    for (size_t t = k + 1; t < count; ++t, ++work) {
      const Stretch narrower = widestFree(free, cover[t]);
      if (narrower.width() < least) break;
      free = narrower;
      last = t;
    }
    for (size_t t = k; t-- > floor; ++work) {
      const Stretch narrower = widestFree(free, cover[t]);
      if (narrower.width() < least) break;
      free = narrower;
      first = t;
    }
    return std::make_pair(first, last);
  };

  // The columns that a stretch of blocks parts into, where each is a column
  // of text: the gutters all its lines leave free, the columns between them
  // each wide enough and holding text on enough lines. Answers the band and
  // its column lines, the lines of text of all its columns: a stretch that
  // reaches up to a heading over two of three columns has a line more but
  // reads those two as one, line by line.
  auto bandOf = [&](size_t first, size_t last) -> std::optional<std::pair<ColumnBand, size_t>> {
    std::vector<const QVLineSection*> sections;
    for (size_t t = first; t <= last; ++t)
      for (const QVLineSection& section : slices[t]) {
        sections.push_back(&section);
        work += section.size();
      }
    const std::vector<Stretch> all = covered(sections);
    const std::vector<Stretch> gutters = gapsBetween(all, least);
    if (gutters.empty()) return std::nullopt;
    ColumnBand band{first, last, {}};
    std::vector<Stretch> columns;
    double from = all.front().lo;
    for (const Stretch& g : gutters) {
      columns.push_back({from, g.lo});
      band.cuts.push_back((g.lo + g.hi) / 2);
      from = g.hi;
    }
    columns.push_back({from, all.back().hi});
    std::vector<size_t> lines(columns.size(), 0);
    std::vector<char> seen(columns.size());
    for (const QVLineSection* section : sections) {
      std::fill(seen.begin(), seen.end(), 0);
      for (const QVLinePart& part : *section) {
        const double middle = (part.leftX + part.rightX) / 2;
        seen[static_cast<size_t>(std::upper_bound(band.cuts.begin(), band.cuts.end(), middle) - band.cuts.begin())] = 1;
      }
      for (size_t c = 0; c < seen.size(); ++c) lines[c] += static_cast<size_t>(seen[c]);
    }
    size_t columnLines = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
      if (lines[c] < kLeastColumnLines || columns[c].width() < kLeastColumnEms * em) return std::nullopt;
      columnLines += lines[c];
    }
    return std::make_pair(std::move(band), columnLines);
  };

  size_t floor = 0;  // the first block after the last band
  for (size_t k = 0; k < count && work <= budget; ++k) {
    std::optional<std::pair<ColumnBand, size_t>> best;
    // The gaps of one block mostly reach over the same blocks: each stretch
    // is judged once.
    std::vector<std::pair<size_t, size_t>> judged;
    for (const Stretch& gap : gapsBetween(cover[k], least)) {
      if (work > budget) break;
      const auto range = stretchFrom(k, gap, floor);
      if (std::find(judged.begin(), judged.end(), range) != judged.end()) continue;
      judged.push_back(range);
      auto found = bandOf(range.first, range.second);
      if (found && (!best || found->second > best->second)) best = std::move(found);
    }
    if (!best) continue;
    k = best->first.last;
    floor = k + 1;
    bands.push_back(std::move(best->first));
  }
  return bands;
}

std::vector<const QVLayoutBox*> QVPageLayoutCore::topOrder(const std::vector<QVLayoutBox>& boxes) const {
  std::vector<const QVLayoutBox*> ordered;
  ordered.reserve(boxes.size());
  for (const QVLayoutBox& box : boxes) ordered.push_back(&box);
  stableOrder(ordered, [](const QVLayoutBox* b) { return b->yBase; });
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
  for (size_t i = 0; i < n; ++i) keys[i] = ordered[i]->yBase;
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
    while (i < parts.size() &&
           !(parts[i].leftX > right + std::max(kColumnTolerance, kColumnGapOfBlanks * parts[i].space))) {
      right = std::max(static_cast<float>(right), static_cast<float>(parts[i].rightX));
      column.push_back(std::move(parts[i++]));
    }
    orderColumn(column);
    out.push_back(std::move(column));
  }
  return out;
}

void QVPageLayoutCore::orderColumn(QVLayoutColumn& column) const {
  stableOrder(column, [](const QVLinePart& p) { return p.minBaseLine; });
  orderByContinuation(column);
}

std::vector<size_t> QVPageLayoutCore::continuingParts(const std::vector<const QVLinePart*>& parts, double tallest) {
  std::vector<size_t> taken;
  if (parts.empty()) return taken;
  taken.push_back(0);
  // A part continues the first part's line when its base line lies within
  // half an em of the line's, the em of the taller of the two: a raised or
  // lowered script, or a letter set a little higher or lower within a word
  // (the E of the TeX logo), stays with its line, while the next line,
  // an em or more below, does not; nor does a part much smaller than the
  // line (a label set in the descent of a large letter), which is a line of
  // its own. The line is measured from the tallest part taken so far, not
  // from a raised mark that happens to open it: a footnote's mark and a
  // lowered letter of one line are further apart than half an em. The parts
  // come by their smallest base line, so the scan ends where no later part
  // can be near enough.
  const QVLinePart& first = *parts.front();
  double h0 = first.maxBottomY - first.minTopY;
  double line = first.maxBaseLine;
  if (tallest <= 0)
    for (const QVLinePart* p : parts) tallest = std::max(tallest, p->maxBottomY - p->minTopY);
  for (size_t i = 1; i < parts.size(); ++i) {
    const QVLinePart& p = *parts[i];
    if (p.minBaseLine - line >= kLineReachOfEm * tallest) break;
    const double h = p.maxBottomY - p.minTopY;
    const double reach = kLineReachOfEm * std::max(h0, h);
    if (std::fabs(p.maxBaseLine - line) < reach && std::min(h0, h) >= kLeastScriptShare * std::max(h0, h)) {
      taken.push_back(i);
      if (h > h0) {
        h0 = h;
        line = p.maxBaseLine;
      }
    }
  }
  return taken;
}

void QVPageLayoutCore::orderByContinuation(QVLayoutColumn& column) const {
  // Repeatedly: the parts that continue the line of the first part left,
  // ordered from left to right, go to the rebuilt column. The parts that may
  // continue it lie within the tallest em below it in base-line order (half
  // an em below the tallest part of the line, which may stand half an em
  // below the raised part that opens it).
  const size_t n = column.size();
  double tallest = 0;
  for (const QVLinePart& p : column) tallest = std::max(tallest, p.maxBottomY - p.minTopY);
  const double reach = kLineReachOfEm * tallest;
  std::vector<char> done(n, 0);
  std::vector<const QVLinePart*> window, group;
  std::vector<size_t> at;
  QVLayoutColumn ordered;
  ordered.reserve(n);
  uint64_t work = 0;
  const uint64_t budget = std::max<uint64_t>(kContinuationWorkFloor, kContinuationWorkPerPart * n);
  size_t start = 0;
  while (true) {
    while (start < n && done[start]) ++start;
    if (start == n) break;
    if (work > budget) {
      for (size_t i = start; i < n; ++i)
        if (!done[i]) ordered.push_back(column[i]);
      break;
    }
    // The first part left always opens a line, whatever its measures.
    window.assign(1, &column[start]);
    at.assign(1, start);
    for (size_t i = start + 1; i < n; ++i, ++work) {
      if (done[i]) continue;
      if (!(column[i].minBaseLine - column[start].maxBaseLine < 2 * reach)) break;
      window.push_back(&column[i]);
      at.push_back(i);
    }
    group.clear();
    for (size_t t : continuingParts(window, tallest)) {
      done[at[t]] = 1;
      group.push_back(window[t]);
    }
    std::stable_sort(group.begin(), group.end(),
                     [](const QVLinePart* a, const QVLinePart* b) { return a->leftX < b->leftX; });
    // Parts of the line that reach into each other (a raised or lowered
    // letter kerned into its word, as in the TeX and LaTeX logos) are one
    // part, their runs left to right: read part after part, the letter
    // would come out after the text it stands in. A part much smaller than
    // the one it reaches into (a label inside a large letter's box) is no
    // letter of its word.
    auto em = [](const QVLinePart* p) { return p->maxBottomY - p->minTopY; };
    for (size_t g = 0; g < group.size();) {
      size_t last = g + 1;
      double right = group[g]->rightX;
      while (last < group.size() && group[last]->leftX < right &&
             std::min(em(group[last]), em(group[last - 1])) >=
                 kLeastScriptShare * std::max(em(group[last]), em(group[last - 1])))
        right = std::max(right, group[last++]->rightX);
      ordered.push_back(last == g + 1 ? *group[g] : QVLinePart::joined({group.begin() + g, group.begin() + last}));
      g = last;
    }
  }
  column = std::move(ordered);
}

std::vector<QVLayoutRow> QVPageLayoutCore::rows(const QVLayoutColumn& column) const {
  // Two parts are in one row when their keys are within the tolerance and
  // within half the em of the taller: lines of small text set closer than
  // the tolerance stay rows of their own.
  auto em = [](const QVLinePart& p) { return p.maxBottomY - p.minTopY; };
  std::vector<QVLayoutRow> out;
  size_t i = 0;
  while (i < column.size()) {
    QVLayoutRow row{column[i]};
    const double noted = column[i].maxBaseLine;
    const double firstEm = em(column[i]);
    ++i;
    while (i < column.size() &&
           std::fabs(column[i].maxBaseLine - noted) <
               std::min(kRowTolerance, kLineReachOfEm * std::max(firstEm, em(column[i]))))
      row.push_back(column[i++]);
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
