#pragma once
// Image decoders and encoders: JPEG (libjpeg-turbo), PNG (libpng), JPEG 2000
// (OpenJPEG), JBIG2 (jbig2dec) and CCITT group 3 / 4 fax data (libtiff).
//
// Decoders take the encoded bytes from memory and throw ImageError for data
// they cannot decode or for sizes beyond the pixel cap; they never read past
// the data given and never print to standard error. Encoders answer the file's
// bytes (the caller writes them), with the resolution in the file's own field.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image/bitmap.h"

namespace platform::image {

inline std::span<const uint8_t> asBytes(std::string_view data) {
  return {reinterpret_cast<const uint8_t*>(data.data()), data.size()};
}

// ---- JPEG ----

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 0;       // 1, 3 or 4
  bool adobeMarker = false;  // an APP14 "Adobe" segment was present
  int adobeTransform = 0;    // its colour transform (0 none, 1 YCbCr, 2 YCCK)
  bool progressive = false;
  bool exif = false;         // an APP1 Exif segment (which may carry an orientation)
};

// Reads the header only; nullopt when the data does not start a readable JPEG.
std::optional<JpegInfo> readJpegInfo(std::span<const uint8_t> data);

// Decodes to Gray8 (1 component), RGB8 (3) or CMYK8 (4). Four-component data
// is answered as stored unless invertAdobeCmyk is set and the file carries an
// Adobe marker, the convention of stand-alone image files written by Adobe
// applications (which store 255 - ink). PDF images never set it: their
// /Decode array says how to read the samples.
// colorTransform (PDF's DCTDecode parameter): -1 lets the file decide; 0 reads
// three or four components as stored, 1 as YCbCr / YCCK. An Adobe marker
// always wins over it.
// atLeastWidth/atLeastHeight (when both are positive): the size the picture
// is wanted at. A frame of many times that many pixels is decoded at a
// reduced scale (k/8, the smallest that keeps at least that size each way),
// so a few hundred bytes claiming a hundred million pixels cost no more than
// the size they are shown at; info still gives the frame's own size.
Bitmap decodeJpeg(std::span<const uint8_t> data, bool invertAdobeCmyk = false, JpegInfo* info = nullptr,
                  int colorTransform = -1, int atLeastWidth = 0, int atLeastHeight = 0);

// The same decoding (invertAdobeCmyk unset) handed out a row at a time
// instead of kept: `begin` learns the size decoded (width, height,
// components) before the first row, `row` gets each row in turn (valid for
// the call). Neither may throw.
JpegInfo decodeJpegRows(std::span<const uint8_t> data, int colorTransform, int atLeastWidth, int atLeastHeight,
                        const std::function<void(int, int, int)>& begin,
                        const std::function<void(const uint8_t*)>& row);

// True when decodeJpeg with these wanted sizes decodes the frame of `info`
// at its own size rather than scaled down.
bool decodesWhole(const JpegInfo& info, int atLeastWidth, int atLeastHeight);

// Reads all of the data as decodeJpeg would (colorTransform likewise), a row
// at a time over a buffer of one row, without keeping the picture: whether a
// JPEG that goes out as it is decodes at all, for the price of its decoding
// alone. Answers its header; throws ImageError as decodeJpeg does.
JpegInfo checkJpeg(std::span<const uint8_t> data, int colorTransform = -1);

// Gray8, RGB8 and CMYK8 are written as they are (CMYK with libjpeg's Adobe
// marker, samples as given); any other format is converted to RGB8 first.
// quality 1..100. The JFIF header records `dpi` dots per inch.
std::string encodeJpeg(const Bitmap& bitmap, int quality, int dpi = 72);

// ---- PNG ----

// How PNG rows are filtered before they are deflated. Predicted rows are
// each told from the row above (the "Up" filter), which suits photographs
// and scans: measured on two photographs, a diagram, a rendered slide, a
// rendered scan and the transparency picture of the corpus, Paeth made the
// files 2% smaller on average (9% on one photograph, 3% larger on another
// picture) in a third more time, and libpng's adaptive choice among all five
// filters only 1% smaller than Paeth at one and a half times its time.
// Drawings (paths rendered to pictures: flat colours, smooth edges, much
// transparency) compress as well or better unfiltered, at a third of the
// time of the adaptive choice.
enum class PngRows { Predicted, Unfiltered };

