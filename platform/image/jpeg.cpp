// JPEG through libjpeg(-turbo). libjpeg reports fatal errors by longjmp:
// every function below that calls setjmp keeps only trivially destructible
// locals, and the objects with destructors (buffers, results) live in the
// callers, which libjpeg never jumps across.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/image/codecs.h"

namespace platform::image {

namespace {

// Progressive files with thousands of scans decode for minutes; real ones
// have a dozen.
constexpr long kMaxScans = 1000;
// Progressive and multi-scan files keep every coefficient of the image in
// memory; a tiny hostile header can ask for gigabytes of them.
constexpr long kMaxDecoderMemory = 512L << 20;

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {}
void onOutput(j_common_ptr) {}

void onProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
      auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
      std::snprintf(err->message, sizeof err->message, "too many progressive scans");
      longjmp(err->jump, 1);
    }
  }
}

void installErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.base);
  err.base.error_exit = onError;
  err.base.emit_message = onMessage;
  err.base.output_message = onOutput;
  err.message[0] = '\0';
}

struct Decompressor {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  bool created = false;

  Decompressor() {
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&progress, 0, sizeof progress);
    installErrorManager(err);
    cinfo.err = &err.base;
    progress.progress_monitor = onProgress;
  }
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
};

// The size a decoded picture is wanted at (0 each way: the frame's own).
struct JpegScale {
  int atLeastWidth = 0;
  int atLeastHeight = 0;
};

// A frame this many times the wanted pixel count, or more, is decoded scaled
// down; below it (or below kScaleFloorPixels) it is decoded whole, so
// ordinary images, whose frame is the size the PDF gives, never change.
constexpr uint64_t kScaleRatio = 4;
constexpr uint64_t kScaleFloorPixels = uint64_t{1} << 22;

// The smallest k/8 scale (k 1..8) that keeps the wanted size in both
// directions, 8 for a frame decoded whole.
unsigned scaleEighths(uint64_t frameWidth, uint64_t frameHeight, const JpegScale& want) {
  if (want.atLeastWidth < 1 || want.atLeastHeight < 1) return 8;
  const uint64_t frame = frameWidth * frameHeight;
  const uint64_t wanted = uint64_t(want.atLeastWidth) * uint64_t(want.atLeastHeight);
  if (frame < kScaleFloorPixels || frame / kScaleRatio < wanted) return 8;
  for (unsigned k = 1; k < 8; ++k) {
    // libjpeg rounds scaled sizes up: ceil(size * k / 8).
    const uint64_t w = (frameWidth * k + 7) / 8, h = (frameHeight * k + 7) / 8;
    if (w >= uint64_t(want.atLeastWidth) && h >= uint64_t(want.atLeastHeight)) return k;
  }
  return 8;
}

void chooseScale(jpeg_decompress_struct& cinfo, const JpegScale& want) {
  const unsigned k = scaleEighths(cinfo.image_width, cinfo.image_height, want);
  if (k == 8) return;
  cinfo.scale_num = k;
  cinfo.scale_denom = 8;
}

// Stage one: create, attach the data, read the header, choose the output
// colour space and scale, and start. False with err.message set on failure.
bool startDecompress(Decompressor& d, const uint8_t* data, size_t size, bool start, int colorTransform,
                     const JpegScale& scale = {}) {
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  d.cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  d.cinfo.progress = &d.progress;
  jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 16);
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 14, 64);
  if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK) {
    std::snprintf(d.err.message, sizeof d.err.message, "no JPEG image in the data");
    return false;
  }
  switch (d.cinfo.num_components) {
    case 1: d.cinfo.out_color_space = JCS_GRAYSCALE; break;
    case 3: d.cinfo.out_color_space = JCS_RGB; break;
    case 4: d.cinfo.out_color_space = JCS_CMYK; break;
    default:
      std::snprintf(d.err.message, sizeof d.err.message, "unsupported JPEG component count %d",
                    d.cinfo.num_components);
      return false;
  }
  if (colorTransform >= 0 && !d.cinfo.saw_Adobe_marker) {
    if (d.cinfo.num_components == 3) d.cinfo.jpeg_color_space = colorTransform ? JCS_YCbCr : JCS_RGB;
    if (d.cinfo.num_components == 4) d.cinfo.jpeg_color_space = colorTransform ? JCS_YCCK : JCS_CMYK;
  }
  if (!start) return true;
  if (!withinPixelCap(d.cinfo.image_width, d.cinfo.image_height)) {
    std::snprintf(d.err.message, sizeof d.err.message, "JPEG image beyond the pixel limit");
    return false;
  }
  chooseScale(d.cinfo, scale);
  jpeg_start_decompress(&d.cinfo);
  return true;
}

