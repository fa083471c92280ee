#include "flowtext/QVFlowTextParagraph.h"

#include <algorithm>
#include <cmath>

#include "docx/QVDocxUtilities.h"
#include "flowtext/QVFlowTextFileWriter.h"

QVFlowParagraph::QVFlowParagraph()
    : pProperty(QVDocxUtilities::defaultPProperty()),
      rProperty(QVDocxUtilities::defaultRProperty()),
      sectProperty(QVDocxUtilities::defaultSectProperty()),
      textMargin(sectProperty.pgMar) {}

QVFlowParagraph::QVFlowParagraph(std::vector<std::shared_ptr<QVFlowRunText>> runs) : QVFlowParagraph() {
  runArray = std::move(runs);
  resolveProperty();
}

double QVFlowParagraph::resolveProperty() {
  float largest = 0;
  for (const auto& run : runArray) largest = std::max(largest, run->rProperty.sz);
  if (const QVFlowRunText* first = firstRunText()) pProperty.ind.left = static_cast<float>(first->start());
  resolvedHeight = static_cast<double>(largest - pProperty.spacing.line);
  if (const QVFlowRunText* last = lastRunText()) rProperty = last->rProperty;
  return resolvedHeight;
}

bool QVFlowParagraph::resolveColumnProperty() {
  const QVFlowRunText* first = firstRunText();
  if (!first) return false;
  pProperty.ind.left = static_cast<float>(first->start() - xColumnPosition);
  return true;
}

std::vector<QVFlowParagraph> QVFlowParagraph::BankParagraph(double gap, double spaceLine, double indLeft,
                                                            const QVDocx_RPr& rProperty,
                                                            const QVDocx_SectPr& sectProperty, size_t maxCount) {
  std::vector<QVFlowParagraph> out;
  const double step = std::max(spaceLine, static_cast<double>(rProperty.sz));
  const double quotient = gap / step;
  // A gap or step from a broken page (infinite, undefined, not positive)
  // fills nothing.
  if (!std::isfinite(gap) || !std::isfinite(step) || !(gap > 0) || !(step > 0) || !std::isfinite(quotient)) return out;
  const double whole = std::floor(static_cast<float>(quotient));
  const size_t count =
      std::max<size_t>(1, whole >= static_cast<double>(maxCount) ? maxCount : static_cast<size_t>(whole));
  if (maxCount == 0) return out;
  QVFlowParagraph blank;
  blank.pProperty.spacing.before = 0;
  blank.pProperty.spacing.after = 0;
  blank.pProperty.spacing.line = static_cast<float>(gap / static_cast<double>(count));
  blank.pProperty.spacing.lineRule = "exact";
  blank.pProperty.ind.firstLine = 0;
  blank.pProperty.ind.left = static_cast<float>(indLeft);
  blank.pProperty.jc = "left";
  blank.rProperty = rProperty;
  blank.sectProperty = sectProperty;
  out.assign(count, blank);
  return out;
}

bool QVFlowParagraph::haveText() const {
  return std::any_of(runArray.begin(), runArray.end(), [](const auto& run) { return !run->runText.empty(); });
}

double QVFlowParagraph::textWidth() const {
  double sum = 0;
  for (const auto& run : runArray) sum += run->textWidth;
  return sum;
}

void QVFlowParagraph::writeWithXMLWriter(QVFlowTextMarkup& markup) const {
  if (runArray.empty()) {
    markup.bodyWriter().writeLinebreak();
    return;
  }
  if (readingOrder.empty()) {
    for (const auto& run : runArray) markup.writeRun(*run);
    return;
  }
  for (const QVReadingPiece& piece : readingOrder) {
    QVFlowRunText run = *runArray[piece.piece];
    run.runText = piece.text;
    run.rProperty.rtl = QVHoldsRightToLeft(run.runText);
    markup.writeRun(run);
  }
}

bool QVFlowParagraph::readInOrder() {
  std::vector<std::string_view> texts;
  texts.reserve(runArray.size());
  for (const auto& run : runArray) texts.push_back(run->runText);
  std::optional<QVLineReading> reading = QVLineReadingOrder(texts);
  if (!reading) return false;
  readingOrder = std::move(reading->pieces);
  pProperty.bidi = reading->rightToLeft;
  return true;
}
