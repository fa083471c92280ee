#include "pdf/QVPDFUtilities.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <numbers>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFICCBasedColorSpace.h"
#include "platform/fs/files.h"
#include "platform/image/codecs.h"
#include "platform/memory/large_pages.h"

using platform::PdfObject;
using platform::PdfStreamFormat;
using platform::image::Bitmap;
using platform::image::ImageError;
using platform::image::PixelFormat;

namespace {

// Soft masks of soft masks are not followed further than this.
constexpr int kMaxMaskDepth = 1;

// ---- reading the image dictionary ----

PdfObject entry(const PdfObject& dict, std::string_view key, std::string_view abbreviation) {
  PdfObject v = dict.get(key);
  if (v.isNull() && !abbreviation.empty()) v = dict.get(abbreviation);
  return v;
}

std::optional<int64_t> integerEntry(const PdfObject& dict, std::string_view key, std::string_view abbreviation) {
  PdfObject v = entry(dict, key, abbreviation);
  if (v.isInteger()) return v.asInteger();
  // Some writers put reals where integers belong; a whole real reads as one.
  if (auto n = v.asNumber(); n && std::isfinite(*n) && *n == std::floor(*n) && std::fabs(*n) < 1e15)
    return static_cast<int64_t>(*n);
  return std::nullopt;
}

bool booleanEntry(const PdfObject& dict, std::string_view key, std::string_view abbreviation) {
  return entry(dict, key, abbreviation).asBoolean().value_or(false);
}

// ---- samples ----

// Interleaved samples of `components` per pixel, `bpc` bits each, rows
// padded to whole bytes: the raw layout of PDF image data, which the JPEG,
// JPEG 2000, JBIG2 and CCITT decoders' outputs also take.
struct Samples {
  int width = 0;
  int height = 0;
  int bpc = 8;
  int components = 1;
  size_t rowBytes = 0;
  bool decodeApplies = true;  // /Decode is ignored for JPEG 2000 colour data
  enum class Storage { Raw, Decoded, Bilevel } storage = Storage::Raw;

  std::string rawStorage;
  Bitmap bitmapStorage;
  std::vector<uint8_t> bilevelStorage;
  Bitmap jpxAlpha;  // the codestream's own opacity
  platform::image::Jpeg2000ColorSpace jpxSpace = platform::image::Jpeg2000ColorSpace::Unknown;
  PdfStreamFormat format = PdfStreamFormat::Raw;
  platform::image::JpegInfo jpegInfo;
  bool colorTransformGiven = false;  // /ColorTransform in the DCT parameters
  // JPEG data that goes out as it is: checked to decode, but its pixels
  // were not kept (rawStorage holds the data, there are no rows).
  bool keptAsIs = false;

  // Where the samples are: asked each time, since moving a short string
  // moves its characters.
  const uint8_t* base() const {
    switch (storage) {
      case Storage::Decoded: return bitmapStorage.bytes().data();
      case Storage::Bilevel: return bilevelStorage.data();
      case Storage::Raw: break;
    }
    return reinterpret_cast<const uint8_t*>(rawStorage.data());
  }
  const uint8_t* row(int y) const { return base() + static_cast<size_t>(y) * rowBytes; }
};

inline uint32_t sampleAt(const uint8_t* row, size_t index, int bpc) {
  switch (bpc) {
    case 8: return row[index];
    case 16: return (uint32_t{row[2 * index]} << 8) | row[2 * index + 1];
    case 1: return (row[index >> 3] >> (7 - (index & 7))) & 1u;
    case 2: return (row[index >> 2] >> (6 - 2 * (index & 3))) & 3u;
    case 4: return (row[index >> 1] >> (4 - 4 * (index & 1))) & 15u;
    default: return 0;
  }
}

void fromBitmap(Samples& s, Bitmap bitmap) {
  s.width = bitmap.width();
  s.height = bitmap.height();
  s.bpc = 8;
  s.components = bitmap.channels();
  s.rowBytes = bitmap.stride();
  s.bitmapStorage = std::move(bitmap);
  s.storage = Samples::Storage::Decoded;
}

void fromBilevel(Samples& s, platform::image::BilevelImage img) {
  s.width = img.width;
  s.height = img.height;
  s.bpc = 1;
  s.components = 1;
  s.rowBytes = img.stride;
  s.bilevelStorage = std::move(img.bits);
  s.storage = Samples::Storage::Bilevel;
}

platform::image::CcittParams ccittParams(const PdfObject* parms) {
  platform::image::CcittParams p;
  if (!parms) return p;
  auto clampInt = [](int64_t v, int64_t lo, int64_t hi) { return static_cast<int>(std::clamp(v, lo, hi)); };
  if (auto v = parms->getInteger("K")) p.k = clampInt(*v, -1, 1 << 20);
  if (auto v = parms->getBoolean("EndOfLine")) p.endOfLine = *v;
  if (auto v = parms->getBoolean("EncodedByteAlign")) p.encodedByteAlign = *v;
  if (auto v = parms->getInteger("Columns")) p.columns = clampInt(*v, 0, int64_t{1} << 30);
  if (auto v = parms->getInteger("Rows")) p.rows = clampInt(*v, 0, int64_t{1} << 30);
  if (auto v = parms->getBoolean("EndOfBlock")) p.endOfBlock = *v;
  if (auto v = parms->getBoolean("BlackIs1")) p.blackIs1 = *v;
  if (auto v = parms->getInteger("DamagedRowsBeforeError")) p.damagedRowsBeforeError = clampInt(*v, 0, 1 << 20);
  return p;
}

// True when the last filter of the stream is an image codec (DCT, JPX,
// JBIG2, CCITT), whose input is handed out as it is.
bool endsInImageCodec(const PdfObject& stream) {
  PdfObject filter = stream.get("Filter");
  if (filter.isArray()) filter = filter.size() > 0 ? filter.at(filter.size() - 1) : PdfObject();
  const std::optional<std::string> name = filter.asName();
  if (!name) return false;
  for (const char* codec : {"DCTDecode", "DCT", "JPXDecode", "JBIG2Decode", "CCITTFaxDecode", "CCF"})
    if (*name == codec) return true;
  return false;
}

// The most sample bytes an image may have (a 16-bit RGBA image at the pixel
// cap), as much as one stream may decode to.
constexpr int64_t kMaxSampleBytes = int64_t{1} << 30;

// The most pixels a picture is wanted at, each way (0: its own size), and
// whether its samples are levels that may be averaged (not palette indices,
// nor values a colour key compares).
struct Reduction {
  int width = 0;
  int height = 0;
  bool average = true;
  // The size a picture of width x height is kept at.
  int outWidth(int64_t w) const { return width > 0 && width < w ? width : static_cast<int>(w); }
  int outHeight(int64_t h) const { return height > 0 && height < h ? height : static_cast<int>(h); }
  bool reduces(int64_t w, int64_t h) const { return outWidth(w) < w || outHeight(h) < h; }
};

void putSample(uint8_t* row, size_t index, int bpc, uint32_t v) {
  switch (bpc) {
    case 8: row[index] = static_cast<uint8_t>(v); return;
    case 16:
      row[2 * index] = static_cast<uint8_t>(v >> 8);
      row[2 * index + 1] = static_cast<uint8_t>(v);
      return;
    default: {
      const size_t perByte = 8 / static_cast<size_t>(bpc);
      const int shift = 8 - bpc * static_cast<int>(index % perByte + 1);
      const uint8_t mask = static_cast<uint8_t>(((1u << bpc) - 1) << shift);
      uint8_t& b = row[index / perByte];
      b = static_cast<uint8_t>((b & ~mask) | ((v << shift) & mask));
    }
  }
}

// Samples taken a row at a time and kept at a smaller size: each kept
// sample the mean of the samples it covers (as 8-bit levels), or, for
// samples that do not average, the one nearest its centre (at their own
// depth). Only one row of sums is held besides the result, so a picture
// many times the size it is shown at is never held whole.
class RowReducer {
 public:
  RowReducer(int width, int height, int components, int bpc, int outWidth, int outHeight, bool average)
      : width_(width), height_(height), n_(components), bpc_(bpc), outWidth_(outWidth), outHeight_(outHeight),
        average_(average) {
    outBpc_ = average ? 8 : bpc;
    outRowBytes_ = (static_cast<size_t>(outWidth) * components * outBpc_ + 7) / 8;
    platform::memory::reserveLarge(out_, outRowBytes_ * static_cast<size_t>(outHeight));
    out_.resize(outRowBytes_ * static_cast<size_t>(outHeight));
    if (average_) {
      column_.resize(width);
      columnCount_.assign(outWidth, 0);
      columnStart_.assign(static_cast<size_t>(outWidth) + 1, width);
      for (int x = width - 1; x >= 0; --x) {
        column_[x] = static_cast<int>(static_cast<int64_t>(x) * outWidth / width);
        ++columnCount_[column_[x]];
        columnStart_[column_[x]] = x;
      }
      const double maxSample = static_cast<double>((uint64_t{1} << bpc) - 1);
      columnScale_.resize(outWidth);
      for (int tx = 0; tx < outWidth; ++tx)
        columnScale_[tx] = columnCount_[tx] > 0 ? 255.0 / (maxSample * columnCount_[tx]) : 0.0;
      sums_.assign(static_cast<size_t>(outWidth) * components, 0);
    } else {
      pick_.resize(outWidth);
      for (int x = 0; x < outWidth; ++x)
        pick_[x] = static_cast<int>((2 * static_cast<int64_t>(x) + 1) * width / (2 * static_cast<int64_t>(outWidth)));
    }
  }

