#include "pptx/QVPPTXPDFExporter.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <cmath>
#include <limits>
#include <numbers>

#include "convert/QVHexColor.h"
#include "pdf/QVPDFCGPathUtilities.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFPathUtilities.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFUtilities.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/fs/files.h"
#include "platform/text/bidi.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXFreeform.h"
#include "pptx/QVPPTXPage.h"
#include "pptx/QVPPTXPicture.h"
#include "convert/QVPDFRendering.h"
#include "pptx/QVPPTXTextbox.h"
#include "pptx/QVPPTXUtilities.h"
#include "pptx/QVPPTXWriter.h"

using platform::AffineTransform;
using platform::Path;
using platform::Point;
using platform::Rect;
using platform::Size;

namespace {

// Sequence numbers of the runs the exporters make, over the whole process.
std::atomic<uint64_t> gRunCounter{0};

constexpr const char* kFallbackTypeface = "Arial Unicode MS";

// A box opens at the quarter turn nearest to its direction within 5 degrees
// (and upright below 5); continuing strings snap only to the quarter turns.
double snapRotation(double r, bool snapUpright) {
  if (snapUpright && r < 5) return 0;
  if (r > 85 && r < 95) return 90;
  if (r > 265 && r < 275) return 270;
  return r;
}

bool isQuarterTurn(double rotation) { return rotation == 90 || rotation == 270; }

// The share of its size an office application sets below the baseline of a
// line of exact height, whatever the face (LibreOffice: 0.195): the line's
// baseline stands that far above its bottom. A face whose descent is deeper
// than that by more than kDeepDescentShare (the Thai and Arabic faces, by
// about 0.3) has its box's first line lowered by the difference.
constexpr double kOfficeDescentShare = 0.195;
constexpr double kDeepDescentShare = 0.1;

// A string that is one UTF-16 unit no higher than U+0020: a blank, a tab or
// another control character.
bool isLoneBlankOrControl(const std::string& text) {
  return text.size() == 1 && static_cast<unsigned char>(text[0]) <= 0x20;
}

// A line spacing in points, to the hundredth the format holds (a spacing
// truncated to whole points lets a long paragraph drift up the page).
double lineSpacing(double v) {
  if (!std::isfinite(v)) return 0;
  return std::round(std::clamp(v, -1e7, 1e7) * 100.0) / 100.0;
}

platform::text::TextDirection directionOf(const std::string& text) {
  return platform::text::firstStrongDirection(std::string_view(text));
}

// Right-to-left text read before the text of its run is put in front of it;
// past this size a run takes further text at its end, so that a hostile line
// of many strings costs no more than a line's worth of moves each.
constexpr size_t kMaxRightToLeftRunBytes = 64 * 1024;
// Paragraphs whose margins a box that grows to the left shifts.
constexpr size_t kMaxShiftedParagraphs = 64;

int64_t roundedInt64(double v) {
  if (!std::isfinite(v)) return 0;
  if (std::fabs(v) > 9.0e18) return v > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
  return std::llround(v);
}

QVPPTX_PPr paragraphProperty(float marL, double lnSpc) {
  QVPPTX_PPr p;
  p.marL = marL;
  p.lnSpc = lnSpc;
  p.tabList = {0, "l"};
  return p;
}

bool finitePoint(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

QVPPTXPDFExporter::QVPPTXPDFExporter() = default;

QVPPTXPDFExporter::~QVPPTXPDFExporter() = default;

// ---------------------------------------------------------------------------
// The exporter contract

void QVPPTXPDFExporter::begainConvertPDF(const std::string& outputPath) {
  pdfConverter_.reset();
  pdfConverter_ = std::make_unique<QVPPTXWriter>(outputPath, numberOfPagesToConvert());
  pdfConverter_->begainWriteDocument();
  isShouldCancel_ = false;
  nextRenderedImage_ = 1;
}

bool QVPPTXPDFExporter::convertPDFPage(const platform::PdfPage& page) {
  if (!pdfConverter_) return false;

  const QVPDFPageDisplay& display = frame_.beginPage(page);
  const double width = display.box.width();
  const double height = display.box.height();
  // The deck has the first page's size; a page of another size or turned
  // another way is fitted into it rather than cut off.
  const Size pageSize{width, height};
  const Size slideSize = pdfConverter_->completedSlideCount() > 0 ? pdfConverter_->slideSize() : pageSize;
  const AffineTransform fit = slideFitTransform(pageSize, slideSize);
  frame_.setPageTransform(display.transform.concat(fit));
  currentPageMediaBox_ = Rect(fit.tx, fit.ty, width * fit.a, height * fit.d);
  currentSlideSize_ = slideSize;

  nextCharFontSize_ = 1.0;
  nextCharTransform_ = AffineTransform::identity();
  rightToLeftRun_.reset();
  pageItems_ = 0;
  picturePixels_ = 0;

  pdfConverter_->begainWritePage(Size{width, height});
  frame_.interpretPage(page, *this);
  endTextBoxWritingIfNeed();
  pdfConverter_->endWritePage();
  return true;
}

void QVPPTXPDFExporter::endConvertPDF(const platform::PdfDocument& document) {
  (void)document;
  canvasMemory_ = platform::image::PixelStorage();
  if (pdfConverter_) pdfConverter_->packetPPTXFile();
  frame_.endDocument();
}

void QVPPTXPDFExporter::cleanConvertPDF() {}

// ---------------------------------------------------------------------------
// Shared look-ups

QVPDFRenderState& QVPPTXPDFExporter::state() const { return frame_.state(); }

QVPPTXPage* QVPPTXPDFExporter::currentPage() const {
  return pdfConverter_ ? pdfConverter_->currentPage() : nullptr;
}

AffineTransform QVPPTXPDFExporter::userToDisplay() const { return frame_.userToDisplay(); }

AffineTransform QVPPTXPDFExporter::slideFitTransform(Size page, Size slide) {
  // Sizes that differ by less than this are one size (a page box written
  // with rounded numbers).
  constexpr double kSameSize = 0.5;
  if (!(page.width > 0 && page.height > 0 && slide.width > 0 && slide.height > 0) ||
      (std::fabs(page.width - slide.width) < kSameSize && std::fabs(page.height - slide.height) < kSameSize))
    return AffineTransform::identity();
  const double scale = std::min(slide.width / page.width, slide.height / page.height);
  if (!std::isfinite(scale) || scale <= 0) return AffineTransform::identity();
  return AffineTransform{scale, 0, 0, scale, (slide.width - page.width * scale) / 2,
                         (slide.height - page.height * scale) / 2};
}

double QVPPTXPDFExporter::emFontSize() const { return frame_.emFontSize(); }

double QVPPTXPDFExporter::fontAscent() const { return frame_.fontAscent(); }

double QVPPTXPDFExporter::fontDescent() const { return frame_.fontDescent(); }

bool QVPPTXPDFExporter::isVerticalText() const {
  const auto& font = state().font();
  if (!font || !font->isVertical()) return false;
  // Vertical boxes stand upright; a turned column is set like turned text.
  return snapRotation(currentCTMInfo().rotation, true) == 0;
}

double QVPPTXPDFExporter::displaySpaceWidth(double rotation) const {
  const Size e = convertToDisplaySpaceWidth(frame_.spaceWidthInTextSpace());
  if (isQuarterTurn(rotation)) return e.height;
  // Along the line for every other direction: the text may run any way.
  return rotation == 0 ? e.width : std::hypot(e.width, e.height);
}

std::optional<int> QVPPTXPDFExporter::blanksForGap(double gap, double space, double em) const {
  if (!(space > 0)) return 0;
  // Gaps count in whole space widths, rounded: justified text shrinks its
  // word spaces below the font's space width, and those must not glue the
  // words together; kerning stays under half a space.
  const double quotient = static_cast<double>(static_cast<float>(gap / space));
  double k = std::floor(quotient + 0.5);
  // A font whose space width is not known well enough (a subset without a
  // space glyph) still separates its words: a gap of a fraction of the em is
  // a word space whatever the estimate says.
  if (k == 0 && gap >= kMinWordGap * em) k = 1;
  // Too wide a gap to fill with blanks (another column, or a space width too
  // small to measure it by).
  if (!(k <= kMaxInsertedBlanks)) return std::nullopt;
  return k > 0 ? static_cast<int>(k) : 0;
}

Point QVPPTXPDFExporter::stringStartCorner() const {
  return currentDisplayTextTransform().apply({0, fontAscent() * emFontSize()});
}

AffineTransform QVPPTXPDFExporter::currentDisplayTextTransform() const {
  return frame_.displayTextTransform();
}

AffineTransform QVPPTXPDFExporter::nextDisplayTextTransform(Size advance) const {
  return frame_.nextDisplayTextTransform(advance);
}

Size QVPPTXPDFExporter::convertToDisplaySpaceWidth(double width) const {
  return frame_.displaySpaceWidth(width);
}

QVPDF_CTMInfo QVPPTXPDFExporter::ctmInfoFor(const AffineTransform& displayTextTransform) const {
  return frame_.ctmInfo(displayTextTransform);
}

QVPDF_CTMInfo QVPPTXPDFExporter::currentCTMInfo() const { return ctmInfoFor(currentDisplayTextTransform()); }

// ---------------------------------------------------------------------------
// Text

void QVPPTXPDFExporter::didScanText(QVPDFConentParser& parser, const std::string& text, Size offset) {
  (void)parser;
  if (isShouldCancel_) return;
  QVPPTXPage* page = currentPage();
  if (!page || ++pageItems_ > kMaxItemsPerSlide) return;
  if (page->isUsingTextBox)
    usingPPTXTextBox(text, offset);
  else
    newPPTXTextBox(text, offset);
}

void QVPPTXPDFExporter::newPPTXTextBox(const std::string& text, Size offset) {
  QVPPTXPage* page = currentPage();
  if (!page || isLoneBlankOrControl(text)) return;
  if (isVerticalText()) {
    newVerticalTextBox(text, offset);
    return;
  }
  const QVPDFRenderState& s = state();
  const QVPDF_CTMInfo c = currentCTMInfo();

  QVPPTXTextBoxInfo info;
  info.displayX = c.topLeft.x;
  info.displayY = c.topLeft.y;
  info.rotation = snapRotation(c.rotation, true);
  info.stroked = false;
  info.filled = false;
  info.strokeweight = 1.0;
  for (int64_t d : s.lineDashPattern()) info.strokeDashPattern.push_back(static_cast<double>(d));
  info.strokeDashPhase = s.lineDashPhase();
  info.strokecolor = s.currentStrokeColor();
  info.fillcolor = s.currentFillColor();

  page->isUsingTextBox = true;
  page->cachedTextBoxInfo = info;
  page->cachedTextBoxParagraphs.clear();
  // The first line is as high as the em box, or less where the face's
  // descent is far deeper than the application's: its baseline then stands
  // as far below the box's top as the page's stands below the em box's
  // top, not the difference lower.
  const Point baseline = currentDisplayTextTransform().apply({0, 0});
  boxStartCorner_ = stringStartCorner();
  const double ascent = std::hypot(boxStartCorner_.x - baseline.x, boxStartCorner_.y - baseline.y);
  double firstLine = c.fontSize.height;
  const double reach = ascent + kOfficeDescentShare * c.fontSize.width;
  if (std::isfinite(reach) && reach > 0 && reach < firstLine - kDeepDescentShare * c.fontSize.width)
    firstLine = reach;
  page->lastTextBoxParagraph().pProperty = paragraphProperty(0.0f, lineSpacing(firstLine));
  rightToLeftRun_.reset();
  appendPPTXTextBox(text, offset, 0);
}

void QVPPTXPDFExporter::usingPPTXTextBox(const std::string& text, Size offset) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const bool vertical = isVerticalText();
  if (vertical || page->cachedTextBoxInfo.eaVertical) {
    if (vertical && page->cachedTextBoxInfo.eaVertical) {
      usingVerticalTextBox(text, offset);
    } else {
      endTextBoxWritingIfNeed();
      newPPTXTextBox(text, offset);
    }
    return;
  }
  const QVPDF_CTMInfo c = currentCTMInfo();
  const QVPDF_CTMInfo& n = nextCharCTMInfo_;
  const QVPPTXTextBoxInfo& box = page->cachedTextBoxInfo;

  const double r = snapRotation(c.rotation, false);
  if (r != box.rotation) {
    endTextBoxWritingIfNeed();
    newPPTXTextBox(text, offset);
    return;
  }

  const double space = displaySpaceWidth(r);

  // The displacement from where the string was expected: along the line in
  // x, from line to line in y, measured in the text's own direction. For
  // upright text that is the display's axes, between the bottom-left
  // corners of the em boxes; for any other direction (a quarter turn, 180
  // degrees, an angle) between the starts of the descent lines, the same
  // points in the text's frame.
  Point d;
  // Where the string starts along the line, from the box's start.
  double along = 0;
  if (r == 0) {
    d = {c.bottomLeft.x - n.bottomLeft.x, c.bottomLeft.y - n.bottomLeft.y};
    along = c.topLeft.x - box.displayX;
  } else {
    d = QVPDF_TextFrameOffset(r, nextDescentLineStart_, descentLineStart(currentDisplayTextTransform()));
    along = QVPDF_TextFrameOffset(r, boxStartCorner_, stringStartCorner()).x;
  }
  const double h = c.fontSize.height;
  const double em = c.fontSize.width;

  // Right-to-left text of an upright line: a string that takes part in it is
  // read before the right-to-left text left of it.
  const platform::text::TextDirection direction = directionOf(text);
  const bool rightToLeft = r == 0 && (direction == platform::text::TextDirection::RightToLeft ||
                                      (direction == platform::text::TextDirection::Neutral && rightToLeftRun_));

  if (d.y >= h) {
    // A turned line's start is projected onto the line, which leaves a
    // rounding residue where the page has none.
    const double startTolerance = r == 0 ? 0.0 : 1e-6;
    if (along >= -startTolerance && d.y < kMaxParagraphDrop) {
      // A lower line that starts at or right of the box's start.
      page->newTextBoxParagraph().pProperty =
          paragraphProperty(static_cast<float>(std::max(along, 0.0)), lineSpacing(d.y));
      rightToLeftRun_.reset();
      appendPPTXTextBox(text, offset, 0);
      return;
    }
  } else if (d.y > -h && d.y < h) {
    if (d.x >= -space) {
      if (const std::optional<int> blanks = blanksForGap(d.x, space, em)) {
        const double blankWidth = *blanks * space;
        if (rightToLeft && rightToLeftRun_ && rightToLeftRunBytes() < kMaxRightToLeftRunBytes) {
          prependToRightToLeftRun(text + std::string(static_cast<size_t>(*blanks), ' '), offset, blankWidth);
        } else {
          appendPPTXTextBox(std::string(static_cast<size_t>(*blanks), ' ') + text, offset, blankWidth);
        }
        return;
      }
    } else if (rightToLeft && rightToLeftRun_) {
      // A page may place right-to-left words in reading order, each left of
      // the one before: the string then follows the text before it, and the
      // box grows to the left.
      const QVPDF_CTMInfo end = ctmInfoFor(nextDisplayTextTransform(offset));
      const double gap = lastStringCTMInfo_.bottomLeft.x - end.bottomLeft.x;
      if (gap >= -space) {
        const std::optional<int> blanks = blanksForGap(gap, space, em);
        if (blanks && extendBoxLeftTo(c.topLeft.x)) {
          appendPPTXTextBox(std::string(static_cast<size_t>(*blanks), ' ') + text, offset, *blanks * space);
          return;
        }
      }
    }
    // A step back along the line (a raised letter, a superscript, a glyph
    // kerned back over the one before): the string stands where it is drawn,
    // in a box of its own, never in a paragraph over the line above.
  }
  endTextBoxWritingIfNeed();
  newPPTXTextBox(text, offset);
}

void QVPPTXPDFExporter::appendPPTXTextBox(const std::string& text, Size offset, double blankWidth) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDF_CTMInfo c = currentCTMInfo();
  QVPPTXParagraph& paragraph = page->lastTextBoxParagraph();
  const platform::text::TextDirection direction = directionOf(text);
  // Right-to-left text that follows other text starts a run of its own, so
  // that what is read before it can be put in front of it.
  const bool startsRightToLeft = direction == platform::text::TextDirection::RightToLeft && !rightToLeftRun_;
  size_t blanks = 0;
  while (blanks < text.size() && text[blanks] == ' ') ++blanks;
  const QVPPTXRun* last = paragraph.lastRunText();
  const bool ownRun = startsRightToLeft && last && !last->text.empty();
  QVPPTXRun& run = runForText(paragraph, text, ownRun);
  if (startsRightToLeft)
    rightToLeftRun_ = RightToLeftStart{paragraph.textRuns.size() - 1, run.text.size() - text.size() + blanks};
  if (direction == platform::text::TextDirection::LeftToRight) rightToLeftRun_.reset();

