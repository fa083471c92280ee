#include "docx/QVDocxPage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "convert/QVLineReadingOrder.h"
#include "docx/QVDocxOfficeFonts.h"
#include "docx/QVDocxRunImage.h"
#include "docx/QVDocxRunShapeGroup.h"
#include "docx/QVDocxRunTextBox.h"
#include "docx/QVDocxUtilities.h"

namespace {

// The narrowest column a section gets: a column that would be narrower (it
// starts beyond an edge of the page) joins its neighbour.
constexpr double kMinColumnWidth = 1.0;
// The base lines of two runs that merge differ by less than this.
constexpr double kMergeBaseLineTolerance = 1.0;
// A run that starts up to this far before the previous one's end still
// joins it (as if it touched).
constexpr double kMergeOverlap = 2.0;
// One blank stands for this many space widths of a wider gap.
constexpr float kBlankWidthFactor = 1.2f;
// The least a blank paragraph keeps when a page's paragraphs shrink to fit.
constexpr double kLeastBlankHeight = 1.0;
// What a page that must shrink leaves free at its foot: the applications
// round every height to whole twentieths of a point.
constexpr double kFitSlack = 2.0;
// What a line reaching beyond its column may take beyond what the page
// shows, for the application's rounding.
constexpr double kOverhangSlack = 2.0;
// The most runs a page looks at to find room for lines beyond their columns.
constexpr size_t kOverhangLookBudget = 4'000'000;
// The smallest and the largest share of the line's size a raised or
// lowered script has.
constexpr double kLeastScriptShare = 0.4;
constexpr double kMostScriptShare = 0.9;

// Runs whose font, size, scale and spacing are equal share a width unit.
struct FontClass {
  bool hasName = false;
  std::string_view name;
  uint32_t sz = 0, w = 0, spacing = 0;
  bool operator==(const FontClass&) const = default;
};

struct FontClassHash {
  size_t operator()(const FontClass& k) const {
    size_t h = std::hash<std::string_view>()(k.name);
    for (uint32_t v : {k.sz, k.w, k.spacing, static_cast<uint32_t>(k.hasName)}) h = h * 1000003u ^ v;
    return h;
  }
};

uint32_t floatKey(float v) { return std::bit_cast<uint32_t>(v + 0.0f); }

// None for a record that equals nothing (a NaN never compares equal).
std::optional<FontClass> fontClassOf(const QVDocx_RPr& r) {
  if (std::isnan(r.sz) || std::isnan(r.w) || std::isnan(r.spacing)) return std::nullopt;
  FontClass k;
  k.hasName = r.rFonts.ascii != nullptr;
  k.name = QVDocx_FontNameText(r.rFonts.ascii);
  k.sz = floatKey(r.sz);
  k.w = floatKey(r.w);
  k.spacing = floatKey(r.spacing);
  return k;
}

// The widths a run offers to the width unit of its class: its space width
// and its text width, where each is above a point.
float offeredWidth(const QVDocxRunText& run) {
  float unit = std::numeric_limits<float>::infinity();
  if (run.spaceWidth > 1.0) unit = std::min(unit, static_cast<float>(run.spaceWidth));
  if (run.textWidth > 1.0) unit = std::min(unit, static_cast<float>(run.textWidth));
  return unit;
}

std::vector<double> textRunValues(const QVDocxParagraph& p, double (*value)(const QVDocxRunText&)) {
  std::vector<double> values;
  values.reserve(p.runArray.size());
  for (const auto& run : p.runArray)
    if (const QVDocxRunText* text = run->asText()) values.push_back(value(*text));
  return values;
}

double paragraphTop(const QVDocxParagraph& p) {
  const auto tops = textRunValues(p, [](const QVDocxRunText& r) { return r.ctmInfo.topLeft.y; });
  return QVLayoutFloatMin(tops, [](double v) { return v; });
}

double paragraphBottom(const QVDocxParagraph& p) {
  const auto bottoms = textRunValues(p, [](const QVDocxRunText& r) { return r.ctmInfo.bottomLeft.y; });
  return QVLayoutFloatMax(bottoms, [](double v) { return v; });
}

// Appends runs of the same row, or of another row, to a paragraph, each
// text joined to the text before it.
void appendJoined(QVDocxParagraph& p, const std::vector<std::shared_ptr<QVDocxRun>>& more, bool otherRow) {
  for (const auto& run : more) {
    if (const QVDocxRunText* next = run->asText())
      if (QVDocxRunText* last = p.lastRunText()) {
        // The text the last text follows, if any.
        const QVDocxRunText* previous = nullptr;
        for (auto it = p.runArray.rbegin(); it != p.runArray.rend() && !previous; ++it)
          if (const QVDocxRunText* text = (*it)->asText(); text && text != last) previous = text;
        QVLayoutJoinWithBlank(*last, *next, otherRow, true, previous);
      }
    otherRow = false;
    p.runArray.push_back(run);
  }
}

void endSection(QVDocxParagraph& p) {
  p.sectProperty.write = true;
  p.sectProperty.type = 1;
}

// The right edge of the paragraph's column: the section's columns follow
// each other from the page's left edge.
double columnRight(const QVDocxParagraph& p) {
  const QVDocx_SectPr& s = p.sectProperty;
  if (s.cols.num >= 2 && s.cols.col) {
    double start = 0;
    for (const QVDocx_Col& c : *s.cols.col) {
      start += c.w;
      if (p.xColumnPosition + kMinColumnWidth / 2 < start) return start;
    }
  }
  return s.pgSz.w;
}

// The width a paragraph's line has: from its indentation to its column's
// right edge (the page's right edge, the sections having no right margin).
double availableWidth(const QVDocxParagraph& p) {
  return columnRight(p) - p.xColumnPosition - std::max(0.0f, p.pProperty.ind.left);
}

// How far the paragraph's line may reach beyond its column's right edge
// when it needs `wanted`: as far as the page leaves room beside it (a line
// of a narrow column that the page sets across the column beside it, where
// that column has nothing at the line's height), never beyond the page.
// The runs looked at are counted against `budget`: a page of thousands of
// such lines gets no room once it is spent.
double overhangRoom(const QVDocxParagraph& p, double wanted, const std::vector<QVDocxParagraph>& page,
                    size_t& budget) {
  if (p.pProperty.bidi || !(wanted > 0)) return 0;
  const double edge = columnRight(p);
  double room = std::clamp(wanted, 0.0, std::max(0.0, p.sectProperty.pgSz.w - edge));
  if (!(room > 0)) return 0;
  const double top = paragraphTop(p), bottom = paragraphBottom(p);
  for (const QVDocxParagraph& other : page)
    for (const auto& run : other.runArray) {
      if (budget == 0) return 0;
      --budget;
      const QVDocxRunText* text = run->asText();
      if (!text || &other == &p) continue;
      const double left = text->ctmInfo.bottomLeft.x, right = left + text->textWidth;
      if (right <= edge || text->ctmInfo.bottomLeft.y <= top || text->ctmInfo.topLeft.y >= bottom) continue;
      room = std::min(room, std::max(0.0, left - edge - kOverhangSlack));
    }
  return room;
}

// A paragraph whose line holds right-to-left text gets its runs in reading
// order; one that reads from the right keeps its place on the page by an
// indentation from its column's right edge.
void putInReadingOrder(QVDocxParagraph& p) {
  std::vector<std::string_view> texts;
  texts.reserve(p.runArray.size());
  double lineRight = 0;
  for (const auto& run : p.runArray) {
    const QVDocxRunText* text = run->asText();
    if (!text) return;
    texts.push_back(text->runText);
    lineRight = std::max(lineRight, text->ctmInfo.bottomLeft.x + text->textWidth);
  }
  std::optional<QVLineReading> reading = QVLineReadingOrder(texts);
  if (!reading) return;
  std::vector<std::shared_ptr<QVDocxRun>> ordered;
  ordered.reserve(p.runArray.size());
  for (QVReadingPiece& piece : reading->pieces) {
    const std::shared_ptr<QVDocxRun>& run = p.runArray[piece.piece];
    QVDocxRunText& text = *run->asText();
    text.runText = std::move(piece.text);
    text.rProperty.rtl = QVHoldsRightToLeft(text.runText);
    ordered.push_back(run);
  }
  p.runArray = std::move(ordered);
  if (!reading->rightToLeft) return;
  p.pProperty.bidi = true;
  p.pProperty.ind.left = static_cast<float>(std::max(0.0, columnRight(p) - lineRight));
}

}  // namespace

