#pragma once
// The geometry core of the flowing-text page layouts: it groups the text runs
// of one page into lines, line parts, blocks, columns and rows. The Word page
// builds its paragraphs on it; the HTML/RTF page, the plain-text page and
// the RTF page are the same core with another policy. Every layout reads a
// line by its base line, so a letter raised or lowered within its line (a
// logo's letter, a script, a run in a font of a deeper descent) stays in its
// line and its word; the policies differ only in how lines make blocks:
//
//   - whether two lines whose extents only touch fall into one block;
//   - which of its parts give a column its top and bottom.
//
// A column is ordered by its parts' base lines, rebuilt so that parts which
// continue each other's line stay together, and cut into rows of parts
// whose base lines stand close.
//
// All geometry is display space: points, y growing downwards, so a smaller y
// is higher on the page. A run enters as a QVLayoutBox, a snapshot of its
// placement record and width; groups hold pointers to the caller's boxes,
// which must outlive them.
//
// Every grouping that the layouts describe as a repeated choice of the
// smallest key (earliest on ties) is a stable sort here, and every scan that
// takes a leading stretch is one pass, so a page of tens of thousands of
// runs is grouped in n log n. Minima and maxima of positions accumulate in
// single precision (a one-element list gives its value unconverted), while
// positions, differences and comparisons are doubles.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "convert/QVPDF_CTMInfo.h"

// What the layouts read of one run.
struct QVLayoutBox {
  double yBase = 0;        // the base line
  double top = 0;          // top of the em box (top-left corner)
  double bottom = 0;       // bottom of the em box (bottom-left corner)
  double left = 0;         // x of the bottom-left corner
  double leftTop = 0;      // x of the top-left corner: where a line part starts
  double width = 0;        // advance of the text
  bool onBaseLine = true;  // neither superscript nor subscript
  uint32_t item = 0;       // the caller's index of the run
  double space = 0;        // the width of a blank in the run's font

  double right() const { return left + width; }
  // A run whose font gives its blank no width gets a quarter of its em.
  static QVLayoutBox make(const QVPDF_CTMInfo& ctmInfo, double textWidth, int32_t scrpit, uint32_t item,
                          double spaceWidth);
};

// What stands for a space where a font gives it no width: a quarter of the em.
constexpr double kLayoutSpaceShareOfEm = 0.25;
// A gap of this share of the em parts two words whatever the spaces.
constexpr double kLayoutWordGapOfEm = 0.1;
// A mark at most this share of the height of the text after it.
constexpr double kLayoutMarkShare = 0.9;

// Whether the gap between two pieces of text on one line parts two words:
// half a space of either side, or a tenth of the em of the text before it,
// whichever is the least. Every join of the flowing layouts keeps this one
// rule, however small the text: a typewriter word's wide space must not
// swallow the gap before the word that follows it.
bool QVLayoutIsWordGap(double gap, double spaceBefore, double spaceAfter, double em);

// Where a blank that parts a text from what follows it goes in a Word
// document: before the invisible joiners and non-joiners that end it (the
// office application sets a blank after a zero-width non-joiner without
// width).
size_t QVLayoutBlankPosition(const std::string& text);

// Joins one text run after another in a paragraph's writing order: the run
// before gets a blank when the next stands a word gap after it, or, for a
// run of another row, starts half an em (of the smaller text) or more before
// the run before ends (a line of its own, not a letter kerned under its
// neighbour) or follows a smaller mark that leads it, unless either side
// already has a blank there; for a Word document (`beforeZeroWidth`) the
// blank goes before the invisible joiners that end the run. `previous` is
// the run that `before` follows in the paragraph, if any. Answers whether a
// blank was added. Runs are any record with `ctmInfo`, `textWidth`,
// `spaceWidth`, `rProperty` and `runText`.
template <class Run>
bool QVLayoutJoinWithBlank(Run& before, const Run& after, bool otherRow, bool beforeZeroWidth = false,
                           const Run* previous = nullptr) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  if (before.runText.empty() || after.runText.empty() || isBlank(before.runText.back()) ||
      isBlank(after.runText.front()))
    return false;
  const double gap = after.ctmInfo.bottomLeft.x - (before.ctmInfo.bottomLeft.x + before.textWidth);
  const double em = std::min(before.rProperty.sz, after.rProperty.sz);
  const bool lineOfItsOwn = otherRow && gap <= -std::max(1.0, 0.5 * em);
  // A smaller mark that stands higher or lower before the text it leads (a
  // footnote's number before the footnote) is read apart from it; one
  // kerned into its neighbour (the A of the LaTeX logo), or set close after
  // the text before it (the script of a letter: x², 𝜋²r), is part of a word.
  const double markHeight = before.ctmInfo.bottomLeft.y - before.ctmInfo.topLeft.y;
  const double textHeight = after.ctmInfo.bottomLeft.y - after.ctmInfo.topLeft.y;
  bool attached = false;
  if (previous) {
    const double lead = before.ctmInfo.bottomLeft.x - (previous->ctmInfo.bottomLeft.x + previous->textWidth);
    attached = lead > -std::max(1.0, 0.5 * markHeight) &&
               !QVLayoutIsWordGap(lead, previous->spaceWidth, before.spaceWidth, previous->rProperty.sz);
  }
  const bool leadingMark = otherRow && gap >= 0 && !attached && markHeight < kLayoutMarkShare * textHeight;
  if (!lineOfItsOwn && !leadingMark &&
      !QVLayoutIsWordGap(gap, before.spaceWidth, after.spaceWidth, before.rProperty.sz))
    return false;
  before.runText.insert(beforeZeroWidth ? QVLayoutBlankPosition(before.runText) : before.runText.size(), 1, ' ');
  if (gap > 0) before.textWidth += gap;
  return true;
}

