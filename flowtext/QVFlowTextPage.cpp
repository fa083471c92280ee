#include "flowtext/QVFlowTextPage.h"

#include <algorithm>
#include <cmath>

#include "docx/QVDocxUtilities.h"
#include "flowtext/QVFlowTextFileWriter.h"

QVPageLayoutPolicy QVFlowTextPage::layoutPolicy() {
  QVPageLayoutPolicy p;
  p.touchingLinesJoin = true;
  p.columnExtent = QVPageLayoutPolicy::ColumnExtent::FirstAndLastPart;
  return p;
}

QVFlowTextPage::QVFlowTextPage(QVFlowTextMarkup& markup, platform::Size pageSize, bool lastPage)
    : sectProperty(QVDocxUtilities::defaultSectProperty()), markup_(markup), isLastPage_(lastPage) {
  sectProperty.write = true;
  sectProperty.type = lastPage ? 0 : 1;
  sectProperty.pgSz = {static_cast<float>(pageSize.width), static_cast<float>(pageSize.height)};
  sectProperty.cols = {};
  sectProperty.cols.space = 36.0f;
  sectProperty.docGrid = {"linesAndChars", 18.0f};
  textMargin_ = sectProperty.pgMar;
}

void QVFlowTextPage::begainWritePage(int64_t) { paragraphArray.clear(); }

void QVFlowTextPage::endWritePage(int64_t) {
  _creatParagraphs();
  _writeParagraphs();
}

size_t QVFlowTextPage::maxBlankParagraphs(double step) const {
  const double height = sectProperty.pgSz.h;
  if (!(step > 0) || !(height > 0)) return 1;
  return static_cast<size_t>(
      std::clamp(std::ceil(height / step), 1.0, static_cast<double>(QVFlowParagraph::kMaxBlankParagraphs)));
}

int32_t QVFlowTextPage::maxBlanks() const {
  const double width = std::max(sectProperty.pgSz.w, sectProperty.pgSz.h);
  if (!(width >= 1)) return 1;
  return static_cast<int32_t>(std::min(std::ceil(width), 100000.0));
}

int32_t QVFlowTextPage::blanksForGap(double gap, double spaceWidth) const {
  const double quotient = gap / spaceWidth;
  if (!std::isfinite(quotient) || !(quotient > 0)) return 0;
  const int32_t most = maxBlanks();
  if (quotient >= most) return most;
  return static_cast<int32_t>(std::ceil(static_cast<float>(quotient)));
}

