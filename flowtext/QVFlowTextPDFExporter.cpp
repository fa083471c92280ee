#include "flowtext/QVFlowTextPDFExporter.h"

#include "convert/QVPDFTextPlacement.h"
#include "docx/QVDocxUtilities.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontUtilities.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

using platform::Size;

QVFlowTextPDFExporter::QVFlowTextPDFExporter()
    : renderingStateStack_(std::make_shared<RenderingStateStack>()), router_(context_, *this) {}

QVFlowTextPDFExporter::~QVFlowTextPDFExporter() = default;

void QVFlowTextPDFExporter::begainConvertPDF(const std::string& outputPath) {
  pdfConverter_.reset();
  pdfConverter_ = makeConverter(outputPath, numberOfPagesToConvert(), context_);
  pdfConverter_->begainWriteDocument();
  isShouldCancel_ = false;
}

bool QVFlowTextPDFExporter::convertPDFPage(const platform::PdfPage& page) {
  if (!pdfConverter_) return false;

  // Fonts are built once per document and shared by its pages.
  const QPDF* document = &page.document().qpdf();
  if (document != fontDocument_) {
    dropDocumentFonts();
    fontScope_ = std::make_unique<QVPDFFontFactory::DocumentScope>(document);
    fontDocument_ = document;
  }
  fontFacts_.clear();

  const QVPDFPageDisplay display = QVPDF_PageDisplay(page);
  currentPageTransform_ = display.transform;
  const Size size = display.box.size;

  renderingStateStack_ = std::make_shared<RenderingStateStack>();
  pageStrings_ = 0;
  router_.begainPage(size);
  pdfConverter_->begainWritePage(size);
  {
    QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
    parser.setDelegate(this);
    parser.setRenderingStateStack(renderingStateStack_);
    // Text only: the page's images would be decoded and written for nothing.
    parser.setScansImages(false);
    parser.startParser();
  }
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
  fontScope_.reset();
  fontDocument_ = nullptr;
}

QVPDFRenderState& QVFlowTextPDFExporter::state() const { return renderingStateStack_->topRenderingState(); }

QVFlowTextPage* QVFlowTextPDFExporter::currentPage() const {
  return pdfConverter_ ? pdfConverter_->currentPage() : nullptr;
}

const QVFlowTextPDFExporter::FontFacts& QVFlowTextPDFExporter::fontFacts(const std::shared_ptr<const QVPDFFont>& font) {
  auto found = fontFacts_.find(font.get());
  if (found != fontFacts_.end()) return found->second.second;

  // Neither name falls back to the other: each missing one is the fall-back.
  const std::string fallback(QVDocx_FontNameText(QVDocxUtilities::fallbackFontName()));
  std::string family = font->fontFamilyName();
  std::string name = font->fontName();
  if (family.empty()) family = fallback;
  if (name.empty()) name = fallback;
  const auto& descriptor = font->fontDescriptor();
  FontFacts facts;
  facts.bold = QVPDFFontUtilities::isBoldFontName(name) || (descriptor && descriptor->isBold());
  facts.italic = QVPDFFontUtilities::isItalicFontName(name) || (descriptor && descriptor->isItalic());
  facts.family = fontNames_.intern(family);
  return fontFacts_.emplace(font.get(), std::make_pair(font, std::move(facts))).first->second.second;
}

QVDocx_RPr QVFlowTextPDFExporter::currentRProperty() {
  const QVPDFRenderState& s = state();
  const std::shared_ptr<const QVPDFFont>& font = s.font();
  if (!font) return QVDocxUtilities::defaultRProperty();
  const FontFacts& facts = fontFacts(font);
  const Size em = QVPDF_CTMInfoOfState(s, QVPDF_DisplayTextTransform(s, currentPageTransform_)).fontSize;
  const QVPDFRGB fill = s.currentFillRGBColor();

  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.rFonts = {facts.family, facts.family, facts.family, facts.family};
  r.b = facts.bold;
  r.i = facts.italic;
  r.sz = static_cast<float>(em.width);
  r.color = {fill.r, fill.g, fill.b, 255};
  return r;
}

void QVFlowTextPDFExporter::didScanText(QVPDFConentParser&, const std::string& text, Size offset) {
  if (isShouldCancel_ || !currentPage() || ++pageStrings_ > kMaxStringsPerPage) return;
  const QVPDFRenderState& s = state();
  QVShownString shown;
  shown.text = text;
  shown.start = QVPDF_DisplayTextTransform(s, currentPageTransform_);
  shown.next = QVPDF_NextDisplayTextTransform(s, offset, currentPageTransform_);
  shown.fontSize = s.fontSize();
  shown.ascent = QVPDF_FontAscent(s);
  shown.descent = QVPDF_FontDescent(s);
  shown.spaceWidth = (s.font() ? s.font()->widthOfSpace() : 0.0) * s.fontSize();
  router_.didScanText(shown);
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
