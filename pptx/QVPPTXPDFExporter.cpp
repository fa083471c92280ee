#include "pptx/QVPPTXPDFExporter.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <cmath>
#include <limits>
#include <numbers>

#include "convert/QVHexColor.h"
#include "convert/QVPDFTextPlacement.h"
#include "pdf/QVPDFCGPathUtilities.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFPathUtilities.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFUtilities.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "pptx/QVPPTXFreeform.h"
#include "pptx/QVPPTXPage.h"
#include "pptx/QVPPTXPicture.h"
#include "pptx/QVPPTXRendering.h"
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

// A string that is one UTF-16 unit no higher than U+0020: a blank, a tab or
// another control character.
bool isLoneBlankOrControl(const std::string& text) {
  return text.size() == 1 && static_cast<unsigned char>(text[0]) <= 0x20;
}

int32_t truncatedInt32(double v) {
  if (!std::isfinite(v)) return 0;
  v = std::trunc(v);
  if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int64_t roundedInt64(double v) {
  if (!std::isfinite(v)) return 0;
  if (std::fabs(v) > 9.0e18) return v > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
  return std::llround(v);
}

QVPPTX_PPr paragraphProperty(float marL, int32_t lnSpc) {
  QVPPTX_PPr p;
  p.marL = marL;
  p.lnSpc = lnSpc;
  p.tabList = {0, "l"};
  return p;
}

bool finitePoint(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

QVPPTXPDFExporter::QVPPTXPDFExporter() : renderingStateStack_(std::make_shared<RenderingStateStack>()) {}

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

  // Fonts are built once per document and shared by its pages.
  const QPDF* document = &page.document().qpdf();
  if (document != fontDocument_) {
    fontScope_.reset();
    fontScope_ = std::make_unique<QVPDFFontFactory::DocumentScope>(document);
    fontDocument_ = document;
  }

  const QVPDFPageDisplay display = QVPDF_PageDisplay(page);
  currentPageRotationAngle_ = display.rotation;
  currentPageMediaBox_ = display.box;
  currentPageTransform_ = display.transform;
  const double width = display.box.width();
  const double height = display.box.height();

  nextCharFontSize_ = 1.0;
  nextCharTransform_ = AffineTransform::identity();
  renderingStateStack_ = std::make_shared<RenderingStateStack>();
  pageItems_ = 0;
  picturePixels_ = 0;

  pdfConverter_->begainWritePage(Size{width, height});
  {
    QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
    parser.setDelegate(this);
    parser.setRenderingStateStack(renderingStateStack_);
    parser.startParser();
  }
  endTextBoxWritingIfNeed();
  pdfConverter_->endWritePage();
  return true;
}

void QVPPTXPDFExporter::endConvertPDF(const platform::PdfDocument& document) {
  (void)document;
  canvasMemory_ = platform::image::PixelStorage();
  if (pdfConverter_) pdfConverter_->packetPPTXFile();
  fontScope_.reset();
  fontDocument_ = nullptr;
}

void QVPPTXPDFExporter::cleanConvertPDF() {}

// ---------------------------------------------------------------------------
// Shared look-ups

QVPDFRenderState& QVPPTXPDFExporter::state() const { return renderingStateStack_->topRenderingState(); }

QVPPTXPage* QVPPTXPDFExporter::currentPage() const {
  return pdfConverter_ ? pdfConverter_->currentPage() : nullptr;
}

AffineTransform QVPPTXPDFExporter::userToDisplay() const { return state().ctm().concat(currentPageTransform_); }

double QVPPTXPDFExporter::fontAscent() const { return QVPDF_FontAscent(state()); }

double QVPPTXPDFExporter::fontDescent() const { return QVPDF_FontDescent(state()); }

AffineTransform QVPPTXPDFExporter::currentDisplayTextTransform() const {
  return QVPDF_DisplayTextTransform(state(), currentPageTransform_);
}

AffineTransform QVPPTXPDFExporter::nextDisplayTextTransform(Size advance) const {
  return QVPDF_NextDisplayTextTransform(state(), advance, currentPageTransform_);
}

Size QVPPTXPDFExporter::convertToDisplaySpaceWidth(double width) const {
  return QVPDF_DisplaySpaceWidth(state(), width, currentPageTransform_);
}

QVPDF_CTMInfo QVPPTXPDFExporter::ctmInfoFor(const AffineTransform& displayTextTransform) const {
  return QVPDF_CTMInfoOfState(state(), displayTextTransform);
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
  page->lastTextBoxParagraph().pProperty = paragraphProperty(0.0f, truncatedInt32(c.fontSize.height));
  boxStartCorner_ = currentDisplayTextTransform().apply({0, fontAscent() * s.fontSize()});
  appendPPTXTextBox(text, offset, 0);
}

void QVPPTXPDFExporter::usingPPTXTextBox(const std::string& text, Size offset) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDF_CTMInfo c = currentCTMInfo();
  const QVPDF_CTMInfo& n = nextCharCTMInfo_;
  const QVPPTXTextBoxInfo& box = page->cachedTextBoxInfo;

  const double r = snapRotation(c.rotation, false);
  if (r != box.rotation) {
    endTextBoxWritingIfNeed();
    newPPTXTextBox(text, offset);
    return;
  }

  const QVPDFRenderState& s = state();
  const double spaceInText = (s.font() ? s.font()->widthOfSpace() : 0.0) * s.fontSize();
  const Size e = convertToDisplaySpaceWidth(spaceInText);
  const double space = isQuarterTurn(r) ? e.height : e.width;

  // The displacement from where the string was expected: along the line in
  // x, from line to line in y.
  Point d;
  if (r == 90) {
    d = {c.bottomLeft.y - n.bottomLeft.y, c.bottomLeft.x - n.bottomLeft.x};
  } else if (r == 270) {
    d = {n.bottomLeft.y - c.bottomLeft.y, c.bottomLeft.x - n.bottomLeft.x};
  } else {
    d = {c.bottomLeft.x - n.bottomLeft.x, c.bottomLeft.y - n.bottomLeft.y};
  }
  const double h = c.fontSize.height;

  enum class Next { NewBox, NewParagraph, Append } next;
  std::string blanks;
  double blankWidth = 0;
  if (d.y >= h) {
    next = c.topLeft.x >= box.displayX && d.y < kMaxParagraphDrop ? Next::NewParagraph : Next::NewBox;
  } else if (d.y > -h && d.y < h) {
    if (d.x >= -space) {
      next = Next::Append;
      if (space > 0) {
        // Gaps count in whole space widths, rounded: justified text shrinks
        // its word spaces below the font's space width, and those must not
        // glue the words together; kerning stays under half a space.
        const double quotient = static_cast<double>(static_cast<float>(d.x / space));
        double k = std::floor(quotient + 0.5);
        // A font whose space width is not known well enough (a subset
        // without a space glyph) still separates its words: a gap of a
        // fraction of the em is a word space whatever the estimate says.
        if (k == 0 && d.x >= kMinWordGap * c.fontSize.width) k = 1;
        if (!(k <= kMaxInsertedBlanks)) {
          // Too wide a gap to fill with blanks (another column, or a space
          // width too small to measure it by): the string starts a box.
          next = Next::NewBox;
        } else if (k > 0) {
          const int count = static_cast<int>(k);
          blanks.assign(static_cast<size_t>(count), ' ');
          for (int i = 0; i < count; ++i) blankWidth += space;
        }
      }
    } else {
      next = Next::NewParagraph;
    }
  } else {
    next = Next::NewBox;
  }

  switch (next) {
    case Next::NewBox:
      endTextBoxWritingIfNeed();
      newPPTXTextBox(text, offset);
      return;
    case Next::NewParagraph: {
      const float marL = static_cast<float>(c.topLeft.x - box.displayX);
      page->newTextBoxParagraph().pProperty = paragraphProperty(marL, truncatedInt32(d.y));
      appendPPTXTextBox(text, offset, 0);
      return;
    }
    case Next::Append:
      appendPPTXTextBox(blanks.empty() ? text : blanks + text, offset, blankWidth);
      return;
  }
}