  void addRow(const uint8_t* row) {
    if (y_ >= height_) return;
    if (average_) sumRow(row);
    else pickRow(row);
    ++y_;
  }

  int outWidth() const { return outWidth_; }
  int outHeight() const { return outHeight_; }
  int outBpc() const { return outBpc_; }
  size_t outRowBytes() const { return outRowBytes_; }
  std::string take() { return std::move(out_); }

 private:
  int targetRow(int y) const { return static_cast<int>(static_cast<int64_t>(y) * outHeight_ / height_); }

  void sumRow(const uint8_t* row) {
    const int ty = targetRow(y_);
    if (bpc_ == 8 && n_ == 1) {
      sum8<1>(row);
    } else if (bpc_ == 8 && n_ == 3) {
      sum8<3>(row);
    } else if (bpc_ == 8) {
      for (int x = 0; x < width_; ++x) {
        uint64_t* sum = &sums_[static_cast<size_t>(column_[x]) * n_];
        for (int c = 0; c < n_; ++c) sum[c] += row[static_cast<size_t>(x) * n_ + c];
      }
    } else if (bpc_ == 1 && n_ == 1) {
      sumBits(row);
    } else {
      for (int x = 0; x < width_; ++x)
        for (int c = 0; c < n_; ++c)
          sums_[static_cast<size_t>(column_[x]) * n_ + c] += sampleAt(row, static_cast<size_t>(x) * n_ + c, bpc_);
    }
    ++rowsSummed_;
    if (y_ + 1 == height_ || targetRow(y_ + 1) != ty) {
      uint8_t* dst = reinterpret_cast<uint8_t*>(out_.data()) + ty * outRowBytes_;
      if (n_ == 1) {
        keepRow<1>(dst);
      } else if (n_ == 3) {
        keepRow<3>(dst);
      } else {
        keepRow<0>(dst);
      }
      rowsSummed_ = 0;
    }
  }

  // The means of the rows summed, into the kept row `dst` (N components, or
  // n_ for 0). A multiplication a sample: a division each costs more than
  // the sums.
  template <int N>
  void keepRow(uint8_t* dst) {
    const int n = N > 0 ? N : n_;
    const double rowFactor = 1.0 / static_cast<double>(rowsSummed_);
    uint64_t* sum = sums_.data();
    for (int tx = 0; tx < outWidth_; ++tx, sum += n, dst += n) {
      const double scale = columnScale_[tx] * rowFactor;
      for (int c = 0; c < n; ++c) {
        // Sums stay far below 2^63: signed, they convert in one step.
        const double v = static_cast<double>(static_cast<int64_t>(sum[c])) * scale + 0.5;
        dst[c] = v < 255.0 ? static_cast<uint8_t>(static_cast<int>(v)) : uint8_t{255};
        sum[c] = 0;
      }
    }
  }

  // A byte of 1-bit samples at a time: the bits of each kept column it
  // holds counted at once (a byte without set bits adds nothing).
  void sumBits(const uint8_t* row) {
    if (byteColumns_.empty()) {
      const size_t bytes = (static_cast<size_t>(width_) + 7) / 8;
      byteColumns_.resize(bytes);
      for (size_t i = 0; i < bytes; ++i) {
        ByteColumns& b = byteColumns_[i];
        b.first = column_[i * 8];
        for (int bit = 0; bit < 8 && i * 8 + bit < static_cast<size_t>(width_); ++bit) {
          const int part = column_[i * 8 + bit] - b.first;
          b.masks[part] |= static_cast<uint8_t>(0x80u >> bit);
          b.parts = std::max(b.parts, part + 1);
        }
      }
    }
    uint64_t* sums = sums_.data();
    const size_t bytes = byteColumns_.size();
    for (size_t i = 0; i < bytes; ++i) {
      const uint8_t v = row[i];
      if (v == 0) continue;
      const ByteColumns& b = byteColumns_[i];
      for (int part = 0; part < b.parts; ++part)
        sums[b.first + part] += static_cast<uint64_t>(__builtin_popcount(v & b.masks[part]));
    }
  }

  // The samples of each kept column are side by side: summed a run at a
  // time, not looked up a sample at a time.
  template <int N>
  void sum8(const uint8_t* row) {
    uint64_t* sum = sums_.data();
    for (int tx = 0; tx < outWidth_; ++tx, sum += N) {
      const uint8_t* p = row + static_cast<size_t>(columnStart_[tx]) * N;
      const uint8_t* end = row + static_cast<size_t>(columnStart_[tx + 1]) * N;
      uint64_t run[N] = {};
      for (; p < end; p += N)
        for (int c = 0; c < N; ++c) run[c] += p[c];
      for (int c = 0; c < N; ++c) sum[c] += run[c];
    }
  }

  void pickRow(const uint8_t* row) {
    while (nextRow_ < outHeight_ &&
           (2 * static_cast<int64_t>(nextRow_) + 1) * height_ / (2 * static_cast<int64_t>(outHeight_)) == y_) {
      uint8_t* dst = reinterpret_cast<uint8_t*>(out_.data()) + nextRow_ * outRowBytes_;
      if (bpc_ >= 8) {
        const size_t bytes = static_cast<size_t>(n_) * (bpc_ / 8);
        for (int x = 0; x < outWidth_; ++x) std::copy_n(row + pick_[x] * bytes, bytes, dst + x * bytes);
      } else {
        for (int x = 0; x < outWidth_; ++x)
          for (int c = 0; c < n_; ++c)
            putSample(dst, static_cast<size_t>(x) * n_ + c, bpc_,
                      sampleAt(row, static_cast<size_t>(pick_[x]) * n_ + c, bpc_));
      }
      ++nextRow_;
    }
  }

