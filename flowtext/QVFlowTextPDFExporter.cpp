#include "flowtext/QVFlowTextPDFExporter.h"


using platform::Size;

QVFlowTextPDFExporter::QVFlowTextPDFExporter() : router_(context_, *this) {}

QVFlowTextPDFExporter::~QVFlowTextPDFExporter() = default;

void QVFlowTextPDFExporter::begainConvertPDF(const std::string& outputPath) {
  pdfConverter_.reset();
  pdfConverter_ = makeConverter(outputPath, numberOfPagesToConvert(), context_);
  pdfConverter_->begainWriteDocument();
  isShouldCancel_ = false;
}

bool QVFlowTextPDFExporter::convertPDFPage(const platform::PdfPage& page) {
  if (!pdfConverter_) return false;
  fontFacts_.clear();
  const Size size = frame_.beginPage(page).box.size;
  pageStrings_ = 0;
  router_.begainPage(size);
  pdfConverter_->begainWritePage(size);
  // Text only: the page's images would be decoded and written for nothing.
  frame_.interpretPage(page, *this, false);
  router_.endPage();
  pdfConverter_->endWritePage();
  fontFacts_.clear();
  return true;
}

void QVFlowTextPDFExporter::endConvertPDF(const platform::PdfDocument&) {
  if (pdfConverter_) {
    pdfConverter_->endWriteDocument();
    pdfConverter_->packetDocxFile();
  }
  dropDocumentFonts();
}

void QVFlowTextPDFExporter::cleanConvertPDF() {
  pdfConverter_.reset();
  dropDocumentFonts();
}

void QVFlowTextPDFExporter::dropDocumentFonts() {
  fontFacts_.clear();
  frame_.endDocument();
}

QVFlowTextPage* QVFlowTextPDFExporter::currentPage() const {
  return pdfConverter_ ? pdfConverter_->currentPage() : nullptr;
}

QVDocx_RPr QVFlowTextPDFExporter::currentRProperty() { return fontFacts_.currentRProperty(frame_); }

void QVFlowTextPDFExporter::didScanText(QVPDFConentParser&, const std::string& text, Size offset) {
  if (isShouldCancel_ || !currentPage() || ++pageStrings_ > kMaxStringsPerPage) return;
  router_.didScanText(QVTextRouter::shownString(frame_, text, offset));
}

void QVFlowTextPDFExporter::makeMainRun(QVMainTextString shown) {
  QVFlowTextPage* page = currentPage();
  if (!page) return;
  // The placement is kept as the string's start gives it: the flowing-text
  // layouts measure a run by its width, not by its em box's right edge.
  auto run = std::make_shared<QVFlowRunText>();
  run->drawIndex = shown.drawIndex;
  run->ctmInfo = shown.start;
  run->rProperty = std::move(shown.rProperty);
  run->runText = std::move(shown.text);
  run->spaceWidth = shown.spaceWidth;
  run->textWidth = shown.textWidth;
  addMainRun(*page, std::move(run));
}

void QVFlowTextPDFExporter::addMainRun(QVFlowTextPage& page, std::shared_ptr<QVFlowRunText> run) {
  page.allRunTextArray.push_back(std::move(run));
}
