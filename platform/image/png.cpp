// PNG through libpng. libpng reports errors by longjmp: the functions that
// call setjmp keep only trivially destructible locals; buffers and results
// live in their callers.
#include <cstring>
#include <vector>

#include <png.h>

#include "platform/image/codecs.h"

namespace platform::image {

namespace {

constexpr double kMetresPerInch = 0.0254;

// zlib level of the picture files. Measured on the pictures of the corpus
// decks, pages of the corpus rendered at 100 dpi and two photographs: level 2
// writes them 1.8 times as fast as the library default (6), for files about
// 6% larger and photographs no larger (level 1 is as fast and a little
// larger, level 3 no faster than 6 on photographs).
constexpr int kPngCompressionLevel = 2;

struct Message {
  char text[200] = "";
};

void onPngError(png_structp png, png_const_charp message) {
  auto* m = static_cast<Message*>(png_get_error_ptr(png));
  if (m) std::snprintf(m->text, sizeof m->text, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// ---- writing ----

struct WriteTarget {
  std::string* out;
};

void writeToString(png_structp png, png_bytep data, png_size_t length) {
  auto* target = static_cast<WriteTarget*>(png_get_io_ptr(png));
  target->out->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

struct Writer {
  png_structp png = nullptr;
  png_infop info = nullptr;
  Message message;
  ~Writer() { png_destroy_write_struct(&png, &info); }
};

// rowBuffer: 4 x width bytes for ARGB32 rows, which are unpremultiplied one
// at a time rather than copied whole.
bool writePng(Writer& w, const Bitmap& bitmap, int colorType, int dpi, PngRows rows, WriteTarget* target,
              uint8_t* rowBuffer) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, target, writeToString, flushNothing);
  const int depth = is16Bit(bitmap.format()) ? 16 : 8;
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(bitmap.width()), static_cast<png_uint_32>(bitmap.height()),
               depth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto pixelsPerMetre = static_cast<png_uint_32>(dpi / kMetresPerInch + 0.5);
  png_set_pHYs(w.png, w.info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
  png_set_compression_level(w.png, kPngCompressionLevel);
  png_set_filter(w.png, PNG_FILTER_TYPE_BASE, rows == PngRows::Unfiltered ? PNG_FILTER_NONE : PNG_FILTER_PAETH);
  png_write_info(w.png, w.info);
  if (depth == 16) {
    // PNG stores 16-bit samples big-endian; ours are in host order.
    const uint16_t probe = 1;
    if (*reinterpret_cast<const uint8_t*>(&probe) == 1) png_set_swap(w.png);
  }
  if (bitmap.format() == PixelFormat::ARGB32) {
    for (int y = 0; y < bitmap.height(); ++y) {
      unpremultiplyRow(bitmap.row(y), bitmap.width(), rowBuffer);
      png_write_row(w.png, rowBuffer);
    }
  } else {
    for (int y = 0; y < bitmap.height(); ++y) png_write_row(w.png, const_cast<uint8_t*>(bitmap.row(y)));
  }
  png_write_end(w.png, w.info);
  return true;
}

int pngColorType(PixelFormat format) {
  switch (format) {
    case PixelFormat::Gray8:
    case PixelFormat::Gray16: return PNG_COLOR_TYPE_GRAY;
    case PixelFormat::GrayAlpha8:
    case PixelFormat::GrayAlpha16: return PNG_COLOR_TYPE_GRAY_ALPHA;
    case PixelFormat::RGB8:
    case PixelFormat::RGB16: return PNG_COLOR_TYPE_RGB;
    case PixelFormat::RGBA8:
    case PixelFormat::RGBA16:
    case PixelFormat::ARGB32: return PNG_COLOR_TYPE_RGB_ALPHA;
    default: return -1;
  }
}

// ---- reading ----

struct ReadSource {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (length > src->size - src->offset) png_error(png, "PNG data ends early");
  std::memcpy(out, src->data + src->offset, length);
  src->offset += length;
}

struct Reader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  Message message;
  ~Reader() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct Header {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, channels = 0, outDepth = 0;
  png_uint_32 xppm = 0, yppm = 0;
  int unit = 0;
  bool hasPhys = false;
};

bool readPngHeader(Reader& r, ReadSource* src, Header& h) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_set_read_fn(r.png, src, readFromMemory);
  png_set_user_limits(r.png, 0x7fffffff, 0x7fffffff);
  png_read_info(r.png, r.info);
  int interlace = 0;
  png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.bitDepth, &h.colorType, &interlace, nullptr, nullptr);
  h.hasPhys = png_get_pHYs(r.png, r.info, &h.xppm, &h.yppm, &h.unit) != 0;
  if (h.colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r.png);
  if (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r.png);
  if (png_get_valid(r.png, r.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r.png);
  if (h.bitDepth == 16) {
    const uint16_t probe = 1;
    if (*reinterpret_cast<const uint8_t*>(&probe) == 1) png_set_swap(r.png);
  }
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  h.channels = png_get_channels(r.png, r.info);
  h.outDepth = png_get_bit_depth(r.png, r.info);
  return true;
}

bool readPngRows(Reader& r, png_bytep* rows) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_image(r.png, rows);
  png_read_end(r.png, nullptr);
  return true;
}

}  // namespace

std::string encodePng(const Bitmap& bitmap, int dpi, PngRows rows) {
  if (bitmap.empty()) throw ImageError("PNG: empty image");
  const PixelFormat f = bitmap.format();
  if (pngColorType(f) < 0) {
    if (f == PixelFormat::CMYK8) return encodePng(bitmap.converted(PixelFormat::RGB8), dpi, rows);
    if (f == PixelFormat::Samples8 && bitmap.channels() <= 4) {
      static constexpr PixelFormat kByCount[] = {PixelFormat::Gray8, PixelFormat::Gray8, PixelFormat::GrayAlpha8,
                                                 PixelFormat::RGB8, PixelFormat::RGBA8};
      return encodePng(bitmap.converted(kByCount[bitmap.channels()]), dpi, rows);
    }
    return encodePng(bitmap.converted(PixelFormat::RGBA8), dpi, rows);
  }
  if (dpi < 1) dpi = 72;
  std::string out;
  out.reserve(bitmap.bytes().size() / 2 + 1024);
  WriteTarget target{&out};
  std::vector<uint8_t> rowBuffer(f == PixelFormat::ARGB32 ? static_cast<size_t>(bitmap.width()) * 4 : 0);
  Writer w;
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.message, onPngError, onPngWarning);
  if (!w.png) throw ImageError("PNG: cannot create a writer");
  w.info = png_create_info_struct(w.png);
  if (!w.info) throw ImageError("PNG: cannot create a writer");
  if (!writePng(w, bitmap, pngColorType(f), dpi, rows, &target, rowBuffer.data())) throw ImageError(std::string("PNG: ") + w.message.text);
  return out;
}

