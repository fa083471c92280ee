// PNG through libpng. libpng reports errors by longjmp: the functions that
// call setjmp keep only trivially destructible locals; buffers and results
// live in their callers.
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "platform/image/codecs.h"
#include "platform/memory/large_pages.h"

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

// rowBuffer: 4 x width bytes, for ARGB32 rows (unpremultiplied one at a
// time rather than converted whole) and rows the source makes on demand.
bool writePng(Writer& w, const RowSource& source, int colorType, int dpi, PngRows rows, WriteTarget* target,
              uint8_t* rowBuffer, uint8_t* sourceBuffer) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, target, writeToString, flushNothing);
  const int depth = is16Bit(source.format()) ? 16 : 8;
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(source.width()), static_cast<png_uint_32>(source.height()),
               depth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto pixelsPerMetre = static_cast<png_uint_32>(dpi / kMetresPerInch + 0.5);
  png_set_pHYs(w.png, w.info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
  png_set_compression_level(w.png, kPngCompressionLevel);
  png_set_filter(w.png, PNG_FILTER_TYPE_BASE, rows == PngRows::Unfiltered ? PNG_FILTER_NONE : PNG_FILTER_UP);
  png_write_info(w.png, w.info);
  if (depth == 16) {
    // PNG stores 16-bit samples big-endian; ours are in host order.
    const uint16_t probe = 1;
    if (*reinterpret_cast<const uint8_t*>(&probe) == 1) png_set_swap(w.png);
  }
  for (int y = 0; y < source.height(); ++y) {
    const uint8_t* row = source.row(y, sourceBuffer);
    if (source.format() == PixelFormat::ARGB32) {
      unpremultiplyRow(row, source.width(), rowBuffer);
      row = rowBuffer;
    }
    png_write_row(w.png, const_cast<uint8_t*>(row));
  }
  png_write_end(w.png, w.info);
  return true;
}

// ---- large pictures ----
//
// A picture of many rows is deflated a block at a time, several blocks at
// once, and its chunks written here rather than by libpng: deflating is most
// of the time of writing a large picture. Each block of filtered rows is
// primed with the 32 KiB before it and ends on a byte boundary, so the blocks
// laid end to end are one zlib stream, the same whatever the number of
// threads, and hardly larger than one deflated whole.
constexpr size_t kParallelMinBytes = size_t{1} << 20;
constexpr size_t kDeflateBlock = 256 * 1024;
constexpr size_t kDeflateHistory = 32 * 1024;
constexpr unsigned kMaxDeflateThreads = 8;
// The filtered bytes that each further deflating thread is started for: a
// thread, its stream and its buffers cost about a millisecond of processor
// time, a few megabytes of rows several.
constexpr size_t kBytesPerDeflateThread = size_t{2} << 20;
// The most room reserved at once for a large picture's file.
constexpr size_t kMaxReservedBytes = size_t{256} << 20;

void putBigEndian(std::string& out, uint32_t v) {
  const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                         static_cast<char>(v)};
  out.append(bytes, 4);
}

void putChunk(std::string& out, const char* type, std::string_view data) {
  putBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.append(type, 4);
  out.append(data);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start));
  putBigEndian(out, static_cast<uint32_t>(crc));
}

// One block of a window: its input, the history before it, and its output
// with the output's CRC and the input's Adler-32 (combined in order by the
// writer, so that neither is a pass over the picture on the writing thread).
struct DeflateBlock {
  const uint8_t* input = nullptr;
  size_t size = 0;
  size_t history = 0;
  bool finish = false;
  std::string output;
  uLong outputCrc = 0;
  uLong inputAdler = 0;
  bool ok = false;

  // z: a stream made by deflateInit2 with the writer's settings, reset here.
  void run(z_stream& z) {
    ok = false;
    inputAdler = adler32(adler32(0, nullptr, 0), input, static_cast<uInt>(size));
    if (deflateReset(&z) != Z_OK) return;
    if (history > 0 && deflateSetDictionary(&z, input - history, static_cast<uInt>(history)) != Z_OK) return;
    output.resize(deflateBound(&z, static_cast<uLong>(size)) + 16);
    z.next_in = const_cast<Bytef*>(input);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(output.data());
    z.avail_out = static_cast<uInt>(output.size());
    const int result = deflate(&z, finish ? Z_FINISH : Z_SYNC_FLUSH);
    ok = finish ? result == Z_STREAM_END : result == Z_OK && z.avail_in == 0;
    output.resize(output.size() - z.avail_out);
    const auto* out = reinterpret_cast<const Bytef*>(output.data());
    outputCrc = crc32(crc32(0, nullptr, 0), out, static_cast<uInt>(output.size()));
  }
};