QVDocxPage::QVDocxPage(platform::Size pageSize) : sectProperty(QVDocxUtilities::defaultSectProperty()) {
  sectProperty.write = true;
  sectProperty.type = 1;
  sectProperty.pgSz = {static_cast<float>(pageSize.width), static_cast<float>(pageSize.height)};
  sectProperty.cols.num = 0;
  sectProperty.cols.sep = false;
  sectProperty.cols.space = 36.0f;
  sectProperty.cols.equalWidth = 0.0f;
  // No document grid: the paragraphs have exact line heights of their own,
  // and an application that snaps every line to a grid pitch makes the
  // page's lines taller than they are, until the page overflows.
  sectProperty.docGrid = {};
}

void QVDocxPage::begainWritePage(int64_t) { paragraphArray.clear(); }

size_t QVDocxPage::maxBlankParagraphs(double step) const {
  const double height = sectProperty.pgSz.h;
  if (!(step > 0) || !(height > 0)) return 1;
  return static_cast<size_t>(
      std::clamp(std::ceil(height / step), 1.0, static_cast<double>(QVDocxParagraph::kMaxBlankParagraphs)));
}

int32_t QVDocxPage::maxBlanks() const {
  const double width = sectProperty.pgSz.w;
  if (!(width >= 1)) return 1;
  return static_cast<int32_t>(std::min(std::ceil(width), 100000.0));
}

// ---------------------------------------------------------------------------
// Run merging

