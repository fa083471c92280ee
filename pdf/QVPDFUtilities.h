#pragma once
// QVPDFUtilities: image extraction (a PDF image stream decoded, converted
// through its colour space, masked, and written as a PNG or JPEG file), image
// files read back and written, ARGB bitmaps, and the page box as displayed.
#include <optional>
#include <string>
#include <string_view>

#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFImageFile.h"
#include "platform/geometry/geometry.h"
#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "platform/pdf/document.h"
#include "platform/pdf/object.h"

struct QVPDFImageExtractionOptions {
  float jpegQuality = 0.92f;   // 0..1, for images re-encoded as JPEG
  QVPDFRGB fillColor{};        // paints stencil masks (0..255)
  // The most pixels wanted each way (0: the image's own size). A larger
  // image, and its masks, are decoded a row at a time into a picture of at
  // most this size, each pixel the mean of those it covers (the nearest one
  // for palette images and colour keys). JPEG data that goes out as it is
  // keeps its size.
  int maxWidth = 0;
  int maxHeight = 0;
};

class QVPDFUtilities {
 public:
  QVPDFUtilities() = delete;

  // Decodes an image stream (an image XObject, an inline image, or a soft
  // mask) and encodes it in memory as the image file "IMG_<UUID>.png" or
  // "IMG_<UUID>.jpeg". DCT data drawn without any mask stays JPEG (the
  // original bytes when they need no colour conversion, else decoded,
  // converted to RGB and re-encoded); everything else becomes PNG, with
  // alpha when a soft mask, a mask stream, a colour key or /ImageMask makes
  // pixels transparent. `colorSpaces` is the /ColorSpace resource dictionary
  // for named spaces. An image that cannot be decoded, whose data is shorter
  // than its declared size, or which exceeds the pixel cap, gives an empty
  // result, and one line on standard error.
  static QVPDFImageFile extractPDFStream(const platform::PdfObject& stream, const platform::PdfObject& colorSpaces,
                                         const QVPDFImageExtractionOptions& options = {});

  // The image of a stream as pixels: Gray8, GrayAlpha8, RGB8, RGBA8 (8-bit
  // results) or Gray16/RGB16 for 16-bit gray and RGB data without masks.
  // Throws platform::image::ImageError (or platform::PdfError) when it
  // cannot be decoded.
  static platform::image::Bitmap decodePDFImage(const platform::PdfObject& stream,
                                                const platform::PdfObject& colorSpaces,
                                                const QVPDFRGB& fillColor = {});

  // A new image file name "IMG_<UUID>.<extension>".
  static std::string UUIDImageName(std::string_view extension);

  // A bitmap encoded as the image file `name`, PNG or JPEG with the
  // resolution; quality 0..1 for JPEG; `rows` how a PNG's rows are filtered
  // (unfiltered for drawings). Empty, with "Couldn't write image to file!\n"
  // on standard error, when encoding fails.
  static QVPDFImageFile encodeCGImage(const platform::image::Bitmap& image, std::string name, QVPDFImageFileType type,
                                      double dpi = 72, float quality = 1.0f,
                                      platform::image::PngRows rows = platform::image::PngRows::Predicted);
  // The same written to a file. False, with the same line, when encoding or
  // writing fails (no partial file is left).
  static bool writeCGImageToFile(const platform::image::Bitmap& image, const std::string& path,
                                 QVPDFImageFileType type, double dpiX = 72, double dpiY = 72,
                                 float quality = 1.0f,
                                 platform::image::PngRows rows = platform::image::PngRows::Predicted);

  // Encoded image bytes (PNG or JPEG), or an image file, read back as
  // premultiplied ARGB32; nullopt when they cannot be read or decoded.
  static std::optional<platform::image::Bitmap> cgImageWithData(std::string_view bytes);
  static std::optional<platform::image::Bitmap> cgImageWithContentsOfFile(const std::string& path);

  // A transparent ARGB32 bitmap of the size (each side truncated to whole
  // pixels); nullopt, with "Context not created!" on standard error, when the
  // size is empty or beyond the pixel cap.
  static std::optional<platform::image::Bitmap> CreateARGBBitmapContextSize(platform::Size size);

  // The page's box as displayed: what it shows (its crop box within its
  // media box), rotated by the page's /Rotate (normalised to 0..359; 90 and
  // 270 swap width and height), origin (0, 0). A page without a usable box
  // answers 595 x 842.
  static platform::Rect MediaBoxOfPDFPage(const platform::PdfPage& page);
  static platform::Rect MediaBoxOfPDFPage(const platform::Rect& mediaBox, int rotation);
};
