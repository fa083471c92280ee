#pragma once
// One paragraph of the Word body (w:p): its runs in writing order, its own
// properties, the run properties of its paragraph mark and a section record
// that, when marked to be written, ends a section at this paragraph.
//
// The page layout makes paragraphs from the rows of its columns, derives
// their indentation and exact line height from the geometry of their text
// runs and fills vertical gaps with blank paragraphs; text boxes hold
// paragraphs of their own. Lengths are points in the page's display space;
// the left indentation is measured from the page's left edge (the layouts
// give every section a left margin of 0), or from the column's left edge
// once the column resolution has run.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "docx/QVDocx.h"
#include "docx/QVDocxRun.h"

class XMLFileWriter;

class QVDocxParagraph {
 public:
  // Default paragraph, run and section properties, no runs.
  QVDocxParagraph();
  // The same holding the runs, then resolved (resolveProperty).
  explicit QVDocxParagraph(std::vector<std::shared_ptr<QVDocxRun>> runs);

  // The left indentation from the first text run, the exact line height
  // from all of them (the largest font size, or the span from the highest
  // ascent to the lowest descent when that is larger) and the paragraph
  // mark's properties from the last one. A paragraph without runs keeps
  // what it has. Answers the resolved height, which is always 0.
  double resolveProperty();
  // Makes the left indentation relative to the paragraph's column; false
  // (and nothing changes) when the paragraph has no text run.
  bool resolveColumnProperty();
  // Sets the size and the vertical alignment of every text run.
  void setRPropertyScrpit(int32_t scrpit, double fontSize);

  // The most blank paragraphs one gap takes unless the caller bounds it
  // more tightly (the page layout bounds it by the page height).
  static constexpr size_t kMaxBlankParagraphs = 10'000;
  // The blank paragraphs that fill a vertical gap: as many as whole steps of
  // max(spaceLine, the font size) fit into it (at least one, at most
  // maxCount), each with an exact line height of gap / count.
  static std::vector<QVDocxParagraph> BankParagraph(double gap, double spaceLine, double indLeft,
                                                    const QVDocx_RPr& rProperty, const QVDocx_SectPr& sectProperty,
                                                    size_t maxCount = kMaxBlankParagraphs);

  // A left tab stop per tab run, in order.
  QVDocx_Tabs tabsPropertyInParagraph() const;
  // w:p with its properties, a column break when it starts a column, and
  // its runs (one blank run when it has none, so that it keeps its height).
  void writeWithXMLWriter(XMLFileWriter& writer) const;

  QVDocxRunText* lastRunText();
  const QVDocxRunText* firstRunText() const;
  // The sum of the text runs' widths.
  double textWidth() const;
  bool hasTextRun() const { return firstRunText() != nullptr; }

  // The same properties and runs (shared); the column position is not
  // carried.
  QVDocxParagraph copy() const;

  QVDocx_PPr pProperty;
  QVDocx_RPr rProperty;  // of the paragraph mark
  QVDocx_SectPr sectProperty;
  std::vector<std::shared_ptr<QVDocxRun>> runArray;
  double resolvedHeight = 0;
  bool breakColumn = false;
  double xColumnPosition = 0;  // left edge of the paragraph's column
  // The bookmark that marks where the paragraph starts (the number of the
  // page it begins); 0 for none. It stands inside the paragraph: a reader
  // lays out a page whose first paragraph anchors a text box and follows a
  // bookmark between paragraphs wrongly, or not at all.
  int64_t bookmark = 0;

 private:
  // How far resolution has read the runs: a paragraph that only grows at its
  // end (rows merged into it one after another) goes on from there instead
  // of reading all its runs again. Valid while the run it stopped after is
  // still in its place; setting the script of the runs starts afresh.
  struct Resolution {
    size_t runs = 0;
    const QVDocxRun* last = nullptr;
    const QVDocxRunText* firstText = nullptr;
    const QVDocxRunText* lastText = nullptr;
    float line = 0, top = 0, bottom = 0;
  };
  Resolution resolution_;
};