// Stage two: every scanline into the caller's buffer (stride 0: each over
// the one row the buffer holds).
bool readScanlines(Decompressor& d, uint8_t* buffer, size_t stride) {
  if (setjmp(d.err.jump)) return false;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    JSAMPROW row = buffer + static_cast<size_t>(d.cinfo.output_scanline) * stride;
    if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) break;
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

// Every scanline through one row's buffer, each handed to `row`.
bool readRows(Decompressor& d, uint8_t* buffer, const std::function<void(const uint8_t*)>& row) {
  if (setjmp(d.err.jump)) return false;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    JSAMPROW line = buffer;
    if (jpeg_read_scanlines(&d.cinfo, &line, 1) != 1) break;
    row(buffer);
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

void fillInfo(const Decompressor& d, JpegInfo& info) {
  info.width = static_cast<int>(d.cinfo.image_width);
  info.height = static_cast<int>(d.cinfo.image_height);
  info.components = d.cinfo.num_components;
  info.adobeMarker = d.cinfo.saw_Adobe_marker;
  info.adobeTransform = d.cinfo.Adobe_transform;
  info.progressive = d.cinfo.progressive_mode;
  for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) info.exif = true;
}

}  // namespace

std::optional<JpegInfo> readJpegInfo(std::span<const uint8_t> data) {
  if (data.size() < 4) return std::nullopt;
  Decompressor d;
  if (!startDecompress(d, data.data(), data.size(), false, -1)) return std::nullopt;
  JpegInfo info;
  fillInfo(d, info);
  return info;
}

namespace {

// Starts decoding at the smallest scale that keeps at least the size asked
// for: the frame's facts, with an output size that is the frame's when not
// scaled and within it when scaled.
JpegInfo startDecoding(Decompressor& d, std::span<const uint8_t> data, int colorTransform, int atLeastWidth,
                       int atLeastHeight) {
  if (data.size() < 4) throw ImageError("JPEG: data too short");
  const JpegScale scale{atLeastWidth, atLeastHeight};
  if (!startDecompress(d, data.data(), data.size(), true, colorTransform, scale))
    throw ImageError(std::string("JPEG: ") + d.err.message);
  JpegInfo info;
  fillInfo(d, info);
  const int outWidth = static_cast<int>(d.cinfo.output_width), outHeight = static_cast<int>(d.cinfo.output_height);
  if (d.cinfo.scale_num == d.cinfo.scale_denom ? (outWidth != info.width || outHeight != info.height)
                                               : (outWidth < 1 || outHeight < 1 || outWidth > info.width ||
                                                  outHeight > info.height))
    throw ImageError("JPEG: unexpected output size");
  return info;
}

}  // namespace

Bitmap decodeJpeg(std::span<const uint8_t> data, bool invertAdobeCmyk, JpegInfo* infoOut, int colorTransform,
                  int atLeastWidth, int atLeastHeight) {
  Decompressor d;
  const JpegInfo info = startDecoding(d, data, colorTransform, atLeastWidth, atLeastHeight);
  const int outWidth = static_cast<int>(d.cinfo.output_width), outHeight = static_cast<int>(d.cinfo.output_height);
  PixelFormat format = info.components == 1   ? PixelFormat::Gray8
                       : info.components == 3 ? PixelFormat::RGB8
                                              : PixelFormat::CMYK8;
  Bitmap bitmap(outWidth, outHeight, format);
  if (!readScanlines(d, bitmap.bytes().data(), bitmap.stride()))
    throw ImageError(std::string("JPEG: ") + d.err.message);
  if (format == PixelFormat::CMYK8 && invertAdobeCmyk && info.adobeMarker)
    for (uint8_t& v : bitmap.bytes()) v = static_cast<uint8_t>(255 - v);
  if (infoOut) *infoOut = info;
  return bitmap;
}

