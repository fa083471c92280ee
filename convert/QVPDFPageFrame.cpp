#include "convert/QVPDFPageFrame.h"

#include "convert/QVPDFVisibleContentFilter.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontDescriptor.h"
#include "pdf/fonts/QVPDFFontUtilities.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

using platform::AffineTransform;
using platform::Size;

QVPDFOfficeFont QVPDF_OfficeFont(const QVPDFFont& font, std::string_view fallback) {
  const std::string& name = font.fontName();
  QVPDFOfficeFont office;
  office.family = font.fontFamilyName();
  // A name the font list does not know comes back as itself: what stands
  // before its style is the family ("Foo-BoldItalic", "Foo,Bold").
  if (office.family.empty() || office.family == name) office.family = QVPDFFontUtilities::familyNameCut(name);
  if (office.family.empty()) office.family = std::string(fallback);
  const auto& descriptor = font.fontDescriptor();
  office.bold = QVPDFFontUtilities::isBoldFontName(name) || (descriptor && descriptor->isBold());
  office.italic = QVPDFFontUtilities::isItalicFontName(name) || (descriptor && descriptor->isItalic());
  return office;
}

QVPDFPageFrame::QVPDFPageFrame() : renderingStateStack_(std::make_shared<RenderingStateStack>()) {}

QVPDFPageFrame::~QVPDFPageFrame() = default;

const QVPDFPageDisplay& QVPDFPageFrame::beginPage(const platform::PdfPage& page) {
  const QPDF* document = &page.document().qpdf();
  if (document != fontDocument_) {
    fontScope_.reset();
    fontScope_ = std::make_unique<QVPDFFontFactory::DocumentScope>(document);
    fontDocument_ = document;
  }
  display_ = QVPDF_PageDisplay(page);
  pageTransform_ = display_.transform;
  renderingStateStack_ = std::make_shared<RenderingStateStack>();
  return display_;
}

void QVPDFPageFrame::interpretPage(const platform::PdfPage& page, QVPDFConentParserDelegate& delegate,
                                   bool scansImages) {
  // Every output keeps only what a reader of the page sees.
  QVPDFVisibleContentFilter visible(delegate, display_.visibleBox);
  QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
  parser.setDelegate(&visible);
  parser.setRenderingStateStack(renderingStateStack_);
  if (!scansImages) parser.setScansImages(false);
  parser.startParser();
}

void QVPDFPageFrame::endDocument() {
  fontScope_.reset();
  fontDocument_ = nullptr;
}

QVPDFRenderState& QVPDFPageFrame::state() const { return renderingStateStack_->topRenderingState(); }

AffineTransform QVPDFPageFrame::userToDisplay() const { return state().ctm().concat(pageTransform_); }

AffineTransform QVPDFPageFrame::displayTextTransform() const {
  return QVPDF_DisplayTextTransform(state(), pageTransform_);
}

AffineTransform QVPDFPageFrame::nextDisplayTextTransform(Size advance) const {
  return QVPDF_NextDisplayTextTransform(state(), advance, pageTransform_);
}

Size QVPDFPageFrame::displaySpaceWidth(double width) const {
  return QVPDF_DisplaySpaceWidth(state(), width, pageTransform_);
}

QVPDF_CTMInfo QVPDFPageFrame::ctmInfo(const AffineTransform& displayTextTransform) const {
  return QVPDF_CTMInfoOfState(state(), displayTextTransform);
}

double QVPDFPageFrame::emFontSize() const { return QVPDF_EmFontSize(state()); }

double QVPDFPageFrame::fontAscent() const { return QVPDF_FontAscent(state()); }

double QVPDFPageFrame::fontDescent() const { return QVPDF_FontDescent(state()); }

double QVPDFPageFrame::spaceWidthInTextSpace() const {
  const QVPDFRenderState& s = state();
  return (s.font() ? s.font()->widthOfSpace() : 0.0) * s.fontSize();
}