  int width_, height_, n_, bpc_, outWidth_, outHeight_;
  bool average_;
  int outBpc_ = 8;
  size_t outRowBytes_ = 0;
  std::string out_;
  // The kept column of each sample, how many samples each kept column
  // holds, and where each begins (a kept column's samples are side by side).
  std::vector<int> column_, columnCount_, columnStart_, pick_;
  // 255 over the largest sum of one row of a kept column.
  std::vector<double> columnScale_;
  // For each byte of a row of 1-bit samples: the first kept column its bits
  // fall in, and the bits of it that fall in that column and the next ones.
  struct ByteColumns {
    int first = 0;
    int parts = 0;
    std::array<uint8_t, 8> masks{};
  };
  std::vector<ByteColumns> byteColumns_;
  std::vector<uint64_t> sums_;
  uint64_t rowsSummed_ = 0;
  int y_ = 0;
  int nextRow_ = 0;
};

void fromReducer(Samples& s, RowReducer& r, int components) {
  s.width = r.outWidth();
  s.height = r.outHeight();
  s.bpc = r.outBpc();
  s.components = components;
  s.rowBytes = r.outRowBytes();
  s.rawStorage = r.take();
  s.bitmapStorage = Bitmap();
  std::vector<uint8_t>().swap(s.bilevelStorage);
  s.storage = Samples::Storage::Raw;
}

// Samples decoded whole (by an image codec) kept at the reduction's size.
void reduceDecoded(Samples& s, const Reduction& reduction) {
  if (s.width <= 0 || s.height <= 0 || !reduction.reduces(s.width, s.height)) return;
  RowReducer r(s.width, s.height, s.components, s.bpc, reduction.outWidth(s.width), reduction.outHeight(s.height),
               reduction.average);
  for (int y = 0; y < s.height; ++y) r.addRow(s.row(y));
  fromReducer(s, r, s.components);
}

// A Gray8 plane (a codestream's opacity) at the reduction's size.
Bitmap reducedGray(Bitmap plane, const Reduction& reduction) {
  if (plane.empty() || plane.format() != PixelFormat::Gray8 || !reduction.reduces(plane.width(), plane.height()))
    return plane;
  RowReducer r(plane.width(), plane.height(), 1, 8, reduction.outWidth(plane.width()),
               reduction.outHeight(plane.height()), true);
  for (int y = 0; y < plane.height(); ++y) r.addRow(plane.row(y));
  Bitmap out = Bitmap::uninitialized(r.outWidth(), r.outHeight(), PixelFormat::Gray8);
  const std::string rows = r.take();
  std::copy(rows.begin(), rows.end(), out.bytes().begin());
  return out;
}

// Decodes the stream's data into samples. For raw data `components` and
// `bpc` give the layout; the other formats bring their own. Samples of a
// picture larger than the reduction asks for are kept at its size, raw data
// reduced as it is decoded.
// Whether JPEG data of this header (and /ColorTransform given or not) goes
// out as it is, so that only its decoding, not its pixels, matters.
using KeepJpegAsIs = std::function<bool(const platform::image::JpegInfo&, bool colorTransformGiven)>;

// Runs `work` on a thread of its own while `meanwhile` runs on this one (one
// after the other where no thread can be had). Both have ended when it
// returns; a failure of `work` is thrown before one of `meanwhile`.
void besideOnThread(const std::function<void()>& work, const std::function<void()>& meanwhile) {
  std::exception_ptr workFailure, failure;
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        work();
      } catch (...) {
        workFailure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    work();
    meanwhile();
    return;
  }
  try {
    meanwhile();
  } catch (...) {
    failure = std::current_exception();
  }
  worker.join();
  if (workFailure) std::rethrow_exception(workFailure);
  if (failure) std::rethrow_exception(failure);
}

Samples loadSamplesBeside(const PdfObject& stream, int64_t width, int64_t height, int components, int bpc,
                          const KeepJpegAsIs& keepJpegAsIs, const Reduction& reduction,
                          const std::function<void()>& meanwhile, bool& ranMeanwhile) {
  Samples s;
  platform::PdfStreamData sd;
  int64_t needed = 0;
  if (endsInImageCodec(stream)) {
    sd = stream.streamData();
  } else if (reduction.reduces(width, height)) {
    platform::image::checkPixelCap(width, height);
    if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16)
      throw ImageError("unsupported bits per component " + std::to_string(bpc));
    if (components < 1 || components > platform::image::kMaxChannels) throw ImageError("unsupported component count");
    const size_t rowBytes = static_cast<size_t>((width * components * bpc + 7) / 8);
    needed = static_cast<int64_t>(rowBytes) * height;
    if (needed > kMaxSampleBytes) throw ImageError("image data of " + std::to_string(needed) + " bytes");
    RowReducer reducer(static_cast<int>(width), static_cast<int>(height), components, bpc,
                       reduction.outWidth(width), reduction.outHeight(height), reduction.average);
    // Rows are reduced as they are inflated: only one of them is held.
    std::vector<uint8_t> partial;
    partial.reserve(rowBytes);
    const size_t given = stream.decodePieces(static_cast<size_t>(needed), [&](const uint8_t* data, size_t len) {
      if (!partial.empty()) {
        const size_t take = std::min(len, rowBytes - partial.size());
        partial.insert(partial.end(), data, data + take);
        data += take, len -= take;
        if (partial.size() < rowBytes) return;
        reducer.addRow(partial.data());
        partial.clear();
      }
      for (; len >= rowBytes; data += rowBytes, len -= rowBytes) reducer.addRow(data);
      partial.insert(partial.end(), data, data + len);
    });
    if (static_cast<int64_t>(given) < needed)
      throw ImageError("image data (" + std::to_string(given) + " bytes) shorter than its size (" +
                       std::to_string(needed) + " bytes)");
    fromReducer(s, reducer, components);
    return s;
  } else {
    platform::image::checkPixelCap(width, height);
    if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16)
      throw ImageError("unsupported bits per component " + std::to_string(bpc));
    if (components < 1 || components > platform::image::kMaxChannels) throw ImageError("unsupported component count");
    const int64_t rowBits = width * components * bpc;  // at most 2^27 * 32 * 16
    needed = (rowBits + 7) / 8 * height;
    if (needed > kMaxSampleBytes) throw ImageError("image data of " + std::to_string(needed) + " bytes");
    // Only the bytes the samples need are decoded: a stream that inflates
    // without end costs no more than the image it claims to be.
    sd.bytes = stream.decodedPrefix(static_cast<size_t>(needed), static_cast<size_t>(needed));
  }
  s.format = sd.format;
  const PdfObject* parms = sd.lastFilterParms.get();
  const auto bytes = platform::image::asBytes(sd.bytes);
  switch (sd.format) {
    case PdfStreamFormat::Raw: {
      const int64_t rowBytes = (width * components * bpc + 7) / 8;
      if (needed > static_cast<int64_t>(sd.bytes.size()))
        throw ImageError("image data (" + std::to_string(sd.bytes.size()) + " bytes) shorter than its size (" +
                         std::to_string(needed) + " bytes)");
      s.width = static_cast<int>(width);
      s.height = static_cast<int>(height);
      s.bpc = bpc;
      s.components = components;
      s.rowBytes = static_cast<size_t>(rowBytes);
      s.rawStorage = std::move(sd.bytes);
      s.storage = Samples::Storage::Raw;
      break;
    }
    case PdfStreamFormat::JPEG: {
      int colorTransform = -1;
      if (parms)
        if (auto v = parms->getInteger("ColorTransform")) {
          colorTransform = *v ? 1 : 0;
          s.colorTransformGiven = true;
        }
      // Decoded no larger than needed for the size the dictionary gives
      // (a frame many times that size is read scaled down).
      const auto wanted = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, int64_t{1} << 30)); };
      const int wantedWidth = wanted(reduction.outWidth(width)), wantedHeight = wanted(reduction.outHeight(height));
      if (keepJpegAsIs) {
        const auto info = platform::image::readJpegInfo(bytes);
        if (info && platform::image::decodesWhole(*info, wanted(width), wanted(height)) &&
            keepJpegAsIs(*info, s.colorTransformGiven)) {
          s.jpegInfo = platform::image::checkJpeg(bytes, colorTransform);
          s.width = s.jpegInfo.width;
          s.height = s.jpegInfo.height;
          s.bpc = 8;
          s.components = s.jpegInfo.components;
          s.keptAsIs = true;
          s.rawStorage = std::move(sd.bytes);
          break;
        }
      }
      const auto decode = [&] {
        if (reduction.reduces(width, height)) {
          // Decoded a row at a time into the size wanted.
          std::optional<RowReducer> reducer;
          int components = 1;
          s.jpegInfo = platform::image::decodeJpegRows(
              bytes, colorTransform, wantedWidth, wantedHeight,
              [&](int w, int h, int n) {
                components = n;
                reducer.emplace(w, h, n, 8, reduction.outWidth(w), reduction.outHeight(h), reduction.average);
              },
              [&](const uint8_t* row) { reducer->addRow(row); });
          if (!reducer) throw ImageError("JPEG: no rows");
          fromReducer(s, *reducer, components);
          return;
        }
        Bitmap bitmap =
            platform::image::decodeJpeg(bytes, false, &s.jpegInfo, colorTransform, wantedWidth, wantedHeight);
        s.rawStorage = std::move(sd.bytes);  // kept for writing the JPEG as it is
        fromBitmap(s, std::move(bitmap));
        if (reduction.reduces(s.width, s.height)) {
          std::string().swap(s.rawStorage);
          reduceDecoded(s, reduction);
        }
      };
      // The JPEG data is in memory: it decodes without the document, which
      // `meanwhile` reads here at the same time.
      if (meanwhile) {
        besideOnThread(decode, meanwhile);
        ranMeanwhile = true;
      } else {
        decode();
      }
      break;
    }
    case PdfStreamFormat::JPEG2000: {
      platform::image::Jpeg2000Image jpx = platform::image::decodeJpeg2000(bytes);
      s.jpxAlpha = reducedGray(std::move(jpx.alpha), Reduction{reduction.width, reduction.height, true});
      s.jpxSpace = jpx.space;
      fromBitmap(s, std::move(jpx.color));
      reduceDecoded(s, reduction);
      s.decodeApplies = false;
      break;
    }
    case PdfStreamFormat::JBIG2: {
      std::string globals;
      if (parms) {
        PdfObject g = parms->getStream("JBIG2Globals");
        // Globals hold symbol dictionaries of a few kilobytes.
        if (g.isStream()) globals = g.decodedPrefix(size_t{64} << 20);
      }
      fromBilevel(s, platform::image::decodeJbig2(bytes, platform::image::asBytes(globals)));
      reduceDecoded(s, reduction);
      break;
    }
    case PdfStreamFormat::CCITTFax: {
      platform::image::CcittParams p = ccittParams(parms);
      const int fallbackRows = static_cast<int>(std::clamp<int64_t>(height, 0, int64_t{1} << 30));
      fromBilevel(s, platform::image::decodeCcitt(bytes, p, fallbackRows));
      reduceDecoded(s, reduction);
      break;
    }
  }
  return s;
}

