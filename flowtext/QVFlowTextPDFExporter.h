#pragma once
// The exporter of the single-file flowing-text outputs (HTML, RTF, plain
// text): the Word exporter's page frame and text routing reduced to text.
//
// Every shown string goes through the text router: upright text becomes a
// run of the current page's flow; text that the router collects into a text
// box (a quarter turn) or a text path (any other angle, mirrored) is dropped
// when the box or path closes. Paths and images are not taken, and the
// interpreter is told so: it decodes and writes no image of the page.
//
// A format derives from this class and supplies its document assembler
// (makeConverter); the assembler supplies the pages and writes the output.
#include <cstdint>
#include <memory>
#include <string>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDFPageFrame.h"
#include "docx/QVDocx.h"
#include "docx/QVDocxConversionContext.h"
#include "docx/QVDocxFontFacts.h"
#include "docx/QVTextRouter.h"
#include "flowtext/QVFlowTextConverter.h"
#include "pdf/QVPDFConentParser.h"
#include "platform/geometry/geometry.h"


class QVFlowTextPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate, private QVTextRouterDelegate {
 public:
  // The most strings a page takes: the later ones of a page are left out,
  // so that a small hostile file cannot fill the memory with runs.
  static constexpr uint64_t kMaxStringsPerPage = 200'000;

  QVFlowTextPDFExporter();
  ~QVFlowTextPDFExporter() override;

  // ---- The exporter contract
  void begainConvertPDF(const std::string& outputPath) override;
  bool convertPDFPage(const platform::PdfPage& page) override;
  void endConvertPDF(const platform::PdfDocument& document) override;
  // After a cancel: the document is dropped with its work folder.
  void cleanConvertPDF() override;

  // ---- The interpreter's callbacks (paths and images are not taken)
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;

  QVFlowTextConverter* pdfConverter() { return pdfConverter_.get(); }
  bool isShouldCancel() const { return isShouldCancel_; }
  void setIsShouldCancel(bool value) { isShouldCancel_ = value; }
  const QVTextRouter& textRouter() const { return router_; }

  // The run properties of the text shown now: every font slot holds the
  // font's office family (the fall-back name when it has none); bold and
  // italic come from the font's own name and descriptor.
  QVDocx_RPr currentRProperty() override;

 protected:
  // The format's document assembler, for the output path and page count.
  virtual std::unique_ptr<QVFlowTextConverter> makeConverter(const std::string& outputPath, int64_t numOfPages,
                                                             QVDocxConversionContext& context) = 0;
  // Hook: an upright string became a run of the current page (the base adds
  // it to the page's runs).
  virtual void addMainRun(QVFlowTextPage& page, std::shared_ptr<QVFlowRunText> run);

 private:
  QVFlowTextPage* currentPage() const;
  void dropDocumentFonts();

  // The router's hook; boxes and paths keep the router's default (dropped).
  void makeMainRun(QVMainTextString run) override;

  std::unique_ptr<QVFlowTextConverter> pdfConverter_;
  bool isShouldCancel_ = false;
  QVPDFPageFrame frame_;
  QVDocxConversionContext context_;
  QVTextRouter router_;
  QVDocxFontFacts fontFacts_;
  uint64_t pageStrings_ = 0;
};