  moveExpectedPosition(offset, c);
  widenRun(run, c, blankWidth);
}

QVPPTXRun& QVPPTXPDFExporter::runForText(QVPPTXParagraph& paragraph, const std::string& text, bool ownRun) {
  const QVPPTX_RunPr properties = currentRProperty();
  QVPPTXRun* run = paragraph.lastRunText();
  if (run && !ownRun && QVPPTX_RunPrIsEqual(properties, run->rProperty)) {
    run->text += text;
    return *run;
  }
  paragraph.textRuns.push_back(makeRun(properties, text));
  return paragraph.textRuns.back();
}

QVPPTXRun QVPPTXPDFExporter::makeRun(const QVPPTX_RunPr& properties, const std::string& text) {
  QVPPTXRun run;
  run.rProperty = properties;
  run.textWidth = 0;
  run.spaceWidth = 0;
  run.text = text;
  run.drawIndex = gRunCounter.fetch_add(1, std::memory_order_relaxed);
  return run;
}

void QVPPTXPDFExporter::prependToRightToLeftRun(const std::string& text, Size offset, double blankWidth) {
  QVPPTXPage* page = currentPage();
  if (!page || !rightToLeftRun_) return;
  const QVPDF_CTMInfo c = currentCTMInfo();
  const QVPPTX_RunPr properties = currentRProperty();
  std::vector<QVPPTXRun>& runs = page->lastTextBoxParagraph().textRuns;
  RightToLeftStart& at = *rightToLeftRun_;
  if (at.run >= runs.size()) {
    appendPPTXTextBox(text, offset, blankWidth);
    return;
  }
  if (at.offset > runs[at.run].text.size()) at.offset = runs[at.run].text.size();
  QVPPTXRun* target = &runs[at.run];
  if (QVPPTX_RunPrIsEqual(properties, target->rProperty)) {
    target->text.insert(at.offset, text);
  } else {
    // Split the run where the right-to-left text starts; the part before it
    // keeps the run's width (only a paragraph's whole width counts).
    QVPPTXRun fresh = makeRun(properties, text);
    size_t insertAt = at.run;
    if (at.offset > 0) {
      QVPPTXRun tail;
      tail.rProperty = target->rProperty;
      tail.text = target->text.substr(at.offset);
      tail.drawIndex = target->drawIndex;
      target->text.erase(at.offset);
      insertAt = at.run + 1;
      if (!tail.text.empty()) runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(tail));
    }
    runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(fresh));
    at = RightToLeftStart{insertAt, 0};
    target = &runs[insertAt];
  }
  moveExpectedPosition(offset, c);
  widenRun(*target, c, blankWidth);
}