JpegInfo decodeJpegRows(std::span<const uint8_t> data, int colorTransform, int atLeastWidth, int atLeastHeight,
                        const std::function<void(int, int, int)>& begin,
                        const std::function<void(const uint8_t*)>& row) {
  Decompressor d;
  const JpegInfo info = startDecoding(d, data, colorTransform, atLeastWidth, atLeastHeight);
  const int outWidth = static_cast<int>(d.cinfo.output_width), outHeight = static_cast<int>(d.cinfo.output_height);
  begin(outWidth, outHeight, info.components);
  std::vector<uint8_t> buffer(static_cast<size_t>(outWidth) * static_cast<size_t>(info.components));
  if (!readRows(d, buffer.data(), row)) throw ImageError(std::string("JPEG: ") + d.err.message);
  return info;
}

bool decodesWhole(const JpegInfo& info, int atLeastWidth, int atLeastHeight) {
  if (info.width < 1 || info.height < 1) return false;
  return scaleEighths(static_cast<uint64_t>(info.width), static_cast<uint64_t>(info.height),
                      JpegScale{atLeastWidth, atLeastHeight}) == 8;
}

JpegInfo checkJpeg(std::span<const uint8_t> data, int colorTransform) {
  if (data.size() < 4) throw ImageError("JPEG: data too short");
  Decompressor d;
  if (!startDecompress(d, data.data(), data.size(), true, colorTransform))
    throw ImageError(std::string("JPEG: ") + d.err.message);
  JpegInfo info;
  fillInfo(d, info);
  std::vector<uint8_t> row(static_cast<size_t>(d.cinfo.output_width) * static_cast<size_t>(d.cinfo.output_components));
  if (!readScanlines(d, row.data(), 0)) throw ImageError(std::string("JPEG: ") + d.err.message);
  return info;
}

namespace {

struct Compressor {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;

  Compressor() {
    std::memset(&cinfo, 0, sizeof cinfo);
    installErrorManager(err);
    cinfo.err = &err.base;
  }
  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

bool compress(Compressor& c, const Bitmap& bitmap, int quality, int dpi) {
  if (setjmp(c.err.jump)) return false;
  jpeg_create_compress(&c.cinfo);
  c.created = true;
  jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
  c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  switch (bitmap.format()) {
    case PixelFormat::Gray8:
      c.cinfo.input_components = 1;
      c.cinfo.in_color_space = JCS_GRAYSCALE;
      break;
    case PixelFormat::CMYK8:
      c.cinfo.input_components = 4;
      c.cinfo.in_color_space = JCS_CMYK;
      break;
    default:
      c.cinfo.input_components = 3;
      c.cinfo.in_color_space = JCS_RGB;
      break;
  }
  jpeg_set_defaults(&c.cinfo);
  jpeg_set_quality(&c.cinfo, quality, TRUE);
  c.cinfo.density_unit = 1;  // dots per inch
  c.cinfo.X_density = static_cast<UINT16>(dpi);
  c.cinfo.Y_density = static_cast<UINT16>(dpi);
  jpeg_start_compress(&c.cinfo, TRUE);
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(bitmap.row(static_cast<int>(c.cinfo.next_scanline)));
    jpeg_write_scanlines(&c.cinfo, &row, 1);
  }
  jpeg_finish_compress(&c.cinfo);
  return true;
}

}  // namespace

std::string encodeJpeg(const Bitmap& bitmap, int quality, int dpi) {
  if (bitmap.empty()) throw ImageError("JPEG: empty image");
  const PixelFormat f = bitmap.format();
  if (f != PixelFormat::Gray8 && f != PixelFormat::RGB8 && f != PixelFormat::CMYK8)
    return encodeJpeg(bitmap.converted(PixelFormat::RGB8), quality, dpi);
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  if (dpi < 1 || dpi > 65535) dpi = 72;
  Compressor c;
  if (!compress(c, bitmap, quality, dpi)) throw ImageError(std::string("JPEG: ") + c.err.message);
  return std::string(reinterpret_cast<const char*>(c.buffer), c.size);
}

}  // namespace platform::image
