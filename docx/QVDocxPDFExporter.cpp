#include "docx/QVDocxPDFExporter.h"

#include <cmath>

#include "convert/QVPDFTextPlacement.h"
#include "docx/QVDocxPage.h"
#include "docx/QVDocxRunTextBox.h"
#include "docx/QVDocxRunTextPath.h"
#include "docx/QVDocxUtilities.h"
#include "docx/QVDocxWriter.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontUtilities.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

using platform::AffineTransform;
using platform::Size;

QVDocxPDFExporter::QVDocxPDFExporter()
    : renderingStateStack_(std::make_shared<RenderingStateStack>()), router_(context_, *this) {}

QVDocxPDFExporter::~QVDocxPDFExporter() = default;

// ---------------------------------------------------------------------------
// The exporter contract

void QVDocxPDFExporter::begainConvertPDF(const std::string& outputPath) {
  pdfConverter_.reset();
  pdfConverter_ = std::make_unique<QVDocxWriter>(outputPath, numberOfPagesToConvert(), context_);
  pdfConverter_->begainWriteDocument();
  isShouldCancel_ = false;
}

bool QVDocxPDFExporter::convertPDFPage(const platform::PdfPage& page) {
  if (!pdfConverter_) return false;

  // Fonts are built once per document and shared by its pages.
  const QPDF* document = &page.document().qpdf();
  if (document != fontDocument_) {
    fontFacts_.clear();
    fontScope_.reset();
    fontScope_ = std::make_unique<QVPDFFontFactory::DocumentScope>(document);
    fontDocument_ = document;
  }
  fontFacts_.clear();

  const QVPDFPageDisplay display = QVPDF_PageDisplay(page);
  currentPageRotationAngle_ = display.rotation;
  currentPageMediaBox_ = display.box;
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
    // The document takes no pictures yet: the page's images are not made.
    parser.setScansImages(false);
    parser.startParser();
  }
  router_.endPage();
  pdfConverter_->endWritePage();
  fontFacts_.clear();
  return true;
}

void QVDocxPDFExporter::endConvertPDF(const platform::PdfDocument&) {
  if (pdfConverter_) {
    pdfConverter_->endWriteDocument();
    pdfConverter_->packetDocxFile();
  }
  fontFacts_.clear();
  fontScope_.reset();
  fontDocument_ = nullptr;
}

void QVDocxPDFExporter::cleanConvertPDF() {
  pdfConverter_.reset();
  fontFacts_.clear();
  fontScope_.reset();
  fontDocument_ = nullptr;
}

// ---------------------------------------------------------------------------
// Geometry and properties

QVPDFRenderState& QVDocxPDFExporter::state() const { return renderingStateStack_->topRenderingState(); }

QVDocxPage* QVDocxPDFExporter::currentPage() const { return pdfConverter_ ? pdfConverter_->currentPage() : nullptr; }

double QVDocxPDFExporter::fontAscent() const { return QVPDF_FontAscent(state()); }

double QVDocxPDFExporter::fontDescent() const { return QVPDF_FontDescent(state()); }

AffineTransform QVDocxPDFExporter::currentDisplayTextTransform() const {
  return QVPDF_DisplayTextTransform(state(), currentPageTransform_);
}

AffineTransform QVDocxPDFExporter::nextDisplayTextTransform(Size offset) const {
  return QVPDF_NextDisplayTextTransform(state(), offset, currentPageTransform_);
}

Size QVDocxPDFExporter::convertToDisplaySpaceWidth(double width) const {
  return QVPDF_DisplaySpaceWidth(state(), width, currentPageTransform_);
}

const QVDocxPDFExporter::FontFacts& QVDocxPDFExporter::fontFacts(const std::shared_ptr<const QVPDFFont>& font) {
  auto found = fontFacts_.find(font.get());
  if (found != fontFacts_.end()) return found->second.second;

  // The family name, else the font's own name, else the fall-back; bold or
  // italic faces are named by their family, plain ones by their own name.
  std::string family = font->fontFamilyName();
  std::string name = font->fontName();
  if (family.empty())
    family = name.empty() ? std::string(QVDocx_FontNameText(QVDocxUtilities::fallbackFontName())) : name;
  if (name.empty()) name = family;
  const auto& descriptor = font->fontDescriptor();
  FontFacts facts;
  facts.bold = QVPDFFontUtilities::isBoldFontName(name) || (descriptor && descriptor->isBold());
  facts.italic = QVPDFFontUtilities::isItalicFontName(name) || (descriptor && descriptor->isItalic());
  facts.name = fontNames_.intern(facts.bold || facts.italic ? family : name);
  return fontFacts_.emplace(font.get(), std::make_pair(font, std::move(facts))).first->second.second;
}