Point QVPPTXPDFExporter::descentLineStart(const AffineTransform& displayTextTransform) const {
  return QVPDF_DescentLineStart(emFontSize(), fontDescent(), displayTextTransform);
}

void QVPPTXPDFExporter::moveExpectedPosition(Size offset, const QVPDF_CTMInfo& start) {
  nextCharTransform_ = nextDisplayTextTransform(offset);
  nextDescentLineStart_ = descentLineStart(nextCharTransform_);
  nextCharFontSize_ = state().fontSize();
  nextCharCTMInfo_ = ctmInfoFor(nextCharTransform_);
  lastStringCTMInfo_ = start;
}

void QVPPTXPDFExporter::widenRun(QVPPTXRun& run, const QVPDF_CTMInfo& start, double blankWidth) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  // The run grows by the advance along the box's direction: its length, so
  // that a turned box is as long as its text and its turned start corner
  // can be put on the first glyph (along x upright, along y at quarter
  // turns).
  const double radians = page->cachedTextBoxInfo.rotation * std::numbers::pi / 180.0;
  const double advance = std::fabs((nextCharCTMInfo_.topLeft.x - start.topLeft.x) * std::cos(radians) +
                                   (nextCharCTMInfo_.topLeft.y - start.topLeft.y) * std::sin(radians));
  if (std::isfinite(advance)) run.textWidth += advance;
  if (std::isfinite(blankWidth)) run.textWidth += blankWidth;
}

