#pragma once
// Encoded image data made in the tests: JPEG 2000 through OpenJPEG's encoder,
// CCITT group 4 through libtiff's fax encoder (the strip of a G4 TIFF written
// to memory), and JBIG2 streams built by hand from the segment syntax of
// ITU-T T.88, their MMR-coded bitmaps again from libtiff's group 4 encoder
// (JBIG2's MMR coding is the group 4 code). Header-only so that the platform
// and the pdf test executables can both use it.
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <openjpeg.h>
#include <tiffio.h>

namespace qvtest::images {

// A bilevel picture: one byte per pixel, 1 = black.
struct Bilevel {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> black;
  bool at(int x, int y) const { return black[static_cast<size_t>(y) * width + x] != 0; }
};

// A picture with some structure in every row: a frame, a diagonal, a block.
inline Bilevel testBilevel(int width, int height) {
  Bilevel b{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool on = x == 0 || y == 0 || x == width - 1 || y == height - 1 || x == y || (x / 5 + y / 3) % 4 == 1;
      b.black[static_cast<size_t>(y) * width + x] = on ? 1 : 0;
    }
  return b;
}

namespace detail {

struct MemoryTiff {
  std::string bytes;
  toff_t offset = 0;
};

inline tmsize_t tiffRead(thandle_t h, void* buf, tmsize_t size) {
  auto* m = static_cast<MemoryTiff*>(h);
  if (m->offset >= m->bytes.size()) return 0;
  size_t n = std::min<size_t>(size, m->bytes.size() - m->offset);
  std::memcpy(buf, m->bytes.data() + m->offset, n);
  m->offset += n;
  return static_cast<tmsize_t>(n);
}
inline tmsize_t tiffWrite(thandle_t h, void* buf, tmsize_t size) {
  auto* m = static_cast<MemoryTiff*>(h);
  if (m->offset + size > m->bytes.size()) m->bytes.resize(m->offset + size);
  std::memcpy(m->bytes.data() + m->offset, buf, size);
  m->offset += size;
  return size;
}
inline toff_t tiffSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemoryTiff*>(h);
  toff_t base = whence == SEEK_CUR ? m->offset : whence == SEEK_END ? m->bytes.size() : 0;
  m->offset = base + off;
  return m->offset;
}
inline int tiffClose(thandle_t) { return 0; }
inline toff_t tiffSize(thandle_t h) { return static_cast<MemoryTiff*>(h)->bytes.size(); }
inline int tiffMap(thandle_t, void**, toff_t*) { return 0; }
inline void tiffUnmap(thandle_t, void*, toff_t) {}

}  // namespace detail

// The group 4 (T.6) coding of the picture, ending with the end-of-facsimile-
// block code, as the single strip of a TIFF that libtiff writes.
inline std::string encodeG4(const Bilevel& picture) {
  detail::MemoryTiff file;
  TIFF* tif = TIFFClientOpen("g4", "w", &file, detail::tiffRead, detail::tiffWrite, detail::tiffSeek,
                             detail::tiffClose, detail::tiffSize, detail::tiffMap, detail::tiffUnmap);
  if (!tif) throw std::runtime_error("cannot open a TIFF for writing");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, picture.height);
  std::vector<uint8_t> row((picture.width + 7) / 8);
  for (int y = 0; y < picture.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < picture.width; ++x)
      if (picture.at(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    if (TIFFWriteScanline(tif, row.data(), y, 0) < 0) throw std::runtime_error("cannot write a G4 row");
  }
  TIFFClose(tif);

  file.offset = 0;
  tif = TIFFClientOpen("g4", "rm", &file, detail::tiffRead, detail::tiffWrite, detail::tiffSeek, detail::tiffClose,
                       detail::tiffSize, detail::tiffMap, detail::tiffUnmap);
  if (!tif) throw std::runtime_error("cannot reopen the G4 TIFF");
  uint64_t* counts = nullptr;
  TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
  std::string strip(counts[0], '\0');
  TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
  TIFFClose(tif);
  return strip;
}