void QVFlowTextPage::_creatParagraphs() {
  const QVPageLayoutCore core(layoutPolicy());
  std::vector<QVLayoutBox> boxes;
  boxes.reserve(allRunTextArray.size());
  for (size_t i = 0; i < allRunTextArray.size(); ++i) {
    const QVFlowRunText& run = *allRunTextArray[i];
    boxes.push_back(QVLayoutBox::make(run.ctmInfo, run.textWidth, 0, static_cast<uint32_t>(i), run.spaceWidth));
  }
  const std::vector<double> moves = core.straightenDriftingLines(boxes);
  for (size_t i = 0; i < allRunTextArray.size(); ++i)
    if (moves[i] != 0) QVLayoutMoveDown(allRunTextArray[i]->ctmInfo, moves[i]);

  // The text margin: the top of the highest run, the left of the leftmost.
  if (!boxes.empty()) {
    const QVLayoutBox* highest = &boxes.front();
    float left = static_cast<float>(kNoLeftMargin);
    for (const QVLayoutBox& b : boxes) {
      if (b.top < highest->top) highest = &b;
      left = std::min(left, static_cast<float>(b.left));
    }
    textMargin_.top = static_cast<float>(highest->top);
    textMargin_.left = left;
  } else {
    textMargin_.left = static_cast<float>(kNoLeftMargin);
  }

  const std::vector<QVLayoutBlock> blocks = core.layout(boxes);
  // The runs of a line part, each joined to the one before it.
  auto runsOf = [&](const QVLinePart& part) {
    std::vector<std::shared_ptr<QVFlowRunText>> runs;
    runs.reserve(part.runs.size());
    for (const QVLayoutBox* b : part.runs) {
      if (!runs.empty()) QVLayoutJoinWithBlank(*runs.back(), *allRunTextArray[b->item], false);
      runs.push_back(allRunTextArray[b->item]);
    }
    return runs;
  };
  auto appendJoined = [](QVFlowParagraph& p, const std::vector<std::shared_ptr<QVFlowRunText>>& more, bool otherRow) {
    for (const auto& run : more) {
      const size_t n = p.runArray.size();
      if (QVFlowRunText* last = p.lastRunText())
        QVLayoutJoinWithBlank(*last, *run, otherRow, false, n >= 2 ? p.runArray[n - 2].get() : nullptr);
      otherRow = false;
      p.runArray.push_back(run);
    }
  };

  std::vector<QVFlowParagraph> out;
  QVDocx_PPr P = QVDocxUtilities::defaultPProperty();
  QVDocx_RPr R = QVDocxUtilities::defaultRProperty();
  double previousBottom = 0;
  for (size_t bi = 0; bi < blocks.size(); ++bi) {
    const QVLayoutBlock& block = blocks[bi];
    double top = core.minTopYOfDiv(block);
    double gap;
    if (bi == 0) {
      const double topMargin = top <= kMaxTopMargin ? top : kMaxTopMargin;
      gap = top <= kMaxTopMargin ? 0.0 : top - kMaxTopMargin;
      sectProperty.pgMar = {static_cast<float>(topMargin), 0, 0, 0, 0, 0, 0};
    } else {
      gap = top - previousBottom;
    }
    previousBottom = core.maxBottomYOfDiv(block);

    QVDocx_SectPr B = QVDocxUtilities::defaultSectProperty();
    B.write = false;
    B.type = 1;
    B.pgSz = sectProperty.pgSz;
    B.pgMar = sectProperty.pgMar;

    const double S = P.spacing.line;
    if (gap > S) {
      for (QVFlowParagraph& blank : QVFlowParagraph::BankParagraph(gap, S, P.ind.left, R, B, maxBlankParagraphs(S)))
        out.push_back(std::move(blank));
    } else if (gap > 0) {
      // The rows are measured from the previous block's bottom (or the top
      // margin).
      top -= gap;
    }

    if (!out.empty() && block.columns.size() > 1 && out.back().runArray.empty()) {
      QVFlowParagraph extra;
      extra.pProperty = out.back().pProperty;
      extra.rProperty = out.back().rProperty;
      extra.sectProperty = out.back().sectProperty;
      out.push_back(std::move(extra));
    }

    for (size_t k = 0; k < block.columns.size(); ++k) {
      const std::vector<QVLayoutRow> rows = core.rows(block.columns[k]);
      const double X = k == 0 ? 0.0 : QVPageLayoutCore::minLeftXOfColumnSect(rows);
      std::vector<QVFlowParagraph> C;
      double reference = top;
      for (const QVLayoutRow& row : rows) {
        if (row.empty()) continue;
        const QVLinePart& F = row.front();
        const double bottom = F.maxBottomY;
        const double step = bottom - reference;
        reference = bottom;

        QVFlowParagraph Q(runsOf(F));
        Q.sectProperty = B;
        Q.xColumnPosition = X;
        Q.resolveColumnProperty();
        P = Q.pProperty;
        R = Q.rProperty;
        const double rowS = P.spacing.line;
        const double rowGap = step - rowS;

        QVFlowParagraph* receiver;
        if (rowGap > rowS) {
          for (QVFlowParagraph& blank :
               QVFlowParagraph::BankParagraph(rowGap, rowS, P.ind.left, R, B, maxBlankParagraphs(rowS)))
            C.push_back(std::move(blank));
          C.push_back(std::move(Q));
          receiver = &C.back();
        } else if (rowGap > kJoinOverlap) {
          Q.pProperty.spacing.line = static_cast<float>(rowS + rowGap);
          P.spacing.line = Q.pProperty.spacing.line;
          C.push_back(std::move(Q));
          receiver = &C.back();
        } else if (C.empty()) {
          // A row that overlaps the one above (by any amount: a line beside a
          // drop cap or a large heading keeps its text) joins its paragraph.
          C.push_back(std::move(Q));
          receiver = &C.back();
        } else {
          receiver = &C.back();
          appendJoined(*receiver, Q.runArray, true);
        }

        // A part of the row that stands higher or lower than the part before
        // it (a footnote's mark before its text) is joined as a row.
        for (size_t g = 1; g < row.size(); ++g)
          appendJoined(*receiver, runsOf(row[g]),
                       std::fabs(row[g].maxBaseLine - row[g - 1].maxBaseLine) >= QVPageLayoutCore::kLineTolerance);
      }
      for (QVFlowParagraph& p : C) out.push_back(std::move(p));
    }
  }
  for (QVFlowParagraph& p : out) {
    p.readInOrder();
    paragraphArray.push_back(std::move(p));
  }
}

void QVFlowTextPage::_writeParagraphs() {
  if (paragraphArray.empty()) return;
  QVFlowTextFileWriter& writer = markup_.bodyWriter();

  QVFlowParagraph& first = paragraphArray.front();
  first.textMargin = textMargin_;
  markup_.writeNewLine(first);
  first.writeWithXMLWriter(markup_);
  const QVFlowRunText* previous = first.lastRunText();

  int64_t emptyLines = 0;
  for (size_t i = 1; i < paragraphArray.size(); ++i) {
    QVFlowParagraph& p = paragraphArray[i];
    if (!p.haveText()) {
      if (++emptyLines > kMaxEmptyLines) continue;
    } else {
      emptyLines = 0;
    }
    p.textMargin = textMargin_;
    const QVFlowRunText* r = p.lastRunText();
    if (!r || !previous) {
      ++emptyLines;
      markup_.writeNewLine(p);
    } else if (std::fabs(previous->baseLine() - r->baseLine()) <= kSameOutputLine) {
      emptyLines = 0;
      const double gap = p.firstRunText()->start() - previous->end();
      if (gap <= 0.0) {
        writer.writeIndentation();
      } else {
        for (int32_t n = blanksForGap(gap, r->spaceWidth); n > 0; --n) writer.writeContent(" ");
      }
    } else {
      ++emptyLines;
      markup_.writeNewLine(p);
    }
    if (r) previous = r;
    p.writeWithXMLWriter(markup_);
  }
  markup_.endPage();
}
