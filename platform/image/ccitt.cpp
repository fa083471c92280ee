// CCITT group 3 and 4 fax data through libtiff's fax codec: the data is
// wrapped in a one-strip TIFF built in memory, and libtiff reads it back
// through client procedures over that buffer.
//
// libtiff is opened the first time fax data is decoded rather than at
// start-up: with the codecs it brings it is eight more libraries to map and
// relocate (a few milliseconds) in every run, for a kind of image most
// documents never hold.
#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <tiffio.h>

#include "platform/image/codecs.h"

namespace platform::image {

namespace {

// The libtiff functions the decoder calls.
struct TiffLibrary {
  decltype(&TIFFOpenOptionsAlloc) openOptionsAlloc = nullptr;
  decltype(&TIFFOpenOptionsFree) openOptionsFree = nullptr;
  decltype(&TIFFOpenOptionsSetErrorHandlerExtR) setErrorHandler = nullptr;
  decltype(&TIFFOpenOptionsSetWarningHandlerExtR) setWarningHandler = nullptr;
  decltype(&TIFFOpenOptionsSetMaxSingleMemAlloc) setMaxSingleMemAlloc = nullptr;
  decltype(&TIFFClientOpenExt) clientOpen = nullptr;
  decltype(&TIFFClose) close = nullptr;
  decltype(&TIFFScanlineSize64) scanlineSize = nullptr;
  decltype(&TIFFReadEncodedStrip) readEncodedStrip = nullptr;
};

// Loaded once, on first use, and kept for the life of the process; null
// when the library or one of its functions cannot be found.
const TiffLibrary* tiffLibrary() {
  static const TiffLibrary* library = []() -> const TiffLibrary* {
    void* handle = dlopen(QV_TIFF_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static TiffLibrary lib;
    bool complete = true;
    const auto bind = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
      complete = complete && function;
    };
    bind(lib.openOptionsAlloc, "TIFFOpenOptionsAlloc");
    bind(lib.openOptionsFree, "TIFFOpenOptionsFree");
    bind(lib.setErrorHandler, "TIFFOpenOptionsSetErrorHandlerExtR");
    bind(lib.setWarningHandler, "TIFFOpenOptionsSetWarningHandlerExtR");
    bind(lib.setMaxSingleMemAlloc, "TIFFOpenOptionsSetMaxSingleMemAlloc");
    bind(lib.clientOpen, "TIFFClientOpenExt");
    bind(lib.close, "TIFFClose");
    bind(lib.scanlineSize, "TIFFScanlineSize64");
    bind(lib.readEncodedStrip, "TIFFReadEncodedStrip");
    return complete ? &lib : nullptr;
  }();
  return library;
}

struct MemoryFile {
  const std::string* bytes;
  toff_t offset = 0;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(handle);
  if (size <= 0 || f->offset >= f->bytes->size()) return 0;
  size_t n = std::min<size_t>(static_cast<size_t>(size), f->bytes->size() - f->offset);
  std::memcpy(buffer, f->bytes->data() + f->offset, n);
  f->offset += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(handle);
  toff_t base = whence == SEEK_CUR ? f->offset : whence == SEEK_END ? f->bytes->size() : 0;
  f->offset = base + offset;
  return f->offset;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes->size(); }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

void put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

enum : uint16_t { kShort = 3, kLong = 4 };

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t value;
};

// A little-endian TIFF: header, one IFD, then the fax data as its only strip.
std::string wrapInTiff(std::span<const uint8_t> data, uint32_t columns, uint32_t rows, uint16_t compression,
                       uint32_t options) {
  std::vector<Entry> entries = {
      {256, kLong, columns},           // ImageWidth
      {257, kLong, rows},              // ImageLength
      {258, kShort, 1},                // BitsPerSample
      {259, kShort, compression},      // Compression
      {262, kShort, 0},                // Photometric: WhiteIsZero
      {266, kShort, 1},                // FillOrder: most significant bit first
      {273, kLong, 0},                 // StripOffsets, set below
      {277, kShort, 1},                // SamplesPerPixel
      {278, kLong, rows},              // RowsPerStrip
      {279, kLong, static_cast<uint32_t>(data.size())},  // StripByteCounts
  };
  if (compression == 3) entries.push_back({292, kLong, options});  // T4Options
  if (compression == 4) entries.push_back({293, kLong, options});  // T6Options
  const uint32_t ifdSize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
  const uint32_t dataOffset = 8 + ifdSize;
  for (Entry& e : entries)
    if (e.tag == 273) e.value = dataOffset;

  std::string out;
  out.reserve(dataOffset + data.size());
  out += "II";
  put16(out, 42);
  put32(out, 8);
  put16(out, static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    put16(out, e.tag);
    put16(out, e.type);
    put32(out, 1);
    if (e.type == kShort) {
      put16(out, static_cast<uint16_t>(e.value));
      put16(out, 0);
    } else {
      put32(out, e.value);
    }
  }
  put32(out, 0);  // no further IFD
  out.append(reinterpret_cast<const char*>(data.data()), data.size());
  return out;
}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { tiffLibrary()->openOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { tiffLibrary()->close(t); }
};

}  // namespace