bool QVPPTXPDFExporter::extendBoxLeftTo(double x) {
  QVPPTXPage* page = currentPage();
  if (!page || !std::isfinite(x)) return false;
  QVPPTXTextBoxInfo& box = page->cachedTextBoxInfo;
  QVPPTXParagraph& last = page->lastTextBoxParagraph();
  const float margin = static_cast<float>(x - box.displayX);
  if (margin >= last.pProperty.marL) return true;
  if (margin >= 0) {
    last.pProperty.marL = margin;
    return true;
  }
  if (page->cachedTextBoxParagraphs.size() > kMaxShiftedParagraphs) return false;
  // The box's left edge moves; the other paragraphs keep their place.
  for (QVPPTXParagraph& paragraph : page->cachedTextBoxParagraphs) paragraph.pProperty.marL -= margin;
  last.pProperty.marL = 0;
  box.displayX = x;
  boxStartCorner_.x = x;
  return true;
}

size_t QVPPTXPDFExporter::rightToLeftRunBytes() {
  QVPPTXPage* page = currentPage();
  if (!page || !rightToLeftRun_) return 0;
  const std::vector<QVPPTXRun>& runs = page->lastTextBoxParagraph().textRuns;
  size_t bytes = 0;
  for (size_t i = rightToLeftRun_->run; i < runs.size(); ++i) bytes += runs[i].text.size();
  return bytes;
}