std::vector<std::shared_ptr<QVDocxRunText>> QVDocxPage::mergeRuns(
    const std::vector<std::shared_ptr<QVDocxRunText>>& runs) const {
  const size_t n = runs.size();
  // The width unit of a run is the smallest width that the runs after it of
  // its font class offer. The runs not yet merged are always the list from
  // the group's first run on, so one pass from the end gives every unit.
  std::vector<std::optional<float>> unitAfter(n);
  {
    std::unordered_map<FontClass, float, FontClassHash> smallest;
    for (size_t i = n; i-- > 0;) {
      const std::optional<FontClass> k = fontClassOf(runs[i]->rProperty);
      if (!k) continue;
      auto found = smallest.find(*k);
      if (found != smallest.end() && std::isfinite(found->second)) unitAfter[i] = found->second;
      const float offered = offeredWidth(*runs[i]);
      if (found == smallest.end())
        smallest.emplace(*k, offered);
      else
        found->second = std::min(found->second, offered);
    }
  }

  const int32_t blanksBound = maxBlanks();
  std::vector<std::shared_ptr<QVDocxRunText>> merged;
  std::vector<std::shared_ptr<QVDocxRunText>> group;
  size_t i = 0;
  while (i < n) {
    const std::shared_ptr<QVDocxRunText>& first = runs[i];
    double unit = first->spaceWidth;
    if (unitAfter[i]) unit = std::min(static_cast<float>(unit), *unitAfter[i]);
    // Runs that know no space width still have their words apart: a space
    // is about a quarter of the em.
    if (!(unit > 0)) unit = first->rProperty.sz * kLayoutSpaceShareOfEm;
    const double half = static_cast<float>(unit * 0.5);
    uint64_t expected = first->drawIndex + 1;
    const double baseLine = first->ctmInfo.yBase;
    double right = first->ctmInfo.xLeft + first->textWidth;

    group.assign(1, first);
    size_t j = i + 1;
    for (; j < n; ++j) {
      QVDocxRunText& run = *runs[j];
      if (run.drawIndex != expected) break;
      if (!(std::fabs(run.ctmInfo.yBase - baseLine) < kMergeBaseLineTolerance)) break;
      if (!QVRunPrIsEqual(run.rProperty, first->rProperty)) break;
      double gap = run.ctmInfo.xLeft - right;
      if (gap < -kMergeOverlap) break;
      if (gap < 0) gap = 0;
      // Whether the gap parts two words is the rule of every join, so that
      // small text set word by word keeps its words apart; how many blanks
      // a wider gap makes is measured in the width unit.
      if (QVLayoutIsWordGap(gap, runs[j - 1]->spaceWidth, run.spaceWidth, first->rProperty.sz)) {
        // The blanks go before the invisible joiners that end the run before.
        std::string& previous = runs[j - 1]->runText;
        const size_t at = QVLayoutBlankPosition(previous);
        run.runText.insert(0, previous, at);
        previous.erase(at);
        if (gap < half + unit) {
          run.runText.insert(0, 1, ' ');
        } else {
          const double quotient = std::max(gap / (unit * static_cast<double>(kBlankWidthFactor)), 1.0);
          // A unit of almost nothing would make a gap of a few points
          // millions of blanks: the page's width bounds them. A unit of
          // nothing at all gives none.
          if (std::isfinite(quotient)) {
            const double blanks = std::min(std::trunc(quotient), static_cast<double>(blanksBound));
            run.runText.insert(0, static_cast<size_t>(blanks), ' ');
          }
        }
        run.textWidth += gap;
        run.ctmInfo.xLeft = right;
        run.ctmInfo.topLeft.x = right;
        run.ctmInfo.bottomLeft.x = right;
        run.ctmInfo.xRight = right + run.textWidth;
      }
      group.push_back(runs[j]);
      right = run.ctmInfo.xLeft + run.textWidth;
      expected = run.drawIndex + 1;
    }
    // Strings of right-to-left text stay runs of their own, with the blanks
    // that part them: the line puts them in reading order once it is whole.
    if (std::any_of(group.begin(), group.end(), [](const auto& r) { return QVHoldsRightToLeft(r->runText); }))
      merged.insert(merged.end(), group.begin(), group.end());
    else
      merged.push_back(_mergeRunArray(group));
    i = j;
  }
  return merged;
}

std::shared_ptr<QVDocxRunText> QVDocxPage::_mergeRunArray(const std::vector<std::shared_ptr<QVDocxRunText>>& group) {
  if (group.empty()) return nullptr;
  const std::shared_ptr<QVDocxRunText>& first = group.front();
  if (group.size() == 1) return first;
  float space = static_cast<float>(first->spaceWidth);
  float top = static_cast<float>(first->ctmInfo.topLeft.y);
  float bottom = static_cast<float>(first->ctmInfo.bottomLeft.y);
  double endX = first->ctmInfo.xLeft + first->textWidth;
  size_t length = first->runText.size();
  for (size_t k = 1; k < group.size(); ++k) length += group[k]->runText.size();
  first->runText.reserve(length);
  for (size_t k = 1; k < group.size(); ++k) {
    const QVDocxRunText& run = *group[k];
    first->runText += run.runText;
    space = std::min(space, static_cast<float>(run.spaceWidth));
    top = std::min(top, static_cast<float>(run.ctmInfo.topLeft.y));
    bottom = std::max(bottom, static_cast<float>(run.ctmInfo.bottomLeft.y));
    endX = run.ctmInfo.xLeft + run.textWidth;
  }
  first->ctmInfo.topLeft.y = top;
  first->ctmInfo.bottomLeft.y = bottom;
  first->textWidth = std::fabs(endX - first->ctmInfo.xLeft);
  first->spaceWidth = space;
  return first;
}

// ---------------------------------------------------------------------------
// Paragraph building

QVDocx_SectPr QVDocxPage::blockSection(int32_t columnCount,
                                       std::shared_ptr<const std::vector<QVDocx_Col>> columns) const {
  QVDocx_SectPr s = QVDocxUtilities::defaultSectProperty();
  s.write = false;
  s.type = 1;
  s.pgSz = sectProperty.pgSz;
  s.pgMar = sectProperty.pgMar;
  s.docGrid = sectProperty.docGrid;
  if (columnCount >= 2 && columns) {
    s.cols = {columnCount, false, 0.0f, 0.0f, std::move(columns)};
  } else {
    s.cols = {1, false, 0.0f, 720.0f, nullptr};
  }
  return s;
}