// meanwhile: run once when the samples are loaded, at the same time as their
// decoding where that needs no reading of the document (JPEG data).
Samples loadSamples(const PdfObject& stream, int64_t width, int64_t height, int components, int bpc,
                    const KeepJpegAsIs& keepJpegAsIs = {}, const Reduction& reduction = {},
                    const std::function<void()>& meanwhile = {}) {
  bool ranMeanwhile = false;
  Samples s = loadSamplesBeside(stream, width, height, components, bpc, keepJpegAsIs, reduction, meanwhile,
                                ranMeanwhile);
  if (meanwhile && !ranMeanwhile) meanwhile();
  return s;
}

// ---- colour spaces ----

std::shared_ptr<const QVPDFColorSpace> resolveColorSpace(const PdfObject& object, const PdfObject& colorSpaces) {
  if (object.isNull()) return nullptr;
  auto space = QVPDFColorSpace::colorSpaceWithObject(object);
  if (!space && object.isName() && colorSpaces.isDictionary()) {
    PdfObject named = colorSpaces.get(*object.asName());
    if (!named.isNull()) space = QVPDFColorSpace::colorSpaceWithObject(named);
  }
  return space;
}

std::shared_ptr<const QVPDFColorSpace> deviceSpaceFor(int components) {
  switch (components) {
    case 1: return QVPDFColorSpace::deviceGray();
    case 3: return QVPDFColorSpace::deviceRGB();
    case 4: return QVPDFColorSpace::deviceCMYK();
    default: return nullptr;
  }
}

// The device family a space converts as, seen through ICC alternates.
int effectiveMode(const QVPDFColorSpace& space, int depth = 0) {
  if (space.getMode() == QVPDFColorSpace::kModeICCBased && depth < 4) {
    const auto& icc = static_cast<const QVPDFICCBasedColorSpace&>(space);
    if (icc.alt()) {
      for (int i = 0; i < icc.getNComps(); ++i)
        if (icc.rangeMin()[i] != 0.0 || icc.rangeMax()[i] != 1.0) return QVPDFColorSpace::kModeICCBased;
      return effectiveMode(*icc.alt(), depth + 1);
    }
  }
  return space.getMode();
}

bool isGrayLike(const QVPDFColorSpace& space) {
  const int mode = effectiveMode(space);
  return mode == QVPDFColorSpace::kModeDeviceGray || mode == QVPDFColorSpace::kModeCalGray;
}

bool isRgbLike(const QVPDFColorSpace& space) {
  const int mode = effectiveMode(space);
  return mode == QVPDFColorSpace::kModeDeviceRGB || mode == QVPDFColorSpace::kModeCalRGB;
}

struct DecodeRange {
  double low = 0;
  double high = 1;
};

// /Decode pairs per component; missing pairs (a short or absent array) take
// the space's defaults.
std::vector<DecodeRange> decodeRanges(const PdfObject& dict, const QVPDFColorSpace* space, int components, int bpc,
                                      bool imageMask) {
  std::vector<DecodeRange> ranges(components);
  for (int i = 0; i < components; ++i) {
    if (imageMask || !space) {
      ranges[i] = {0, 1};
    } else if (space->getMode() == QVPDFColorSpace::kModeIndexed) {
      ranges[i] = {0, std::ldexp(1.0, bpc) - 1};
    } else {
      auto r = space->componentRange(i);
      ranges[i] = {r.min, r.max};
    }
  }
  PdfObject decode = entry(dict, "Decode", "D");
  if (decode.isArray()) {
    for (int i = 0; i < components && 2 * static_cast<size_t>(i) + 1 < decode.size(); ++i) {
      ranges[i].low = decode.at(2 * i).asNumber().value_or(0.0);
      ranges[i].high = decode.at(2 * i + 1).asNumber().value_or(0.0);
    }
  }
  return ranges;
}

bool isDefaultDecode(const std::vector<DecodeRange>& ranges) {
  for (const auto& r : ranges)
    if (r.low != 0.0 || r.high != 1.0) return false;
  return true;
}

// Component values on the operators' 0..255 scale for every sample value of
// every component: what a colour operator would store for the decoded value.
std::vector<int32_t> componentTable(const std::vector<DecodeRange>& ranges, int bpc) {
  const size_t levels = size_t{1} << bpc;
  const double maxSample = static_cast<double>(levels - 1);
  std::vector<int32_t> table(levels * ranges.size());
  for (size_t c = 0; c < ranges.size(); ++c)
    for (size_t v = 0; v < levels; ++v) {
      const double decoded = ranges[c].low + v * (ranges[c].high - ranges[c].low) / maxSample;
      // The nudge keeps exact products such as 29/255 × 255 from truncating
      // to 28 through rounding error.
      table[c * levels + v] = QVPDFTruncate(decoded * 255.0 + (decoded >= 0 ? 1e-7 : -1e-7));
    }
  return table;
}

uint8_t clampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// True for a three-component space whose red, green and blue each come from
// their own component alone (an RGB space, directly or as the alternate of
// an ICC-based one), so that the conversion separates per channel.
bool convertsEachComponentAlone(const QVPDFColorSpace& space, int depth = 0) {
  const int mode = space.getMode();
  if (mode == QVPDFColorSpace::kModeDeviceRGB || mode == QVPDFColorSpace::kModeCalRGB) return space.getNComps() == 3;
  if (mode == QVPDFColorSpace::kModeICCBased && depth < 4) {
    const auto& icc = static_cast<const QVPDFICCBasedColorSpace&>(space);
    return icc.getNComps() == 3 && icc.alt() && convertsEachComponentAlone(*icc.alt(), depth + 1);
  }
  return false;
}

// True for 8-bit gray or RGB samples that the space passes through
// unchanged: their rows are the picture's Gray8 or RGB8 rows as they are.
bool samplesAreColor(const Samples& s, const QVPDFColorSpace& space, const std::vector<DecodeRange>& ranges) {
  return s.bpc == 8 && isDefaultDecode(ranges) &&
         ((s.components == 1 && isGrayLike(space)) || (s.components == 3 && isRgbLike(space)));
}