QVDocx_RPr QVDocxPDFExporter::currentRProperty() {
  const QVPDFRenderState& s = state();
  const std::shared_ptr<const QVPDFFont>& font = s.font();
  if (!font) return QVDocxUtilities::defaultRProperty();
  const FontFacts& facts = fontFacts(font);
  // The display em width, rounded and at least 8, as the placement gives it.
  const Size em = QVPDF_CTMInfoOfState(s, currentDisplayTextTransform()).fontSize;
  const QVPDFRGB fill = s.currentFillRGBColor();

  // Scale, spacing, underline and script stay as the defaults have them.
  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.rFonts = {facts.name, facts.name, facts.name, facts.name};
  r.b = facts.bold;
  r.i = facts.italic;
  r.sz = static_cast<float>(em.width);
  r.color = {fill.r, fill.g, fill.b, 255};
  return r;
}

// ---------------------------------------------------------------------------
// Text

void QVDocxPDFExporter::didScanText(QVPDFConentParser&, const std::string& text, Size offset) {
  if (isShouldCancel_ || !currentPage() || ++pageStrings_ > kMaxStringsPerPage) return;
  const QVPDFRenderState& s = state();
  QVShownString shown;
  shown.text = text;
  shown.start = currentDisplayTextTransform();
  shown.next = nextDisplayTextTransform(offset);
  shown.fontSize = s.fontSize();
  shown.ascent = fontAscent();
  shown.descent = fontDescent();
  shown.spaceWidth = (s.font() ? s.font()->widthOfSpace() : 0.0) * s.fontSize();
  router_.didScanText(shown);
}

QVTextRouterPaint QVDocxPDFExporter::currentPaint() {
  const QVPDFRenderState& s = state();
  QVTextRouterPaint paint;
  paint.strokecolor = s.currentStrokeColor();
  paint.fillcolor = s.currentFillColor();
  paint.dashPattern = s.lineDashPattern();
  paint.dashPhase = s.lineDashPhase();
  return paint;
}

void QVDocxPDFExporter::makeMainRun(QVMainTextString shown) {
  QVDocxPage* page = currentPage();
  if (!page) return;
  auto run = std::make_shared<QVDocxRunText>();
  run->drawIndex = shown.drawIndex;
  run->ctmInfo = shown.start;
  run->ctmInfo.xRight = shown.end.topLeft.x;
  run->rProperty = std::move(shown.rProperty);
  run->runText = std::move(shown.text);
  run->spaceWidth = shown.spaceWidth;
  run->textWidth = shown.textWidth;
  page->allRunTextArray.push_back(std::move(run));
}

void QVDocxPDFExporter::closeTextBox(QVRoutedTextBox box) {
  QVDocxPage* page = currentPage();
  if (!page) return;
  auto run = std::make_shared<QVDocxRunTextBox>();
  run->drawIndex = context_.takeDrawIndex();
  run->pictZIndex = context_.takeFrontZIndex();
  run->paragraphArray = std::move(box.paragraphs);
  run->pictInfo = std::move(box.info);
  page->runTextBoxArray.push_back(std::move(run));
}

void QVDocxPDFExporter::closeTextPath(QVRoutedTextPath path) {
  QVDocxPage* page = currentPage();
  if (!page) return;
  auto run = std::make_shared<QVDocxRunTextPath>();
  run->drawIndex = context_.takeDrawIndex();
  run->pictZIndex = context_.takeFrontZIndex();
  run->runText = std::move(path.text);
  run->rProperty = path.info.rProperty;
  run->pictInfo = std::move(path.info);
  page->runPathArray.push_back(std::move(run));
}