Bitmap decodePng(std::span<const uint8_t> data, PngInfo* infoOut) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) throw ImageError("PNG: not a PNG file");
  Reader r;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.message, onPngError, onPngWarning);
  if (!r.png) throw ImageError("PNG: cannot create a reader");
  r.info = png_create_info_struct(r.png);
  if (!r.info) throw ImageError("PNG: cannot create a reader");
  ReadSource src{data.data(), data.size(), 0};
  Header h;
  if (!readPngHeader(r, &src, h)) throw ImageError(std::string("PNG: ") + r.message.text);
  checkPixelCap(h.width, h.height);
  PixelFormat format;
  const bool wide = h.outDepth == 16;
  switch (h.channels) {
    case 1: format = wide ? PixelFormat::Gray16 : PixelFormat::Gray8; break;
    case 2: format = wide ? PixelFormat::GrayAlpha16 : PixelFormat::GrayAlpha8; break;
    case 3: format = wide ? PixelFormat::RGB16 : PixelFormat::RGB8; break;
    case 4: format = wide ? PixelFormat::RGBA16 : PixelFormat::RGBA8; break;
    default: throw ImageError("PNG: unexpected channel count");
  }
  Bitmap bitmap(static_cast<int>(h.width), static_cast<int>(h.height), format);
  if (png_get_rowbytes(r.png, r.info) != bitmap.stride()) throw ImageError("PNG: unexpected row size");
  std::vector<png_bytep> rows(h.height);
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = bitmap.row(static_cast<int>(y));
  if (!readPngRows(r, rows.data())) throw ImageError(std::string("PNG: ") + r.message.text);
  if (infoOut) {
    infoOut->bitDepth = h.bitDepth;
    if (h.hasPhys && h.unit == PNG_RESOLUTION_METER) {
      infoOut->dpiX = h.xppm * kMetresPerInch;
      infoOut->dpiY = h.yppm * kMetresPerInch;
    }
  }
  return bitmap;
}

}  // namespace platform::image