BilevelImage decodeCcitt(std::span<const uint8_t> data, const CcittParams& params, int fallbackRows) {
  const int64_t columns = params.columns;
  const int64_t rows = params.rows > 0 ? params.rows : fallbackRows;
  checkPixelCap(columns, rows);
  if (data.size() > 0xFFFF0000u) throw ImageError("CCITT: data too large");

  uint16_t compression;
  uint32_t options = 0;
  if (params.k < 0) {
    if (params.encodedByteAlign) throw ImageError("CCITT: byte-aligned group 4 rows are not supported");
    compression = 4;
  } else if (params.endOfLine) {
    compression = 3;
    if (params.k > 0) options |= 1;                // two-dimensional coding
    if (params.encodedByteAlign) options |= 4;     // fill bits before end-of-line codes
  } else if (params.k == 0 && params.encodedByteAlign) {
    compression = 2;  // modified Huffman, rows byte-aligned, no end-of-line codes
  } else {
    throw ImageError("CCITT: group 3 data without end-of-line codes is not supported");
  }

  const TiffLibrary* lib = tiffLibrary();
  if (!lib) throw ImageError("CCITT: the TIFF library (" QV_TIFF_SONAME ") cannot be loaded");
  const std::string tiff = wrapInTiff(data, static_cast<uint32_t>(columns), static_cast<uint32_t>(rows), compression, options);
  MemoryFile file{&tiff};
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> opts(lib->openOptionsAlloc());
  if (!opts) throw ImageError("CCITT: cannot allocate options");
  lib->setErrorHandler(opts.get(), quietHandler, nullptr);
  lib->setWarningHandler(opts.get(), quietHandler, nullptr);
  lib->setMaxSingleMemAlloc(opts.get(), static_cast<tmsize_t>(kMaxPixels / 8 + (int64_t{1} << 20)));
  std::unique_ptr<TIFF, TiffDeleter> tif(lib->clientOpen("ccitt", "rm", &file, readProc, writeProc, seekProc,
                                                           closeProc, sizeProc, mapProc, unmapProc, opts.get()));
  if (!tif) throw ImageError("CCITT: the fax data cannot be wrapped for decoding");

  BilevelImage out;
  out.width = static_cast<int>(columns);
  out.height = static_cast<int>(rows);
  out.stride = static_cast<size_t>((columns + 7) / 8);
  out.bits.assign(out.stride * static_cast<size_t>(rows), 0);
  if (static_cast<size_t>(lib->scanlineSize(tif.get())) != out.stride) throw ImageError("CCITT: unexpected row size");
  // A damaged or short stream still leaves the rows decoded before the damage.
  lib->readEncodedStrip(tif.get(), 0, out.bits.data(), static_cast<tmsize_t>(out.bits.size()));
  // The fax codec writes 1 for black; the filter answers 0 for black unless
  // BlackIs1 asks for the codec's own polarity.
  if (!params.blackIs1)
    for (uint8_t& b : out.bits) b = static_cast<uint8_t>(~b);
  // Padding bits at the end of each row stay as decoded; callers read only `width` bits.
  return out;
}

}  // namespace platform::image
