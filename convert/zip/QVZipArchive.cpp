#include "convert/zip/QVZipArchive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <minizip/zip.h>
#include <zlib.h>

namespace {

constexpr size_t kChunkSize = 256 * 1024;

// zlib level of deflated entries. Measured on the 38 MB of XML parts of the
// corpus decks: level 3 deflates them in half the time of the library's
// default (6) for entries about a third larger; level 1 is hardly faster and
// larger still, levels 4 and 5 save a third and a quarter of the time.
constexpr int kDeflateLevel = 3;

// Entries of this size and more (a slide of text drawn as outlines runs to
// megabytes) are deflated a block at a time, several blocks at once. Each
// block is primed with the 32 KiB before it and ends on a byte boundary, so
// the blocks laid end to end are one deflate stream, the same whatever the
// number of threads, and hardly larger than one deflated whole.
constexpr size_t kBlockDeflateMinBytes = size_t{1} << 20;
constexpr size_t kBlockSize = 128 * 1024;
constexpr size_t kHistory = 32 * 1024;
constexpr unsigned kMaxDeflateThreads = 4;

// Deflates the blocks of one window of an entry on up to
// kMaxDeflateThreads threads. Every allocation is made on the calling
// thread, before the others start.
class BlockDeflater {
 public:
  BlockDeflater() {
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned threads = std::clamp(cores, 1u, kMaxDeflateThreads);
    for (unsigned i = 0; i < threads; ++i) blocks_.push_back(std::make_unique<Block>());
  }
  ~BlockDeflater() {
    for (const auto& block : blocks_)
      if (block->ready) deflateEnd(&block->stream);
  }
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  // The bytes one window holds: a block per thread.
  size_t windowBytes() const { return blocks_.size() * kBlockSize; }

  // Deflates `size` bytes at `data` (at most windowBytes()), `history` bytes
  // of the entry lying before them; the last block ends the stream when
  // `last` (an empty final block when there are no bytes). False when zlib
  // fails.
  bool deflateWindow(const char* data, size_t size, size_t history, bool last) {
    used_ = std::max<size_t>(1, (size + kBlockSize - 1) / kBlockSize);
    for (size_t i = 0; i < used_; ++i) {
      Block& block = *blocks_[i];
      const size_t begin = i * kBlockSize;
      block.input = data + begin;
      block.size = size > 0 ? std::min(size - begin, kBlockSize) : 0;
      block.history = std::min(kHistory, history + begin);
      block.finish = last && i + 1 == used_;
      if (!block.prepare()) return false;
    }
    std::vector<std::thread> threads;
    for (size_t i = 1; i < used_; ++i) {
      Block* block = blocks_[i].get();
      try {
        threads.emplace_back([block] { block->run(); });
      } catch (const std::exception&) {
        // No thread to be had: this one deflates the block itself.
        block->run();
      }
    }
    blocks_[0]->run();
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < used_; ++i)
      if (!blocks_[i]->ok) return false;
    return true;
  }

  size_t blocks() const { return used_; }
  std::string_view output(size_t i) const { return {blocks_[i]->output.get(), blocks_[i]->outputSize}; }
  uLong crc(size_t i) const { return blocks_[i]->crc; }
  size_t size(size_t i) const { return blocks_[i]->size; }

 private:
  struct Block {
    z_stream stream{};
    bool ready = false;
    const char* input = nullptr;
    size_t size = 0;
    size_t history = 0;
    bool finish = false;
    // Left uninitialised, so that only the pages deflate writes are taken.
    std::unique_ptr<char[]> output;
    size_t outputCapacity = 0;
    size_t outputSize = 0;
    uLong crc = 0;
    bool ok = false;

    bool prepare() {
      ok = false;
      if (!ready) {
        if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
        ready = true;
      } else if (deflateReset(&stream) != Z_OK) {
        return false;
      }
      // A flush ends a block with at most an empty stored block beyond the
      // bound of a finished stream.
      const size_t capacity = deflateBound(&stream, static_cast<uLong>(size)) + 64;
      if (capacity > outputCapacity) {
        output = std::make_unique_for_overwrite<char[]>(capacity);
        outputCapacity = capacity;
      }
      outputSize = 0;
      return true;
    }

    void run() {
      crc = crc32_z(0, reinterpret_cast<const Bytef*>(input), size);
      if (history > 0 &&
          deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(input - history), static_cast<uInt>(history)) !=
              Z_OK)
        return;
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
      stream.avail_in = static_cast<uInt>(size);
      stream.next_out = reinterpret_cast<Bytef*>(output.get());
      stream.avail_out = static_cast<uInt>(outputCapacity);
      const int rc = deflate(&stream, finish ? Z_FINISH : Z_SYNC_FLUSH);
      const bool done = finish ? rc == Z_STREAM_END : (rc == Z_OK && stream.avail_in == 0 && stream.avail_out > 0);
      if (!done) return;
      outputSize = outputCapacity - stream.avail_out;
      ok = true;
    }
  };
  std::vector<std::unique_ptr<Block>> blocks_;
  size_t used_ = 0;
};

// The entry's time fields from a time (the file's modification time) in
// local time; all zero when the time cannot be read.
zip_fileinfo entryInfo(time_t modified) {
  zip_fileinfo info{};
  struct tm local {};
  if (localtime_r(&modified, &local)) {
    info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
  }
  return info;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The names of a folder's items (without "." and ".."), sorted so that the
// same folder always gives the same archive; nothing when it cannot be read.
bool listFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const bool complete = errno == 0;
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return complete;
}

}  // namespace

