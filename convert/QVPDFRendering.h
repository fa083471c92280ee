#pragma once
// Page content that an exporter cannot place as it is, turned into bitmaps:
// an image that the page clips with clip paths, and a painted path too
// complex for a shape of the output. Both are drawn in display space
// (points, origin at the top left of the page as shown, y down) through the
// drawing context of platform/image; the presentation and Word exporters
// encode the results as PNG image files and place them as pictures. Also the line
// widths and clip paths of the state in display space, and free names for
// such files.
//
// All operations are stateless and safe on any thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/QVPDFImageFile.h"
#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/image/bitmap.h"
#include "platform/image/color.h"
#include "platform/image/drawing.h"

class QVPDFRenderState;

// One clip path of the graphics state, in display space, with the rule the
// page clipped by.
struct QVPDFClipPath {
  platform::Path path;
  platform::image::FillRule rule = platform::image::FillRule::NonZero;
};

// How a path is painted: its fill (by its own rule) and its stroke (width,
// caps, joins and dashes in display points), each only when used. Colours
// carry the paint's alpha.
struct QVPDFPathPaint {
  bool fill = false;
  bool stroke = false;
  platform::Color fillColor = platform::Color::rgb(0, 0, 0);
  platform::Color strokeColor = platform::Color::rgb(0, 0, 0);
  platform::image::FillRule fillRule = platform::image::FillRule::NonZero;
  platform::image::StrokeStyle strokeStyle;
};

// A display-space path with its paint, one of a drawing rendered at once.
struct QVPDFPaintedPath {
  const platform::Path* path = nullptr;
  QVPDFPathPaint paint;
};

// A bitmap and the display rectangle it covers.
struct QVPDFRenderedImage {
  platform::image::Bitmap bitmap;
  platform::Rect displayRect;
};

// What fixes the pixels of a path's picture, and where the picture goes.
struct QVPDFPathPictureKey {
  std::string key;
  platform::Rect displayRect;
};

// Clipped images already made (QVPDFRendering::clipImageFile), by what
// fixes their pixels: the picture, the canvas it is drawn on and where the
// picture and its clip lie on that canvas. A picture drawn again through
// the same clip, wherever on the page, is neither decoded, drawn nor
// encoded again. Up to kMaxBytes of keys and PNGs are kept.
class QVPDFClippedImages {
 public:
  static constexpr size_t kMaxBytes = size_t{4} << 20;
  struct Picture {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::string> png;
  };
  const Picture* find(const std::string& key) const;
  void keep(const std::string& key, Picture picture);

 private:
  std::unordered_map<std::string, Picture> pictures_;
  size_t bytes_ = 0;
};

class QVPDFRendering {
 public:
  QVPDFRendering() = delete;

  // Rendered paths get this many pixels per display point, fewer when the
  // bitmap would exceed kMaxRenderPixels.
  static constexpr double kPathPixelsPerPoint = 2.0;
  // Clipped images keep their own resolution up to this many pixels per
  // point (and at least one).
  static constexpr double kMaxImagePixelsPerPoint = 4.0;
  static constexpr int64_t kMaxRenderPixels = int64_t{16} << 20;
  // The thinnest line a stroke is given, in display points: PDF's line width
  // 0 asks for the thinnest line the device can show.
  static constexpr double kMinLineWidth = 0.25;

  // A line width of user space in display space: scaled by the square root
  // of the transform's area factor (so a quarter-turned or mirrored page
  // keeps its widths), never below kMinLineWidth.
  static double displayLineWidth(double lineWidth, const platform::AffineTransform& userToDisplay);
  // The length scale of the transform: √|det|, 0 when not finite.
  static double lengthScale(const platform::AffineTransform& userToDisplay);

  // The state's clip paths (page space) in display space, each with its rule.
  static std::vector<QVPDFClipPath> displayClipPaths(const QVPDFRenderState& state,
                                                      const platform::AffineTransform& pageTransform);
  // The paint of a path painted in the state through the user-to-display
  // transform. A fill or stroke in a pattern colour space is left out (its
  // flag cleared): the pattern itself is not known here, and an opaque black
  // area in its place would hide what lies below.
  static QVPDFPathPaint pathPaint(const QVPDFRenderState& state, const platform::AffineTransform& userToDisplay,
                                   bool stroke, bool fill);
  // A white fill (with no stroke) whose display box covers the page's media
  // box to within kFullPageTolerance on each edge: the page's own paper,
  // which the exporters leave out.
  static constexpr double kFullPageTolerance = 1.0;
  static bool isPaperFill(const QVPDFRenderState& state, const QVPDFPathPaint& paint, const platform::Rect& box,
                          const platform::Rect& mediaBox);

