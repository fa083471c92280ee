#pragma once
// Runs and paragraphs of the flowing-text outputs (HTML, RTF, plain text).
//
// A run is one piece of upright text with its character properties (the
// Word output's run record), its placement in the page's display space
// (y downwards) and its widths. The page layout groups runs into
// paragraphs; a paragraph keeps the Word output's paragraph, run and section
// records and the page's text margin, from whose left edge it writes its
// indentation.
//
// What a paragraph and a run write is the format's: every format implements
// QVFlowTextMarkup (HTML: a paragraph element with a generated class and
// spans; RTF: a paragraph mark with its indentation and character control
// words), and the one paragraph and run model here drives it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/QVLineReadingOrder.h"
#include "convert/QVPDF_CTMInfo.h"
#include "docx/QVDocx.h"

class QVFlowTextFileWriter;
class QVFlowParagraph;

struct QVFlowRunText {
  QVDocx_RPr rProperty;
  QVPDF_CTMInfo ctmInfo;
  uint64_t drawIndex = 0;
  double spaceWidth = 0;  // one space in the run's font, display points
  double textWidth = 0;   // advance of the text, display points
  std::string runText;    // UTF-8

  // Where the run starts and ends along its line, and its base line: the
  // keys the writing pass reads.
  double start() const { return ctmInfo.bottomLeft.x; }
  double end() const { return ctmInfo.bottomLeft.x + textWidth; }
  double baseLine() const { return ctmInfo.yBase; }
};

// What one output format writes for the paragraphs and runs of a page.
class QVFlowTextMarkup {
 public:
  virtual ~QVFlowTextMarkup() = default;
  // The body writer the paragraphs write through.
  virtual QVFlowTextFileWriter& bodyWriter() = 0;
  // Opens a paragraph in the output (it has received the page's text margin).
  virtual void writeNewLine(QVFlowParagraph& paragraph) = 0;
  // One run: the style changes it needs, then its text escaped.
  virtual void writeRun(const QVFlowRunText& run) = 0;
  // After the last paragraph a page wrote (the HTML closes open elements).
  virtual void endPage() {}
};

class QVFlowParagraph {
 public:
  // The most blank paragraphs one gap becomes unless the caller bounds it
  // more tightly (the page bounds it by its height).
  static constexpr size_t kMaxBlankParagraphs = 10'000;

  // Default paragraph, run and section records (the Word output's); the
  // text margin is the default section's page margins.
  QVFlowParagraph();
  // The same holding the runs, then resolved.
  explicit QVFlowParagraph(std::vector<std::shared_ptr<QVFlowRunText>> runs);

  // The left indentation from the first run (its absolute left edge), the
  // resolved height from the largest font size, and the paragraph's run
  // properties from the last run. A paragraph without runs keeps its
  // records. Answers the resolved height.
  double resolveProperty();
  // Makes the left indentation relative to the paragraph's column; false
  // (and nothing changes) when the paragraph has no run.
  bool resolveColumnProperty();

  // The blank paragraphs that fill a vertical gap: as many as whole steps of
  // max(spaceLine, the font size) fit into it (at least one, at most
  // maxCount), each with an exact line height of gap / count. None when the
  // gap or the step is not a finite positive number.
  static std::vector<QVFlowParagraph> BankParagraph(double gap, double spaceLine, double indLeft,
                                                    const QVDocx_RPr& rProperty, const QVDocx_SectPr& sectProperty,
                                                    size_t maxCount = kMaxBlankParagraphs);

  const QVFlowRunText* firstRunText() const { return runArray.empty() ? nullptr : runArray.front().get(); }
  QVFlowRunText* lastRunText() { return runArray.empty() ? nullptr : runArray.back().get(); }
  const QVFlowRunText* lastRunText() const { return runArray.empty() ? nullptr : runArray.back().get(); }
  // Some run has text.
  bool haveText() const;
  // The sum of the runs' widths.
  double textWidth() const;

  // Writes the runs in order through the format (in readingOrder where it
  // has one), or the writer's line break when the paragraph has none.
  void writeWithXMLWriter(QVFlowTextMarkup& markup) const;
  // Where the line holds right-to-left text: its runs in reading order (the
  // run array keeps the order of the page, which the layout measures), and
  // the paragraph's direction in pProperty.bidi. Answers whether it has one.
  bool readInOrder();

  QVDocx_PPr pProperty;
  QVDocx_RPr rProperty;
  QVDocx_SectPr sectProperty;
  QVDocx_PgMar textMargin;
  std::vector<std::shared_ptr<QVFlowRunText>> runArray;
  double resolvedHeight = 0;
  bool breakColumn = false;
  double xColumnPosition = 0;  // left edge of the paragraph's column
  std::vector<QVReadingPiece> readingOrder;
};