// ---------------------------------------------------------------------------
// Vertical writing

void QVPPTXPDFExporter::newVerticalTextBox(const std::string& text, Size offset) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDFRenderState& s = state();
  const QVPDF_CTMInfo c = currentCTMInfo();
  // The column's glyphs stand centred on the text position, their em boxes
  // hanging from it.
  const Point top = currentDisplayTextTransform().apply({0, 0});
  const double em = c.fontSize.width;

  QVPPTXTextBoxInfo info;
  info.displayX = top.x - em / 2;
  info.displayY = top.y;
  info.rotation = 0;
  info.eaVertical = true;
  info.strokeweight = 1.0;
  for (int64_t d : s.lineDashPattern()) info.strokeDashPattern.push_back(static_cast<double>(d));
  info.strokeDashPhase = s.lineDashPhase();
  info.strokecolor = s.currentStrokeColor();
  info.fillcolor = s.currentFillColor();

  page->isUsingTextBox = true;
  page->cachedTextBoxInfo = info;
  page->cachedTextBoxParagraphs.clear();
  page->lastTextBoxParagraph().pProperty = paragraphProperty(0.0f, lineSpacing(em));
  boxStartCorner_ = top;
  rightToLeftRun_.reset();
  appendVerticalText(text, offset, 0);
}