// Converts samples to Gray8 (gray-like spaces) or RGB8 through the space.
// Samples a decoder made in that very format are taken over, not copied
// (the samples keep their size and layout facts, but no longer their rows).
Bitmap convertColor(Samples& s, const QVPDFColorSpace& space, const std::vector<DecodeRange>& ranges) {
  const int n = s.components;
  const bool gray = isGrayLike(space) && n == 1;
  const PixelFormat format = gray ? PixelFormat::Gray8 : PixelFormat::RGB8;

  if (samplesAreColor(s, space, ranges)) {
    if (s.storage == Samples::Storage::Decoded && s.bitmapStorage.format() == format) {
      Bitmap taken = std::move(s.bitmapStorage);
      s.bitmapStorage = Bitmap();
      return taken;
    }
    Bitmap out = Bitmap::uninitialized(s.width, s.height, format);
    for (int y = 0; y < s.height; ++y) std::copy_n(s.row(y), out.stride(), out.row(y));
    return out;
  }
  // Every pixel is written below.
  Bitmap out = Bitmap::uninitialized(s.width, s.height, format);
  const int outChannels = gray ? 1 : 3;

  const std::vector<int32_t> table = componentTable(ranges, s.bpc);
  const size_t levels = size_t{1} << s.bpc;

  if (n == 1 && s.bpc <= 8) {
    // One colour per sample value, looked up.
    std::vector<std::array<uint8_t, 3>> palette(levels);
    QVPDFColor color;
    for (size_t v = 0; v < levels; ++v) {
      color.c[0] = table[v];
      QVPDFRGB rgb = space.getRGB(color);
      palette[v] = {clampByte(rgb.r), clampByte(rgb.g), clampByte(rgb.b)};
    }
    for (int y = 0; y < s.height; ++y) {
      const uint8_t* src = s.row(y);
      uint8_t* dst = out.row(y);
      for (int x = 0; x < s.width; ++x) {
        const auto& p = palette[sampleAt(src, static_cast<size_t>(x), s.bpc)];
        if (gray) dst[x] = p[0];
        else std::copy_n(p.data(), 3, dst + 3 * x);
      }
    }
    return out;
  }

  if (s.bpc == 8 && n == 3 && convertsEachComponentAlone(space)) {
    // Each output channel depends on its own sample only: three tables of
    // 256 entries give every pixel.
    std::array<std::array<uint8_t, 256>, 3> channel;
    for (int c = 0; c < 3; ++c)
      for (size_t v = 0; v < 256; ++v) {
        QVPDFColor color;
        color.c[c] = table[static_cast<size_t>(c) * levels + v];
        const QVPDFRGB rgb = space.getRGB(color);
        channel[c][v] = clampByte(c == 0 ? rgb.r : c == 1 ? rgb.g : rgb.b);
      }
    for (int y = 0; y < s.height; ++y) {
      const uint8_t* src = s.row(y);
      uint8_t* dst = out.row(y);
      for (int x = 0; x < s.width; ++x, src += 3, dst += 3) {
        dst[0] = channel[0][src[0]];
        dst[1] = channel[1][src[1]];
        dst[2] = channel[2][src[2]];
      }
    }
    return out;
  }

  // General case: per pixel through the space, with a small direct-mapped
  // cache, since neighbouring pixels repeat colours; a pixel like the one
  // before it (most of a scan or a drawing) takes its colour at once.
  constexpr size_t kCacheSize = 4096;
  struct CacheEntry {
    uint64_t key = ~uint64_t{0};
    std::array<uint8_t, 3> rgb{};
  };
  std::vector<CacheEntry> cache(kCacheSize);
  const bool cacheable = n * s.bpc <= 63;
  QVPDFColor color;
  if (s.bpc == 8 && cacheable) {
    std::optional<CacheEntry> last;
    for (int y = 0; y < s.height; ++y) {
      const uint8_t* src = s.row(y);
      uint8_t* dst = out.row(y);
      for (int x = 0; x < s.width; ++x, src += n) {
        uint64_t key = 0;
        for (int c = 0; c < n; ++c) key = (key << 8) | src[c];
        if (!last || last->key != key) {
          CacheEntry* slot = &cache[(key * 0x9E3779B97F4A7C15ull) >> 52];
          if (slot->key != key) {
            for (int c = 0; c < n; ++c) color.c[c] = table[static_cast<size_t>(c) * levels + src[c]];
            const QVPDFRGB r = space.getRGB(color);
            *slot = {key, {clampByte(r.r), clampByte(r.g), clampByte(r.b)}};
          }
          last = *slot;
        }
        if (gray) dst[x] = last->rgb[0];
        else std::copy_n(last->rgb.data(), 3, dst + 3 * x);
      }
    }
    return out;
  }
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* src = s.row(y);
    uint8_t* dst = out.row(y);
    for (int x = 0; x < s.width; ++x) {
      uint64_t key = 0;
      for (int c = 0; c < n; ++c) {
        const uint32_t v = sampleAt(src, static_cast<size_t>(x) * n + c, s.bpc);
        if (cacheable) key = (key << s.bpc) | v;
        color.c[c] = table[static_cast<size_t>(c) * levels + v];
      }
      std::array<uint8_t, 3> rgb;
      CacheEntry* slot = cacheable ? &cache[(key * 0x9E3779B97F4A7C15ull) >> 52] : nullptr;
      if (slot && slot->key == key) {
        rgb = slot->rgb;
      } else {
        QVPDFRGB r = space.getRGB(color);
        rgb = {clampByte(r.r), clampByte(r.g), clampByte(r.b)};
        if (slot) *slot = {key, rgb};
      }
      if (gray) dst[x] = rgb[0];
      else std::copy_n(rgb.data(), outChannels, dst + 3 * x);
    }
  }
  return out;
}

// 16-bit gray or RGB that needs no conversion keeps its precision.
Bitmap copy16(const Samples& s) {
  Bitmap out(s.width, s.height, s.components == 1 ? PixelFormat::Gray16 : PixelFormat::RGB16);
  const size_t count = static_cast<size_t>(s.width) * s.components;
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* src = s.row(y);
    uint16_t* dst = out.row16(y);
    for (size_t i = 0; i < count; ++i) dst[i] = static_cast<uint16_t>((src[2 * i] << 8) | src[2 * i + 1]);
  }
  return out;
}

// ---- masks ----

// An opacity plane from 1-bit mask samples: a sample that decodes to 0 is
// painted (opaque), 1 is masked out.
// Samples reduced to 8-bit means give the share of ones each pixel covers.
Bitmap stencilAlpha(const Samples& s, const std::vector<DecodeRange>& ranges) {
  const bool inverted = !ranges.empty() && ranges[0].low > ranges[0].high;
  Bitmap alpha(s.width, s.height, PixelFormat::Gray8);
  if (s.bpc == 8) {
    for (int y = 0; y < s.height; ++y) {
      const uint8_t* src = s.row(y);
      uint8_t* dst = alpha.row(y);
      for (int x = 0; x < s.width; ++x) dst[x] = inverted ? src[x] : static_cast<uint8_t>(255 - src[x]);
    }
    return alpha;
  }
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* src = s.row(y);
    uint8_t* dst = alpha.row(y);
    for (int x = 0; x < s.width; ++x) {
      const bool one = sampleAt(src, static_cast<size_t>(x), s.bpc) != 0;
      dst[x] = (one != inverted) ? 0 : 255;
    }
  }
  return alpha;
}

// Opacity from a /Mask array: pixels whose every raw sample lies in its
// [min, max] pair are transparent.
Bitmap colorKeyAlpha(const Samples& s, const PdfObject& mask) {
  const int n = s.components;
  std::vector<std::pair<int64_t, int64_t>> ranges(n, {1, 0});
  for (int c = 0; c < n; ++c) {
    ranges[c].first = mask.at(2 * c).asInteger().value_or(1);
    ranges[c].second = mask.at(2 * c + 1).asInteger().value_or(0);
  }
  Bitmap alpha(s.width, s.height, PixelFormat::Gray8);
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* src = s.row(y);
    uint8_t* dst = alpha.row(y);
    for (int x = 0; x < s.width; ++x) {
      bool keyed = true;
      for (int c = 0; c < n && keyed; ++c) {
        const int64_t v = sampleAt(src, static_cast<size_t>(x) * n + c, s.bpc);
        keyed = v >= ranges[c].first && v <= ranges[c].second;
      }
      dst[x] = keyed ? 0 : 255;
    }
  }
  return alpha;
}