  enum class ClipResult {
    Unclipped,  // the clip leaves the image whole: place it as it is
    Clipped,    // the image was drawn through the clip
    Invisible,  // the clip leaves nothing of the image on the page
  };
  // Draws the image (placed by imageTransform from its unit square into
  // display space) through the clip paths onto a page of the given display
  // size, cut to the clip. Unclipped when every clip path is a rectangle
  // whose whole-point box contains the image's box; Invisible when the clip,
  // the image and the page share nothing. *clipRect receives the clip's box
  // in whole points (cut to the page) whenever the clip was measured.
  // Unclipped too when no bitmap can be made (the caller then places the
  // image whole). The result's bitmap is the canvas itself, made in
  // *canvasMemory when given (see makeCGPathToUIImage).
  static ClipResult ClipImageInContextSize(platform::Size pageSize, const platform::image::Bitmap& image,
                                           const platform::AffineTransform& imageTransform,
                                           const std::vector<QVPDFClipPath>& clipPaths,
                                           QVPDFRenderedImage* result, platform::Rect* clipRect = nullptr,
                                           platform::image::PixelStorage* canvasMemory = nullptr);

  // A clipped image, encoded as an image file named after the image's own.
  struct ClippedImageFile {
    QVPDFImageFile file;  // the PNG made
    platform::Rect displayRect;
    int pixelWidth = 0;
    int pixelHeight = 0;
    // The canvas it was drawn on, whose memory the caller may keep for the
    // next canvas.
    platform::image::Bitmap canvas;
  };
  // Draws the image of `file` (placed by imageTransform) through the
  // state's clip paths (ClipImageInContextSize) and, when the clip cuts it,
  // encodes the result as a PNG named after the file (the extension
  // replaced). Clipped only when that PNG was made; Unclipped when it could
  // not be (the caller places the image whole), with *undecodable set when
  // the file's pixels cannot be decoded. The pixels are decoded only when
  // `made` holds no picture of this clip of the picture yet, and the PNG is
  // kept there once made. The canvas is made in *canvasMemory when given.
  static ClipResult clipImageFile(const QVPDFImageFile& file, const QVPDFRenderState& state,
                                  const platform::AffineTransform& pageTransform, platform::Size pageSize,
                                  const platform::AffineTransform& imageTransform, QVPDFClippedImages& made,
                                  ClippedImageFile* result, bool* undecodable,
                                  platform::image::PixelStorage* canvasMemory = nullptr);

  // Renders a display-space path with its paint, through the clip paths, on
  // a transparent bitmap covering the painted area (the path's box widened
  // by the stroke's reach, rounded out to whole points, cut to the page).
  // None when nothing is painted or nothing of it lies on the page. The
  // bitmap is the canvas itself, premultiplied ARGB32, made in the memory
  // of *canvasMemory when given (which is then left empty): a caller that
  // hands the bitmap's storage back there after writing the picture draws
  // every picture of a page in one buffer.
  static std::optional<QVPDFRenderedImage> makeCGPathToUIImage(const platform::Path& displayPath,
                                                                const QVPDFPathPaint& paint,
                                                                platform::Size pageSize,
                                                                const std::vector<QVPDFClipPath>& clipPaths = {},
                                                                platform::image::PixelStorage* canvasMemory = nullptr);

  // Renders display-space paths, each with its paint, in their order on one
  // transparent bitmap covering what they paint (cut to the page): a drawing
  // of more paths than an output can hold as shapes becomes a picture. None
  // when nothing is painted on the page.
  static std::optional<QVPDFRenderedImage> renderPaths(const std::vector<QVPDFPaintedPath>& paths,
                                                       platform::Size pageSize);

  // The key of the picture makeCGPathToUIImage makes of the path: its
  // canvas, its paint, and its path and clip paths in canvas pixels at the
  // precision the rasterizer keeps (1/256 of a pixel). Paths of one key
  // make the same pixels wherever they lie on the page, so a page that
  // paints one outline many times (text drawn as outlines) renders it once.
  // None when no picture would be made, or when the picture is not fixed by
  // such a key (a quadratic curve is drawn through controls worked out in
  // display space).
  static std::optional<QVPDFPathPictureKey> pathPictureKey(const platform::Path& displayPath,
                                                           const QVPDFPathPaint& paint, platform::Size pageSize,
                                                           const std::vector<QVPDFClipPath>& clipPaths = {});

  // The first free name "imageN.<ext>" (N = 1, 2, ...) in the folder of the
  // template path, with the template's extension. *next, when given, is the
  // number to try first and receives the one after the name answered, so
  // that many calls do not test the same names again.
  static std::string getNewImagePath(const std::string& templatePath, uint64_t* next = nullptr);
};