void QVPPTXPDFExporter::usingVerticalTextBox(const std::string& text, Size offset) {
  const Point at = currentDisplayTextTransform().apply({0, 0});
  const QVPDF_CTMInfo c = currentCTMInfo();
  const double em = c.fontSize.width;
  const double space = std::fabs(displaySpaceWidth(0));
  const double across = at.x - nextVerticalPosition_.x;
  const double down = at.y - nextVerticalPosition_.y;
  // The same column, at or below where the next character was expected.
  if (std::fabs(across) < em / 2 && down >= -space) {
    if (const std::optional<int> blanks = blanksForGap(down, space, em)) {
      appendVerticalText(std::string(static_cast<size_t>(*blanks), ' ') + text, offset, *blanks * space);
      return;
    }
  }
  endTextBoxWritingIfNeed();
  newPPTXTextBox(text, offset);
}

void QVPPTXPDFExporter::appendVerticalText(const std::string& text, Size offset, double blankWidth) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDF_CTMInfo c = currentCTMInfo();
  const Point start = currentDisplayTextTransform().apply({0, 0});
  QVPPTXRun& run = runForText(page->lastTextBoxParagraph(), text, false);
  moveExpectedPosition(offset, c);
  nextVerticalPosition_ = nextCharTransform_.apply({0, 0});
  // The column grows by the advance down it.
  const double advance = std::hypot(nextVerticalPosition_.x - start.x, nextVerticalPosition_.y - start.y);
  if (std::isfinite(advance)) run.textWidth += advance;
  if (std::isfinite(blankWidth)) run.textWidth += blankWidth;
}

QVPPTX_RunPr QVPPTXPDFExporter::currentRProperty() const {
  const QVPDFRenderState& s = state();
  QVPPTX_RunPr properties = QVPPTXUtilities::defaultRunProperty();
  // Slides carry the family only: bold and italic are not written.
  const std::string typeface = s.font() ? QVPDF_OfficeFont(*s.font(), kFallbackTypeface).family
                                        : std::string(kFallbackTypeface);
  properties.latin.typeface = typeface;
  properties.cs.typeface = typeface;
  properties.sz = static_cast<float>(currentCTMInfo().fontSize.width);
  properties.rgbColor = QVHexColor::getHexColorFromCGColor(s.currentFillColor());
  properties.noFill = s.textIsInvisible();
  return properties;
}

void QVPPTXPDFExporter::endTextBoxWritingIfNeed() {
  QVPPTXPage* page = currentPage();
  if (!page || !page->isUsingTextBox) return;

  const double w = page->maxTextBoxWidth();
  const double hgt = page->totalTextBoxHeight();
  QVPPTXTextBoxInfo info = page->cachedTextBoxInfo;
  // A vertical box stands as wide as its columns and as tall as its longest.
  if (isQuarterTurn(info.rotation) || info.eaVertical) {
    info.displayWidth = hgt;
    info.displayHeight = w;
  } else {
    info.displayWidth = w;
    info.displayHeight = hgt;
  }
  if (info.rotation != 0 && finitePoint(boxStartCorner_)) {
    // The frame turns about its centre: place it so that its turned
    // top-left corner lands on the first glyph. Turning the half-diagonal
    // (w/2, h/2) of the upright frame by the box's angle gives the way from
    // that corner to the centre.
    const double radians = info.rotation * std::numbers::pi / 180.0;
    const double cosR = std::cos(radians), sinR = std::sin(radians);
    const double hw = w / 2, hh = hgt / 2;
    const Point centre{boxStartCorner_.x + hw * cosR - hh * sinR, boxStartCorner_.y + hw * sinR + hh * cosR};
    info.displayX = centre.x - hw;
    info.displayY = centre.y - hh;
  }

  for (QVPPTXParagraph& paragraph : page->cachedTextBoxParagraphs)
    for (QVPPTXRun& run : paragraph.textRuns) run.fitComplexScript();
  auto shape = std::make_unique<QVPPTXTextbox>();
  if (info.eaVertical) shape->bodyPr.vert = "eaVert";
  shape->spInfo = info;
  shape->paragraphs = std::move(page->cachedTextBoxParagraphs);
  page->addShape(std::move(shape));

  page->isUsingTextBox = false;
  page->cachedTextBoxInfo = QVPPTXTextBoxInfo();
  page->cachedTextBoxParagraphs.clear();
  rightToLeftRun_.reset();
}