namespace {

// The section columns of a block: each column reaches from its own left
// edge (the page's left edge for the first) to the next column's, the last
// to the page's right edge. A column that would have no width left, because
// it starts beyond an edge of the page, joins its neighbour first, parts and
// all, so that the section has as many columns as the paragraphs break into.
std::vector<QVDocx_Col> fitColumns(std::vector<QVLayoutColumn>& columns, const QVPageLayoutCore& core,
                                   double pageWidth) {
  const double width = pageWidth > 0 ? pageWidth : 0;
  while (columns.size() >= 2) {
    const size_t n = columns.size();
    std::vector<double> bounds(n);
    for (size_t j = 0; j + 1 < n; ++j) bounds[j] = std::clamp(core.minLeftXOfColumn(columns[j + 1]), 0.0, width);
    bounds[n - 1] = width;
    size_t narrow = n;
    double previous = 0;
    for (size_t j = 0; j < n; ++j) {
      if (!(bounds[j] - previous >= kMinColumnWidth)) {
        narrow = j;
        break;
      }
      previous = bounds[j];
    }
    if (narrow == n) {
      std::vector<QVDocx_Col> entries(n);
      previous = 0;
      for (size_t j = 0; j < n; ++j) {
        entries[j] = {0.0f, static_cast<float>(bounds[j] - previous)};
        previous = bounds[j];
      }
      return entries;
    }
    const size_t keep = narrow + 1 < n ? narrow : narrow - 1;
    QVLayoutColumn& into = columns[keep];
    QVLayoutColumn& from = columns[keep + 1];
    into.insert(into.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    core.orderColumn(into);
    columns.erase(columns.begin() + static_cast<std::ptrdiff_t>(keep) + 1);
  }
  return {};
}

double columnRight(const QVLayoutColumn& column) {
  return QVLayoutFloatMax(column, [](const QVLinePart& p) { return p.rightX; });
}

// Whether the next block continues the block above it in the same columns:
// as many columns, each overlapping its counterpart across and starting
// before the counterpart's right neighbour, and no more than a line of its
// own apart. One column continues one column whatever the gap between
// them; the spacing pass fills it.
bool continuesColumns(const QVPageLayoutCore& core, const QVLayoutBlock& above, const QVLayoutBlock& next) {
  const size_t n = above.columns.size();
  if (n != next.columns.size() || n == 0) return false;
  if (n == 1) return true;
  const double top = core.minTopYOfDiv(next);
  const double gap = top - core.maxBottomYOfDiv(above);
  double line = 0;
  for (const QVLayoutColumn& column : next.columns)
    for (const QVLinePart& part : column) line = std::max(line, part.maxBottomY - part.minTopY);
  if (gap > line) return false;
  for (size_t k = 0; k < n; ++k) {
    const double left = QVPageLayoutCore::minLeftXOfColumn(next.columns[k]);
    const double right = columnRight(next.columns[k]);
    if (left > columnRight(above.columns[k]) + QVPageLayoutCore::kColumnTolerance) return false;
    if (right < QVPageLayoutCore::minLeftXOfColumn(above.columns[k]) - QVPageLayoutCore::kColumnTolerance)
      return false;
    if (k + 1 < n && !(left < QVPageLayoutCore::minLeftXOfColumn(above.columns[k + 1]))) return false;
    if (k > 0 && !(QVPageLayoutCore::minLeftXOfColumn(above.columns[k]) > columnRight(next.columns[k - 1])))
      return false;
  }
  return true;
}

// Whether text of one size may be a script of text of the other, raised or
// lowered within its line: a script is set at the line's size and shown
// smaller, so a label far smaller than a big letter beside it, taken for its
// script, would be shown many times its size; and a word of the line's own
// size that stands a little higher or lower is no script at all.
bool scriptSizes(double a, double b) {
  const double larger = std::max(a, b), smaller = std::min(a, b);
  return larger > 0 && smaller >= kLeastScriptShare * larger && smaller <= kMostScriptShare * larger;
}

// Blocks that continue the block above them in its columns join it, each
// column below its counterpart: a page of text then makes one section per
// band of columns rather than one per line. Lines set with ordinary leading
// do not meet, and a section of its own for each of them, or for each row of
// a page set in columns, leaves the application to balance every row.
std::vector<QVLayoutBlock> joinContinuingBlocks(const QVPageLayoutCore& core, std::vector<QVLayoutBlock> blocks) {
  std::vector<QVLayoutBlock> joined;
  joined.reserve(blocks.size());
  for (QVLayoutBlock& block : blocks) {
    if (!joined.empty() && continuesColumns(core, joined.back(), block)) {
      for (size_t k = 0; k < block.columns.size(); ++k) {
        QVLayoutColumn& into = joined.back().columns[k];
        into.insert(into.end(), std::make_move_iterator(block.columns[k].begin()),
                    std::make_move_iterator(block.columns[k].end()));
      }
    } else {
      joined.push_back(std::move(block));
    }
  }
  return joined;
}

// A section of several columns whose every column is one line, all on one
// base line (a row of a table, labels side by side), is one line of the
// page: one paragraph whose later parts start at tab stops where the page
// shows them. An application slows down with every section a document
// holds, and a book of such rows holds thousands.
constexpr double kOneLineTolerance = 2.0;

bool isOneLineSection(const std::vector<QVDocxParagraph>& page, size_t first, size_t last) {
  const QVDocx_SectPr& s = page[last].sectProperty;
  if (s.cols.num < 2 || !s.cols.col || last - first + 1 != static_cast<size_t>(s.cols.num)) return false;
  const QVDocxRunText* head = page[first].firstRunText();
  if (!head) return false;
  for (size_t i = first; i <= last; ++i) {
    const QVDocxRunText* text = page[i].firstRunText();
    if (!text || page[i].breakColumn || std::fabs(text->ctmInfo.yBase - head->ctmInfo.yBase) > kOneLineTolerance)
      return false;
  }
  return true;
}

QVDocxParagraph joinOneLine(std::vector<QVDocxParagraph>& page, size_t first, size_t last) {
  QVDocxParagraph line = std::move(page[first]);
  line.sectProperty.cols = {1, false, 0.0f, 720.0f, nullptr};
  line.xColumnPosition = 0;
  line.pProperty.ind.left = static_cast<float>(line.firstRunText()->ctmInfo.bottomLeft.x);
  for (size_t i = first + 1; i <= last; ++i) {
    QVDocxParagraph& part = page[i];
    const double x = part.firstRunText()->ctmInfo.bottomLeft.x;
    line.runArray.push_back(QVDocxRunTab::RunTapWithTabPostion(x, 0));
    line.runArray.insert(line.runArray.end(), part.runArray.begin(), part.runArray.end());
    line.pProperty.spacing.line = std::max(line.pProperty.spacing.line, part.pProperty.spacing.line);
  }
  line.sectProperty.write = page[last].sectProperty.write;
  line.sectProperty.type = page[last].sectProperty.type;
  return line;
}

// Only between sections of one column: beside sections of several columns,
// whose heights the application balances its own way, the line would move
// what follows.
void joinOneLineSections(std::vector<QVDocxParagraph>& page) {
  // Where each section ends.
  std::vector<size_t> ends;
  for (size_t i = 0; i < page.size(); ++i)
    if (page[i].sectProperty.write) ends.push_back(i);
  // Each section: 1 of one column, 2 one line of several, 0 otherwise.
  std::vector<int> kind(ends.size());
  for (size_t e = 0, start = 0; e < ends.size(); start = ends[e] + 1, ++e) {
    const QVDocx_SectPr& s = page[ends[e]].sectProperty;
    kind[e] = s.cols.num < 2 || !s.cols.col ? 1 : isOneLineSection(page, start, ends[e]) ? 2 : 0;
  }
  std::vector<QVDocxParagraph> out;
  out.reserve(page.size());
  size_t start = 0;
  for (size_t e = 0; e < ends.size(); ++e) {
    const size_t i = ends[e];
    if (kind[e] == 2 && (e == 0 || kind[e - 1] != 0) && (e + 1 == ends.size() || kind[e + 1] != 0)) {
      out.push_back(joinOneLine(page, start, i));
    } else {
      for (size_t k = start; k <= i; ++k) out.push_back(std::move(page[k]));
    }
    start = i + 1;
  }
  for (size_t k = start; k < page.size(); ++k) out.push_back(std::move(page[k]));
  page = std::move(out);
}

// The height a page's paragraphs take in the flow when each is `height`
// tall: each section as tall as its tallest column, the sections one below
// the other.
template <class Height>
double flowHeight(const std::vector<QVDocxParagraph>& paragraphs, Height height) {
  double total = 0, column = 0, section = 0;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    const QVDocxParagraph& p = paragraphs[i];
    if (p.breakColumn) {
      section = std::max(section, column);
      column = 0;
    }
    column += height(i);
    if (p.sectProperty.write) {
      total += std::max(section, column);
      section = column = 0;
    }
  }
  return total + std::max(section, column);
}

// Sections of one column that follow each other are one section: a page
// of running text and tables breaks into a section at every change of
// columns, and an application slows down with every section a document
// holds, with thousands of them in a book.
void joinSingleColumnSections(std::vector<QVDocxParagraph>& paragraphs) {
  auto single = [](const QVDocx_SectPr& s) { return s.cols.num < 2 || !s.cols.col; };
  QVDocxParagraph* previousEnd = nullptr;
  for (QVDocxParagraph& p : paragraphs) {
    if (!p.sectProperty.write) continue;
    if (previousEnd && single(previousEnd->sectProperty) && single(p.sectProperty))
      previousEnd->sectProperty.write = false;
    previousEnd = &p;
  }
}

// Paragraphs whose exact heights add up to more than the page holds would
// spill their last lines onto a page of their own, and every later page
// would start out of step. Their heights shrink together, blank paragraphs
// down to a point and lines of text no lower than their font size, until
// the page holds them; a page that holds them is left as it is.
// A paragraph the office application breaks into several lines (one wider
// than its column, which no narrowing could make fit) counts as tall as all
// of them.
void fitToPage(std::vector<QVDocxParagraph>& paragraphs, double available) {
  if (paragraphs.empty() || !(available > 0)) return;
  std::vector<double> full(paragraphs.size()), least(paragraphs.size()), lines(paragraphs.size(), 1.0);
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    const QVDocx_Spacing& sp = paragraphs[i].pProperty.spacing;
    if (!paragraphs[i].runArray.empty())
      lines[i] = static_cast<double>(QVDocxOfficeFonts::lineCount(paragraphs[i], availableWidth(paragraphs[i])));
    full[i] = std::max(0.0, static_cast<double>(sp.line)) * lines[i] + std::max(0.0f, sp.before) +
              std::max(0.0f, sp.after);
    const double floor =
        paragraphs[i].runArray.empty() ? kLeastBlankHeight : paragraphs[i].rProperty.sz * lines[i];
    least[i] = std::min(full[i], floor);
  }
  auto at = [&](double f) {
    return flowHeight(paragraphs, [&](size_t i) { return least[i] + f * (full[i] - least[i]); });
  };
  if (at(1.0) <= available) return;
  double lo = 0, hi = 1;
  for (int step = 0; step < 24; ++step) {
    const double mid = (lo + hi) / 2;
    (at(mid) <= available ? lo : hi) = mid;
  }
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    QVDocx_Spacing& sp = paragraphs[i].pProperty.spacing;
    if (full[i] <= least[i] || !sp.lineRule) continue;
    const double extra = std::max(0.0f, sp.before) + std::max(0.0f, sp.after);
    sp.line = static_cast<float>(std::max(0.0, least[i] + lo * (full[i] - least[i]) - extra) / lines[i]);
  }
}

}  // namespace

