#pragma once
// QVDocxPDFExporter: the Word document exporter. Each PDF page becomes a
// stretch of the document's flowing text: the page's upright text is laid out
// into paragraphs and column sections (QVDocxPage), text turned by a quarter
// turn is collected into text boxes and text at other angles, or mirrored,
// into text paths (QVTextRouter), and the document writer (QVDocxWriter)
// streams the body and makes the package.
//
// Geometry is in display space: points, origin at the top-left corner of the
// page as displayed after its /Rotate, y growing downwards.
#include <cstdint>
#include <memory>
#include <string>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDFPageFrame.h"
#include "convert/QVPDFRendering.h"
#include "convert/QVPDF_CTMInfo.h"
#include "docx/QVDocx.h"
#include "docx/QVDocxFontFacts.h"
#include "docx/QVDocxImageInfo.h"
#include "docx/QVTextRouter.h"
#include "pdf/QVPDFConentParser.h"
#include "platform/geometry/geometry.h"

class QVDocxWriter;
class QVDocxPage;
struct QVPDFImageFile;
class QVPDFRenderState;

class QVDocxPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate, private QVTextRouterDelegate {
 public:
  // The most strings a page takes: the later ones of a page are left out,
  // so that a small hostile file cannot fill the memory with runs.
  static constexpr uint64_t kMaxStringsPerPage = 200'000;
  // The most shapes and pictures a page takes, and the most image pixels it
  // reads back to clip: later ones are left out, for the same reason.
  static constexpr uint64_t kMaxPicturesPerPage = 100'000;
  static constexpr int64_t kMaxClipPixelsPerPage = int64_t{256} << 20;

  // A page whose vector shapes are more than these (after alike paths have
  // joined) has them drawn as pictures instead, one for each run of shapes
  // that no image interrupts: an office application takes minutes to read
  // and lay out a drawing of tens of thousands of shapes, and no reader edits
  // such a drawing shape by shape.
  static constexpr size_t kMostShapesPerPage = 500;
  static constexpr size_t kMostShapePointsPerPage = 500'000;
  // The largest picture read to find the colour of a rule.
  static constexpr int64_t kMostRulePixels = int64_t{1} << 20;

  QVDocxPDFExporter();
  ~QVDocxPDFExporter() override;

  // ---- The exporter contract
  void begainConvertPDF(const std::string& outputPath) override;
  bool convertPDFPage(const platform::PdfPage& page) override;
  void endConvertPDF(const platform::PdfDocument& document) override;
  // After a cancel: the document is dropped with its work folder.
  void cleanConvertPDF() override;

  // ---- The interpreter's callbacks
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;
  // A painted path becomes a vector shape of the page, unless it is the
  // page's white paper.
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override;
  // A drawn image becomes a picture of the page, cut to the page's clip.
  void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override;

  // ---- State
  QVDocxWriter* pdfConverter() { return pdfConverter_.get(); }
  bool isShouldCancel() const { return isShouldCancel_; }
  void setIsShouldCancel(bool value) { isShouldCancel_ = value; }
  const platform::Rect& currentPageMediaBox() const { return frame_.display().box; }
  int64_t currentPageRotationAngle() const { return frame_.display().rotation; }
  const platform::AffineTransform& currentPageTransform() const { return frame_.pageTransform(); }
  const QVTextRouter& textRouter() const { return router_; }

  // ---- Geometry and properties of the text shown now (each reads the top
  // state of the page's stack)
  platform::AffineTransform currentDisplayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size offset) const;
  // The display extent of a text-space width along the text line.
  platform::Size convertToDisplaySpaceWidth(double width) const;
  QVDocx_RPr currentRProperty() override;

 private:
  QVPDFRenderState& state() const;
  // User space of the state to display space.
  platform::AffineTransform userToDisplay() const;
  // An open text box or text path is closed before a drawing is taken, and
  // the text goes on from where the main text stopped.
  void closeTextBeforeDrawing();
  // Draws the page's shapes as pictures when they are more than the bounds.
  void flattenCrowdedDrawing(QVDocxPage& page);
  // A picture less than a point across, upright, is a rule: it becomes a
  // filled shape of its mean colour (drawn as a line), since readers lay out
  // such a sliver of a picture wrongly or not at all. False when the picture
  // is no such rule (or too large to read for its colour).
  bool makeRule(const QVPDFImageFile& file, const QVDocxImageInfo& info);
  QVDocxPage* currentPage() const;

  // The router's hooks.
  QVTextRouterPaint currentPaint() override;
  void makeMainRun(QVMainTextString run) override;
  void closeTextBox(QVRoutedTextBox box) override;
  void closeTextPath(QVRoutedTextPath path) override;

  std::unique_ptr<QVDocxWriter> pdfConverter_;
  bool isShouldCancel_ = false;
  QVPDFPageFrame frame_;
  // The counters of the running conversion.
  QVDocxConversionContext context_;
  QVTextRouter router_;
  // Per page: a font of the page keeps its facts (and stays alive) until the
  // page ends.
  QVDocxFontFacts fontFacts_{true};
  uint64_t pageStrings_ = 0;
  uint64_t pagePictures_ = 0;
  int64_t clipPixels_ = 0;
  // Clipped pictures already made.
  QVPDFClippedImages clippedImages_;
};
