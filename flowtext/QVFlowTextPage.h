#pragma once
// One PDF page of a flowing-text output (HTML, RTF; the plain-text page
// builds on it): the exporter appends the page's upright runs while the page
// is interpreted; at the page's end the page turns them into paragraphs by
// pure geometry and writes them through the format's markup.
//
// The grouping into lines, line parts, blocks, columns and rows is the page
// layout core, which reads every line by its base line as the Word page
// does; the flowing-text policy puts lines that touch vertically in one
// block and measures a column by its first and last part.
//
// Paragraph building then walks the blocks and their columns: blank
// paragraphs fill vertical gaps, each row becomes a paragraph whose line
// height is its step from the row above, a row that overlaps the one above by
// 8 points or more joins that row's paragraph, and the later parts of a row
// follow its first; wherever text joins text, a blank stands between them
// when they stand a word gap apart (or, for a part of the row standing
// higher or lower than the one before it, as a row joins its paragraph).
//
// The writing pass puts each paragraph either on the output line of the
// previous one (their last runs' base lines within 2 points: blanks for the gap
// between them) or on a new output line, and writes at most one blank
// paragraph between two with text.
//
// Geometry is display space: points, y growing downwards.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "docx/QVDocx.h"
#include "docx/QVPageLayoutCore.h"
#include "flowtext/QVFlowTextParagraph.h"
#include "platform/geometry/geometry.h"

class QVFlowTextPage {
 public:
  // The top margin of a page is where its text begins, but no lower than this.
  static constexpr double kMaxTopMargin = 72.0;
  // A row that overlaps the row above by at least this joins its paragraph.
  static constexpr double kJoinOverlap = -8.0;
  // Two paragraphs whose last runs' base lines are this close share an output line.
  static constexpr double kSameOutputLine = 2.0;
  // The most blank paragraphs in a row between two paragraphs with text
  // (counting each blank written twice).
  static constexpr int64_t kMaxEmptyLines = 2;
  // The starting value of the left text margin's minimum search.
  static constexpr double kNoLeftMargin = 1000000.0;

  // The grouping policy of the flowing-text pages.
  static QVPageLayoutPolicy layoutPolicy();

  // A page of the given display size, written through the markup.
  QVFlowTextPage(QVFlowTextMarkup& markup, platform::Size pageSize, bool lastPage);
  virtual ~QVFlowTextPage() = default;
  QVFlowTextPage(const QVFlowTextPage&) = delete;
  QVFlowTextPage& operator=(const QVFlowTextPage&) = delete;

  // The page begins: no paragraphs yet.
  void begainWritePage(int64_t pageIndex);
  // Builds the paragraphs, then writes them.
  virtual void endWritePage(int64_t pageIndex);

  // Paragraph building: appends the page's paragraphs to paragraphArray and
  // sets the text margin's top and left.
  void _creatParagraphs();
  // The writing pass over paragraphArray, then the markup's page end.
  virtual void _writeParagraphs();

  // What the page's own size allows one gap to become: blank paragraphs for
  // a vertical step, blanks for a horizontal gap.
  size_t maxBlankParagraphs(double step) const;
  int32_t maxBlanks() const;
  // The blanks that fill a horizontal gap on one output line: ceil(gap /
  // space width); none when that is not a finite positive number, at most
  // maxBlanks().
  int32_t blanksForGap(double gap, double spaceWidth) const;

  QVFlowTextMarkup& markup() { return markup_; }
  bool isLastPage() const { return isLastPage_; }
  const QVDocx_PgMar& textMargin() const { return textMargin_; }

  QVDocx_SectPr sectProperty;
  std::vector<QVFlowParagraph> paragraphArray;
  // Upright runs in the order the exporter made them.
  std::vector<std::shared_ptr<QVFlowRunText>> allRunTextArray;

 protected:
  QVFlowTextMarkup& markup_;
  bool isLastPage_ = false;
  QVDocx_PgMar textMargin_;
};