// A raw deflate stream with the writer's settings.
struct Deflater {
  z_stream z{};
  bool ready = false;
  Deflater() { ready = deflateInit2(&z, kPngCompressionLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
  ~Deflater() {
    if (ready) deflateEnd(&z);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
};

// The threads that deflate one picture's windows, each with its own stream,
// started once for the picture. Block i of a window goes to thread i modulo
// their number; without threads the caller deflates the blocks itself.
class DeflateCrew {
 public:
  explicit DeflateCrew(unsigned wanted) {
    for (unsigned i = 0; i < wanted; ++i) {
      try {
        threads_.emplace_back([this, i] { work(i); });
      } catch (const std::exception&) {
        break;
      }
    }
  }
  ~DeflateCrew() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  DeflateCrew(const DeflateCrew&) = delete;
  DeflateCrew& operator=(const DeflateCrew&) = delete;

  // Starts deflating blocks[0, count); wait() before they are read or
  // started again.
  void start(std::vector<DeflateBlock>& blocks, size_t count) {
    if (threads_.empty()) {
      if (!own_) own_.emplace();
      deflateEvery(*own_, blocks, 0, count, 1);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      blocks_ = &blocks;
      count_ = count;
      busy_ = std::min(count, threads_.size());
      ++round_;
    }
    wake_.notify_all();
  }
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
  }

 private:
  // Deflates blocks first, first + step, ... below count.
  static void deflateEvery(Deflater& d, std::vector<DeflateBlock>& blocks, size_t first, size_t count, size_t step) {
    for (size_t i = first; i < count; i += step) {
      blocks[i].ok = false;
      if (d.ready) blocks[i].run(d.z);
    }
  }

  void work(unsigned index) {
    Deflater d;
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      wake_.wait(lock, [&] { return stopping_ || round_ != seen; });
      if (stopping_) return;
      seen = round_;
      if (index >= count_) continue;
      std::vector<DeflateBlock>& blocks = *blocks_;
      const size_t count = count_, step = threads_.size();
      lock.unlock();
      deflateEvery(d, blocks, index, count, step);
      lock.lock();
      if (--busy_ == 0) done_.notify_one();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::vector<DeflateBlock>* blocks_ = nullptr;
  size_t count_ = 0, busy_ = 0;
  uint64_t round_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  // The caller's own stream, where no thread could be started.
  std::optional<Deflater> own_;
};

// Writes an 8-bit picture of `channels` channels (colour type `colorType`)
// as PNG with rows filtered Up (or not at all).
std::string writeLargePng(const RowSource& source, int colorType, int channels, int dpi, PngRows rows) {
  const size_t rowBytes = static_cast<size_t>(source.width()) * channels;
  std::string out("\x89PNG\r\n\x1A\n", 8);
  // Room for the filtered rows stored as they are, which deflating hardly
  // ever exceeds: the file is not copied each time it outgrows its buffer.
  // Large pages are asked for once the file is large (most pictures deflate
  // to a small part of their rows).
  const size_t filteredBytes = (rowBytes + 1) * static_cast<size_t>(source.height());
  out.reserve(std::min(filteredBytes + filteredBytes / 64 + 4096, kMaxReservedBytes));
  bool largePages = false;
  std::string header;
  putBigEndian(header, static_cast<uint32_t>(source.width()));
  putBigEndian(header, static_cast<uint32_t>(source.height()));
  header.append({8, static_cast<char>(colorType), 0, 0, 0});
  putChunk(out, "IHDR", header);
  std::string phys;
  const auto pixelsPerMetre = static_cast<uint32_t>(dpi / kMetresPerInch + 0.5);
  putBigEndian(phys, pixelsPerMetre);
  putBigEndian(phys, pixelsPerMetre);
  phys.push_back(1);
  putChunk(out, "pHYs", phys);

  const size_t threadsWanted = std::max<size_t>(1, filteredBytes / kBytesPerDeflateThread);
  const unsigned threads = static_cast<unsigned>(
      std::min<size_t>({threadsWanted, std::max(std::thread::hardware_concurrency(), 1u), kMaxDeflateThreads}));
  const size_t window = threads * kDeflateBlock;
  // Two buffers, each the history of its window and then the window's
  // filtered rows: the rows of one are made while the other is deflated.
  std::vector<uint8_t> buffers[2];
  for (auto& b : buffers) b.resize(kDeflateHistory + window + rowBytes + 1);
  std::vector<DeflateBlock> blocks[2] = {std::vector<DeflateBlock>(threads), std::vector<DeflateBlock>(threads)};
  size_t pendingBlocks = 0;
  int pending = -1;
  uLong adler = adler32(0, nullptr, 0);
  std::vector<uint8_t> previous(rowBytes, 0), sourceBuffer(static_cast<size_t>(source.width()) * 4);
  // The zlib header opens the first chunk.
  std::string_view chunkPrefix("\x78\x5E", 2);
  DeflateCrew crew(threads);

  // The window deflating now, waited for and written out as one chunk.
  const auto finishPending = [&] {
    crew.wait();
    if (pending < 0) return;
    size_t length = chunkPrefix.size();
    for (size_t i = 0; i < pendingBlocks; ++i) {
      const DeflateBlock& b = blocks[pending][i];
      if (!b.ok) throw ImageError("PNG: deflating the picture failed");
      length += b.output.size();
    }
    putBigEndian(out, static_cast<uint32_t>(length));
    const size_t start = out.size();
    out.append("IDAT", 4);
    out.append(chunkPrefix);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start));
    for (size_t i = 0; i < pendingBlocks; ++i) {
      const DeflateBlock& b = blocks[pending][i];
      out.append(b.output);
      crc = crc32_combine(crc, b.outputCrc, static_cast<z_off_t>(b.output.size()));
      adler = adler32_combine(adler, b.inputAdler, static_cast<z_off_t>(b.size));
    }
    putBigEndian(out, static_cast<uint32_t>(crc));
    chunkPrefix = {};
    if (!largePages && out.size() >= memory::kLargePageMinBytes) {
      memory::adviseLargePages(out.data() + out.size(), out.capacity() - out.size());
      largePages = true;
    }
    pending = -1;
  };
  // Starts deflating the first `size` bytes of buffer `which`, whose history
  // holds `history` bytes.
  const auto startWindow = [&](int which, size_t size, size_t history, bool last) {
    const uint8_t* data = buffers[which].data() + kDeflateHistory;
    const size_t used = std::max<size_t>(1, (size + kDeflateBlock - 1) / kDeflateBlock);
    for (size_t i = 0; i < used; ++i) {
      DeflateBlock& b = blocks[which][i];
      const size_t begin = i * kDeflateBlock;
      b.input = data + begin;
      b.size = size > begin ? std::min(size - begin, kDeflateBlock) : 0;
      b.history = std::min(kDeflateHistory, history + begin);
      b.finish = last && i + 1 == used;
    }
    pending = which;
    pendingBlocks = used;
    crew.start(blocks[which], used);
  };

  int current = 0;
  size_t filled = 0, history = 0;
  try {
    for (int y = 0; y < source.height(); ++y) {
      const uint8_t* row = source.row(y, sourceBuffer.data());
      uint8_t* dst = buffers[current].data() + kDeflateHistory + filled;
      if (source.format() == PixelFormat::ARGB32) {
        unpremultiplyRow(row, source.width(), dst + 1);
        row = dst + 1;
      }
      if (rows == PngRows::Unfiltered) {
        dst[0] = 0;
        if (row != dst + 1) std::memcpy(dst + 1, row, rowBytes);
      } else {
        dst[0] = 2;  // Up
        for (size_t i = 0; i < rowBytes; ++i) {
          const uint8_t v = row[i];
          dst[1 + i] = static_cast<uint8_t>(v - previous[i]);
          previous[i] = v;
        }
      }
      filled += rowBytes + 1;
      // A window's worth of rows is deflated while the next is made; what
      // goes past it, and its last 32 KiB as history, start the next.
      if (filled >= window && y + 1 < source.height()) {
        const int next = 1 - current;
        finishPending();
        const uint8_t* data = buffers[current].data() + kDeflateHistory;
        const size_t keep = std::min(kDeflateHistory, history + window);
        std::memcpy(buffers[next].data() + kDeflateHistory - keep, data + window - keep, keep);
        std::memcpy(buffers[next].data() + kDeflateHistory, data + window, filled - window);
        startWindow(current, window, history, false);
        filled -= window;
        history = keep;
        current = next;
      }
    }
    finishPending();
    startWindow(current, filled, history, true);
    finishPending();
  } catch (...) {
    crew.wait();
    throw;
  }
  std::string trailer;
  putBigEndian(trailer, static_cast<uint32_t>(adler));
  putChunk(out, "IDAT", trailer);
  putChunk(out, "IEND", {});
  // The picture keeps only its bytes, in a buffer of their size.
  std::string fitted;
  memory::reserveLarge(fitted, out.size());
  fitted.assign(out);
  return fitted;
}

// The distinct colours of an 8-bit RGB, RGBA or ARGB32 picture while there
// are at most 256 of them, each with its palette index. A drawing (one fill
// or stroke and its smoothed edges) has one colour at up to 256 opacities:
// written with a palette it is a quarter of the bytes to deflate, and reads
// back as the very same pixels.
class ColourTable {
 public:
  static constexpr int kMaxColours = 256;

