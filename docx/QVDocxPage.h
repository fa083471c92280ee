#pragma once
// What one PDF page contributes to the Word document while it is converted:
// the main-text runs and the floating runs the exporter makes during the
// page's scan, the page's section record, and at the page's end the
// paragraphs built from the runs.
//
// Paragraph building re-expresses the page's absolutely placed text as
// flowing paragraphs: neighbouring runs of one line are merged, the runs are
// grouped into lines, blocks and columns (QVPageLayoutCore with the Word
// policy), each row of a column becomes a paragraph with an exact line
// height, raised or lowered rows join their neighbour as superscript or
// subscript, blank paragraphs fill the vertical gaps, and every block ends
// in a continuous section break carrying its columns. The page closes its
// sections at its end; the document writer then streams its paragraphs.
//
// Geometry is display space: points, y growing downwards.
#include <cstdint>
#include <memory>
#include <vector>

#include "docx/QVDocx.h"
#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "docx/QVPageLayoutCore.h"
#include "platform/geometry/geometry.h"

class XMLFileWriter;

class QVDocxPage {
 public:
  // The top margin of a page is where its text begins, but no lower than this.
  static constexpr double kMaxTopMargin = 72.0;

  // A page of the given display size: its section record is written, with
  // that page size, and continuous.
  explicit QVDocxPage(platform::Size pageSize);

  // The page begins: no paragraphs yet.
  void begainWritePage(int64_t pageIndex);
  // Builds the paragraphs and closes the page's sections: the last
  // paragraph ends a section, and on any page but the first written one the
  // first section starts on a new page. Whether that last section break is
  // the document's last (written at body level instead) is decided by the
  // document writer, when it knows whether another page follows.
  void endWritePage(bool firstWrittenPage);

  // Paragraph building (the first step of endWritePage).
  void _creatParagraphs();
  // Anchors the page's floating runs in its first paragraph, after its
  // text: pictures, then shapes and text paths, then text boxes. A picture
  // or shape that nothing drawn later covers moves in front of the text,
  // keeping its drawing order; one that later text (or, for a shape, a
  // later picture) covers stays behind it. Shapes drawn one after another
  // on the same side of the text, no picture drawn between them, go into
  // one group.
  void _insertFloatRunPicts();
  // Whether a text run of the paragraphs, or a text box, drawn after
  // `drawIndex` covers the rectangle.
  bool haveTextUpperInRect(const platform::Rect& rect, uint64_t drawIndex) const;
  // Whether a picture drawn after `drawIndex` covers the rectangle.
  bool haveImageUpperInRect(const platform::Rect& rect, uint64_t drawIndex) const;
  // Whether a picture was drawn after `first` and before `last`.
  bool imageDrawnBetween(uint64_t first, uint64_t last) const;
  // The stacking order of a picture brought in front of the text.
  static int64_t frontZIndexOf(int64_t backZIndex);
  // Writes the paragraphs [from, to) of paragraphArray.
  void _writeParagraphs(XMLFileWriter& writer, size_t from, size_t to) const;

  // ---- Run merging: neighbouring runs of one line, drawn one after the
  // other with equal properties, become one run (the first of them, whose
  // text takes the others' and blanks for the gaps between them).
  // Answers the merged runs in order; rewrites the runs in place.
  std::vector<std::shared_ptr<QVDocxRunText>> mergeRuns(const std::vector<std::shared_ptr<QVDocxRunText>>& runs) const;
  // Folds a group of runs into its first run and answers it.
  static std::shared_ptr<QVDocxRunText> _mergeRunArray(const std::vector<std::shared_ptr<QVDocxRunText>>& group);

  // The most blank paragraphs one vertical gap becomes, and the most blanks
  // one horizontal gap becomes, on this page: a page's own size bounds what
  // its geometry can ask for.
  size_t maxBlankParagraphs(double step) const;
  int32_t maxBlanks() const;

  QVDocx_SectPr sectProperty;
  std::vector<QVDocxParagraph> paragraphArray;
  // Main-text runs in the order the exporter made them.
  std::vector<std::shared_ptr<QVDocxRunText>> allRunTextArray;
  // Floating runs: closed text boxes, text paths (kept among the shapes),
  // images and vector shapes, each in drawing order.
  std::vector<std::shared_ptr<QVDocxRunPict>> runTextBoxArray;
  std::vector<std::shared_ptr<QVDocxRunPict>> runTextPathArray;
  std::vector<std::shared_ptr<QVDocxRunPict>> runImageArray;
  std::vector<std::shared_ptr<QVDocxRunPict>> runPathArray;

 private:
  // The section record a block's paragraphs share.
  QVDocx_SectPr blockSection(int32_t columnCount, std::shared_ptr<const std::vector<QVDocx_Col>> columns) const;
};
