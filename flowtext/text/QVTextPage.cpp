#include "flowtext/text/QVTextPage.h"

#include <cmath>

#include "flowtext/QVFlowTextFileWriter.h"

QVTextPage::QVTextPage(QVFlowTextMarkup& markup, platform::Size pageSize, bool lastPage, bool& textWritten)
    : QVFlowTextPage(markup, pageSize, lastPage), textWritten_(textWritten) {}

void QVTextPage::_writeParagraphs() {
  if (paragraphArray.empty()) return;
  QVFlowTextFileWriter& writer = markup_.bodyWriter();
  if (textWritten_) writer.writeLinebreak();
  textWritten_ = true;

  const QVFlowParagraph& first = paragraphArray.front();
  first.writeWithXMLWriter(markup_);
  const QVFlowRunText* previous = first.lastRunText();
  for (size_t i = 1; i < paragraphArray.size(); ++i) {
    const QVFlowParagraph& p = paragraphArray[i];
    const QVFlowRunText* r = p.lastRunText();
    if (!r || !previous) {
      writer.writeLinebreak();
    } else if (std::fabs(previous->baseLine() - r->baseLine()) <= kSameOutputLine) {
      writer.writeIndentation();
    } else {
      writer.writeLinebreak();
    }
    if (r) previous = r;
    p.writeWithXMLWriter(markup_);
  }
}