void QVPPTXPDFExporter::appendPPTXTextBox(const std::string& text, Size offset, double blankWidth) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDF_CTMInfo c = currentCTMInfo();
  const QVPPTX_RunPr properties = currentRProperty();

  QVPPTXParagraph& paragraph = page->lastTextBoxParagraph();
  QVPPTXRun* run = paragraph.lastRunText();
  if (run && QVPPTX_RunPrIsEqual(properties, run->rProperty)) {
    run->text += text;
  } else {
    QVPPTXRun fresh;
    fresh.rProperty = properties;
    fresh.textWidth = 0;
    fresh.spaceWidth = 0;
    fresh.text = text;
    fresh.drawIndex = gRunCounter.fetch_add(1, std::memory_order_relaxed);
    paragraph.textRuns.push_back(std::move(fresh));
    run = &paragraph.textRuns.back();
  }

  nextCharTransform_ = nextDisplayTextTransform(offset);
  nextCharFontSize_ = state().fontSize();
  nextCharCTMInfo_ = ctmInfoFor(nextCharTransform_);

  // The run grows by the advance along the box's direction: its length, so
  // that a turned box is as long as its text and its turned start corner
  // can be put on the first glyph (along x upright, along y at quarter
  // turns).
  const double radians = page->cachedTextBoxInfo.rotation * std::numbers::pi / 180.0;
  const double advance = std::fabs((nextCharCTMInfo_.topLeft.x - c.topLeft.x) * std::cos(radians) +
                                   (nextCharCTMInfo_.topLeft.y - c.topLeft.y) * std::sin(radians));
  if (std::isfinite(advance)) run->textWidth += advance;
  if (std::isfinite(blankWidth)) run->textWidth += blankWidth;
}

