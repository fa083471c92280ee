#include "docx/QVDocxPDFExporter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "convert/QVPDFRendering.h"
#include "docx/QVDocxPage.h"
#include "docx/QVDocxRunImage.h"
#include "docx/QVDocxRunPath.h"
#include "docx/QVDocxRunTextBox.h"
#include "docx/QVDocxRunTextPath.h"
#include "docx/QVDocxUtilities.h"
#include "docx/QVDocxWriter.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFPathUtilities.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFUtilities.h"

using platform::AffineTransform;
using platform::Path;
using platform::Point;
using platform::Rect;
using platform::Size;

namespace {

bool finiteRect(const Rect& r) {
  return !r.isNull() && std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

double distance(Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

}  // namespace

QVDocxPDFExporter::QVDocxPDFExporter() : router_(context_, *this) {}

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
  fontFacts_.clear();
  const Size size = frame_.beginPage(page).box.size;
  pageStrings_ = 0;
  pagePictures_ = 0;
  clipPixels_ = 0;
  router_.begainPage(size);
  pdfConverter_->begainWritePage(size);
  frame_.interpretPage(page, *this);
  router_.endPage();
  if (QVDocxPage* current = currentPage()) flattenCrowdedDrawing(*current);
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
  frame_.endDocument();
}

void QVDocxPDFExporter::cleanConvertPDF() {
  pdfConverter_.reset();
  fontFacts_.clear();
  frame_.endDocument();
}

// ---------------------------------------------------------------------------
// Geometry and properties

QVPDFRenderState& QVDocxPDFExporter::state() const { return frame_.state(); }

QVDocxPage* QVDocxPDFExporter::currentPage() const { return pdfConverter_ ? pdfConverter_->currentPage() : nullptr; }

AffineTransform QVDocxPDFExporter::currentDisplayTextTransform() const { return frame_.displayTextTransform(); }

AffineTransform QVDocxPDFExporter::nextDisplayTextTransform(Size offset) const {
  return frame_.nextDisplayTextTransform(offset);
}

Size QVDocxPDFExporter::convertToDisplaySpaceWidth(double width) const { return frame_.displaySpaceWidth(width); }

QVDocx_RPr QVDocxPDFExporter::currentRProperty() {
  QVDocx_RPr r = fontFacts_.currentRProperty(frame_);
  r.noInk = state().textIsInvisible();
  return r;
}

// ---------------------------------------------------------------------------
// Text

void QVDocxPDFExporter::didScanText(QVPDFConentParser&, const std::string& text, Size offset) {
  if (isShouldCancel_ || !currentPage() || ++pageStrings_ > kMaxStringsPerPage) return;
  router_.didScanText(QVTextRouter::shownString(frame_, text, offset));
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

// ---------------------------------------------------------------------------
// Paths and images

AffineTransform QVDocxPDFExporter::userToDisplay() const { return frame_.userToDisplay(); }

void QVDocxPDFExporter::closeTextBeforeDrawing() {
  if (router_.isUsingTextBox()) {
    router_.endTextBoxWritingIfNeed();
    router_.restore();
  } else if (router_.isUsingTextPath()) {
    router_.endTextPathWritingIfNeed();
    router_.restore();
  }
}

void QVDocxPDFExporter::didScanPath(QVPDFConentParser&, const Path& path, bool stroke, bool fill) {
  QVDocxPage* page = currentPage();
  if (!page || pagePictures_ >= kMaxPicturesPerPage) return;
  const QVPDFRenderState& s = state();
  const AffineTransform t = userToDisplay();
  Path displayPath = path.transformed(t);
  // A path of nothing but moves paints nothing.
  const auto& elements = displayPath.elements();
  if (std::none_of(elements.begin(), elements.end(), [](const platform::PathElement& e) {
        return e.type != platform::PathElementType::MoveTo && e.type != platform::PathElementType::CloseSubpath;
      }))
    return;
  const Rect box = displayPath.boundingBox();
  if (!finiteRect(box)) return;

  // A paint in a pattern colour space is left out: the pattern is not
  // known here.
  const QVPDFPathPaint paint = QVPDFRendering::pathPaint(s, t, stroke, fill);
  if (!paint.fill && !paint.stroke) return;

  if (QVPDFRendering::isPaperFill(s, paint, box, currentPageMediaBox())) return;

  QVDocxPathInfo info;
  info.displayX = box.origin.x;
  info.displayY = box.origin.y;
  info.displayWidth = box.size.width;
  info.displayHeight = box.size.height;
  info.fillAlpha = static_cast<float>(std::clamp(s.currentFillAlpha(), 0.0, 1.0));
  info.strokeAlpha = static_cast<float>(std::clamp(s.currentStrokeAlpha(), 0.0, 1.0));
  info.stroked = paint.stroke;
  info.filled = paint.fill;
  // The width along the page as displayed, whatever the page's turn or
  // mirroring: the transform's length scale, never nothing.
  info.strokeweight = paint.strokeStyle.width;
  info.strokeDashPattern = s.lineDashPattern();
  info.strokeDashPhase = s.lineDashPhase();
  info.strokecolor = s.currentStrokeColor();
  info.fillcolor = s.currentFillColor();

  closeTextBeforeDrawing();
  // A path painted right after the previous one, nothing drawn between,
  // joins its shape where it can.
  if (!page->runPathArray.empty() && page->runPathArray.back()->drawIndex + 1 == context_.nextDrawIndex())
    if (auto* previous = dynamic_cast<QVDocxRunPath*>(page->runPathArray.back().get()))
      if (previous->join(displayPath, info, paint)) return;
  ++pagePictures_;
  auto run = std::make_shared<QVDocxRunPath>();
  run->drawIndex = context_.takeDrawIndex();
  run->pictZIndex = context_.takeBackZIndex();
  run->runCGPath = std::move(displayPath);
  run->pictInfo = std::move(info);
  run->paint = paint;
  run->rProperty = currentRProperty();
  page->runPathArray.push_back(std::move(run));
}

void QVDocxPDFExporter::didScanXObjectImage(QVPDFConentParser&, const std::shared_ptr<QVPDFImageXObject>& image) {
  QVDocxPage* page = currentPage();
  if (!page || !image || pagePictures_ >= kMaxPicturesPerPage) return;
  const QVPDFRenderState& s = state();
  // An image that cannot be decoded makes no picture and is left out.
  const AffineTransform t = userToDisplay();
  // Decoded no larger than the picture shows on the page.
  QVPDFImageFile file =
      image->imageFile(s.currentFillRGBColor(), platform::Size{std::hypot(t.a, t.b), std::hypot(t.c, t.d)});
  if (file.empty()) return;

  QVDocxImageInfo info;
  info.imageID = image->objectID();
  info.imageTitle = file.name;
  info.opacity = static_cast<float>(std::clamp(s.currentOpacity(), 0.0, 1.0));
  info.vertices = {t.apply({0, 0}), t.apply({1, 0}), t.apply({1, 1}), t.apply({0, 1})};
  const auto& [q0, q1, q2, q3] = info.vertices;
  (void)q3;
  info.displayWidth = distance(q0, q1);
  info.displayHeight = distance(q1, q2);
  const Point centre{q0.x + (q2.x - q0.x) / 2, q0.y + (q2.y - q0.y) / 2};
  info.displayX = centre.x - info.displayWidth / 2;
  info.displayY = centre.y - info.displayHeight / 2;
  if (!finiteRect(Rect(info.displayX, info.displayY, info.displayWidth, info.displayHeight))) return;

  const float angle = std::atan2(static_cast<float>(q1.y - q0.y), static_cast<float>(q1.x - q0.x));
  double rotation = static_cast<double>(angle) * 180.0 / std::numbers::pi;
  const float cross = static_cast<float>((q1.x - q0.x) * (q2.y - q1.y) - (q1.y - q0.y) * (q2.x - q1.x));
  if (cross > 0.0f) {
    // Display y grows downwards: a positive turn from the image's x axis to
    // its y axis means the image is mirrored.
    info.flipX = false;
    info.flipY = true;
    rotation = 360.0 - rotation;
  }
  rotation = std::fmod(rotation, 360.0);
  if (rotation < 0.0) rotation += 360.0;
  info.rotation = static_cast<float>(rotation);
  if (info.rotation >= 360.0f) info.rotation = 0.0f;

  closeTextBeforeDrawing();

  if (makeRule(file, info)) return;

  if (!s.clipBezierPaths().empty()) {
    // The clip is drawn into the picture: the image is decoded again, drawn
    // through the clip paths and cut to them.
    const auto side = [](double v) { return v >= 1 ? static_cast<int64_t>(std::min(v, 1e9)) : int64_t{1}; };
    clipPixels_ += side(file.pixelWidth) * side(file.pixelHeight);
    if (clipPixels_ > kMaxClipPixelsPerPage) return;
    // An image that cannot be decoded again would be placed as a transparent
    // area: it is left out. The same clip of a picture is made once.
    QVPDFRendering::ClippedImageFile clipped;
    bool undecodable = false;
    const QVPDFRendering::ClipResult clip = QVPDFRendering::clipImageFile(
        file, s, currentPageTransform(), currentPageMediaBox().size, t, clippedImages_, &clipped, &undecodable);
    if (undecodable) return;
    switch (clip) {
      case QVPDFRendering::ClipResult::Invisible:
        // Nothing of the image is left on the page.
        return;
      case QVPDFRendering::ClipResult::Unclipped:
        break;
      case QVPDFRendering::ClipResult::Clipped:
        clipPixels_ += int64_t{clipped.pixelWidth} * clipped.pixelHeight;
        file = std::move(clipped.file);
        info.displayX = clipped.displayRect.origin.x;
        info.displayY = clipped.displayRect.origin.y;
        info.displayWidth = clipped.displayRect.size.width;
        info.displayHeight = clipped.displayRect.size.height;
        info.flipX = false;
        info.flipY = false;
        info.rotation = 0.0f;
        break;
    }
  }

  const std::string id = pdfConverter_->collectImage(file);
  if (id.empty()) return;
  ++pagePictures_;
  auto run = std::make_shared<QVDocxRunImage>();
  run->drawIndex = context_.takeDrawIndex();
  run->pictZIndex = context_.takeBackZIndex();
  run->runImageID = id;
  run->runImageTitle = info.imageTitle;
  run->pictInfo = std::move(info);
  run->rProperty = currentRProperty();
  page->runImageArray.push_back(std::move(run));
}

bool QVDocxPDFExporter::makeRule(const QVPDFImageFile& file, const QVDocxImageInfo& info) {
  QVDocxPage* page = currentPage();
  const float turn = std::fmod(info.rotation, 90.0f);
  if (!page || (turn > 0.5f && turn < 89.5f)) return false;
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (const Point& q : info.vertices) {
    minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
  }
  if (!(std::min(maxX - minX, maxY - minY) < 1.0)) return false;
  if (static_cast<int64_t>(file.pixelWidth) * file.pixelHeight > kMostRulePixels) return false;
  const std::optional<platform::image::Bitmap> pixels = QVPDFUtilities::cgImageWithData(file.bytes());
  if (!pixels || pixels->empty()) return false;
  // The rule's colour: the mean of its pixels, each as much as it covers.
  const platform::image::Bitmap rgba = pixels->converted(platform::image::PixelFormat::RGBA8);
  double r = 0, g = 0, b = 0, a = 0;
  for (int y = 0; y < rgba.height(); ++y) {
    const uint8_t* row = rgba.row(y);
    for (int x = 0; x < rgba.width(); ++x, row += 4) {
      const double alpha = row[3] / 255.0;
      r += row[0] * alpha, g += row[1] * alpha, b += row[2] * alpha, a += alpha;
    }
  }
  if (!(a > 0)) return true;  // nothing of it shows
  QVDocxPathInfo rule;
  rule.displayX = minX;
  rule.displayY = minY;
  rule.displayWidth = maxX - minX;
  rule.displayHeight = maxY - minY;
  rule.filled = true;
  rule.fillcolor = platform::Color::rgb(r / a / 255.0, g / a / 255.0, b / a / 255.0);
  rule.fillAlpha = static_cast<float>(std::clamp(info.opacity * a / (rgba.width() * rgba.height()), 0.0, 1.0));
  ++pagePictures_;
  auto run = std::make_shared<QVDocxRunPath>();
  run->drawIndex = context_.takeDrawIndex();
  run->pictZIndex = context_.takeBackZIndex();
  run->runCGPath.addRect(Rect(minX, minY, maxX - minX, maxY - minY));
  run->paint.fill = true;
  run->paint.fillColor = platform::Color::rgb(r / a / 255.0, g / a / 255.0, b / a / 255.0, rule.fillAlpha);
  run->pictInfo = std::move(rule);
  run->rProperty = currentRProperty();
  page->runPathArray.push_back(std::move(run));
  return true;
}

void QVDocxPDFExporter::flattenCrowdedDrawing(QVDocxPage& page) {
  size_t shapes = 0, points = 0;
  for (const auto& run : page.runPathArray)
    if (const auto* shape = dynamic_cast<const QVDocxRunPath*>(run.get())) {
      ++shapes;
      points += shape->elementCount();
    }
  if (shapes <= kMostShapesPerPage && points <= kMostShapePointsPerPage) return;

  // Each run of shapes that no image interrupts becomes one picture, which
  // takes the place of its first shape in the drawing and stacking order.
  std::vector<std::shared_ptr<QVDocxRunPict>> kept;
  std::vector<std::shared_ptr<QVDocxRunPict>> pictures;
  std::vector<std::shared_ptr<QVDocxRunPath>> layer;
  const platform::Size pageSize = currentPageMediaBox().size;
  auto drawLayer = [&] {
    if (layer.empty()) return;
    std::vector<QVPDFPaintedPath> painted;
    painted.reserve(layer.size());
    for (const auto& shape : layer) painted.push_back({&shape->runCGPath, shape->paint});
    std::optional<QVPDFRenderedImage> rendered = QVPDFRendering::renderPaths(painted, pageSize);
    if (rendered) {
      const Rect& r = rendered->displayRect;
      const double dpi = 72.0 * rendered->bitmap.width() / std::max(r.size.width, 1e-9);
      const QVPDFImageFile file =
          QVPDFUtilities::encodeCGImage(rendered->bitmap, "drawing" + std::to_string(layer.front()->drawIndex) + ".png",
                                        QVPDFImageFileType::PNG, dpi, 1.0f, platform::image::PngRows::Unfiltered);
      const std::string id = file.empty() ? std::string() : pdfConverter_->collectImage(file);
      if (!id.empty()) {
        auto run = std::make_shared<QVDocxRunImage>();
        run->drawIndex = layer.front()->drawIndex;
        run->pictZIndex = layer.front()->pictZIndex;
        run->runImageID = id;
        run->runImageTitle = file.name;
        run->rProperty = layer.front()->rProperty;
        run->pictInfo.opacity = 1.0f;
        run->pictInfo.displayX = r.origin.x;
        run->pictInfo.displayY = r.origin.y;
        run->pictInfo.displayWidth = r.size.width;
        run->pictInfo.displayHeight = r.size.height;
        run->pictInfo.imageTitle = file.name;
        pictures.push_back(std::move(run));
      }
    }
    layer.clear();
  };
  for (auto& run : page.runPathArray) {
    auto shape = std::dynamic_pointer_cast<QVDocxRunPath>(run);
    if (!shape) {
      kept.push_back(std::move(run));
      continue;
    }
    if (!layer.empty() && page.imageDrawnBetween(layer.back()->drawIndex, shape->drawIndex)) drawLayer();
    layer.push_back(std::move(shape));
  }
  drawLayer();
  page.runPathArray = std::move(kept);
  std::vector<std::shared_ptr<QVDocxRunPict>>& images = page.runImageArray;
  images.insert(images.end(), pictures.begin(), pictures.end());
  std::stable_sort(images.begin(), images.end(),
                   [](const auto& a, const auto& b) { return a->drawIndex < b->drawIndex; });
}