// ---- JBIG2 ----

namespace detail {

inline void be32(std::string& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void be16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v & 0xFF));
}

// A segment header (7.2) with one-byte page association and one-byte
// referred-to segment numbers, followed by the segment data.
inline std::string segment(uint32_t number, uint8_t type, uint8_t page, const std::vector<uint8_t>& referredTo,
                           const std::string& data) {
  std::string out;
  be32(out, number);
  out.push_back(static_cast<char>(type & 0x3F));
  out.push_back(static_cast<char>(referredTo.size() << 5));
  for (uint8_t r : referredTo) out.push_back(static_cast<char>(r));
  out.push_back(static_cast<char>(page));
  be32(out, static_cast<uint32_t>(data.size()));
  return out + data;
}

inline std::string pageInformation(uint32_t width, uint32_t height) {
  std::string d;
  be32(d, width);
  be32(d, height);
  be32(d, 0);  // resolutions unknown
  be32(d, 0);
  d.push_back(0);  // flags: default pixel 0, combination operator OR
  be16(d, 0);      // no striping
  return d;
}

inline std::string regionInformation(uint32_t width, uint32_t height) {
  std::string d;
  be32(d, width);
  be32(d, height);
  be32(d, 0);
  be32(d, 0);
  d.push_back(0);  // external combination operator OR
  return d;
}

}  // namespace detail

// An embedded JBIG2 stream: a page information segment and one immediate
// lossless generic region with MMR coding covering the page.
inline std::string encodeJbig2Generic(const Bilevel& picture) {
  std::string region = detail::regionInformation(picture.width, picture.height);
  region.push_back(0x01);  // generic region flags: MMR
  region += encodeG4(picture);
  return detail::segment(0, 48, 1, {}, detail::pageInformation(picture.width, picture.height)) +
         detail::segment(1, 39, 1, {}, region);
}

// A JBIG2 picture split in two: the global segments hold a pattern
// dictionary of two 8 x 8 patterns (white, and `pattern`), the page stream a
// halftone region whose 1-bit grid `cells` picks a pattern per cell. The page
// cannot be decoded without the globals.
struct Jbig2WithGlobals {
  std::string globals;
  std::string page;
  Bilevel expected;
};

inline Jbig2WithGlobals encodeJbig2Halftone(const Bilevel& pattern8, const Bilevel& cells) {
  Bilevel collective{16, 8, std::vector<uint8_t>(16 * 8)};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) collective.black[y * 16 + 8 + x] = pattern8.at(x, y) ? 1 : 0;
  std::string dict;
  dict.push_back(0x01);  // HDMMR
  dict.push_back(8);     // HDPW
  dict.push_back(8);     // HDPH
  detail::be32(dict, 1);  // GRAYMAX
  dict += encodeG4(collective);

  Jbig2WithGlobals out;
  out.globals = detail::segment(0, 16, 0, {}, dict);

  const uint32_t width = static_cast<uint32_t>(cells.width) * 8, height = static_cast<uint32_t>(cells.height) * 8;
  std::string region = detail::regionInformation(width, height);
  region.push_back(0x01);  // HMMR, template 0, no skip, combination OR, default pixel 0
  detail::be32(region, static_cast<uint32_t>(cells.width));   // HGW
  detail::be32(region, static_cast<uint32_t>(cells.height));  // HGH
  detail::be32(region, 0);                                    // HGX
  detail::be32(region, 0);                                    // HGY
  detail::be16(region, 8 * 256);                              // HRX
  detail::be16(region, 0);                                    // HRY
  region += encodeG4(cells);  // the one bitplane of the grey-scale grid
  out.page = detail::segment(1, 48, 1, {}, detail::pageInformation(width, height)) +
             detail::segment(2, 23, 1, {0}, region);

  out.expected = Bilevel{static_cast<int>(width), static_cast<int>(height), std::vector<uint8_t>(width * height)};
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      out.expected.black[y * width + x] = cells.at(x / 8, y / 8) && pattern8.at(x % 8, y % 8) ? 1 : 0;
  return out;
}

