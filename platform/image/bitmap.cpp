#include "platform/image/bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace platform::image {

bool withinPixelCap(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return false;
  if (width > kMaxPixels || height > kMaxPixels) return false;
  return width * height <= kMaxPixels;
}

void checkPixelCap(int64_t width, int64_t height) {
  if (!withinPixelCap(width, height))
    throw ImageError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is empty or beyond the pixel limit");
}

int channelCount(PixelFormat format) {
  switch (format) {
    case PixelFormat::Gray8:
    case PixelFormat::Gray16: return 1;
    case PixelFormat::GrayAlpha8:
    case PixelFormat::GrayAlpha16: return 2;
    case PixelFormat::RGB8:
    case PixelFormat::RGB16: return 3;
    case PixelFormat::RGBA8:
    case PixelFormat::RGBA16:
    case PixelFormat::CMYK8:
    case PixelFormat::ARGB32: return 4;
    case PixelFormat::Samples8: return 0;
  }
  return 0;
}

bool is16Bit(PixelFormat format) {
  return format == PixelFormat::Gray16 || format == PixelFormat::GrayAlpha16 || format == PixelFormat::RGB16 ||
         format == PixelFormat::RGBA16;
}

bool hasAlpha(PixelFormat format) {
  return format == PixelFormat::GrayAlpha8 || format == PixelFormat::RGBA8 || format == PixelFormat::GrayAlpha16 ||
         format == PixelFormat::RGBA16 || format == PixelFormat::ARGB32;
}

Bitmap::Bitmap(int width, int height, PixelFormat format, int channels) : format_(format) {
  checkPixelCap(width, height);
  if (format == PixelFormat::Samples8) {
    if (channels < 1 || channels > kMaxChannels) throw ImageError("bad channel count for a sample raster");
    channels_ = channels;
  } else {
    channels_ = channelCount(format);
  }
  width_ = width;
  height_ = height;
  stride_ = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel());
  data_.assign(stride_ * static_cast<size_t>(height), 0);
}

Bitmap::Bitmap(int width, int height, PixelFormat format, PixelStorage&& storage) : format_(format) {
  checkPixelCap(width, height);
  if (format == PixelFormat::Samples8) throw ImageError("a sample raster needs its channel count");
  channels_ = channelCount(format);
  width_ = width;
  height_ = height;
  stride_ = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel());
  data_ = std::move(storage);
  data_.assign(stride_ * static_cast<size_t>(height), 0);
}

Bitmap Bitmap::uninitialized(int width, int height, PixelFormat format, int channels) {
  checkPixelCap(width, height);
  Bitmap b;
  b.format_ = format;
  if (format == PixelFormat::Samples8) {
    if (channels < 1 || channels > kMaxChannels) throw ImageError("bad channel count for a sample raster");
    b.channels_ = channels;
  } else {
    b.channels_ = channelCount(format);
  }
  b.width_ = width;
  b.height_ = height;
  b.stride_ = static_cast<size_t>(width) * static_cast<size_t>(b.bytesPerPixel());
  b.data_.resize(b.stride_ * static_cast<size_t>(height));
  return b;
}

PixelStorage Bitmap::takeStorage() {
  PixelStorage storage = std::move(data_);
  *this = Bitmap();
  return storage;
}

int Bitmap::bytesPerPixel() const { return is16Bit(format_) ? channels_ * 2 : channels_; }