// ---------------------------------------------------------------------------
// Paths

void QVPPTXPDFExporter::didScanPath(QVPDFConentParser& parser, const Path& path, bool stroke, bool fill) {
  (void)parser, (void)path;
  QVPPTXPage* page = currentPage();
  if (!page || ++pageItems_ > kMaxItemsPerSlide) return;
  const QVPDFRenderState& s = state();
  const AffineTransform t = userToDisplay();
  Path displayPath = s.cgPath().transformed(t);
  // A path of nothing but moves paints nothing.
  const auto& elements = displayPath.elements();
  if (std::none_of(elements.begin(), elements.end(), [](const platform::PathElement& e) {
        return e.type != platform::PathElementType::MoveTo && e.type != platform::PathElementType::CloseSubpath;
      }))
    return;
  const Rect box = displayPath.boundingBox();
  if (box.isNull() || !std::isfinite(box.origin.x) || !std::isfinite(box.origin.y) ||
      !std::isfinite(box.size.width) || !std::isfinite(box.size.height))
    return;

  // A paint in a pattern colour space is left out (see pathPaint).
  const QVPDFPathPaint paint = QVPDFRendering::pathPaint(s, t, stroke, fill);
  if (!paint.fill && !paint.stroke) return;

  const auto elementList = QVPDFCGPathUtilities::NSArrayWithCGPath(displayPath);
  const size_t items = elementList ? elementList->itemCount() : elements.size() + 1;
  if (items >= kPathElementItemLimit && picturePixels_ < kMaxPicturePixelsPerPage) {
    useCGPathToImage(displayPath, paint.stroke, paint.fill);
    return;
  }

  if (QVPDFRendering::isPaperFill(s, paint, box, currentPageMediaBox_)) return;

  QVPPTXFreeformInfo info;
  info.setDisplayRect(box);
  info.fillAlpha = static_cast<float>(s.currentOpacity());
  info.strokeAlpha = static_cast<float>(s.currentStrokeAlpha());
  info.stroked = paint.stroke;
  info.filled = paint.fill;
  info.strokeweight = paint.strokeStyle.width;
  info.strokeDashPattern = paint.strokeStyle.dashes;
  info.strokeDashPhase = roundedInt64(paint.strokeStyle.dashPhase);
  info.lineCap = s.lineCapStyle();
  info.strokecolor = paint.stroke ? s.currentStrokeColor() : QVHexColor::whiteCGColor();
  info.fillcolor = paint.fill ? s.currentFillColor() : QVHexColor::whiteCGColor();

  endTextBoxWritingIfNeed();
  if (!page->sharepsArr.empty() && page->sharepsArr.back()->spType == QVPPTXShape::kFreeform &&
      static_cast<QVPPTXFreeform&>(*page->sharepsArr.back()).join(std::move(displayPath), info))
    return;
  auto shape = std::make_unique<QVPPTXFreeform>();
  shape->runCGPath = std::move(displayPath);
  shape->spInfo = info;
  shape->paragraphs.emplace_back();
  page->addShape(std::move(shape));
}

platform::image::PixelStorage* QVPPTXPDFExporter::canvasMemory() {
  // Room for the largest canvas kept is taken once: its pages are touched
  // only as far as the canvases reach, and canvases of growing sizes do not
  // each move to fresh memory.
  if (canvasMemory_.capacity() < kKeptCanvasBytes) canvasMemory_.reserve(kKeptCanvasBytes);
  return &canvasMemory_;
}

void QVPPTXPDFExporter::keepCanvasMemory(platform::image::Bitmap&& canvas) {
  platform::image::PixelStorage memory = canvas.takeStorage();
  if (memory.capacity() <= kKeptCanvasBytes) canvasMemory_ = std::move(memory);
}

