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
#include <unordered_map>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDF_CTMInfo.h"
#include "docx/QVDocx.h"
#include "docx/QVTextRouter.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/geometry/geometry.h"

class QVDocxWriter;
class QVDocxPage;
class QVPDFFont;
class QVPDFRenderState;
class RenderingStateStack;

class QVDocxPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate, private QVTextRouterDelegate {
 public:
  // The most strings a page takes: the later ones of a page are left out,
  // so that a small hostile file cannot fill the memory with runs.
  static constexpr uint64_t kMaxStringsPerPage = 200'000;
  // The most shapes and pictures a page takes, and the most image pixels it
  // reads back to clip: later ones are left out, for the same reason.
  static constexpr uint64_t kMaxPicturesPerPage = 100'000;
  static constexpr int64_t kMaxClipPixelsPerPage = int64_t{256} << 20;

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
  const platform::Rect& currentPageMediaBox() const { return currentPageMediaBox_; }
  int64_t currentPageRotationAngle() const { return currentPageRotationAngle_; }
  const platform::AffineTransform& currentPageTransform() const { return currentPageTransform_; }
  const QVTextRouter& textRouter() const { return router_; }

  // ---- Geometry and properties of the text shown now (each reads the top
  // state of the page's stack)
  platform::AffineTransform currentDisplayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size offset) const;
  // The display extent of a text-space width along the text line.
  platform::Size convertToDisplaySpaceWidth(double width) const;
  QVDocx_RPr currentRProperty() override;

 private:
  // What the run properties take from a font, worked out once per font.
  struct FontFacts {
    QVDocx_FontName name;
    bool bold = false;
    bool italic = false;
  };

  QVPDFRenderState& state() const;
  // User space of the state to display space.
  platform::AffineTransform userToDisplay() const;
  // An open text box or text path is closed before a drawing is taken, and
  // the text goes on from where the main text stopped.
  void closeTextBeforeDrawing();
  QVDocxPage* currentPage() const;
  double fontAscent() const;
  double fontDescent() const;
  const FontFacts& fontFacts(const std::shared_ptr<const QVPDFFont>& font);

  // The router's hooks.
  QVTextRouterPaint currentPaint() override;
  void makeMainRun(QVMainTextString run) override;
  void closeTextBox(QVRoutedTextBox box) override;
  void closeTextPath(QVRoutedTextPath path) override;

  std::unique_ptr<QVDocxWriter> pdfConverter_;
  bool isShouldCancel_ = false;
  std::shared_ptr<RenderingStateStack> renderingStateStack_;
  platform::Rect currentPageMediaBox_;
  int64_t currentPageRotationAngle_ = 0;
  platform::AffineTransform currentPageTransform_;
  // The counters of the running conversion.
  QVDocxConversionContext context_;
  QVTextRouter router_;
  QVDocxFontNames fontNames_;
  // Per page: a font of the page keeps its facts (and stays alive) until the
  // page ends.
  std::unordered_map<const QVPDFFont*, std::pair<std::shared_ptr<const QVPDFFont>, FontFacts>> fontFacts_;
  uint64_t pageStrings_ = 0;
  uint64_t pagePictures_ = 0;
  int64_t clipPixels_ = 0;
  // The fonts of the document being converted live as long as it does here.
  const void* fontDocument_ = nullptr;
  std::unique_ptr<QVPDFFontFactory::DocumentScope> fontScope_;
};
