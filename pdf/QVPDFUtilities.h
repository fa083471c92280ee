#pragma once
// QVPDFUtilities: image extraction (a PDF image stream decoded, converted
// through its colour space, masked, and written as a PNG or JPEG file), image
// files read back and written, ARGB bitmaps, and the page box as displayed.
#include <optional>
#include <string>
#include <string_view>

#include "pdf/QVPDFColor.h"
#include "platform/geometry/geometry.h"
#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "platform/pdf/object.h"

enum class QVPDFImageFileType { PNG, JPEG };

// What one extraction wrote.
struct QVPDFImageExtraction {
  std::string path;  // "" when nothing was written
  QVPDFImageFileType type = QVPDFImageFileType::PNG;
  int pixelWidth = 0;  // of the written picture
  int pixelHeight = 0;
};

struct QVPDFImageExtractionOptions {
  float jpegQuality = 0.92f;   // 0..1, for images re-encoded as JPEG
  QVPDFRGB fillColor{};        // paints stencil masks (0..255)
  std::string folder;          // "" = platform::fs::currentWorkFolder()
};

class QVPDFUtilities {
 public:
  QVPDFUtilities() = delete;

  // Decodes an image stream (an image XObject, an inline image, or a soft
  // mask) and writes it as "IMG_<UUID>.png" or "IMG_<UUID>.jpeg" in the work
  // folder. DCT data drawn without any mask stays JPEG (the original bytes
  // when they need no colour conversion, else decoded, converted to RGB and
  // re-encoded); everything else is written as PNG, with alpha when a soft
  // mask, a mask stream, a colour key or /ImageMask makes pixels transparent.
  // `colorSpaces` is the /ColorSpace resource dictionary for named spaces.
  // An image that cannot be decoded, whose data is shorter than its declared
  // size, or which exceeds the pixel cap, writes nothing: one line goes to
  // standard error and the result's path is empty.
  static QVPDFImageExtraction extractPDFStream(const platform::PdfObject& stream,
                                               const platform::PdfObject& colorSpaces,
                                               const QVPDFImageExtractionOptions& options = {});

  // The image of a stream as pixels: Gray8, GrayAlpha8, RGB8, RGBA8 (8-bit
  // results) or Gray16/RGB16 for 16-bit gray and RGB data without masks.
  // Throws platform::image::ImageError (or platform::PdfError) when it
  // cannot be decoded.
  static platform::image::Bitmap decodePDFImage(const platform::PdfObject& stream,
                                                const platform::PdfObject& colorSpaces,
                                                const QVPDFRGB& fillColor = {});

  // A free path "<folder>/IMG_<UUID>.<extension>" (folder "" = the work folder).
  static std::string UUIDImagePath(std::string_view extension, const std::string& folder = {});

  // Writes a bitmap as PNG or JPEG with the resolution; quality 0..1 for
  // JPEG; `rows` how a PNG's rows are filtered (unfiltered for drawings).
  // False, with "Couldn't write image to file!\n" on standard error, when
  // encoding or writing fails (no partial file is left).
  static bool writeCGImageToFile(const platform::image::Bitmap& image, const std::string& path,
                                 QVPDFImageFileType type, double dpiX = 72, double dpiY = 72,
                                 float quality = 1.0f,
                                 platform::image::PngRows rows = platform::image::PngRows::Predicted);

  // An image file (PNG or JPEG) read back as premultiplied ARGB32; nullopt
  // when it cannot be read or decoded.
  static std::optional<platform::image::Bitmap> cgImageWithContentsOfFile(const std::string& path);

  // A transparent ARGB32 bitmap of the size (each side truncated to whole
  // pixels); nullopt, with "Context not created!" on standard error, when the
  // size is empty or beyond the pixel cap.
  static std::optional<platform::image::Bitmap> CreateARGBBitmapContextSize(platform::Size size);

  // The page's media box as displayed: rotated by the page's /Rotate
  // (normalised to 0..359; 90 and 270 swap width and height), origin (0, 0).
  // A page without a usable media box answers 595 x 842.
  static platform::Rect MediaBoxOfPDFPage(const platform::PdfPage& page);
  static platform::Rect MediaBoxOfPDFPage(const platform::Rect& mediaBox, int rotation);
};