namespace {

// One pixel as 16-bit RGBA, the common ground of every conversion.
struct Rgba16 {
  uint16_t r, g, b, a;
};

inline uint16_t widen(uint8_t v) { return static_cast<uint16_t>(v * 257); }
inline uint8_t narrow(uint16_t v) { return static_cast<uint8_t>((v * 255u + 32767u) / 65535u); }

Rgba16 readPixel(const Bitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.row(y) + static_cast<size_t>(x) * bitmap.bytesPerPixel();
  const uint16_t* q = reinterpret_cast<const uint16_t*>(p);
  PixelFormat f = bitmap.format();
  if (f == PixelFormat::Samples8) {
    switch (bitmap.channels()) {
      case 1: f = PixelFormat::Gray8; break;
      case 2: f = PixelFormat::GrayAlpha8; break;
      case 3: f = PixelFormat::RGB8; break;
      case 4: f = PixelFormat::RGBA8; break;
      default: throw ImageError("cannot read a raster of this many channels as a colour");
    }
  }
  switch (f) {
    case PixelFormat::Gray8: return {widen(p[0]), widen(p[0]), widen(p[0]), 65535};
    case PixelFormat::GrayAlpha8: return {widen(p[0]), widen(p[0]), widen(p[0]), widen(p[1])};
    case PixelFormat::RGB8: return {widen(p[0]), widen(p[1]), widen(p[2]), 65535};
    case PixelFormat::RGBA8: return {widen(p[0]), widen(p[1]), widen(p[2]), widen(p[3])};
    case PixelFormat::CMYK8: {
      auto ink = [&](uint8_t c) { return static_cast<uint16_t>((255 - c) * (255 - p[3]) * 65535u / (255u * 255u)); };
      return {ink(p[0]), ink(p[1]), ink(p[2]), 65535};
    }
    case PixelFormat::Gray16: return {q[0], q[0], q[0], 65535};
    case PixelFormat::GrayAlpha16: return {q[0], q[0], q[0], q[1]};
    case PixelFormat::RGB16: return {q[0], q[1], q[2], 65535};
    case PixelFormat::RGBA16: return {q[0], q[1], q[2], q[3]};
    case PixelFormat::ARGB32: {
      uint32_t w = *reinterpret_cast<const uint32_t*>(p);
      uint32_t a = w >> 24;
      auto unpremultiply = [&](uint32_t c) -> uint16_t {
        if (a == 0) return 0;
        return widen(static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)));
      };
      return {unpremultiply((w >> 16) & 0xFF), unpremultiply((w >> 8) & 0xFF), unpremultiply(w & 0xFF),
              widen(static_cast<uint8_t>(a))};
    }
    case PixelFormat::Samples8: break;
  }
  return {0, 0, 0, 65535};
}

uint16_t luminance(const Rgba16& c) { return static_cast<uint16_t>((c.r * 299u + c.g * 587u + c.b * 114u + 500u) / 1000u); }

void writePixel(Bitmap& bitmap, int x, int y, const Rgba16& c) {
  uint8_t* p = bitmap.row(y) + static_cast<size_t>(x) * bitmap.bytesPerPixel();
  uint16_t* q = reinterpret_cast<uint16_t*>(p);
  switch (bitmap.format()) {
    case PixelFormat::Gray8: p[0] = narrow(luminance(c)); break;
    case PixelFormat::GrayAlpha8:
      p[0] = narrow(luminance(c));
      p[1] = narrow(c.a);
      break;
    case PixelFormat::RGB8:
      p[0] = narrow(c.r);
      p[1] = narrow(c.g);
      p[2] = narrow(c.b);
      break;
    case PixelFormat::RGBA8:
      p[0] = narrow(c.r);
      p[1] = narrow(c.g);
      p[2] = narrow(c.b);
      p[3] = narrow(c.a);
      break;
    case PixelFormat::CMYK8: {
      uint8_t r = narrow(c.r), g = narrow(c.g), b = narrow(c.b);
      uint8_t k = static_cast<uint8_t>(255 - std::max({r, g, b}));
      auto ink = [&](uint8_t v) -> uint8_t {
        if (k == 255) return 0;
        return static_cast<uint8_t>(((255 - v - k) * 255 + (255 - k) / 2) / (255 - k));
      };
      p[0] = ink(r);
      p[1] = ink(g);
      p[2] = ink(b);
      p[3] = k;
      break;
    }
    case PixelFormat::Gray16: q[0] = luminance(c); break;
    case PixelFormat::GrayAlpha16:
      q[0] = luminance(c);
      q[1] = c.a;
      break;
    case PixelFormat::RGB16:
      q[0] = c.r;
      q[1] = c.g;
      q[2] = c.b;
      break;
    case PixelFormat::RGBA16:
      q[0] = c.r;
      q[1] = c.g;
      q[2] = c.b;
      q[3] = c.a;
      break;
    case PixelFormat::ARGB32: {
      uint32_t a = narrow(c.a);
      auto premultiply = [&](uint16_t v) -> uint32_t { return (narrow(v) * a + 127) / 255; };
      *reinterpret_cast<uint32_t*>(p) = (a << 24) | (premultiply(c.r) << 16) | (premultiply(c.g) << 8) | premultiply(c.b);
      break;
    }
    case PixelFormat::Samples8: {
      const int n = bitmap.channels();
      const uint8_t values[4] = {narrow(c.r), narrow(c.g), narrow(c.b), narrow(c.a)};
      if (n == 1) p[0] = narrow(luminance(c));
      else if (n == 2) p[0] = narrow(luminance(c)), p[1] = values[3];
      else std::copy(values, values + std::min(n, 4), p);
      break;
    }
  }
}