// Rows of 8-bit samples wherever they are kept: a bitmap, or the samples
// of an image whose rows are its colour already.
struct Plane {
  int width = 0;
  int height = 0;
  int channels = 1;
  const uint8_t* data = nullptr;
  size_t stride = 0;
  const uint8_t* row(int y) const { return data + static_cast<size_t>(y) * stride; }
};

Plane planeOf(const Bitmap& b) { return {b.width(), b.height(), b.channels(), b.bytes().data(), b.stride()}; }
Plane planeOf(const Samples& s) { return {s.width, s.height, s.components, s.base(), s.rowBytes}; }

// Nearest-neighbour resampling of 8-bit gray or RGB rows to another pixel size.
Bitmap resampled(const Plane& src, int width, int height) {
  Bitmap out = Bitmap::uninitialized(width, height, src.channels == 1 ? PixelFormat::Gray8 : PixelFormat::RGB8);
  const int bpp = src.channels;
  std::vector<int> columns(width);
  for (int x = 0; x < width; ++x) columns[x] = static_cast<int>(static_cast<int64_t>(x) * src.width / width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = src.row(static_cast<int>(static_cast<int64_t>(y) * src.height / height));
    uint8_t* d = out.row(y);
    for (int x = 0; x < width; ++x) std::copy_n(s + static_cast<size_t>(columns[x]) * bpp, bpp, d + static_cast<size_t>(x) * bpp);
  }
  return out;
}

// Colour (gray or RGB rows) and opacity (Gray8) joined into GrayAlpha8 /
// RGBA8 at the larger of the two sizes. With a matte colour (a soft mask's
// /Matte) the colour was blended with it by the opacity, and is unblended
// here. The join is made a row at a time, so that an encoder can take the
// picture without it ever being held whole.
class OpacityJoin {
 public:
  OpacityJoin(const Plane& color, const Plane& alpha, const std::optional<std::array<uint8_t, 3>>& matte)
      : width_(std::max(color.width, alpha.width)), height_(std::max(color.height, alpha.height)), matte_(matte) {
    platform::image::checkPixelCap(width_, height_);
    // Only a plane of another size is resampled; one of the picture's own
    // size is read where it is.
    const bool colorFits = color.width == width_ && color.height == height_;
    const bool alphaFits = alpha.width == width_ && alpha.height == height_;
    if (!colorFits) scaledColor_ = resampled(color, width_, height_);
    if (!alphaFits) scaledAlpha_ = resampled(alpha, width_, height_);
    color_ = colorFits ? color : planeOf(scaledColor_);
    alpha_ = alphaFits ? alpha : planeOf(scaledAlpha_);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return color_.channels == 1 ? PixelFormat::GrayAlpha8 : PixelFormat::RGBA8; }