// ---- JPEG 2000 ----

namespace detail {

struct OutBuffer {
  std::string bytes;
  size_t offset = 0;
};
inline OPJ_SIZE_T opjWrite(void* buf, OPJ_SIZE_T n, void* user) {
  auto* o = static_cast<OutBuffer*>(user);
  if (o->offset + n > o->bytes.size()) o->bytes.resize(o->offset + n);
  std::memcpy(o->bytes.data() + o->offset, buf, n);
  o->offset += n;
  return n;
}
inline OPJ_OFF_T opjSkip(OPJ_OFF_T n, void* user) {
  auto* o = static_cast<OutBuffer*>(user);
  o->offset += n;
  if (o->offset > o->bytes.size()) o->bytes.resize(o->offset);
  return n;
}
inline OPJ_BOOL opjSeek(OPJ_OFF_T pos, void* user) {
  auto* o = static_cast<OutBuffer*>(user);
  o->offset = static_cast<size_t>(pos);
  if (o->offset > o->bytes.size()) o->bytes.resize(o->offset);
  return OPJ_TRUE;
}
inline void opjQuiet(const char*, void*) {}

}  // namespace detail

// Lossless JPEG 2000 of 8-bit interleaved samples (`components` per pixel);
// a bare codestream, or a JP2 file (sRGB / grey / sYCC as OpenJPEG picks).
inline std::string encodeJpeg2000(const std::vector<uint8_t>& samples, int width, int height, int components,
                                  bool jp2 = false, bool lastIsAlpha = false) {
  std::vector<opj_image_cmptparm_t> params(components);
  for (auto& p : params) {
    std::memset(&p, 0, sizeof p);
    p.dx = p.dy = 1;
    p.w = width;
    p.h = height;
    p.prec = 8;
    p.sgnd = 0;
  }
  OPJ_COLOR_SPACE space = components >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
  opj_image_t* image = opj_image_create(components, params.data(), space);
  image->x0 = image->y0 = 0;
  image->x1 = width;
  image->y1 = height;
  for (int c = 0; c < components; ++c)
    for (int i = 0; i < width * height; ++i) image->comps[c].data[i] = samples[static_cast<size_t>(i) * components + c];
  if (lastIsAlpha) image->comps[components - 1].alpha = 1;

  opj_cparameters_t cp;
  opj_set_default_encoder_parameters(&cp);
  cp.tcp_numlayers = 1;
  cp.tcp_rates[0] = 0;
  cp.cp_disto_alloc = 1;
  int resolutions = 1;
  while (resolutions < 6 && (width >> resolutions) >= 1 && (height >> resolutions) >= 1) ++resolutions;
  cp.numresolution = resolutions;
  cp.tcp_mct = components >= 3 ? 1 : 0;
  opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_set_error_handler(codec, detail::opjQuiet, nullptr);
  opj_set_warning_handler(codec, detail::opjQuiet, nullptr);
  opj_set_info_handler(codec, detail::opjQuiet, nullptr);
  if (!opj_setup_encoder(codec, &cp, image)) throw std::runtime_error("cannot set up the JPEG 2000 encoder");
  detail::OutBuffer out;
  opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
  opj_stream_set_user_data(stream, &out, nullptr);
  opj_stream_set_write_function(stream, detail::opjWrite);
  opj_stream_set_skip_function(stream, detail::opjSkip);
  opj_stream_set_seek_function(stream, detail::opjSeek);
  bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) throw std::runtime_error("JPEG 2000 encoding failed");
  return out.bytes;
}

}  // namespace qvtest::images
