#pragma once
// QVPPTXPDFExporter: the presentation exporter. Each PDF page becomes one
// slide: shown text becomes absolutely placed text boxes of paragraphs and
// runs, painted paths become freeform shapes (or pictures rendered from them
// when they are complex), and drawn images become pictures, clipped where the
// page clips them. Shapes keep the order in which the page painted them.
//
// Geometry is in display space: points, origin at the top-left corner of the
// page as displayed after its /Rotate, y growing downwards.
//
// Text boxes. A string opens a box at its em box's top-left corner; the next
// strings continue it on the same line (with blanks for the gaps between
// them, at most kMaxInsertedBlanks), as a new paragraph on a lower line that
// starts at or right of the box's left edge, or close it and open a new box
// (a higher line, a line further than kMaxParagraphDrop below, a change of
// direction, or a gap wider than the blanks allow). A box turned by an angle
// is placed so that its turned top-left corner lands on its first glyph.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDF_CTMInfo.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/image/bitmap.h"
#include "pptx/QVPPTXTextProperties.h"

class QVPPTXWriter;
class QVPPTXPage;
class QVPDFRenderState;
class RenderingStateStack;

class QVPPTXPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate {
 public:
  // The most blanks put between two strings of one line; a wider gap opens
  // a new text box for the string.
  static constexpr int kMaxInsertedBlanks = 32;
  // A gap of at least this fraction of the font size is a word space even
  // when it is narrower than half the font's space width.
  static constexpr double kMinWordGap = 0.2;
  // A lower line further down than this (points) opens a new box.
  static constexpr double kMaxParagraphDrop = 96.0;
  // Items of a path's element list (its leading marker included) from which
  // it is rendered to a picture rather than written as a freeform.
  static constexpr size_t kPathElementItemLimit = 29;
  // Tolerance of the full-page white fill that is left out, per edge.
  static constexpr double kFullPageTolerance = 1.0;
  // What one page may cost, so that a small hostile file cannot make a
  // conversion run for hours or fill the memory. Strings, paths and images
  // a slide takes from its page: the page's later ones are left out.
  static constexpr uint64_t kMaxItemsPerSlide = 200'000;
  // Pixels of the pictures a page makes: image files written, clipped
  // images and paths rendered. Beyond it, complex paths become freeforms,
  // and images that need a new file or clipping are left out.
  static constexpr int64_t kMaxPicturePixelsPerPage = int64_t{1} << 27;

  QVPPTXPDFExporter();
  ~QVPPTXPDFExporter() override;

  // ---- The exporter contract
  void begainConvertPDF(const std::string& outputPath) override;
  bool convertPDFPage(const platform::PdfPage& page) override;
  void endConvertPDF(const platform::PdfDocument& document) override;
  void cleanConvertPDF() override;

  // ---- The interpreter's callbacks
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override;
  void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override;

  // ---- State
  QVPPTXWriter* pdfConverter() { return pdfConverter_.get(); }
  bool isShouldCancel() const { return isShouldCancel_; }
  void setIsShouldCancel(bool value) { isShouldCancel_ = value; }
  // The page box as displayed (rotated with the page, origin 0).
  const platform::Rect& currentPageMediaBox() const { return currentPageMediaBox_; }
  int64_t currentPageRotationAngle() const { return currentPageRotationAngle_; }
  // User space of the page to display space.
  const platform::AffineTransform& currentPageTransform() const { return currentPageTransform_; }
  double nextCharFontSize() const { return nextCharFontSize_; }
  const platform::AffineTransform& nextCharTransform() const { return nextCharTransform_; }
  const QVPDF_CTMInfo& nextCharCTMInfo() const { return nextCharCTMInfo_; }

  // ---- The text path (each reads the top state of the page's stack)
  // Opens a box for the string (a lone blank or control character opens
  // none) and appends it.
  void newPPTXTextBox(const std::string& text, platform::Size offset);
  // Continues the open box with the string, or closes it and opens another.
  void usingPPTXTextBox(const std::string& text, platform::Size offset);
  // Adds the string to the open box's last paragraph and moves the expected
  // position past it; blankWidth is the width of blanks put in front of it.
  void appendPPTXTextBox(const std::string& text, platform::Size offset, double blankWidth);
  // Run properties from the current state.
  QVPPTX_RunPr currentRProperty() const;
  // Closes the open text box, if any, into a text-box shape of the slide.
  void endTextBoxWritingIfNeed();
  // The display-space extent of a text-space width along the text line.
  platform::Size convertToDisplaySpaceWidth(double width) const;
  // Text space to display space now, and after an advance.
  platform::AffineTransform currentDisplayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size advance) const;

  // ---- Paths and images
  // Renders a display-space path into a picture of the slide.
  void useCGPathToImage(const platform::Path& displayPath, bool stroke, bool fill);

 private:
  QVPDFRenderState& state() const;
  QVPPTXPage* currentPage() const;
  // The placement record of a string at the current position.
  QVPDF_CTMInfo currentCTMInfo() const;
  QVPDF_CTMInfo ctmInfoFor(const platform::AffineTransform& displayTextTransform) const;
  double fontAscent() const;
  double fontDescent() const;
  // User space to display space.
  platform::AffineTransform userToDisplay() const;
  // Where the work folder keeps the pictures rendered for this conversion.
  std::string renderedImageTemplate() const;
  // The memory the next canvas is made in.
  platform::image::PixelStorage* canvasMemory();
  // Takes a written picture's canvas memory back for the next picture.
  void keepCanvasMemory(platform::image::Bitmap&& canvas);

  std::unique_ptr<QVPPTXWriter> pdfConverter_;
  bool isShouldCancel_ = false;
  std::shared_ptr<RenderingStateStack> renderingStateStack_;
  platform::Rect currentPageMediaBox_;
  int64_t currentPageRotationAngle_ = 0;
  platform::AffineTransform currentPageTransform_;
  double nextCharFontSize_ = 1.0;
  platform::AffineTransform nextCharTransform_;
  QVPDF_CTMInfo nextCharCTMInfo_;
  // The open box's first glyph: the top of its em box at the start of its
  // baseline, where the box's turned top-left corner goes.
  platform::Point boxStartCorner_;
  // The fonts of the document being converted live as long as it does here.
  const void* fontDocument_ = nullptr;
  std::unique_ptr<QVPDFFontFactory::DocumentScope> fontScope_;
  uint64_t nextRenderedImage_ = 1;
  // The memory of the last canvas, reused by the next rendered picture (up
  // to kKeptCanvasBytes; larger canvases are given back at once).
  static constexpr size_t kKeptCanvasBytes = size_t{8} << 20;
  platform::image::PixelStorage canvasMemory_;
  // Spent of the page's budgets.
  uint64_t pageItems_ = 0;
  int64_t picturePixels_ = 0;
};