  void joinRow(int y, uint8_t* d) const {
    const uint8_t* as = alpha_.row(y);
    if (color_.channels == 1) join<1>(color_.row(y), as, d);
    else join<3>(color_.row(y), as, d);
    if (!matte_) return;
    const int n = color_.channels;
    for (int x = 0; x < width_; ++x) {
      if (as[x] == 0) continue;
      uint8_t* px = d + static_cast<size_t>(x) * (n + 1);
      for (int k = 0; k < n; ++k) {
        const int m = (*matte_)[k];
        const int v = m + ((px[k] - m) * 255 + (px[k] >= m ? as[x] / 2 : -(as[x] / 2))) / as[x];
        px[k] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }

  Bitmap joined() const {
    Bitmap out = Bitmap::uninitialized(width_, height_, format());
    for (int y = 0; y < height_; ++y) joinRow(y, out.row(y));
    return out;
  }

 private:
  template <int N>
  void join(const uint8_t* cs, const uint8_t* as, uint8_t* d) const {
    for (int x = 0; x < width_; ++x, cs += N, d += N + 1) {
      for (int k = 0; k < N; ++k) d[k] = cs[k];
      d[N] = as[x];
    }
  }

  int width_, height_;
  std::optional<std::array<uint8_t, 3>> matte_;
  Bitmap scaledColor_, scaledAlpha_;
  Plane color_, alpha_;
};

// The joined rows as an encoder takes them.
class JoinedRows final : public platform::image::RowSource {
 public:
  explicit JoinedRows(const OpacityJoin& join) : RowSource(join.width(), join.height(), join.format()), join_(join) {}
  const uint8_t* row(int y, uint8_t* scratch) const override {
    join_.joinRow(y, scratch);
    return scratch;
  }

 private:
  const OpacityJoin& join_;
};

// ---- the whole image ----

// An image's opacity, a byte a pixel: a Gray8 raster, or a soft mask's own
// 8-bit gray rows, taken over rather than copied.
struct Opacity {
  Bitmap pixels;
  std::string rows;
  int width = 0;
  int height = 0;

  bool empty() const { return pixels.empty() && rows.empty(); }
  Plane plane() const {
    if (!pixels.empty()) return planeOf(pixels);
    return {width, height, 1, reinterpret_cast<const uint8_t*>(rows.data()), static_cast<size_t>(width)};
  }
};

struct DecodedImage {
  // The picture; for one with opacity, empty until joined (join below).
  Bitmap pixels;
  bool hasMask = false;
  // The colour (empty when the samples' own rows are the colour), the
  // opacity and the matte colour of a picture with opacity, until joined.
  Bitmap color;
  Opacity alpha;
  std::optional<std::array<uint8_t, 3>> matte;
  bool joinPending() const { return !alpha.empty(); }
  // Set (when asked) for an image whose samples are 8-bit gray rows as they
  // are: they were left in samples.rawStorage, and pixels is empty.
  bool samplesAreGrayRows = false;
  // Set when the stream's JPEG data (samples.rawStorage) can be written as it is.
  bool passThroughJpeg = false;
  Samples samples;
  // A stencil's fill colour, one row of it (gray or RGB) that every row of
  // the picture shares: the opacity is the stencil.
  Bitmap stencilRow;
};

Opacity decodeSoftMask(const PdfObject& stream, int depth, const Reduction& reduction);

// keepJpeg: the caller writes JPEG data that needs no change as it is, so
// such data is only checked to decode and gives no pixels.
// keepGrayRows: samples that are 8-bit gray rows already stay where they are
// (samplesAreGrayRows).
// reduction: the most pixels the picture is wanted at (see Reduction).
DecodedImage decodeImage(const PdfObject& stream, const PdfObject& colorSpaces, const QVPDFRGB& fill, int depth,
                         bool forceGray, bool keepJpeg = false, bool keepGrayRows = false,
                         Reduction reduction = {}) {
  if (!stream.isStream()) throw ImageError("not an image stream");
  const PdfObject dict = stream.dictionary();
  const bool imageMask = booleanEntry(dict, "ImageMask", "IM");
  const auto width = integerEntry(dict, "Width", "W");
  const auto height = integerEntry(dict, "Height", "H");
  if (!width || !height) throw ImageError("image without a width or height");
  platform::image::checkPixelCap(*width, *height);
  auto bpcEntry = integerEntry(dict, "BitsPerComponent", "BPC");

  DecodedImage result;
  if (imageMask) {
    // A stencil: one bit per pixel, painted in the fill colour.
    const int maskBpc = static_cast<int>(bpcEntry.value_or(1));
    if (maskBpc != 1) throw ImageError("image mask that is not one bit per pixel");
    reduction.average = true;
    Samples& s = result.samples = loadSamples(stream, *width, *height, 1, maskBpc, {}, reduction);
    // Reduced samples are 8-bit means of the bits.
    if ((s.bpc != 1 && s.bpc != 8) || s.components != 1) throw ImageError("image mask that is not one bit per pixel");
    result.alpha.pixels = stencilAlpha(s, decodeRanges(dict, nullptr, 1, 1, true));
    std::string().swap(s.rawStorage);
    std::vector<uint8_t>().swap(s.bilevelStorage);
    s.bitmapStorage = Bitmap();
    const uint8_t rgb[3] = {clampByte(fill.r), clampByte(fill.g), clampByte(fill.b)};
    const bool gray = rgb[0] == rgb[1] && rgb[1] == rgb[2];
    result.stencilRow = Bitmap::uninitialized(s.width, 1, gray ? PixelFormat::Gray8 : PixelFormat::RGB8);
    uint8_t* row = result.stencilRow.row(0);
    for (int x = 0; x < s.width; ++x) std::copy_n(rgb, gray ? 1 : 3, row + static_cast<size_t>(x) * (gray ? 1 : 3));
    result.hasMask = true;
    return result;
  }

  const platform::PdfStreamFormat format = [&] {
    const PdfObject filter = dict.get("Filter");
    const PdfObject last = filter.isArray() && filter.size() > 0 ? filter.at(filter.size() - 1) : filter;
    const std::string name = last.asName().value_or("");
    if (name == "JPXDecode") return PdfStreamFormat::JPEG2000;
    return PdfStreamFormat::Raw;  // the real format comes with the data
  }();

  std::shared_ptr<const QVPDFColorSpace> space =
      forceGray ? QVPDFColorSpace::deviceGray() : resolveColorSpace(entry(dict, "ColorSpace", "CS"), colorSpaces);
  if (!space && format != PdfStreamFormat::JPEG2000 && entry(dict, "ColorSpace", "CS").isNull())
    throw ImageError("image without a colour space");
  if (space && (space->getMode() == QVPDFColorSpace::kModePattern || space->getNComps() < 1)) space = nullptr;
  if (!space && !forceGray) {
    // An unusable space: gray for 1-bit data, else RGB, as a picture is
    // better than none; the data size decides below whether that fits.
    space = bpcEntry.value_or(8) == 1 ? QVPDFColorSpace::deviceGray() : QVPDFColorSpace::deviceRGB();
  }
  if (!bpcEntry && format != PdfStreamFormat::JPEG2000) {
    // JPEG, JBIG2 and CCITT data bring their own depth; raw data cannot do without.
    bpcEntry = 8;
  }
  const int bpc = static_cast<int>(std::clamp<int64_t>(bpcEntry.value_or(8), 0, 64));

  // The JPEG goes out as it is only when every reader of the file will see
  // the same colours: no mask, no orientation tag, no CMYK, no colour
  // transform that the PDF overrides, no decode array and no conversion.
  KeepJpegAsIs keepAsIs;
  const PdfObject smaskEntry = dict.get("SMask"), maskEntry = dict.get("Mask");
  if (keepJpeg && !forceGray && !smaskEntry.isStream() && !maskEntry.isStream() && !maskEntry.isArray())
    keepAsIs = [&](const platform::image::JpegInfo& info, bool colorTransformGiven) {
      if (info.exif || info.components == 4 || (colorTransformGiven && !info.adobeMarker)) return false;
      const auto jpegSpace = space && space->getNComps() == info.components ? space : deviceSpaceFor(info.components);
      if (!jpegSpace) return false;
      Samples probe;
      probe.components = info.components;
      return samplesAreColor(probe, *jpegSpace, decodeRanges(dict, jpegSpace.get(), info.components, 8, false));
    };
  // Palette indices and the values a colour key compares cannot be averaged.
  reduction.average = !(space && space->getMode() == QVPDFColorSpace::kModeIndexed) && !maskEntry.isArray();
  // A soft mask is read while the picture's own data decodes.
  Opacity alpha;
  const PdfObject smask = dict.get("SMask");
  const bool softMasked = smask.isStream() && depth < kMaxMaskDepth;
  const auto readSoftMask = [&] { alpha = decodeSoftMask(smask, depth + 1, reduction); };
  Samples& s = result.samples = loadSamples(stream, *width, *height, space ? space->getNComps() : 1, bpc, keepAsIs,
                                            reduction, softMasked ? std::function<void()>(readSoftMask) : nullptr);
  if (s.keptAsIs) {
    result.passThroughJpeg = true;
    return result;
  }
  if (s.format == PdfStreamFormat::Raw && !bpcEntry) throw ImageError("image without bits per component");
  if (space->getNComps() != s.components) {
    // JPEG and JPEG 2000 data decide their component count.
    if (s.format == PdfStreamFormat::JPEG2000 || s.format == PdfStreamFormat::JPEG) space = deviceSpaceFor(s.components);
    if (!space || space->getNComps() != s.components) throw ImageError("colour space does not match the image data");
  } else if (s.format == PdfStreamFormat::JPEG2000 && entry(dict, "ColorSpace", "CS").isNull()) {
    space = deviceSpaceFor(s.components);
    if (!space) throw ImageError("JPEG 2000 image of an unknown colour space");
  }

  std::vector<DecodeRange> ranges = decodeRanges(dict, space.get(), s.components, s.bpc, false);
  if (!s.decodeApplies) ranges = decodeRanges(PdfObject(), space.get(), s.components, s.bpc, false);

  // Masks, in the order of precedence of the PDF standard.
  std::optional<std::array<uint8_t, 3>> matte;
  const PdfObject mask = dict.get("Mask");
  if (softMasked) {
    const PdfObject matteArray = smask.get("Matte");
    if (matteArray.isArray() && matteArray.size() >= static_cast<size_t>(space->getNComps())) {
      QVPDFColor c;
      for (int i = 0; i < space->getNComps(); ++i) c.c[i] = QVPDFColorComponent(matteArray.at(i).asNumber().value_or(0));
      const QVPDFRGB rgb = space->getRGB(c);
      // A gray picture unblends its one channel against the gray of the matte.
      matte = std::array<uint8_t, 3>{clampByte(rgb.r), clampByte(rgb.g), clampByte(rgb.b)};
    }
  } else if (s.format == PdfStreamFormat::JPEG2000 && !s.jpxAlpha.empty() && dict.getInteger("SMaskInData").value_or(0) != 0) {
    alpha.pixels = std::move(s.jpxAlpha);
  } else if (mask.isStream() && depth < kMaxMaskDepth) {
    const PdfObject maskDict = mask.dictionary();
    const auto mw = integerEntry(maskDict, "Width", "W"), mh = integerEntry(maskDict, "Height", "H");
    if (!mw || !mh) throw ImageError("mask without a width or height");
    Samples m = loadSamples(mask, *mw, *mh, 1, 1, {}, Reduction{reduction.width, reduction.height, true});
    if ((m.bpc != 1 && m.bpc != 8) || m.components != 1) throw ImageError("mask that is not one bit per pixel");
    alpha.pixels = stencilAlpha(m, decodeRanges(maskDict, nullptr, 1, 1, true));
  } else if (mask.isArray()) {
    alpha.pixels = colorKeyAlpha(s, mask);
  }
  result.hasMask = !alpha.empty();

  if (!result.hasMask && s.bpc == 16 && isDefaultDecode(ranges) &&
      ((s.components == 1 && isGrayLike(*space)) || (s.components == 3 && isRgbLike(*space)))) {
    result.pixels = copy16(s);
    return result;
  }
  if (result.hasMask) {
    // Samples that are the colour already join the opacity where they are.
    if (!samplesAreColor(s, *space, ranges)) result.color = convertColor(s, *space, ranges);
    result.alpha = std::move(alpha);
    result.matte = matte;
    return result;
  }
  if (keepGrayRows && s.storage == Samples::Storage::Raw && s.components == 1 && samplesAreColor(s, *space, ranges)) {
    result.samplesAreGrayRows = true;
    return result;
  }
  Bitmap color = convertColor(s, *space, ranges);
  // The samples are spent; only JPEG data may still be written as it is.
  if (s.format != PdfStreamFormat::JPEG) std::string().swap(s.rawStorage);
  std::vector<uint8_t>().swap(s.bilevelStorage);
  result.pixels = std::move(color);
  return result;
}

OpacityJoin opacityJoin(const DecodedImage& image) {
  if (!image.stencilRow.empty()) {
    const Plane alpha = image.alpha.plane();
    const Plane fill{alpha.width, alpha.height, image.stencilRow.channels(), image.stencilRow.row(0), 0};
    return OpacityJoin(fill, alpha, std::nullopt);
  }
  return OpacityJoin(image.color.empty() ? planeOf(image.samples) : planeOf(image.color), image.alpha.plane(),
                     image.matte);
}

// The whole picture, its opacity joined.
Bitmap& joinedPixels(DecodedImage& image) {
  if (image.joinPending()) {
    image.pixels = opacityJoin(image).joined();
    image.alpha = Opacity();
    image.color = Bitmap();
    image.stencilRow = Bitmap();
  }
  return image.pixels;
}

// A soft mask: a gray image whose samples are the opacity.
Opacity decodeSoftMask(const PdfObject& stream, int depth, const Reduction& reduction) {
  DecodedImage m = decodeImage(stream, PdfObject(), QVPDFRGB{}, depth, true, false, true, reduction);
  Opacity opacity;
  if (m.samplesAreGrayRows) {
    opacity.width = m.samples.width;
    opacity.height = m.samples.height;
    opacity.rows = std::move(m.samples.rawStorage);
    return opacity;
  }
  Bitmap& p = joinedPixels(m);
  opacity.pixels = p.format() == PixelFormat::Gray8 ? std::move(p) : p.converted(PixelFormat::Gray8);
  return opacity;
}

// What `encode` answers; empty, said on standard error, when it fails.
std::optional<std::string> encoded(const std::function<std::string()>& encode) {
  try {
    return encode();
  } catch (const std::exception&) {
    std::fputs("Couldn't write image to file!\n", stderr);
    return std::nullopt;
  }
}

std::optional<std::string> encodedBitmap(const Bitmap& image, QVPDFImageFileType type, double dpiX, float quality,
                                         platform::image::PngRows rows) {
  return encoded([&] {
    if (image.empty()) throw ImageError("empty image");
    const int dpi = std::isfinite(dpiX) && dpiX >= 1 && dpiX <= 65535 ? static_cast<int>(std::lround(dpiX)) : 72;
    if (type == QVPDFImageFileType::JPEG) {
      const float q = std::isfinite(quality) ? std::clamp(quality, 0.0f, 1.0f) : 1.0f;
      return platform::image::encodeJpeg(image, std::max(1, static_cast<int>(std::lround(q * 100))), dpi);
    }
    return platform::image::encodePng(image, dpi, rows);
  });
}

void reportSkipped(const std::string& why) {
  std::string line = "Couldn't extract image: " + why + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace

Bitmap QVPDFUtilities::decodePDFImage(const PdfObject& stream, const PdfObject& colorSpaces, const QVPDFRGB& fillColor) {
  DecodedImage image = decodeImage(stream, colorSpaces, fillColor, 0, false);
  return std::move(joinedPixels(image));
}

std::string QVPDFUtilities::UUIDImageName(std::string_view extension) {
  return "IMG_" + platform::fs::newUuid() + "." + std::string(extension);
}

QVPDFImageFile QVPDFUtilities::extractPDFStream(const PdfObject& stream, const PdfObject& colorSpaces,
                                                const QVPDFImageExtractionOptions& options) {
  DecodedImage image;
  try {
    image = decodeImage(stream, colorSpaces, options.fillColor, 0, false, true, false,
                        Reduction{std::max(options.maxWidth, 0), std::max(options.maxHeight, 0), true});
  } catch (const std::exception& e) {
    reportSkipped(e.what());
    return {};
  }
  const bool asJpeg = image.samples.format == PdfStreamFormat::JPEG && !image.hasMask;
  const QVPDFImageFileType type = asJpeg ? QVPDFImageFileType::JPEG : QVPDFImageFileType::PNG;
  std::optional<OpacityJoin> join;
  try {
    if (image.joinPending()) join.emplace(opacityJoin(image));
  } catch (const std::exception& e) {
    reportSkipped(e.what());
    return {};
  }
  const int width = image.passThroughJpeg ? image.samples.width : join ? join->width() : image.pixels.width();
  const int height = image.passThroughJpeg ? image.samples.height : join ? join->height() : image.pixels.height();
  std::optional<std::string> bytes;
  if (asJpeg && image.passThroughJpeg) {
    bytes = std::move(image.samples.rawStorage);
  } else if (join) {
    // A picture with opacity goes to the encoder joined a row at a time.
    bytes = encoded([&] { return platform::image::encodePng(JoinedRows(*join), 72); });
  } else {
    bytes = encodedBitmap(image.pixels, type, 72, options.jpegQuality, platform::image::PngRows::Predicted);
  }
  if (!bytes) return {};
  return QVPDFImageFile::make(UUIDImageName(asJpeg ? "jpeg" : "png"), type, std::move(*bytes), width, height);
}

QVPDFImageFile QVPDFUtilities::encodeCGImage(const Bitmap& image, std::string name, QVPDFImageFileType type,
                                             double dpi, float quality, platform::image::PngRows rows) {
  std::optional<std::string> bytes = encodedBitmap(image, type, dpi, quality, rows);
  if (!bytes) return {};
  return QVPDFImageFile::make(std::move(name), type, std::move(*bytes), image.width(), image.height());
}

bool QVPDFUtilities::writeCGImageToFile(const Bitmap& image, const std::string& path, QVPDFImageFileType type,
                                        double dpiX, double /*dpiY*/, float quality,
                                        platform::image::PngRows rows) {
  const std::optional<std::string> bytes = encodedBitmap(image, type, dpiX, quality, rows);
  if (!bytes) return false;
  if (!platform::fs::writeFile(path, *bytes)) {
    std::fputs("Couldn't write image to file!\n", stderr);
    return false;
  }
  return true;
}

std::optional<Bitmap> QVPDFUtilities::cgImageWithData(std::string_view bytes) {
  const std::optional<QVPDFImageFileType> type = QVPDFImageFile::typeOfData(bytes);
  if (!type) return std::nullopt;
  try {
    const auto data = platform::image::asBytes(bytes);
    Bitmap decoded =
        *type == QVPDFImageFileType::PNG ? platform::image::decodePng(data) : platform::image::decodeJpeg(data, true);
    return decoded.toARGB32();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<Bitmap> QVPDFUtilities::cgImageWithContentsOfFile(const std::string& path) {
  const std::optional<std::string> data = platform::fs::readFile(path);
  if (!data) return std::nullopt;
  return cgImageWithData(*data);
}

std::optional<Bitmap> QVPDFUtilities::CreateARGBBitmapContextSize(platform::Size size) {
  const double w = std::trunc(size.width), h = std::trunc(size.height);
  if (!(w >= 1 && h >= 1) || !platform::image::withinPixelCap(static_cast<int64_t>(std::min(w, 1e12)),
                                                              static_cast<int64_t>(std::min(h, 1e12)))) {
    std::fputs("Context not created!", stderr);
    return std::nullopt;
  }
  return Bitmap(static_cast<int>(w), static_cast<int>(h), PixelFormat::ARGB32);
}

platform::Rect QVPDFUtilities::MediaBoxOfPDFPage(const platform::Rect& mediaBox, int rotation) {
  platform::Rect box = mediaBox;
  if (box.isEmpty() || !std::isfinite(box.origin.x) || !std::isfinite(box.origin.y) ||
      !std::isfinite(box.size.width) || !std::isfinite(box.size.height))
    box = platform::Rect(0, 0, 595, 842);
  int angle = rotation % 360;
  if (angle < 0) angle += 360;
  const double radians = angle / 180.0 * std::numbers::pi;
  platform::Rect rotated = platform::AffineTransform::rotation(radians).applyToRect(box);
  double w = rotated.width(), h = rotated.height();
  // Quarter turns are exact: no cosine rounding in the sizes.
  if (angle % 180 == 0) {
    w = box.width();
    h = box.height();
  } else if (angle % 90 == 0) {
    w = box.height();
    h = box.width();
  }
  return platform::Rect(0, 0, w, h);
}

platform::Rect QVPDFUtilities::MediaBoxOfPDFPage(const platform::PdfPage& page) {
  return MediaBoxOfPDFPage(page.cropBox(), page.rotation());
}