void QVDocxPage::_creatParagraphs() {
  const QVPageLayoutCore core(QVPageLayoutPolicy::word());
  auto boxesOf = [](const std::vector<std::shared_ptr<QVDocxRunText>>& runs) {
    std::vector<QVLayoutBox> boxes;
    boxes.reserve(runs.size());
    for (size_t k = 0; k < runs.size(); ++k)
      boxes.push_back(
          QVLayoutBox::make(runs[k]->ctmInfo, runs[k]->textWidth, runs[k]->rProperty.scrpit, static_cast<uint32_t>(k),
                            runs[k]->spaceWidth));
    return boxes;
  };
  // A line drifting word by word is put straight first, so that its words
  // merge as the words of any line do.
  {
    std::vector<QVLayoutBox> drawn = boxesOf(allRunTextArray);
    const std::vector<double> moves = core.straightenDriftingLines(drawn);
    for (size_t k = 0; k < allRunTextArray.size(); ++k)
      if (moves[k] != 0) QVLayoutMoveDown(allRunTextArray[k]->ctmInfo, moves[k]);
  }
  const std::vector<std::shared_ptr<QVDocxRunText>> runs = mergeRuns(allRunTextArray);
  if (runs.empty()) return;
  std::vector<QVLayoutBox> boxes = boxesOf(runs);
  std::vector<QVLayoutBlock> blocks = joinContinuingBlocks(core, core.layout(boxes));

  // The runs of a line part, each joined to the one before it.
  auto runsOf = [&](const QVLinePart& part) {
    std::vector<std::shared_ptr<QVDocxRun>> out;
    out.reserve(part.runs.size());
    for (size_t i = 0; i < part.runs.size(); ++i) {
      const std::shared_ptr<QVDocxRunText>& run = runs[part.runs[i]->item];
      if (i > 0) QVLayoutJoinWithBlank(*runs[part.runs[i - 1]->item], *run, false, true);
      out.push_back(run);
    }
    return out;
  };

  std::vector<QVDocxParagraph> page;
  double previousBottom = 0;
  for (size_t bi = 0; bi < blocks.size(); ++bi) {
    QVLayoutBlock& block = blocks[bi];
    double top = core.minTopYOfDiv(block);
    double gap = 0;
    if (bi == 0) {
      float topMargin;
      if (top <= kMaxTopMargin) {
        topMargin = static_cast<float>(top);
      } else {
        topMargin = static_cast<float>(kMaxTopMargin);
        gap = top - kMaxTopMargin;
      }
      sectProperty.pgMar = {topMargin, 0, 0, 0, 0, 0, 0};
    } else {
      gap = top - previousBottom;
    }
    previousBottom = core.maxBottomYOfDiv(block);

    std::vector<QVDocx_Col> entries = fitColumns(block.columns, core, sectProperty.pgSz.w);
    const int32_t columnCount = static_cast<int32_t>(block.columns.size());
    const QVDocx_SectPr section = blockSection(
        columnCount, entries.empty() ? nullptr : std::make_shared<const std::vector<QVDocx_Col>>(std::move(entries)));
    if (gap > 0) top -= gap;

    if (!page.empty() && columnCount != 1) {
      if (page.back().runArray.empty()) {
        QVDocxParagraph carrier;
        carrier.rProperty = page.back().rProperty;
        carrier.pProperty = page.back().pProperty;
        carrier.sectProperty = page.back().sectProperty;
        page.push_back(std::move(carrier));
      }
      endSection(page.back());
    }

    for (size_t k = 0; k < block.columns.size(); ++k) {
      const std::vector<QVLayoutRow> rows = core.rows(block.columns[k]);
      const double columnLeft = k == 0 ? 0.0 : QVPageLayoutCore::minLeftXOfColumnSect(rows);
      std::vector<QVDocxParagraph> accepted;
      double reference = top;
      for (const QVLayoutRow& row : rows) {
        const QVLinePart& firstPart = row.front();
        const double bottom = firstPart.maxBottomY;
        const double dy = bottom - reference;
        QVDocxParagraph fresh(runsOf(firstPart));
        fresh.sectProperty = section;
        fresh.xColumnPosition = columnLeft;
        fresh.resolveColumnProperty();
        const float L = fresh.pProperty.spacing.line;
        const float S = fresh.rProperty.sz;
        QVDocxParagraph* previous = accepted.empty() ? nullptr : &accepted.back();
        const float Lp = previous ? previous->pProperty.spacing.line : 0.0f;
        const float Sp = previous ? previous->rProperty.sz : 0.0f;
        const double halfL = static_cast<float>(L / 2.0);

        // What the row's vertical step makes of it: a paragraph of its own
        // (its line height set to the step where the step is the line's),
        // or a part of the previous paragraph, raised or lowered when its
        // size differs.
        bool add = true, setLine = false, toBottom = true, resolvePrevious = false;
        int32_t previousScript = 0, freshScript = 0;
        if (dy > 0 && dy - L > L) {
        } else if (dy > 0 && L < dy && dy - L <= L) {
          setLine = true;
        } else if (halfL < dy && dy <= L) {
          setLine = previous != nullptr;
        } else if (0 < dy && dy <= halfL) {
          if (!previous) {
          } else if (S == Sp) {
            add = false;
            resolvePrevious = true;
          } else if (!scriptSizes(S, Sp)) {
            setLine = true;
          } else if (L > Lp) {
            add = false;
            previousScript = 1;
            resolvePrevious = true;
          } else if (dy <= S) {
            add = false;
            freshScript = 2;
            toBottom = false;
          } else {
            setLine = true;
          }
        } else if (-1.0 < dy && dy <= 0) {
          if (previous) {
            add = false;
            toBottom = false;
          }
        } else if (previous && scriptSizes(S, Sp)) {
          add = false;
          if (L <= Lp) {
            freshScript = 1;
            toBottom = false;
          } else {
            previousScript = 2;
            resolvePrevious = true;
          }
        }

        QVDocxParagraph* current;
        if (add) {
          if (setLine) fresh.pProperty.spacing.line = static_cast<float>(dy);
          accepted.push_back(std::move(fresh));
          current = &accepted.back();
        } else {
          if (previousScript) previous->setRPropertyScrpit(previousScript, S);
          if (freshScript) fresh.setRPropertyScrpit(freshScript, Sp);
          appendJoined(*previous, fresh.runArray, true);
          if (resolvePrevious) {
            previous->resolveProperty();
            previous->resolveColumnProperty();
          }
          current = previous;
        }
        if (toBottom) reference = bottom;

        // A row of small text can hold parts of two lines set closer than
        // the row's tolerance: a part of another line is joined as a row.
        for (size_t j = 1; j < row.size(); ++j)
          appendJoined(*current, runsOf(row[j]),
                       std::fabs(row[j].maxBaseLine - row[j - 1].maxBaseLine) >= QVPageLayoutCore::kLineTolerance);
      }
      if (accepted.size() > 1 && k > 0) accepted.front().breakColumn = true;
      for (QVDocxParagraph& p : accepted) page.push_back(std::move(p));
    }
    if (page.size() > 1) endSection(page.back());
  }

  joinOneLineSections(page);

  // Spacing: blank paragraphs for the space above the first paragraph and
  // for gaps wider than a line; narrower gaps widen the line above.
  std::vector<QVDocxParagraph> spaced;
  if (!page.empty()) {
    spaced.reserve(page.size() + 16);
    const double topMargin = sectProperty.pgMar.top;
    {
      const QVDocxParagraph& first = page.front();
      const double t0 = paragraphTop(first);
      if (t0 - topMargin > 0) {
        const double step = std::max<double>(first.pProperty.spacing.line, first.rProperty.sz);
        for (QVDocxParagraph& blank :
             QVDocxParagraph::BankParagraph(t0 - topMargin, first.pProperty.spacing.line, first.pProperty.ind.left,
                                            first.rProperty, first.sectProperty, maxBlankParagraphs(step)))
          spaced.push_back(std::move(blank));
      }
    }
    double previousBottomY = paragraphBottom(page.front());
    spaced.push_back(std::move(page.front()));
    size_t previousIndex = spaced.size() - 1;
    for (size_t i = 1; i < page.size(); ++i) {
      QVDocxParagraph& p = page[i];
      if (p.runArray.empty()) {
        spaced.push_back(std::move(p));
        continue;
      }
      const double topY = paragraphTop(p);
      const double bottomY = paragraphBottom(p);
      const double gapY = topY - previousBottomY;
      const double previousLine = spaced[previousIndex].pProperty.spacing.line;
      if (gapY > previousLine) {
        const QVDocxParagraph& prev = spaced[previousIndex];
        const double step = std::max<double>(previousLine, prev.rProperty.sz);
        std::vector<QVDocxParagraph> blanks = QVDocxParagraph::BankParagraph(
            gapY, previousLine, prev.pProperty.ind.left, prev.rProperty, prev.sectProperty, maxBlankParagraphs(step));
        for (QVDocxParagraph& blank : blanks) spaced.push_back(std::move(blank));
        p.pProperty.spacing.line = static_cast<float>(bottomY - topY);
      } else if (gapY > 0) {
        spaced[previousIndex].pProperty.spacing.line = static_cast<float>(previousLine + gapY);
        p.pProperty.spacing.line = static_cast<float>(bottomY - topY);
      }
      spaced.push_back(std::move(p));
      previousIndex = spaced.size() - 1;
      previousBottomY = bottomY;
    }
  }
  joinSingleColumnSections(spaced);
  for (QVDocxParagraph& p : spaced) putInReadingOrder(p);
  size_t overhangBudget = kOverhangLookBudget;
  for (QVDocxParagraph& p : spaced) {
    QVDocxOfficeFonts::fitParagraph(p, 0);
    const double available = availableWidth(p);
    const double wanted = QVDocxOfficeFonts::lineWidth(p) - available + kOverhangSlack;
    QVDocxOfficeFonts::fitParagraph(p, available, wanted > kOverhangSlack ? overhangRoom(p, wanted, spaced, overhangBudget) : 0.0);
  }
  fitToPage(spaced, sectProperty.pgSz.h - sectProperty.pgMar.top - sectProperty.pgMar.bottom - kFitSlack);
  for (QVDocxParagraph& p : spaced) paragraphArray.push_back(std::move(p));
}

