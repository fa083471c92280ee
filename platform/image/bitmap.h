#pragma once
// An in-memory raster: 8-bit gray, gray+alpha, RGB, RGBA and CMYK, their
// 16-bit forms, premultiplied ARGB words as Cairo's image surfaces hold them,
// and plain interleaved 8-bit samples of any channel count (what a JPEG 2000
// codestream or a DeviceN image decodes to before its colour is known).
//
// Every size is computed in 64 bits and checked against kMaxPixels before
// memory is allocated, so a hostile size in a file becomes an ImageError.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/memory/large_pages.h"

namespace platform::image {

class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest image the layer allocates: 128 Mi pixels (a 600 dpi scan of an
// A2 sheet still fits); anything larger is refused, not decoded.
inline constexpr int64_t kMaxPixels = int64_t{1} << 27;
// The most channels a sample raster carries (a DeviceN space's limit).
inline constexpr int kMaxChannels = 32;

// Leaves bytes it makes uninitialised (resize), while assign and the
// explicit-value constructors still fill: rasters that a decoder or a
// conversion writes whole are not zero-filled first. Large rasters get large
// pages.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <class U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    T* p = std::allocator<T>::allocate(n);
    memory::adviseLargePages(p, n * sizeof(T));
    return p;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0)
      ::new (static_cast<void*>(p)) U;
    else
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// The memory of a raster, which can move from one raster to the next.
using PixelStorage = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

// True when width x height is a drawable size within the pixel cap.
bool withinPixelCap(int64_t width, int64_t height);
// Throws ImageError unless withinPixelCap(width, height).
void checkPixelCap(int64_t width, int64_t height);

enum class PixelFormat {
  Gray8,
  GrayAlpha8,
  RGB8,
  RGBA8,   // straight (not premultiplied) alpha, bytes R, G, B, A
  CMYK8,   // ink amounts, 0 = no ink
  Gray16,  // 16-bit formats hold host-order uint16_t samples
  GrayAlpha16,
  RGB16,
  RGBA16,
  ARGB32,  // premultiplied alpha, one native-endian 32-bit word per pixel
  Samples8,  // `channels` interleaved 8-bit samples, meaning given by the user
};

bool is16Bit(PixelFormat format);
bool hasAlpha(PixelFormat format);

class Bitmap {
 public:
  Bitmap() = default;
  // A zero-filled raster. `channels` is read only for Samples8 (1..kMaxChannels).
  // Throws ImageError for a size outside the pixel cap.
  Bitmap(int width, int height, PixelFormat format, int channels = 0);
  // The same, made in the memory of `storage` (from takeStorage() of an
  // earlier raster): pictures made one after another reuse one buffer
  // instead of each faulting fresh pages in.
  Bitmap(int width, int height, PixelFormat format, PixelStorage&& storage);
  // A raster whose bytes are left as the allocator gives them, for callers
  // that write every byte before anything reads one.
  static Bitmap uninitialized(int width, int height, PixelFormat format, int channels = 0);
  // Hands the memory over for another raster; this one is empty afterwards.
  PixelStorage takeStorage();

  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return format_; }
  int channels() const { return channels_; }
  int bytesPerPixel() const;
  size_t stride() const { return stride_; }  // rows are packed, no padding
  bool empty() const { return width_ == 0 || height_ == 0; }

  uint8_t* row(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* row(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }
  uint16_t* row16(int y) { return reinterpret_cast<uint16_t*>(row(y)); }
  const uint16_t* row16(int y) const { return reinterpret_cast<const uint16_t*>(row(y)); }
  std::span<uint8_t> bytes() { return data_; }
  std::span<const uint8_t> bytes() const { return data_; }

  // A copy in another format. Gray, RGB, CMYK (by the naive complement, for
  // want of a colour model at this level), alpha and ARGB32 convert to each
  // other; 16-bit samples round to 8 bits; adding alpha makes it opaque and
  // dropping it keeps the colour as it is. Samples8 converts only from/to
  // itself with the same channel count and from 1, 2, 3 or 4 channels read as
  // gray, gray+alpha, RGB or RGBA. Throws ImageError for other pairs.
  Bitmap converted(PixelFormat target) const;

  // Premultiplied ARGB32 to straight RGBA8 and back.
  Bitmap toRGBA8() const { return converted(PixelFormat::RGBA8); }
  Bitmap toARGB32() const { return converted(PixelFormat::ARGB32); }

 private:
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::RGBA8;
  int channels_ = 4;
  size_t stride_ = 0;
  PixelStorage data_;
};

// Number of channels of a fixed format (Samples8 answers 0: the bitmap says).
int channelCount(PixelFormat format);

// One row of `width` premultiplied ARGB32 words as straight RGBA bytes (4 x
// width), exactly as converted(RGBA8) gives them: encoders take a canvas a
// row at a time instead of converting it whole.
void unpremultiplyRow(const uint8_t* argbRow, int width, uint8_t* rgbaRow);

}  // namespace platform::image
