#pragma once
// Runs: the smallest pieces of page content that the Word page places and
// writes. A text run is a piece of text with one set of run properties, a
// tab run a tab with its stop, a picture run a floating object (image,
// vector shape, text box or text path; their kinds write themselves).
//
// Every run carries its run properties, the placement record of its text in
// the page's display space (y grows downwards) and its place in the page's
// drawing order, taken from the conversion's draw counter when the exporter
// made it. Runs are shared between the page that collects them and the
// paragraphs that write them.
#include <cstdint>
#include <memory>
#include <string>

#include "convert/QVPDF_CTMInfo.h"
#include "docx/QVDocx.h"
#include "platform/geometry/geometry.h"

class XMLFileWriter;
class QVDocxRunText;
class QVDocxRunTab;
class QVDocxRunPict;

class QVDocxRun {
 public:
  enum class Kind { Base, Text, Tab, Pict };

  // Default run properties, a zero placement, draw index 0.
  QVDocxRun();
  virtual ~QVDocxRun() = default;

  // A new run of the same class; which fields a copy carries is each class's
  // own (the base: draw index, properties and placement).
  virtual std::unique_ptr<QVDocxRun> copy() const;
  // Where the run lies on the page; the zero rectangle for the base.
  virtual platform::Rect displayRect() const;
  // Writes the run into a paragraph; the base writes nothing.
  virtual void writeWithXMLWriter(XMLFileWriter& writer) const;

  Kind kind() const { return kind_; }
  QVDocxRunText* asText();
  const QVDocxRunText* asText() const;
  const QVDocxRunTab* asTab() const;

  QVDocx_RPr rProperty;
  QVPDF_CTMInfo ctmInfo;
  uint64_t drawIndex = 0;

 protected:
  explicit QVDocxRun(Kind kind);
  QVDocxRun(const QVDocxRun&) = default;
  QVDocxRun& operator=(const QVDocxRun&) = default;

 private:
  Kind kind_;
};

class QVDocxRunText : public QVDocxRun {
 public:
  QVDocxRunText();

  // A text run with the properties, the text and both widths; draw index 0
  // and a zero placement.
  std::unique_ptr<QVDocxRun> copy() const override;
  // At the top-left corner, as wide as the text and as high as its em box.
  platform::Rect displayRect() const override;
  // w:r with its w:rPr and a w:t that keeps its blanks.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;

  double spaceWidth = 0;  // one space in the run's font, points
  double textWidth = 0;   // advance of the whole text, points
  std::string runText;    // UTF-8
};

class QVDocxRunTab : public QVDocxRun {
 public:
  QVDocxRunTab();
  // A tab run with default properties; the paragraph that holds it turns it
  // into a left tab stop at the position.
  static std::shared_ptr<QVDocxRunTab> RunTapWithTabPostion(double tabPostion, double tabWidth);

  std::unique_ptr<QVDocxRun> copy() const override;
  // w:r with its w:rPr and a w:tab.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;

  double tabPostion = 0;  // measured like the paragraph's left indentation
  double tabWidth = 0;
};

// The base of the floating objects; the concrete kinds write themselves.
class QVDocxRunPict : public QVDocxRun {
 public:
  QVDocxRunPict();
  std::unique_ptr<QVDocxRun> copy() const override;

  // Stacking order in the document (negative: behind the text).
  int64_t pictZIndex = 0;
};