// Moves a placement record across its line by dy (display space, down).
void QVLayoutMoveDown(QVPDF_CTMInfo& ctmInfo, double dy);

// The smallest (largest) value of a list, accumulated in single precision;
// a one-element list gives its value unconverted, an empty one `empty`.
template <class Range, class Projection, class Pick>
double QVLayoutFloatExtreme(const Range& range, Projection value, Pick pick, double empty) {
  auto it = std::begin(range);
  const auto end = std::end(range);
  if (it == end) return empty;
  const double first = value(*it);
  if (++it == end) return first;
  float m = static_cast<float>(first);
  for (; it != end; ++it) m = pick(m, static_cast<float>(value(*it)));
  return m;
}

template <class Range, class Projection>
double QVLayoutFloatMin(const Range& range, Projection value, double empty = 0.0) {
  return QVLayoutFloatExtreme(range, value, [](float a, float b) { return std::min(a, b); }, empty);
}

template <class Range, class Projection>
double QVLayoutFloatMax(const Range& range, Projection value, double empty = 0.0) {
  return QVLayoutFloatExtreme(range, value, [](float a, float b) { return std::max(a, b); }, empty);
}

// Runs of one line whose ends touch, left to right, with their measures
// taken once when the part is made.
struct QVLinePart {
  std::vector<const QVLayoutBox*> runs;

  double minTopY = 0;      // smallest top
  double maxBottomY = 0;   // largest bottom
  double minBaseLine = 0;  // smallest base line of the first run and the later runs on the base line
  double maxBaseLine = 0;  // largest of the same
  double leftX = 0;        // the first run's top-left x
  double rightX = 0;       // the last run's right end
  double space = 0;        // the widest blank of its runs

  QVLinePart() = default;
  explicit QVLinePart(std::vector<const QVLayoutBox*> partRuns);
  // Parts of one line that reach into each other as one part, its runs left
  // to right, measured as the widest of them.
  static QVLinePart joined(const std::vector<const QVLinePart*>& parts);
};

using QVLineSection = std::vector<QVLinePart>;   // the parts of one line, left to right
using QVLayoutColumn = std::vector<QVLinePart>;  // parts of a block in reading order
using QVLayoutRow = std::vector<QVLinePart>;     // the parts of one row, left to right

// A block: line sections whose vertical extents meet, held as its columns
// from left to right.
struct QVLayoutBlock {
  std::vector<QVLayoutColumn> columns;
};

struct QVPageLayoutPolicy {
  enum class ColumnExtent {
    AllParts,         // a column's top and bottom from all its parts
    FirstAndLastPart  // from its first part's top and its last part's bottom
  };

  bool touchingLinesJoin = false;
  ColumnExtent columnExtent = ColumnExtent::AllParts;

  // The Word page.
  static QVPageLayoutPolicy word();
};

class QVPageLayoutCore {
 public:
  // Two runs whose base lines differ by less are on one line; a run that
  // starts less than this before or after the previous one's end continues
  // its line part.
  static constexpr double kLineTolerance = 1.0;
  // Two parts of a column are in one row when their base lines differ by
  // less, and by less than half the em of the taller.
  static constexpr double kRowTolerance = 5.0;
  // A part within this of a column's running right edge, or within this
  // many of its blanks (the word gaps of large type set without blanks, as
  // a typewriter face's words placed one by one), belongs to it.
  static constexpr double kColumnTolerance = 8.0;
  static constexpr double kColumnGapOfBlanks = 1.5;
  // A part whose base line lies within this share of an em of a line's
  // continues that line in its column.
  static constexpr double kLineReachOfEm = 0.5;
  // A raised or lowered letter is at least this share of its line's em; a
  // smaller part is no letter of the line, nor does it continue it.
  static constexpr double kLeastScriptShare = 0.4;
  // The top of an empty line section, and where its top starts.
  static constexpr double kEmptySectionTop = 90000.0;
  // Work of the column regrouping (the parts it looks at) per part of the
  // column, beyond which the rest of the column keeps its base-line order:
  // a column whose every line stands apart from the next would otherwise
  // cost its size squared.
  static constexpr uint64_t kContinuationWorkPerPart = 64;
  static constexpr uint64_t kContinuationWorkFloor = 1 << 20;

