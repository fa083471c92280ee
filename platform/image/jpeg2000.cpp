// JPEG 2000 through OpenJPEG, decoded from memory.
#include <algorithm>
#include <cstring>
#include <memory>

#include <openjpeg.h>

#include "platform/image/codecs.h"

namespace platform::image {

namespace {

struct MemorySource {
  const uint8_t* data;
  OPJ_SIZE_T size;
  OPJ_SIZE_T offset;
};

OPJ_SIZE_T readMemory(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* src = static_cast<MemorySource*>(user);
  if (src->offset >= src->size) return static_cast<OPJ_SIZE_T>(-1);
  OPJ_SIZE_T n = std::min(count, src->size - src->offset);
  std::memcpy(buffer, src->data + src->offset, n);
  src->offset += n;
  return n;
}

OPJ_OFF_T skipMemory(OPJ_OFF_T count, void* user) {
  auto* src = static_cast<MemorySource*>(user);
  if (count < 0) {
    OPJ_SIZE_T back = static_cast<OPJ_SIZE_T>(-count);
    if (back > src->offset) return -1;
    src->offset -= back;
    return count;
  }
  OPJ_SIZE_T n = std::min(static_cast<OPJ_SIZE_T>(count), src->size - src->offset);
  src->offset += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL seekMemory(OPJ_OFF_T position, void* user) {
  auto* src = static_cast<MemorySource*>(user);
  if (position < 0 || static_cast<OPJ_SIZE_T>(position) > src->size) return OPJ_FALSE;
  src->offset = static_cast<OPJ_SIZE_T>(position);
  return OPJ_TRUE;
}

void quiet(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

bool isJp2File(std::span<const uint8_t> data) {
  static constexpr uint8_t kSignature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20};
  return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

// A component sample on the 0..255 scale.
inline uint8_t scaled(int32_t value, const opj_image_comp_t& comp) {
  const uint32_t prec = std::clamp<uint32_t>(comp.prec, 1, 31);
  int64_t v = value;
  if (comp.sgnd) v += int64_t{1} << (prec - 1);
  const int64_t maxValue = (int64_t{1} << prec) - 1;
  v = std::clamp<int64_t>(v, 0, maxValue);
  if (prec == 8) return static_cast<uint8_t>(v);
  if (prec > 8) return static_cast<uint8_t>(v >> (prec - 8));
  return static_cast<uint8_t>((v * 255 + maxValue / 2) / maxValue);
}

inline uint8_t clampByte(double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

}  // namespace

Jpeg2000Image decodeJpeg2000(std::span<const uint8_t> data) {
  if (data.size() < 12) throw ImageError("JPEG 2000: data too short");
  std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(isJp2File(data) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) throw ImageError("JPEG 2000: cannot create a decoder");
  opj_set_error_handler(codec.get(), quiet, nullptr);
  opj_set_warning_handler(codec.get(), quiet, nullptr);
  opj_set_info_handler(codec.get(), quiet, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) throw ImageError("JPEG 2000: cannot set up the decoder");

  MemorySource source{data.data(), data.size(), 0};
  std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
  if (!stream) throw ImageError("JPEG 2000: cannot create a stream");
  opj_stream_set_user_data(stream.get(), &source, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());
  opj_stream_set_read_function(stream.get(), readMemory);
  opj_stream_set_skip_function(stream.get(), skipMemory);
  opj_stream_set_seek_function(stream.get(), seekMemory);

  opj_image_t* rawImage = nullptr;
  if (!opj_read_header(stream.get(), codec.get(), &rawImage)) {
    opj_image_destroy(rawImage);
    throw ImageError("JPEG 2000: unreadable header");
  }
  std::unique_ptr<opj_image_t, ImageDeleter> image(rawImage);
  const int64_t width = int64_t{image->x1} - image->x0;
  const int64_t height = int64_t{image->y1} - image->y0;
  checkPixelCap(width, height);
  if (image->numcomps < 1 || image->numcomps > static_cast<OPJ_UINT32>(kMaxChannels) + 1)
    throw ImageError("JPEG 2000: unsupported component count");
  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()))
    throw ImageError("JPEG 2000: undecodable data");

  std::vector<const opj_image_comp_t*> colorComps;
  const opj_image_comp_t* alphaComp = nullptr;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& comp = image->comps[i];
    if (!comp.data || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0)
      throw ImageError("JPEG 2000: component without data");
    if (comp.alpha && !alphaComp) alphaComp = &comp;
    else colorComps.push_back(&comp);
  }
  if (colorComps.empty() || colorComps.size() > static_cast<size_t>(kMaxChannels))
    throw ImageError("JPEG 2000: unsupported component layout");

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int n = static_cast<int>(colorComps.size());
  PixelFormat format = n == 1 ? PixelFormat::Gray8 : n == 3 ? PixelFormat::RGB8 : n == 4 ? PixelFormat::CMYK8 : PixelFormat::Samples8;
  Jpeg2000Image out;
  out.color = Bitmap(w, h, format, n);
  if (alphaComp) out.alpha = Bitmap(w, h, PixelFormat::Gray8);

  // Position of image column x within a (possibly subsampled) component.
  auto sampleIndex = [&](const opj_image_comp_t& comp, int x, int y) {
    int64_t cx = (int64_t{image->x0} + x) / comp.dx - comp.x0;
    int64_t cy = (int64_t{image->y0} + y) / comp.dy - comp.y0;
    cx = std::clamp<int64_t>(cx, 0, comp.w - 1);
    cy = std::clamp<int64_t>(cy, 0, comp.h - 1);
    return static_cast<size_t>(cy) * comp.w + static_cast<size_t>(cx);
  };
  for (int y = 0; y < h; ++y) {
    uint8_t* row = out.color.row(y);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < n; ++c) row[x * n + c] = scaled(colorComps[c]->data[sampleIndex(*colorComps[c], x, y)], *colorComps[c]);
    if (alphaComp) {
      uint8_t* arow = out.alpha.row(y);
      for (int x = 0; x < w; ++x) arow[x] = scaled(alphaComp->data[sampleIndex(*alphaComp, x, y)], *alphaComp);
    }
  }

  switch (image->color_space) {
    case OPJ_CLRSPC_GRAY: out.space = Jpeg2000ColorSpace::Gray; break;
    case OPJ_CLRSPC_SRGB: out.space = Jpeg2000ColorSpace::RGB; break;
    case OPJ_CLRSPC_CMYK: out.space = Jpeg2000ColorSpace::CMYK; break;
    case OPJ_CLRSPC_SYCC:
    case OPJ_CLRSPC_EYCC:
      if (n == 3) {
        for (int y = 0; y < h; ++y) {
          uint8_t* p = out.color.row(y);
          for (int x = 0; x < w; ++x, p += 3) {
            const double Y = p[0], cb = p[1] - 128.0, cr = p[2] - 128.0;
            p[0] = clampByte(Y + 1.402 * cr);
            p[1] = clampByte(Y - 0.344136 * cb - 0.714136 * cr);
            p[2] = clampByte(Y + 1.772 * cb);
          }
        }
        out.space = Jpeg2000ColorSpace::RGB;
      }
      break;
    default: break;
  }
  return out;
}

}  // namespace platform::image