// Gray, gray+alpha, RGB and RGBA at 8 or 16 bits are written as they are;
// ARGB32 becomes straight RGBA one row at a time (the canvas is encoded
// without a copy); CMYK8 becomes RGB, Samples8 of 1 to 4 channels gray to RGBA.
// An 8-bit RGB, RGBA or ARGB32 picture of at most 256 distinct colours is
// written with a palette (and the opacity of each entry): it reads back as
// the same pixels, in the same format.
// The pHYs chunk records `dpi` (in pixels per metre). A picture of a
// megabyte of 8-bit samples or more is deflated a block at a time on up to
// eight threads, while its next rows are made (the same bytes whatever the
// number of threads).
std::string encodePng(const Bitmap& bitmap, int dpi = 72, PngRows rows = PngRows::Predicted);

// A picture handed to an encoder a row at a time, so that one joined from
// separate planes (colour and opacity) is never held whole.
class RowSource {
 public:
  RowSource(int width, int height, PixelFormat format) : width_(width), height_(height), format_(format) {}
  virtual ~RowSource() = default;
  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return format_; }
  // Row y in format(); `scratch` has room for one row (at most 4 bytes a
  // pixel, 8 for 16-bit formats) for rows made on demand. Rows are asked for
  // in order, possibly twice over.
  virtual const uint8_t* row(int y, uint8_t* scratch) const = 0;

 private:
  int width_, height_;
  PixelFormat format_;
};

// The rows of a raster, where they are.
class BitmapRows final : public RowSource {
 public:
  explicit BitmapRows(const Bitmap& bitmap) : RowSource(bitmap.width(), bitmap.height(), bitmap.format()), bitmap_(bitmap) {}
  const uint8_t* row(int y, uint8_t*) const override { return bitmap_.row(y); }

 private:
  const Bitmap& bitmap_;
};

// As encodePng above, for the formats PNG stores and ARGB32.
std::string encodePng(const RowSource& rows, int dpi = 72, PngRows filtering = PngRows::Predicted);

struct PngInfo {
  int bitDepth = 8;          // as stored in the file
  std::optional<double> dpiX, dpiY;
};
// Decodes any PNG: palettes and low bit depths are expanded to 8 bits, and
// 16-bit files stay 16-bit. Answers Gray8/16, GrayAlpha8/16, RGB8/16, RGBA8/16.
Bitmap decodePng(std::span<const uint8_t> data, PngInfo* info = nullptr);

// ---- JPEG 2000 ----

enum class Jpeg2000ColorSpace { Unknown, Gray, RGB, CMYK };

struct Jpeg2000Image {
  // Colour channels: Gray8, RGB8 or CMYK8 for 1, 3 or 4 of them, Samples8
  // otherwise. Components of other precisions are scaled to 8 bits, signed
  // ones shifted to unsigned, subsampled ones replicated to full size, and
  // YCC data converted to RGB.
  Bitmap color;
  Bitmap alpha;  // Gray8 when the codestream has an opacity channel, else empty
  Jpeg2000ColorSpace space = Jpeg2000ColorSpace::Unknown;  // from the JP2 header
};

// A JP2 file or a bare J2K codestream.
Jpeg2000Image decodeJpeg2000(std::span<const uint8_t> data);

// ---- Bilevel images (JBIG2, CCITT) ----

// One bit per pixel, most significant bit first, rows padded to whole bytes.
// Polarity as the PDF filters answer it: 0 is black and 1 white, unless a
// CCITT decode asked for BlackIs1.
struct BilevelImage {
  int width = 0;
  int height = 0;
  size_t stride = 0;
  std::vector<uint8_t> bits;
};

// An embedded JBIG2 stream (no file header) with its optional global
// segments; the first page is answered.
BilevelImage decodeJbig2(std::span<const uint8_t> data, std::span<const uint8_t> globals = {});

// The CCITTFaxDecode parameters, defaults as in the PDF filter.
struct CcittParams {
  int k = 0;                  // < 0 group 4; 0 group 3 one-dimensional; > 0 group 3 mixed
  bool endOfLine = false;
  bool encodedByteAlign = false;
  int columns = 1728;
  int rows = 0;               // 0: unknown, `fallbackRows` is used
  bool endOfBlock = true;
  bool blackIs1 = false;
  int damagedRowsBeforeError = 0;
};

// Decodes `rows` rows (or fallbackRows when params.rows is 0). Rows the data
// does not reach stay white. Group 3 data must carry its end-of-line codes,
// unless it is one-dimensional and byte-aligned; other group 3 layouts throw.
BilevelImage decodeCcitt(std::span<const uint8_t> data, const CcittParams& params, int fallbackRows = 0);

}  // namespace platform::image
