#pragma once
// One PDF page of the plain-text output: the flowing-text page's paragraphs,
// written as lines of text.
//
// The paragraphs are built as for the other flowing-text outputs. Writing
// is simpler: a paragraph whose last run stands within 2 points of the
// previous paragraph's last run, measured at their base lines, continues the
// output line after the writer's indentation; any other paragraph starts a
// new line, and a blank paragraph writes one more line break of its own. The
// writer keeps at most five line breaks and indentations in a row.
//
// Pages follow each other in one file: a page's text begins on a new line
// when an earlier page wrote text, so the last word of one page and the first
// of the next never run together.
#include "flowtext/QVFlowTextPage.h"

class QVTextPage : public QVFlowTextPage {
 public:
  // `textWritten` is the document's: whether any page wrote text yet.
  QVTextPage(QVFlowTextMarkup& markup, platform::Size pageSize, bool lastPage, bool& textWritten);

  void _writeParagraphs() override;

 private:
  bool& textWritten_;
};