  // False at the first colour past the 256th (the picture is then written
  // as it is).
  bool collect(const RowSource& source, uint8_t* sourceBuffer) {
    bpp_ = source.format() == PixelFormat::RGB8 ? 3 : 4;
    keys_.fill(0);
    slots_.fill(-1);
    size_ = 0;
    for (int y = 0; y < source.height(); ++y) {
      const uint8_t* row = source.row(y, sourceBuffer);
      uint32_t last = 0;
      bool haveLast = false;
      for (int x = 0; x < source.width(); ++x) {
        const uint32_t key = keyAt(row, x);
        if (haveLast && key == last) continue;
        if (find(key) < 0 && !add(key)) return false;
        last = key;
        haveLast = true;
      }
    }
    return true;
  }

  int size() const { return size_; }
  uint32_t colour(int index) const { return colours_[index]; }

  // The palette indexes of row y, one byte a pixel.
  void indexRow(const RowSource& source, int y, uint8_t* sourceBuffer, uint8_t* out) const {
    const uint8_t* row = source.row(y, sourceBuffer);
    uint32_t last = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (int x = 0; x < source.width(); ++x) {
      const uint32_t key = keyAt(row, x);
      if (!haveLast || key != last) {
        lastIndex = static_cast<uint8_t>(find(key));
        last = key;
        haveLast = true;
      }
      out[x] = lastIndex;
    }
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two, at most a quarter full

  uint32_t keyAt(const uint8_t* row, int x) const {
    const uint8_t* p = row + static_cast<size_t>(x) * bpp_;
    if (bpp_ == 3) return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    uint32_t key;
    std::memcpy(&key, p, 4);
    return key;
  }
  static size_t slotOf(uint32_t key) { return (key * 0x9E3779B1u) >> 22; }

  int find(uint32_t key) const {
    for (size_t i = slotOf(key);; i = (i + 1) & (kSlots - 1)) {
      if (slots_[i] < 0) return -1;
      if (keys_[i] == key) return slots_[i];
    }
  }
  bool add(uint32_t key) {
    if (size_ == kMaxColours) return false;
    size_t i = slotOf(key);
    while (slots_[i] >= 0) i = (i + 1) & (kSlots - 1);
    keys_[i] = key;
    slots_[i] = static_cast<int16_t>(size_);
    colours_[size_++] = key;
    return true;
  }

  int bpp_ = 4;
  int size_ = 0;
  std::array<uint32_t, kSlots> keys_{};
  std::array<int16_t, kSlots> slots_{};
  std::array<uint32_t, kMaxColours> colours_{};
};

// The palette (and, for pictures with opacity, the opacity of each entry) of
// a colour table: each entry is its colour as the picture's own rows would
// have been written.
struct PaletteEntries {
  png_color colours[ColourTable::kMaxColours];
  png_byte opacity[ColourTable::kMaxColours];
  int size = 0;
  bool withOpacity = false;
};

void fillPalette(const ColourTable& table, PixelFormat format, PaletteEntries& p) {
  p.size = table.size();
  p.withOpacity = format != PixelFormat::RGB8;
  for (int i = 0; i < p.size; ++i) {
    uint32_t key = table.colour(i);
    uint8_t rgba[4];
    if (format == PixelFormat::ARGB32) {
      unpremultiplyRow(reinterpret_cast<const uint8_t*>(&key), 1, rgba);
    } else {
      std::memcpy(rgba, &key, 4);
      if (format == PixelFormat::RGB8) rgba[3] = 255;
    }
    p.colours[i] = {rgba[0], rgba[1], rgba[2]};
    p.opacity[i] = rgba[3];
  }
}

// rowBuffer: width bytes, the indexes of one row.
bool writeIndexedPng(Writer& w, const RowSource& source, const ColourTable& table, const PaletteEntries& palette,
                     int dpi, WriteTarget* target, uint8_t* rowBuffer, uint8_t* sourceBuffer) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, target, writeToString, flushNothing);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(source.width()), static_cast<png_uint_32>(source.height()), 8,
               PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(w.png, w.info, palette.colours, palette.size);
  if (palette.withOpacity) png_set_tRNS(w.png, w.info, palette.opacity, palette.size, nullptr);
  const auto pixelsPerMetre = static_cast<png_uint_32>(dpi / kMetresPerInch + 0.5);
  png_set_pHYs(w.png, w.info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
  png_set_compression_level(w.png, kPngCompressionLevel);
  // Indexes are not numbers: predicting them from their neighbours gains
  // nothing. Runs of one index (the clear area around a drawing, a flat
  // fill) are most of them: measured on the corpus drawings, deflating runs
  // only is a fifth faster than the usual matching and makes files a
  // quarter smaller.
  png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_strategy(w.png, Z_RLE);
  png_write_info(w.png, w.info);
  for (int y = 0; y < source.height(); ++y) {
    table.indexRow(source, y, sourceBuffer, rowBuffer);
    png_write_row(w.png, rowBuffer);
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
  return encodePng(BitmapRows(bitmap), dpi, rows);
}

std::string encodePng(const RowSource& source, int dpi, PngRows rows) {
  const PixelFormat f = source.format();
  if (source.width() <= 0 || source.height() <= 0) throw ImageError("PNG: empty image");
  if (pngColorType(f) < 0) throw ImageError("PNG: rows of a format PNG does not store");
  if (dpi < 1) dpi = 72;
  const size_t rowBytes = static_cast<size_t>(source.width()) * (is16Bit(f) ? 8 : 4);
  std::string out;
  out.reserve(rowBytes * static_cast<size_t>(source.height()) / 2 + 1024);
  WriteTarget target{&out};
  Writer w;
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.message, onPngError, onPngWarning);
  if (!w.png) throw ImageError("PNG: cannot create a writer");
  w.info = png_create_info_struct(w.png);
  if (!w.info) throw ImageError("PNG: cannot create a writer");
  std::vector<uint8_t> sourceBuffer(rowBytes);
  bool written;
  std::unique_ptr<ColourTable> table;
  if (f == PixelFormat::ARGB32 || f == PixelFormat::RGBA8 || f == PixelFormat::RGB8) table = std::make_unique<ColourTable>();
  if (table && table->collect(source, sourceBuffer.data())) {
    auto palette = std::make_unique<PaletteEntries>();
    fillPalette(*table, f, *palette);
    std::vector<uint8_t> indexes(static_cast<size_t>(source.width()));
    written = writeIndexedPng(w, source, *table, *palette, dpi, &target, indexes.data(), sourceBuffer.data());
  } else if (!is16Bit(f) &&
             static_cast<size_t>(source.width()) * channelCount(f) * static_cast<size_t>(source.height()) >=
                 kParallelMinBytes) {
    return writeLargePng(source, pngColorType(f), f == PixelFormat::ARGB32 ? 4 : channelCount(f), dpi, rows);
  } else {
    std::vector<uint8_t> rowBuffer(f == PixelFormat::ARGB32 ? rowBytes : 0);
    written = writePng(w, source, pngColorType(f), dpi, rows, &target, rowBuffer.data(), sourceBuffer.data());
  }
  if (!written) throw ImageError(std::string("PNG: ") + w.message.text);
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
