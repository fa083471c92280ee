#include "xlsx/QVExcelPDFExporter.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "convert/QVHexColor.h"
#include "convert/QVPDFTextPlacement.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/fonts/QVPDFFont.h"
#include "xlsx/QVExcelPage.h"
#include "xlsx/QVExcelSortUtilities.h"
#include "xlsx/QVExcelUtilities.h"
#include "xlsx/QVExcelWriter.h"

using platform::AffineTransform;
using platform::Size;

namespace {

bool finitePlacement(const QVExcelRunText& run) {
  const QVPDF_CTMInfo& c = run.ctmInfo;
  for (double v : {c.yTop, c.yAscent, c.yBase, c.yDescent, c.yBottom, c.xLeft, c.xRight, c.topLeft.x, c.topLeft.y,
                   c.bottomLeft.x, c.bottomLeft.y, c.fontSize.width, c.fontSize.height, run.textWidth})
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

QVExcelPDFExporter::QVExcelPDFExporter(const std::optional<QVExcelOptions>& options, bool workbook)
    : workbook_(workbook) {
  manager_.setOptions(options);
}

QVExcelPDFExporter::~QVExcelPDFExporter() = default;

// ---------------------------------------------------------------------------
// The exporter contract

void QVExcelPDFExporter::begainConvertPDF(const std::string& outputPath) {
  manager_.reset();
  runTextCount_ = 0;
  pdfConverter_.reset();
  pdfConverter_ = std::make_unique<QVExcelWriter>(outputPath, numberOfPagesToConvert(), manager_,
                                                  workbook_ ? QVExcelWriter::Output::Workbook
                                                            : QVExcelWriter::Output::CSV);
  pdfConverter_->begainWriteDocument();
  isShouldCancel_ = false;
}

bool QVExcelPDFExporter::convertPDFPage(const platform::PdfPage& page) {
  if (!pdfConverter_) return false;

  const QVPDFPageDisplay& display = frame_.beginPage(page);
  nextCharFontSize_ = 1.0;
  nextCharTransform_ = AffineTransform::identity();
  mainTextFontSize_ = 1.0;
  mainTextTransform_ = AffineTransform::identity();
  isNotScanTextYet_ = true;
  isPageOverfull_ = false;

  pdfConverter_->begainWritePage(display.box.size);
  // Cells hold text only: images are neither decoded nor written.
  frame_.interpretPage(page, *this, false);
  // A table without the page's later strings would pass for the page's
  // whole table: such a page is reported failed and writes nothing.
  if (isPageOverfull_)
    throw std::runtime_error("The page holds more than " + std::to_string(kMaxRunsPerPage) +
                             " runs of text, more than a table of a page is made of");
  pdfConverter_->endWritePage();
  return true;
}

void QVExcelPDFExporter::endConvertPDF(const platform::PdfDocument& document) {
  if (pdfConverter_) pdfConverter_->packetExcelFile(document);
  frame_.endDocument();
}

void QVExcelPDFExporter::cleanConvertPDF() {
  // Nothing of a cancelled conversion is kept, its work folder included.
  pdfConverter_.reset();
  frame_.endDocument();
}

// ---------------------------------------------------------------------------
// Shared look-ups

QVPDFRenderState& QVExcelPDFExporter::state() const { return frame_.state(); }

QVExcelPage* QVExcelPDFExporter::currentPage() const {
  return pdfConverter_ ? pdfConverter_->currentPage() : nullptr;
}

AffineTransform QVExcelPDFExporter::currentDisplayTextTransform() const { return frame_.displayTextTransform(); }

AffineTransform QVExcelPDFExporter::nextDisplayTextTransform(Size advance) const {
  return frame_.nextDisplayTextTransform(advance);
}

Size QVExcelPDFExporter::convertToDisplaySpaceWidth(double width) const { return frame_.displaySpaceWidth(width); }

// ---------------------------------------------------------------------------
// Text

void QVExcelPDFExporter::didScanText(QVPDFConentParser& parser, const std::string& text, Size offset) {
  (void)parser;
  if (isShouldCancel_) return;
  QVExcelPage* page = currentPage();
  if (page && page->isCollectingRunText()) collectRunText(text, offset);
}

void QVExcelPDFExporter::collectRunText(const std::string& text, Size offset) {
  // A page's text does not start with a lone blank or control character.
  if (isNotScanTextYet_ && text.size() == 1 && static_cast<unsigned char>(text[0]) <= 0x20) return;

  QVPDF_CTMInfo info = frame_.currentCTMInfo();
  // Cells hold upright text only: mirrored, vertical and turned strings are
  // left out. A vertical font's column would fall one character per row.
  if (info.flip || !(info.rotation < 5.0f)) return;
  if (state().font() && state().font()->isVertical()) return;
  info.rotation = 0;

  const QVPDFRenderState& s = state();
  const AffineTransform next = nextDisplayTextTransform(offset);
  const QVPDF_CTMInfo nextInfo = frame_.ctmInfo(next);

  auto run = std::make_shared<QVExcelRunText>();
  run->rPr = currentRProperty();
  run->text = text;
  run->ctmInfo = info;
  run->ctmInfo.xRight = nextInfo.topLeft.x;
  run->textWidth = std::fabs(nextInfo.topLeft.x - info.topLeft.x);
  // A string placed at an infinite or undefined position has no place in a
  // table, and would break the ordering of the runs.
  if (!finitePlacement(*run)) return;

  isNotScanTextYet_ = false;
  const double spaceInText = frame_.spaceWidthInTextSpace() * s.horizontalScaling();
  const double wordSpace = convertToDisplaySpaceWidth(spaceInText).width;
  nextCharTransform_ = next;
  nextCharFontSize_ = s.fontSize();
  nextCharCTMInfo_ = nextInfo;
  mainTextTransform_ = nextCharTransform_;
  mainTextFontSize_ = nextCharFontSize_;
  mainTextCTMInfo_ = nextCharCTMInfo_;

  run->spaceWidth = wordSpace;
  run->drawIndex = runTextCount_++;
  if (workbook_) {
    // Every font of the text is in the styles, as the text shows it.
    manager_.excelStyle().collectFonts(QVExcelStyleFont(run->rPr.sz, run->rPr.rFont,
                                                        QVExcelUtilities::sixDigitColor(run->rPr.rgbColor),
                                                        run->rPr.b, run->rPr.i));
  }
  addToAllRunTextArray(std::move(run), wordSpace);
}

void QVExcelPDFExporter::addToAllRunTextArray(QVExcelRunTextPtr run, double wordSpace) {
  QVExcelPage* page = currentPage();
  if (!page || !run) return;
  QVExcelRunList& runs = page->allRunTextArray;
  if (!runs.empty()) {
    QVExcelRunText& last = *runs.back();
    const double dy = run->ctmInfo.yBase - last.ctmInfo.yBase;
    const double gap = run->ctmInfo.xLeft - last.ctmInfo.xRight;
    if (QVExcelSortUtilities::ContinuesWord(last, *run)) {
      last.appendText(*run);
      last.ctmInfo.xRight = std::max(last.ctmInfo.xRight, run->ctmInfo.xRight);
      last.textWidth = last.ctmInfo.xRight - last.ctmInfo.xLeft;
      if (run->spaceWidth > 0) last.spaceWidth = run->spaceWidth;
      return;
    }
    if (std::fabs(dy) < 1.0 && last.rPr.isEqualToRPr(run->rPr)) {
      // A gap under a point may still be a word gap: small type, or
      // justified text set tight.
      if (std::fabs(gap) < 1.0 && !QVExcelSortUtilities::IsWordGap(last, *run, gap)) {
        last.appendText(*run);
        last.textWidth += run->textWidth;
        last.ctmInfo.xRight = run->ctmInfo.xRight;
        last.spaceWidth = run->spaceWidth;
        return;
      }
      if (std::fabs(gap - wordSpace) < 1.0) {
        last.appendText(*run, " ");
        last.textWidth += run->textWidth + wordSpace;
        last.ctmInfo.xRight = run->ctmInfo.xRight;
        last.spaceWidth = run->spaceWidth;
        return;
      }
    }
  }
  if (runs.size() >= kMaxRunsPerPage) {
    isPageOverfull_ = true;
    return;
  }
  runs.push_back(std::move(run));
}

QVExcelRunTextProperty QVExcelPDFExporter::currentRProperty() const {
  QVExcelRunTextProperty properties;
  const QVPDFRenderState& s = state();
  const auto& font = s.font();
  if (!font) return properties;
  QVPDFOfficeFont office = QVPDF_OfficeFont(*font, QVExcelUtilities::defaultFontName());
  properties.b = office.bold;
  properties.i = office.italic;
  properties.sz = std::fmax(frame_.currentCTMInfo().fontSize.width, 10.0);
  properties.rFont = office.family;
  properties.family = std::move(office.family);
  // The interpreter starts a page in a fill that is black to the eye (1 of
  // 255 in each channel): near-black text is written black, as it is seen.
  const platform::Color fill = s.currentFillColor();
  properties.rgbColor = QVHexColor::isBlackColor(fill) ? std::string("000000") : QVHexColor::getHexColorFromCGColor(fill);
  return properties;
}

// ---------------------------------------------------------------------------
// Fills

void QVExcelPDFExporter::didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) {
  (void)parser, (void)path, (void)stroke;
  if (!manager_.isNeedCollectCGPaths() || !currentPage()) return;
  const QVPDFRenderState& s = state();
  const platform::Path displayPath = s.cgPath().transformed(frame_.userToDisplay());
  if (displayPath.isEmpty()) return;
  const platform::Rect box = displayPath.boundingBox();
  if (box.isNull() || !std::isfinite(box.origin.x) || !std::isfinite(box.origin.y) || !std::isfinite(box.size.width) ||
      !std::isfinite(box.size.height))
    return;
  if (box.width() >= 2.0 && box.height() >= 2.0 && fill && manager_.isNeedCollectFills()) collectFills(displayPath);
}

void QVExcelPDFExporter::collectFills(const platform::Path& displayPath) {
  const platform::Color color = state().currentFillColor();
  if (QVHexColor::isBlackColor(color)) return;
  const platform::Rect box = displayPath.boundingBox();
  if (box.isNull()) return;
  manager_.excelStyle().collectFills(QVExcelStyleFill(box.standardized(), color));
}