  // A run that continues a drifting line starts no further than this many
  // of its ems after the run before it ends, is about as tall, and stands
  // within the line tolerance of it or this share of its em, the larger.
  static constexpr double kDriftGapOfEm = 1.0;
  static constexpr double kDriftOfEm = 0.15;
  static constexpr double kDriftSizeRatio = 0.8;
  // Runs looked at for the continuation of one run (those that start where
  // it ends, about level with it), beyond which it looks no further.
  static constexpr size_t kDriftLooks = 256;
  // A gutter between columns is at least this share of the page's usual em
  // (the median height of its line parts), and at least kLeastGutter wide.
  static constexpr double kGutterOfEm = 0.8;
  static constexpr double kLeastGutter = 3.0;
  // Every column of a band of columns holds text on at least this many lines
  // and is at least this many ems wide: the cells of a table, narrower, are
  // read row by row.
  static constexpr size_t kLeastColumnLines = 3;
  static constexpr double kLeastColumnEms = 10.0;
  // Work of the band search (slices looked at) per slice of the page.
  static constexpr uint64_t kBandWorkPerSlice = 64;

  explicit QVPageLayoutCore(QVPageLayoutPolicy policy) : policy_(policy) {}
  const QVPageLayoutPolicy& policy() const { return policy_; }

  // The whole grouping: the boxes' line sections in top-to-bottom order,
  // then the blocks with their columns. Where the page's text stands in
  // columns apart by a gutter that no line crosses, the lines beside each
  // other make one block of those columns, each read whole before the next.
  std::vector<QVLayoutBlock> layout(const std::vector<QVLayoutBox>& boxes) const;

  // Puts lines whose runs drift up or down word by word (a page scanned or
  // set askew) onto the base line of their first run: each run moves across
  // its line by what is answered for it (0 for every run of a line that
  // stays within the line tolerance), its box already moved. The caller
  // moves its own records of the runs by the same amounts.
  std::vector<double> straightenDriftingLines(std::vector<QVLayoutBox>& boxes) const;

  // ---- The steps, in the order the layout takes them.
  // The boxes from top to bottom by base line (earliest first on ties).
  std::vector<const QVLayoutBox*> topOrder(const std::vector<QVLayoutBox>& boxes) const;
  // The lines of runs given in top order: the first remaining run and every
  // later one, wherever it stands, on its line; each line in the order of
  // the list.
  std::vector<std::vector<const QVLayoutBox*>> lines(const std::vector<const QVLayoutBox*>& ordered) const;
  // A line from left to right (earliest first on ties).
  static void orderLeftToRight(std::vector<const QVLayoutBox*>& line);
  // A left-to-right line cut into parts where a run starts a line tolerance
  // or more away from the previous run's end.
  static QVLineSection lineSection(const std::vector<const QVLayoutBox*>& line);
  // Line sections in top order cut into blocks: leading stretches whose
  // vertical extents overlap (or touch, as the policy says).
  std::vector<std::vector<QVLineSection>> blocks(std::vector<QVLineSection> sections) const;
  // The columns of a block, from left to right, each in reading order.
  std::vector<QVLayoutColumn> columns(const std::vector<QVLineSection>& block) const;
  // Puts a column's parts into reading order.
  void orderColumn(QVLayoutColumn& column) const;
  // A column in reading order cut into rows, each from left to right.
  std::vector<QVLayoutRow> rows(const QVLayoutColumn& column) const;

  // The bands of columns among blocks in top order: a stretch of
  // blocks, the gutters' middles that part its columns, left to right.
  struct ColumnBand {
    size_t first = 0, last = 0;  // blocks, both included
    std::vector<double> cuts;
  };
  std::vector<ColumnBand> columnBands(const std::vector<std::vector<QVLineSection>>& blocks) const;

  // ---- Measures.
  static double topYOfLineSect(const QVLineSection& section);     // from 90000
  static double bottomYOfLineSect(const QVLineSection& section);  // from 0
  static double minLeftXOfColumn(const QVLayoutColumn& column);
  static double minLeftXOfColumnSect(const std::vector<QVLayoutRow>& rows);
  double minTopYOfColumn(const QVLayoutColumn& column) const;
  double maxBottomYOfColumn(const QVLayoutColumn& column) const;
  double minTopYOfDiv(const QVLayoutBlock& block) const;
  double maxBottomYOfDiv(const QVLayoutBlock& block) const;

  // The parts of a column ordered by base line that continue the line of
  // the first, starting with it (one step of the Word column order); the
  // positions taken, ascending. `tallest` is the tallest em of the column
  // (0: of these parts).
  static std::vector<size_t> continuingParts(const std::vector<const QVLinePart*>& parts, double tallest = 0);

 private:
  void orderByContinuation(QVLayoutColumn& column) const;

  QVPageLayoutPolicy policy_;
};