// ---------------------------------------------------------------------------
// Page end

void QVDocxPage::endWritePage(bool firstWrittenPage) {
  _creatParagraphs();
  if (paragraphArray.empty()) {
    QVDocxParagraph p;
    p.sectProperty = blockSection(1, nullptr);
    paragraphArray.push_back(std::move(p));
  }
  paragraphArray.back().sectProperty.write = true;
  if (!firstWrittenPage) {
    for (QVDocxParagraph& p : paragraphArray) {
      if (p.sectProperty.write) {
        p.sectProperty.type = 0;
        break;
      }
    }
  }
  _insertFloatRunPicts();
}

namespace {

// The two areas share more than an edge, or the second lies inside the first.
bool covers(const platform::Rect& area, const platform::Rect& other) {
  if (other.minX() >= area.minX() && other.maxX() <= area.maxX() && other.minY() >= area.minY() &&
      other.maxY() <= area.maxY())
    return true;
  const platform::Rect shared = area.intersect(other);
  return !shared.isNull() && !shared.isEmpty();
}

// The picture spans the page: its box covers nearly all of the page's width
// and height.
bool spansPage(const QVDocxRunImage& image, const QVDocx_PgSz& page) {
  constexpr double kShare = 0.9;
  const platform::Rect shown = image.displayRect().intersect(platform::Rect(0, 0, page.w, page.h));
  return !shown.isNull() && shown.width() >= kShare * page.w && shown.height() >= kShare * page.h;
}

}  // namespace

