#include "convert/QVPDFRendering.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFUtilities.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"

using platform::AffineTransform;
using platform::Path;
using platform::Point;
using platform::Rect;
using platform::Size;
using platform::image::Bitmap;
using platform::image::DrawingContext;
using platform::image::FillRule;

namespace {

bool finiteRect(const Rect& r) {
  return !r.isNull() && std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

// The smallest rectangle of whole points holding the rectangle.
Rect integral(const Rect& r) {
  const double x0 = std::floor(r.minX()), y0 = std::floor(r.minY());
  const double x1 = std::ceil(r.maxX()), y1 = std::ceil(r.maxY());
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool containsRect(const Rect& outer, const Rect& inner) {
  return inner.minX() >= outer.minX() && inner.minY() >= outer.minY() && inner.maxX() <= outer.maxX() &&
         inner.maxY() <= outer.maxY();
}

// The intersection of the boxes of every clip path; the page when there is
// none. Null when they share nothing.
Rect clipBox(const std::vector<QVPDFClipPath>& clips) {
  Rect box;
  bool first = true;
  for (const QVPDFClipPath& clip : clips) {
    const Rect b = clip.path.boundingBox();
    if (!finiteRect(b)) return Rect::null();
    box = first ? b : box.intersect(b);
    first = false;
    if (box.isNull()) return box;
  }
  return first ? Rect::null() : box;
}

// The size, scale and transform of a canvas over the display rectangle
// `area` (whole points) at up to `scale` pixels per point, the scale
// lowered until the canvas fits the limits.
struct CanvasLayout {
  int width = 0, height = 0;
  double scale = 1;
  AffineTransform transform;
};

std::optional<CanvasLayout> canvasLayout(const Rect& area, double scale) {
  const double w = area.width(), h = area.height();
  if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return std::nullopt;
  const double budget = static_cast<double>(QVPDFRendering::kMaxRenderPixels);
  scale = std::min(scale, std::sqrt(budget / (w * h)));
  scale = std::min(scale, platform::image::kMaxCanvasSide / std::max(w, h));
  if (!(scale > 0) || !std::isfinite(scale)) return std::nullopt;
  const double pw = std::ceil(w * scale), ph = std::ceil(h * scale);
  if (!DrawingContext::canvasSizeAllowed(static_cast<int64_t>(pw), static_cast<int64_t>(ph))) return std::nullopt;
  return CanvasLayout{static_cast<int>(pw), static_cast<int>(ph), scale,
                      AffineTransform::translation(-area.minX(), -area.minY()).concat(
                          AffineTransform::scale(scale, scale))};
}

struct Canvas {
  std::unique_ptr<DrawingContext> context;
  double scale = 1;
};

std::optional<Canvas> makeCanvas(const Rect& area, double scale, platform::image::PixelStorage* memory) {
  const std::optional<CanvasLayout> layout = canvasLayout(area, scale);
  if (!layout) return std::nullopt;
  Canvas canvas;
  canvas.scale = layout->scale;
  try {
    platform::image::PixelStorage storage;
    if (memory) storage = std::move(*memory);
    canvas.context = std::make_unique<DrawingContext>(layout->width, layout->height, std::move(storage));
  } catch (const platform::image::ImageError&) {
    return std::nullopt;
  }
  canvas.context->setCTM(layout->transform);
  return canvas;
}

// The display rectangle a path's picture covers: the path's box widened by
// the stroke's reach, rounded out to whole points, cut to the page and the
// clip paths. None when nothing of it is left.
std::optional<Rect> pathPictureArea(const Path& displayPath, const QVPDFPathPaint& paint, Size pageSize,
                                    const std::vector<QVPDFClipPath>& clipPaths) {
  if (!paint.fill && !paint.stroke) return std::nullopt;
  const Rect box = displayPath.boundingBox();
  if (!finiteRect(box)) return std::nullopt;

  // The stroke reaches beyond the path by half its width, further at miter
  // joins and square caps; one more point keeps the antialiased edge.
  double reach = 0;
  if (paint.stroke) {
    const auto& s = paint.strokeStyle;
    double factor = 1;
    if (s.join == 0) factor = std::max(factor, std::clamp(s.miterLimit, 1.0, 10.0));
    if (s.cap == 2) factor = std::max(factor, std::sqrt(2.0));
    reach = s.width / 2 * factor;
  }
  reach += 1;
  Rect area(box.minX() - reach, box.minY() - reach, box.width() + 2 * reach, box.height() + 2 * reach);
  area = area.intersect(Rect(0, 0, pageSize.width, pageSize.height));
  if (!clipPaths.empty()) {
    const Rect clip = clipBox(clipPaths);
    if (clip.isNull()) return std::nullopt;
    area = area.isNull() ? area : area.intersect(integral(clip));
  }
  if (area.isNull() || area.isEmpty() || !finiteRect(area)) return std::nullopt;
  return integral(area);
}

template <typename T>
void appendBytes(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The path as the canvas's rasterizer receives it: each point through the
// canvas transform, worked out as the rasterizer does, then held at its
// precision of 1/256 pixel. False for a path that cannot be keyed so.
bool appendCanvasPath(std::string& key, const Path& path, const AffineTransform& t) {
  appendBytes(key, path.elements().size());
  for (const platform::PathElement& e : path.elements()) {
    if (e.type == platform::PathElementType::QuadCurveTo) return false;
    key.push_back(static_cast<char>(e.type));
    for (int i = 0; i < e.pointCount(); ++i) {
      const Point p = e.points[i];
      double x = t.a * p.x + t.c * p.y;
      double y = t.b * p.x + t.d * p.y;
      x += t.tx;
      y += t.ty;
      if (!(std::fabs(x) < 1e9) || !(std::fabs(y) < 1e9)) return false;
      appendBytes(key, static_cast<int64_t>(std::nearbyint(x * 256)));
      appendBytes(key, static_cast<int64_t>(std::nearbyint(y * 256)));
    }
  }
  return true;
}

// Whether the clip path is one rectangle (edges along the axes) holding the
// whole canvas, so that clipping to it leaves every pixel as it is: a
// page's own box clips most of what it draws.
bool clipHoldsCanvas(const Path& clip, const AffineTransform& t, int width, int height) {
  const auto& elements = clip.elements();
  if (elements.size() < 4 || elements.size() > 6 || elements[0].type != platform::PathElementType::MoveTo) return false;
  if (t.b != 0 || t.c != 0) return false;
  double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
  std::array<Point, 6> corners;
  size_t count = 0;
  for (size_t i = 0; i < elements.size(); ++i) {
    const platform::PathElement& e = elements[i];
    if (e.type == platform::PathElementType::CloseSubpath) {
      if (i + 1 != elements.size()) return false;
      continue;
    }
    if (i > 0 && e.type != platform::PathElementType::LineTo) return false;
    const Point p{t.a * e.points[0].x + t.tx, t.d * e.points[0].y + t.ty};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    corners[count++] = p;
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  // Each corner on the box's outline, and each side along an axis.
  for (size_t i = 0; i < count; ++i) {
    const Point p = corners[i], q = corners[(i + 1) % count];
    if ((p.x != minX && p.x != maxX) || (p.y != minY && p.y != maxY)) return false;
    if (p.x != q.x && p.y != q.y) return false;
  }
  return minX <= 0 && minY <= 0 && maxX >= width && maxY >= height;
}

void appendColor(std::string& key, const platform::Color& color) {
  appendBytes(key, color.model);
  for (double c : color.components) appendBytes(key, c);
  appendBytes(key, color.alpha);
}

QVPDFRenderedImage finish(Canvas& canvas, const Rect& area) {
  QVPDFRenderedImage out;
  out.bitmap = canvas.context->takeImage();
  out.displayRect =
      Rect(area.minX(), area.minY(), out.bitmap.width() / canvas.scale, out.bitmap.height() / canvas.scale);
  return out;
}

}  // namespace

double QVPDFRendering::lengthScale(const AffineTransform& t) {
  const double s = std::sqrt(std::fabs(t.determinant()));
  return std::isfinite(s) ? s : 0.0;
}

double QVPDFRendering::displayLineWidth(double lineWidth, const AffineTransform& userToDisplay) {
  const double w = std::fabs(lineWidth) * lengthScale(userToDisplay);
  if (!std::isfinite(w) || w < kMinLineWidth) return kMinLineWidth;
  return w;
}

std::vector<QVPDFClipPath> QVPDFRendering::displayClipPaths(const QVPDFRenderState& state,
                                                              const AffineTransform& pageTransform) {
  const auto& paths = state.clipBezierPaths();
  const auto& rules = state.clipBezierPathRules();
  std::vector<QVPDFClipPath> clips;
  clips.reserve(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!paths[i]) continue;
    QVPDFClipPath clip;
    clip.path = paths[i]->transformed(pageTransform);
    clip.rule = i < rules.size() && rules[i] == QVPDFRenderState::kEvenOddClip ? FillRule::EvenOdd : FillRule::NonZero;
    clips.push_back(std::move(clip));
  }
  return clips;
}

bool QVPDFRendering::isPaperFill(const QVPDFRenderState& state, const QVPDFPathPaint& paint, const Rect& box,
                                 const Rect& mediaBox) {
  if (!paint.fill || paint.stroke) return false;
  const platform::Color color = state.currentFillColor();
  return color.components[0] == 1.0 && color.components[1] == 1.0 && color.components[2] == 1.0 &&
         box.origin.x < mediaBox.origin.x + kFullPageTolerance && box.origin.y < mediaBox.origin.y + kFullPageTolerance &&
         box.size.width > mediaBox.size.width - kFullPageTolerance &&
         box.size.height > mediaBox.size.height - kFullPageTolerance;
}

QVPDFPathPaint QVPDFRendering::pathPaint(const QVPDFRenderState& state, const AffineTransform& userToDisplay,
                                           bool stroke, bool fill) {
  auto isPattern = [](const std::shared_ptr<const QVPDFColorSpace>& space) {
    return space && space->getMode() == QVPDFColorSpace::kModePattern;
  };
  QVPDFPathPaint paint;
  paint.fill = fill && !isPattern(state.fillColorSpace());
  paint.stroke = stroke && !isPattern(state.strokeColorSpace());
  paint.fillColor = state.currentFillColor();
  paint.fillColor.alpha = std::clamp(state.currentFillAlpha(), 0.0, 1.0);
  paint.strokeColor = state.currentStrokeColor();
  paint.strokeColor.alpha = std::clamp(state.currentStrokeAlpha(), 0.0, 1.0);
  paint.fillRule = state.usesEvenOddFillRule() ? FillRule::EvenOdd : FillRule::NonZero;

  const double scale = lengthScale(userToDisplay);
  platform::image::StrokeStyle& style = paint.strokeStyle;
  style.width = displayLineWidth(state.lineWidth(), userToDisplay);
  style.cap = state.lineCapStyle();
  style.join = state.lineJoinStyle();
  style.miterLimit = state.lineMiterLimit();
  for (int64_t d : state.lineDashPattern()) style.dashes.push_back(static_cast<double>(d) * scale);
  style.dashPhase = static_cast<double>(state.lineDashPhase()) * scale;
  return paint;
}

namespace {

// Where a clipped image is drawn: the area of the page it keeps (whole
// points) and the pixels a point of its canvas has; or why it is not drawn.
struct ClipLayout {
  QVPDFRendering::ClipResult result = QVPDFRendering::ClipResult::Unclipped;
  Rect area;
  double density = 1;
};

ClipLayout clipLayout(Size pageSize, int imageWidth, int imageHeight, const AffineTransform& imageTransform,
                      const std::vector<QVPDFClipPath>& clipPaths, Rect* clipRect) {
  using ClipResult = QVPDFRendering::ClipResult;
  ClipLayout out;
  if (clipPaths.empty() || imageWidth <= 0 || imageHeight <= 0) return out;
  const Rect imageBox = imageTransform.applyToRect(Rect(0, 0, 1, 1));
  if (!finiteRect(imageBox)) return out;

  const Rect clip = clipBox(clipPaths);
  const Rect page(0, 0, std::ceil(static_cast<float>(pageSize.width)), std::ceil(static_cast<float>(pageSize.height)));
  const Rect clipOnPage = clip.isNull() ? clip : integral(clip).intersect(page);
  if (clipRect) *clipRect = clipOnPage;
  out.result = ClipResult::Invisible;
  if (clip.isNull() || clipOnPage.isNull() || clipOnPage.isEmpty()) return out;

  // Rectangles that hold the whole image clip nothing of it; any other
  // shape may cut its corners even when its box holds the image.
  const bool allRectangles = std::all_of(clipPaths.begin(), clipPaths.end(),
                                         [](const QVPDFClipPath& c) { return c.path.isRect(); });
  out.result = ClipResult::Unclipped;
  if (allRectangles && containsRect(integral(clip), imageBox)) return out;

  const Rect visible = clipOnPage.intersect(imageBox);
  out.result = ClipResult::Invisible;
  if (visible.isNull() || visible.isEmpty()) return out;
  out.area = integral(visible);

  // Keep the image's own resolution where it has more than a pixel a point.
  const double unitX = std::hypot(imageTransform.a, imageTransform.b);
  const double unitY = std::hypot(imageTransform.c, imageTransform.d);
  double density = 1;
  if (unitX > 0) density = std::max(density, imageWidth / unitX);
  if (unitY > 0) density = std::max(density, imageHeight / unitY);
  if (!std::isfinite(density)) density = 1;
  out.density = std::min(density, QVPDFRendering::kMaxImagePixelsPerPoint);
  out.result = ClipResult::Clipped;
  return out;
}

// What fixes the pixels of a clipped image, and the rectangle its picture
// is placed in; none when it is not drawn clipped or cannot be keyed.
std::optional<QVPDFPathPictureKey> clippedImageKey(const QVPDFImageFile& file, Size pageSize,
                                                   const AffineTransform& imageTransform,
                                                   const std::vector<QVPDFClipPath>& clipPaths) {
  if (file.serial == 0 || file.pixelWidth < 1 || file.pixelHeight < 1) return std::nullopt;
  const int width = file.pixelWidth, height = file.pixelHeight;
  const ClipLayout where = clipLayout(pageSize, width, height, imageTransform, clipPaths, nullptr);
  if (where.result != QVPDFRendering::ClipResult::Clipped) return std::nullopt;
  const std::optional<CanvasLayout> layout = canvasLayout(where.area, where.density);
  if (!layout) return std::nullopt;
  QVPDFPathPictureKey out;
  std::string& key = out.key;
  appendBytes(key, file.serial);
  appendBytes(key, width);
  appendBytes(key, height);
  appendBytes(key, layout->width);
  appendBytes(key, layout->height);
  appendBytes(key, layout->scale);
  // The image's unit square on the canvas.
  Path square;
  square.moveTo({0, 0});
  square.lineTo({1, 0});
  square.lineTo({0, 1});
  if (!appendCanvasPath(key, square, imageTransform.concat(layout->transform))) return std::nullopt;
  for (const QVPDFClipPath& c : clipPaths) {
    if (clipHoldsCanvas(c.path, layout->transform, layout->width, layout->height)) continue;
    key.push_back('c');
    appendBytes(key, c.rule);
    if (!appendCanvasPath(key, c.path, layout->transform)) return std::nullopt;
  }
  out.displayRect =
      Rect(where.area.minX(), where.area.minY(), layout->width / layout->scale, layout->height / layout->scale);
  return out;
}

}  // namespace

const QVPDFClippedImages::Picture* QVPDFClippedImages::find(const std::string& key) const {
  const auto it = pictures_.find(key);
  return it == pictures_.end() ? nullptr : &it->second;
}

void QVPDFClippedImages::keep(const std::string& key, Picture picture) {
  if (!picture.png) return;
  const size_t bytes = key.size() + picture.png->size();
  if (bytes_ + bytes > kMaxBytes || pictures_.count(key)) return;
  bytes_ += bytes;
  pictures_.emplace(key, std::move(picture));
}

QVPDFRendering::ClipResult QVPDFRendering::ClipImageInContextSize(Size pageSize, const Bitmap& image,
                                                                     const AffineTransform& imageTransform,
                                                                     const std::vector<QVPDFClipPath>& clipPaths,
                                                                     QVPDFRenderedImage* result, Rect* clipRect,
                                                                     platform::image::PixelStorage* canvasMemory) {
  if (image.empty()) return ClipResult::Unclipped;
  const ClipLayout where = clipLayout(pageSize, image.width(), image.height(), imageTransform, clipPaths, clipRect);
  if (where.result != ClipResult::Clipped) return where.result;
  std::optional<Canvas> canvas = makeCanvas(where.area, where.density, canvasMemory);
  if (!canvas) return ClipResult::Unclipped;

  DrawingContext& ctx = *canvas->context;
  for (const QVPDFClipPath& c : clipPaths) ctx.clipToPath(c.path, c.rule);
  ctx.drawImage(image, imageTransform);
  if (result) *result = finish(*canvas, where.area);
  return ClipResult::Clipped;
}

QVPDFRendering::ClipResult QVPDFRendering::clipImageFile(const QVPDFImageFile& file, const QVPDFRenderState& state,
                                                         const AffineTransform& pageTransform, Size pageSize,
                                                         const AffineTransform& imageTransform,
                                                         QVPDFClippedImages& made, ClippedImageFile* result,
                                                         bool* undecodable,
                                                         platform::image::PixelStorage* canvasMemory) {
  if (undecodable) *undecodable = false;
  const std::vector<QVPDFClipPath> clips = displayClipPaths(state, pageTransform);
  const std::optional<QVPDFPathPictureKey> key = clippedImageKey(file, pageSize, imageTransform, clips);
  const std::string name = std::filesystem::path(file.name).replace_extension("png").string();
  if (key) {
    if (const QVPDFClippedImages::Picture* known = made.find(key->key)) {
      if (result) {
        result->file = QVPDFImageFile::make(name, QVPDFImageFileType::PNG, *known->png, known->width, known->height);
        result->displayRect = key->displayRect;
        result->pixelWidth = known->width;
        result->pixelHeight = known->height;
      }
      return ClipResult::Clipped;
    }
  }
  const std::optional<Bitmap> pixels = QVPDFUtilities::cgImageWithData(file.bytes());
  if (!pixels) {
    if (undecodable) *undecodable = true;
    return ClipResult::Unclipped;
  }
  QVPDFRenderedImage clipped;
  const ClipResult clip =
      ClipImageInContextSize(pageSize, *pixels, imageTransform, clips, &clipped, nullptr, canvasMemory);
  if (clip != ClipResult::Clipped) return clip;
  const double dpi = 72.0 * clipped.bitmap.width() / std::max(clipped.displayRect.size.width, 1e-9);
  QVPDFImageFile encoded = QVPDFUtilities::encodeCGImage(clipped.bitmap, name, QVPDFImageFileType::PNG, dpi, 1.0f);
  if (encoded.empty()) return ClipResult::Unclipped;
  // Kept only where the pixels are the file's size, as the key took them.
  if (key && pixels->width() == file.pixelWidth && pixels->height() == file.pixelHeight)
    made.keep(key->key, {clipped.bitmap.width(), clipped.bitmap.height(), encoded.data});
  if (result) {
    result->file = std::move(encoded);
    result->displayRect = clipped.displayRect;
    result->pixelWidth = clipped.bitmap.width();
    result->pixelHeight = clipped.bitmap.height();
    result->canvas = std::move(clipped.bitmap);
  }
  return ClipResult::Clipped;
}

std::optional<QVPDFRenderedImage> QVPDFRendering::makeCGPathToUIImage(const Path& displayPath,
                                                                        const QVPDFPathPaint& paint, Size pageSize,
                                                                        const std::vector<QVPDFClipPath>& clipPaths,
                                                                        platform::image::PixelStorage* canvasMemory) {
  const std::optional<Rect> area = pathPictureArea(displayPath, paint, pageSize, clipPaths);
  if (!area) return std::nullopt;
  std::optional<Canvas> canvas = makeCanvas(*area, kPathPixelsPerPoint, canvasMemory);
  if (!canvas) return std::nullopt;
  DrawingContext& ctx = *canvas->context;
  for (const QVPDFClipPath& c : clipPaths) ctx.clipToPath(c.path, c.rule);
  if (paint.fill) ctx.fillPath(displayPath, paint.fillColor, paint.fillRule);
  if (paint.stroke) ctx.strokePath(displayPath, paint.strokeColor, paint.strokeStyle);
  return finish(*canvas, *area);
}

std::optional<QVPDFRenderedImage> QVPDFRendering::renderPaths(const std::vector<QVPDFPaintedPath>& paths,
                                                               Size pageSize) {
  std::optional<Rect> area;
  for (const QVPDFPaintedPath& p : paths) {
    if (!p.path) continue;
    const std::optional<Rect> one = pathPictureArea(*p.path, p.paint, pageSize, {});
    if (one) area = area ? area->unite(*one) : *one;
  }
  if (!area) return std::nullopt;
  std::optional<Canvas> canvas = makeCanvas(*area, kPathPixelsPerPoint, nullptr);
  if (!canvas) return std::nullopt;
  DrawingContext& ctx = *canvas->context;
  for (const QVPDFPaintedPath& p : paths) {
    if (!p.path) continue;
    if (p.paint.fill) ctx.fillPath(*p.path, p.paint.fillColor, p.paint.fillRule);
    if (p.paint.stroke) ctx.strokePath(*p.path, p.paint.strokeColor, p.paint.strokeStyle);
  }
  return finish(*canvas, *area);
}

std::optional<QVPDFPathPictureKey> QVPDFRendering::pathPictureKey(const Path& displayPath,
                                                                  const QVPDFPathPaint& paint, Size pageSize,
                                                                  const std::vector<QVPDFClipPath>& clipPaths) {
  const std::optional<Rect> area = pathPictureArea(displayPath, paint, pageSize, clipPaths);
  if (!area) return std::nullopt;
  const std::optional<CanvasLayout> layout = canvasLayout(*area, kPathPixelsPerPoint);
  if (!layout) return std::nullopt;
  QVPDFPathPictureKey out;
  std::string& key = out.key;
  appendBytes(key, layout->width);
  appendBytes(key, layout->height);
  appendBytes(key, layout->scale);
  appendBytes(key, paint.fill);
  if (paint.fill) {
    appendColor(key, paint.fillColor);
    appendBytes(key, paint.fillRule);
  }
  appendBytes(key, paint.stroke);
  if (paint.stroke) {
    const platform::image::StrokeStyle& s = paint.strokeStyle;
    appendColor(key, paint.strokeColor);
    appendBytes(key, s.width);
    appendBytes(key, s.cap);
    appendBytes(key, s.join);
    appendBytes(key, s.miterLimit);
    appendBytes(key, s.dashPhase);
    appendBytes(key, s.dashes.size());
    for (double d : s.dashes) appendBytes(key, d);
  }
  for (const QVPDFClipPath& c : clipPaths) {
    if (clipHoldsCanvas(c.path, layout->transform, layout->width, layout->height)) continue;
    key.push_back('c');
    appendBytes(key, c.rule);
    if (!appendCanvasPath(key, c.path, layout->transform)) return std::nullopt;
  }
  key.push_back('p');
  if (!appendCanvasPath(key, displayPath, layout->transform)) return std::nullopt;
  out.displayRect = Rect(area->minX(), area->minY(), layout->width / layout->scale, layout->height / layout->scale);
  return out;
}

std::string QVPDFRendering::getNewImagePath(const std::string& templatePath, uint64_t* next) {
  const std::filesystem::path templ(templatePath);
  std::string folder = templ.parent_path().string();
  std::string extension = templ.extension().string();
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  constexpr uint64_t kLast = 99999999;
  uint64_t n = next && *next >= 1 ? std::min(*next, kLast) : 1;
  std::string candidate;
  for (;; ++n) {
    candidate = folder + "/image" + platform::text::formatInteger(static_cast<int64_t>(n)) + "." + extension;
    if (n >= kLast || !platform::fs::fileExists(candidate)) break;
  }
  if (next) *next = n + 1;
  return candidate;
}