QVPPTX_RunPr QVPPTXPDFExporter::currentRProperty() const {
  const QVPDFRenderState& s = state();
  QVPPTX_RunPr properties = QVPPTXUtilities::defaultRunProperty();
  std::string typeface = s.font() ? s.font()->fontFamilyName() : std::string();
  if (typeface.empty()) typeface = kFallbackTypeface;
  properties.latin.typeface = typeface;
  properties.cs.typeface = typeface;
  properties.sz = static_cast<float>(currentCTMInfo().fontSize.width);
  properties.rgbColor = QVHexColor::getHexColorFromCGColor(s.currentFillColor());
  return properties;
}

void QVPPTXPDFExporter::endTextBoxWritingIfNeed() {
  QVPPTXPage* page = currentPage();
  if (!page || !page->isUsingTextBox) return;

  const double w = page->maxTextBoxWidth();
  const double hgt = page->totalTextBoxHeight();
  QVPPTXTextBoxInfo info = page->cachedTextBoxInfo;
  if (isQuarterTurn(info.rotation)) {
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

  auto shape = std::make_unique<QVPPTXTextbox>();
  shape->spInfo = info;
  shape->paragraphs = std::move(page->cachedTextBoxParagraphs);
  page->addShape(std::move(shape));

  page->isUsingTextBox = false;
  page->cachedTextBoxInfo = QVPPTXTextBoxInfo();
  page->cachedTextBoxParagraphs.clear();
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
  const QVPPTXPathPaint paint = QVPPTXRendering::pathPaint(s, t, stroke, fill);
  if (!paint.fill && !paint.stroke) return;

  const auto elementList = QVPDFCGPathUtilities::NSArrayWithCGPath(displayPath);
  const size_t items = elementList ? elementList->itemCount() : elements.size() + 1;
  if (items >= kPathElementItemLimit && picturePixels_ < kMaxPicturePixelsPerPage) {
    useCGPathToImage(displayPath, paint.stroke, paint.fill);
    return;
  }

  // A white page-size fill is the page's own paper.
  if (paint.fill && !paint.stroke) {
    const platform::Color color = s.currentFillColor();
    const Rect& m = currentPageMediaBox_;
    if (color.components[0] == 1.0 && color.components[1] == 1.0 && color.components[2] == 1.0 &&
        box.origin.x < m.origin.x + kFullPageTolerance && box.origin.y < m.origin.y + kFullPageTolerance &&
        box.size.width > m.size.width - kFullPageTolerance && box.size.height > m.size.height - kFullPageTolerance)
      return;
  }

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

std::string QVPPTXPDFExporter::renderedImageTemplate() const {
  return platform::fs::currentWorkFolder() + "/image1.png";
}

void QVPPTXPDFExporter::useCGPathToImage(const Path& displayPath, bool stroke, bool fill) {
  QVPPTXPage* page = currentPage();
  if (!page) return;
  const QVPDFRenderState& s = state();
  QVPPTXPathPaint paint = QVPPTXRendering::pathPaint(s, userToDisplay(), stroke, fill);
  paint.stroke = paint.stroke && stroke;
  paint.fill = paint.fill && fill;
  const auto clips = QVPPTXRendering::displayClipPaths(s, currentPageTransform_);
  std::optional<QVPPTXRenderedImage> rendered =
      QVPPTXRendering::makeCGPathToUIImage(displayPath, paint, currentPageMediaBox_.size, clips, canvasMemory());
  if (!rendered) return;
  picturePixels_ += int64_t{rendered->bitmap.width()} * rendered->bitmap.height();

  const std::string file = QVPPTXRendering::getNewImagePath(renderedImageTemplate(), &nextRenderedImage_);
  const double dpi = 72.0 * rendered->bitmap.width() / std::max(rendered->displayRect.size.width, 1e-9);
  const bool written = QVPDFUtilities::writeCGImageToFile(rendered->bitmap, file, QVPDFImageFileType::PNG, dpi, dpi,
                                                          1.0f, platform::image::PngRows::Unfiltered);
  keepCanvasMemory(std::move(rendered->bitmap));
  if (!written) return;

  endTextBoxWritingIfNeed();
  const std::string id = pdfConverter_->collectImageWithPath(file);
  if (id.empty()) return;
  auto picture = std::make_unique<QVPPTXPicture>();
  picture->pictInfo.opacity = 1.0f;
  picture->pictInfo.rotation = 0;
  picture->pictInfo.setDisplayRect(rendered->displayRect);
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
  // A stencil mask writes a file for each new fill colour; another image
  // writes its file once.
  const bool mayWrite = image->isImageMask() || image->cachedImagePath().empty();
  if (mayWrite && picturePixels_ >= kMaxPicturePixelsPerPage) return;
  const std::string previous = image->cachedImagePath();
  std::string file = image->imagePath(s.currentFillRGBColor());
  if (file.empty()) return;
  const auto side = [](double v) { return v >= 1 ? static_cast<int64_t>(std::min(v, 1e9)) : int64_t{1}; };
  const int64_t imagePixels = side(image->pixelSize().width) * side(image->pixelSize().height);
  if (file != previous) picturePixels_ += imagePixels;
  const AffineTransform t = userToDisplay();

  endTextBoxWritingIfNeed();
  QVPPTXImageInfo info = QVPPTXImageInfo::initWithTransform(t, static_cast<float>(s.currentOpacity()));

  if (!s.clipBezierPaths().empty()) {
    // Clipping reads the file back and draws it again, on every draw.
    if (picturePixels_ >= kMaxPicturePixelsPerPage) return;
    picturePixels_ += imagePixels;
    if (std::optional<platform::image::Bitmap> pixels = QVPDFUtilities::cgImageWithContentsOfFile(file)) {
      QVPPTXRenderedImage clipped;
      const auto clips = QVPPTXRendering::displayClipPaths(s, currentPageTransform_);
      switch (QVPPTXRendering::ClipImageInContextSize(currentPageMediaBox_.size, *pixels, t, clips, &clipped,
                                                      nullptr, canvasMemory())) {
        case QVPPTXRendering::ClipResult::Invisible:
          return;
        case QVPPTXRendering::ClipResult::Unclipped:
          break;
        case QVPPTXRendering::ClipResult::Clipped: {
          picturePixels_ += int64_t{clipped.bitmap.width()} * clipped.bitmap.height();
          const std::string clippedFile =
              QVPDFPathUtilities::getNewPathby(std::filesystem::path(file).replace_extension("png").string());
          const double dpi = 72.0 * clipped.bitmap.width() / std::max(clipped.displayRect.size.width, 1e-9);
          if (QVPDFUtilities::writeCGImageToFile(clipped.bitmap, clippedFile, QVPDFImageFileType::PNG, dpi, dpi,
                                                 1.0f)) {
            file = clippedFile;
            info.setDisplayRect(clipped.displayRect);
            info.horizontalResolution = clipped.bitmap.width();
            info.verticalResolution = clipped.bitmap.height();
            info.flipX = false;
            info.flipY = false;
            info.rotation = 0;
          }
          keepCanvasMemory(std::move(clipped.bitmap));
          break;
        }
      }
    }
  }

  const std::string id = pdfConverter_->collectImageWithPath(file);
  if (id.empty()) return;
  auto picture = std::make_unique<QVPPTXPicture>();
  picture->pictInfo = info;
  picture->runImageID = id;
  page->addShape(std::move(picture));
}