int64_t QVDocxPage::frontZIndexOf(int64_t backZIndex) {
  // Formed in 32 bits as the office applications read the value.
  const int32_t z = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(backZIndex)));
  const int64_t magnitude = z < 0 ? -static_cast<int64_t>(z) : z;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(251661312 - magnitude)));
}

bool QVDocxPage::haveTextUpperInRect(const platform::Rect& rect, uint64_t drawIndex) const {
  for (const QVDocxParagraph& p : paragraphArray)
    for (const auto& run : p.runArray)
      if (const QVDocxRunText* text = run->asText())
        if (text->drawIndex > drawIndex && covers(rect, text->displayRect())) return true;
  // A text box stands in front of the text: what it covers stays behind.
  for (const auto& box : runTextBoxArray)
    if (box->drawIndex > drawIndex && covers(rect, box->displayRect())) return true;
  return false;
}

bool QVDocxPage::imageDrawnBetween(uint64_t first, uint64_t last) const {
  // The pictures are held in drawing order.
  auto after = std::upper_bound(runImageArray.begin(), runImageArray.end(), first,
                                [](uint64_t index, const auto& image) { return index < image->drawIndex; });
  return after != runImageArray.end() && (*after)->drawIndex < last;
}

bool QVDocxPage::haveImageUpperInRect(const platform::Rect& rect, uint64_t drawIndex) const {
  for (const auto& image : runImageArray)
    if (image->drawIndex > drawIndex && covers(rect, image->displayRect())) return true;
  return false;
}