void QVPPTXPDFExporter::useCGPathToImage(const Path& displayPath, bool stroke, bool fill) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDFRenderState& s = state();
  QVPDFPathPaint paint = QVPDFRendering::pathPaint(s, userToDisplay(), stroke, fill);
  paint.stroke = paint.stroke && stroke;
  paint.fill = paint.fill && fill;
  const auto clips = QVPDFRendering::displayClipPaths(s, currentPageTransform());
  const std::optional<QVPDFPathPictureKey> key =
      QVPDFRendering::pathPictureKey(displayPath, paint, currentSlideSize_, clips);
  const auto known = key ? keyedPathPictures_.find(key->key) : keyedPathPictures_.end();
  QVPDFImageFile file;
  Rect displayRect;
  if (known != keyedPathPictures_.end()) {
    const KeyedPathPicture& picture = known->second;
    picturePixels_ += int64_t{picture.width} * picture.height;
    file = QVPDFImageFile::make("image" + std::to_string(nextRenderedImage_++) + ".png", QVPDFImageFileType::PNG,
                                *picture.png, picture.width, picture.height);
    displayRect = key->displayRect;
  } else {
    std::optional<QVPDFRenderedImage> rendered =
        QVPDFRendering::makeCGPathToUIImage(displayPath, paint, currentSlideSize_, clips, canvasMemory());
    if (!rendered) return;
    picturePixels_ += int64_t{rendered->bitmap.width()} * rendered->bitmap.height();

    const std::string name = "image" + std::to_string(nextRenderedImage_++) + ".png";
    const double dpi = 72.0 * rendered->bitmap.width() / std::max(rendered->displayRect.size.width, 1e-9);
    file = QVPDFUtilities::encodeCGImage(rendered->bitmap, name, QVPDFImageFileType::PNG, dpi, 1.0f,
                                         platform::image::PngRows::Unfiltered);
    displayRect = rendered->displayRect;
    const KeyedPathPicture made{rendered->bitmap.width(), rendered->bitmap.height(), file.data};
    keepCanvasMemory(std::move(rendered->bitmap));
    const size_t bytes = key && !file.empty() ? key->key.size() + file.data->size() : 0;
    if (bytes > 0 && keyedPathPictureBytes_ + bytes <= kKeyedPathPictureBytes) {
      keyedPathPictureBytes_ += bytes;
      keyedPathPictures_.emplace(key->key, made);
    }
  }
  if (file.empty()) return;

  endTextBoxWritingIfNeed();
  const std::string id = pdfConverter_->collectImage(file);
  if (id.empty()) return;
  auto picture = std::make_unique<QVPPTXPicture>();
  picture->pictInfo.opacity = 1.0f;
  picture->pictInfo.rotation = 0;
  picture->pictInfo.setDisplayRect(displayRect);
  picture->runImageID = id;
  page->addShape(std::move(picture));
}

// ---------------------------------------------------------------------------
// Images

void QVPPTXPDFExporter::didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) {
  (void)parser;
  QVPPTXPage* page = currentPage();
  if (!page || !image || ++pageItems_ > kMaxItemsPerSlide) return;
  const QVPDFRenderState& s = state();
  // A stencil mask makes a picture for each new fill colour; another image
  // makes its picture once.
  const bool mayMake = image->isImageMask() || image->cachedImageFile().empty();
  if (mayMake && picturePixels_ >= kMaxPicturePixelsPerPage) return;
  const uint64_t previous = image->cachedImageFile().serial;
  const AffineTransform t = userToDisplay();
  // Decoded no larger than the picture shows on the slide.
  QVPDFImageFile file =
      image->imageFile(s.currentFillRGBColor(), platform::Size{std::hypot(t.a, t.b), std::hypot(t.c, t.d)});
  if (file.empty()) return;
  const auto side = [](double v) { return v >= 1 ? static_cast<int64_t>(std::min(v, 1e9)) : int64_t{1}; };
  const int64_t imagePixels = side(file.pixelWidth) * side(file.pixelHeight);
  if (file.serial != previous) picturePixels_ += imagePixels;

  endTextBoxWritingIfNeed();
  QVPPTXImageInfo info = QVPPTXImageInfo::initWithTransform(t, static_cast<float>(s.currentOpacity()));

  if (!s.clipBezierPaths().empty()) {
    // Clipping decodes the picture again and draws it (once for each clip
    // of it, wherever it is drawn).
    if (picturePixels_ >= kMaxPicturePixelsPerPage) return;
    picturePixels_ += imagePixels;
    QVPDFRendering::ClippedImageFile clipped;
    switch (QVPDFRendering::clipImageFile(file, s, currentPageTransform(), currentSlideSize_, t, clippedImages_,
                                          &clipped, nullptr, canvasMemory())) {
      case QVPDFRendering::ClipResult::Invisible:
        return;
      case QVPDFRendering::ClipResult::Unclipped:
        break;
      case QVPDFRendering::ClipResult::Clipped:
        picturePixels_ += int64_t{clipped.pixelWidth} * clipped.pixelHeight;
        file = std::move(clipped.file);
        info.setDisplayRect(clipped.displayRect);
        info.horizontalResolution = clipped.pixelWidth;
        info.verticalResolution = clipped.pixelHeight;
        info.flipX = false;
        info.flipY = false;
        info.rotation = 0;
        break;
    }
    // A canvas drawn and not written gives its memory back all the same.
    if (!clipped.canvas.empty()) keepCanvasMemory(std::move(clipped.canvas));
  }

  const std::string id = pdfConverter_->collectImage(file);
  if (id.empty()) return;
  auto picture = std::make_unique<QVPPTXPicture>();
  picture->pictInfo = info;
  picture->runImageID = id;
  page->addShape(std::move(picture));
}