QVZipArchive::~QVZipArchive() { closeZipFile2(); }

bool QVZipArchive::createZipFile2(const std::string& path) {
  if (zipFile_) return false;
  zipFile_ = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  entries_ = 0;
  return zipFile_ != nullptr;
}

bool QVZipArchive::addFileToZip(const std::string& path, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries) return false;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  return writeEntry(newname, status.st_mtime, static_cast<uint64_t>(status.st_size), [&](char* into, size_t n) {
    return ::read(file.get(), into, n);
  });
}

bool QVZipArchive::addDataToZip(std::string_view data, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries) return false;
  size_t done = 0;
  return writeEntry(newname, ::time(nullptr), data.size(), [&](char* into, size_t n) {
    n = std::min(n, data.size() - done);
    std::copy_n(data.data() + done, n, into);
    done += n;
    return static_cast<ssize_t>(n);
  });
}

bool QVZipArchive::addFileRangeToZip(int fd, uint64_t offset, uint64_t size, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries || fd < 0) return false;
  uint64_t done = 0;
  return writeEntry(newname, ::time(nullptr), size, [&](char* into, size_t n) -> ssize_t {
    n = static_cast<size_t>(std::min<uint64_t>(n, size - done));
    if (n == 0) return 0;
    const ssize_t got = ::pread(fd, into, n, static_cast<off_t>(offset + done));
    if (got == 0) {
      // The file ends inside the range: the part lost its end.
      errno = EIO;
      return -1;
    }
    if (got > 0) done += static_cast<uint64_t>(got);
    return got;
  });
}

bool QVZipArchive::writeEntry(const std::string& newname, time_t modified, uint64_t size, const EntryReader& read) {
  const zip_fileinfo info = entryInfo(modified);
  const int zip64 = size >= 0xffffffffULL ? 1 : 0;
  const bool stored = isStoredEntry(newname);
  // A big entry goes to the library deflated already.
  const bool blocks = !stored && size >= kBlockDeflateMinBytes;
  if (zipOpenNewFileInZip2_64(zipFile_, newname.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              stored ? 0 : Z_DEFLATED, stored ? 0 : kDeflateLevel, blocks ? 1 : 0, zip64) != ZIP_OK)
    return false;
  ++entries_;
  return blocks ? writeBlocks(read) : writeStream(read);
}

bool QVZipArchive::writeStream(const EntryReader& read) {
  bool ok = true;
  if (chunk_.size() != kChunkSize) chunk_.resize(kChunkSize);
  for (;;) {
    const ssize_t n = read(chunk_.data(), chunk_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (zipWriteInFileInZip(zipFile_, chunk_.data(), static_cast<unsigned>(n)) != ZIP_OK) {
      ok = false;
      break;
    }
  }
  // The entry is closed even after a failure so the archive stays consistent.
  const bool closed = zipCloseFileInZip(zipFile_) == ZIP_OK;
  return ok && closed;
}

bool QVZipArchive::writeBlocks(const EntryReader& read) {
  BlockDeflater deflater;
  // The window's bytes follow the last 32 KiB of the window before.
  std::vector<char> buffer(kHistory + deflater.windowBytes());
  size_t history = 0;
  uint64_t total = 0;
  uLong crc = crc32_z(0, nullptr, 0);
  bool ok = true;
  for (bool last = false; ok && !last;) {
    char* window = buffer.data() + kHistory;
    size_t filled = 0;
    while (filled < deflater.windowBytes()) {
      const ssize_t n = read(window + filled, deflater.windowBytes() - filled);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      filled += static_cast<size_t>(n);
    }
    if (!ok) break;
    last = filled < deflater.windowBytes();
    ok = deflater.deflateWindow(window, filled, history, last);
    for (size_t i = 0; ok && i < deflater.blocks(); ++i) {
      const std::string_view out = deflater.output(i);
      ok = zipWriteInFileInZip(zipFile_, out.data(), static_cast<unsigned>(out.size())) == ZIP_OK;
      crc = crc32_combine(crc, deflater.crc(i), static_cast<z_off_t>(deflater.size(i)));
    }
    total += filled;
    history = std::min(kHistory, history + filled);
    std::copy(window + filled - history, window + filled, buffer.data() + kHistory - history);
  }
  // The entry is closed even after a failure so the archive stays consistent.
  const bool closed = zipCloseFileInZipRaw64(zipFile_, total, crc) == ZIP_OK;
  return ok && closed;
}

bool QVZipArchive::addFolderToZip(const std::string& path, const std::string& newname) {
  if (!zipFile_) return false;
  std::vector<std::string> names;
  if (!listFolder(path, names)) return false;
  const std::string prefix = newname + "/";
  for (const std::string& name : names) {
    const std::string itemPath = path + "/" + name;
    const std::string entryName = prefix + name;
    const bool added = isDirectory(itemPath) ? addFolderToZip(itemPath, entryName) : addFileToZip(itemPath, entryName);
    if (!added) return false;
  }
  return true;
}

bool QVZipArchive::isStoredEntry(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos) return false;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "png" || extension == "jpeg" || extension == "jpg";
}

bool QVZipArchive::isDirectory(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool QVZipArchive::closeZipFile2() {
  if (!zipFile_) return false;
  const int result = zipClose(zipFile_, nullptr);
  zipFile_ = nullptr;
  return result == ZIP_OK;
}