void QVDocxPage::_insertFloatRunPicts() {
  if (paragraphArray.empty()) return;
  QVDocxParagraph& anchor = paragraphArray.front();
  for (const auto& image : runImageArray) {
    if (!haveTextUpperInRect(image->displayRect(), image->drawIndex))
      image->pictZIndex = frontZIndexOf(image->pictZIndex);
    else if (auto* picture = dynamic_cast<QVDocxRunImage*>(image.get()))
      picture->pageBackground = picture->pictInfo.rotation == 0.0f && !picture->pictInfo.flipX &&
                                !picture->pictInfo.flipY && spansPage(*picture, sectProperty.pgSz);
    anchor.runArray.push_back(image);
  }
  // Shapes drawn one after another, on the same side of the text, with no
  // picture drawn between them, go into one group.
  std::shared_ptr<QVDocxRunShapeGroup> group;
  bool groupInFront = false;
  auto closeGroup = [&] {
    if (!group) return;
    if (group->members.size() == 1)
      anchor.runArray.push_back(group->members.front());
    else
      anchor.runArray.push_back(group);
    group.reset();
  };
  for (const auto& path : runPathArray) {
    const platform::Rect area = path->displayRect();
    const bool inFront = !haveTextUpperInRect(area, path->drawIndex) && !haveImageUpperInRect(area, path->drawIndex);
    if (inFront) path->pictZIndex = frontZIndexOf(path->pictZIndex);
    auto shape = std::dynamic_pointer_cast<QVDocxRunPath>(path);
    if (!shape) {
      closeGroup();
      anchor.runArray.push_back(path);
      continue;
    }
    if (group && (inFront != groupInFront || imageDrawnBetween(group->members.back()->drawIndex, path->drawIndex)))
      closeGroup();
    if (!group) {
      group = std::make_shared<QVDocxRunShapeGroup>();
      group->drawIndex = path->drawIndex;
      group->pictZIndex = path->pictZIndex;
      group->rProperty = path->rProperty;
      groupInFront = inFront;
    }
    group->members.push_back(std::move(shape));
  }
  closeGroup();
  for (const auto& box : runTextBoxArray) {
    if (auto* text = dynamic_cast<QVDocxRunTextBox*>(box.get()))
      for (QVDocxParagraph& p : text->paragraphArray) QVDocxOfficeFonts::fitParagraph(p, 0);
    anchor.runArray.push_back(box);
  }
  for (const auto& path : runTextPathArray) anchor.runArray.push_back(path);
}

void QVDocxPage::_writeParagraphs(XMLFileWriter& writer, size_t from, size_t to) const {
  to = std::min(to, paragraphArray.size());
  for (size_t i = from; i < to; ++i) paragraphArray[i].writeWithXMLWriter(writer);
}