inline uint32_t premultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if (a == 255) return 0xFF000000u | (r << 16) | (g << 8) | b;
  auto times = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (times(r) << 16) | (times(g) << 8) | times(b);
}

// The conversions pictures go through most, row by row with the same
// results as the general per-pixel path: 8-bit gray, RGB and their alpha
// forms to ARGB32, and ARGB32 to RGBA8. False for other pairs.
bool convertDirectly(const Bitmap& from, Bitmap& to) {
  const PixelFormat f = from.format(), t = to.format();
  const int w = from.width();
  if (t == PixelFormat::RGBA8 && f == PixelFormat::ARGB32) {
    for (int y = 0; y < from.height(); ++y) unpremultiplyRow(from.row(y), w, to.row(y));
    return true;
  }
  if (t != PixelFormat::ARGB32) return false;
  if (f != PixelFormat::Gray8 && f != PixelFormat::GrayAlpha8 && f != PixelFormat::RGB8 && f != PixelFormat::RGBA8)
    return false;
  for (int y = 0; y < from.height(); ++y) {
    const uint8_t* p = from.row(y);
    uint8_t* out = to.row(y);
    for (int x = 0; x < w; ++x, out += 4) {
      uint32_t word = 0;
      switch (f) {
        case PixelFormat::Gray8: word = premultiplied(p[x], p[x], p[x], 255); break;
        case PixelFormat::GrayAlpha8: word = premultiplied(p[2 * x], p[2 * x], p[2 * x], p[2 * x + 1]); break;
        case PixelFormat::RGB8: word = premultiplied(p[3 * x], p[3 * x + 1], p[3 * x + 2], 255); break;
        default: word = premultiplied(p[4 * x], p[4 * x + 1], p[4 * x + 2], p[4 * x + 3]); break;
      }
      std::memcpy(out, &word, 4);
    }
  }
  return true;
}

}  // namespace

void unpremultiplyRow(const uint8_t* argbRow, int width, uint8_t* rgbaRow) {
  uint8_t* out = rgbaRow;
  for (int x = 0; x < width; ++x, out += 4) {
    uint32_t word;
    std::memcpy(&word, argbRow + static_cast<size_t>(x) * 4, 4);
    const uint32_t a = word >> 24;
    const uint32_t r = (word >> 16) & 0xFF, g = (word >> 8) & 0xFF, b = word & 0xFF;
    if (a == 255) {
      out[0] = static_cast<uint8_t>(r), out[1] = static_cast<uint8_t>(g), out[2] = static_cast<uint8_t>(b);
    } else if (a == 0) {
      out[0] = out[1] = out[2] = 0;
    } else {
      auto straight = [a](uint32_t c) { return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); };
      out[0] = straight(r), out[1] = straight(g), out[2] = straight(b);
    }
    out[3] = static_cast<uint8_t>(a);
  }
}

Bitmap Bitmap::converted(PixelFormat target) const {
  if (empty()) return Bitmap();
  if (target == format_ && format_ != PixelFormat::Samples8) return *this;
  if (target == PixelFormat::Samples8) {
    // The raw 8-bit layout of the source, channel for channel.
    if (is16Bit(format_) || format_ == PixelFormat::ARGB32) return converted(PixelFormat::RGBA8).converted(target);
    Bitmap out(width_, height_, PixelFormat::Samples8, channels_);
    out.data_ = data_;
    return out;
  }
  if (format_ == PixelFormat::Samples8 && channels_ > 4)
    throw ImageError("cannot convert a raster of this many channels");
  // Every pixel is written below.
  Bitmap out = Bitmap::uninitialized(width_, height_, target);
  if (convertDirectly(*this, out)) return out;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) writePixel(out, x, y, readPixel(*this, x, y));
  return out;
}

}  // namespace platform::image
