#include "platform/pdf/file_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::pdfdetail {

std::shared_ptr<FileSource> FileSource::open(const std::string& path, std::string suffix) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    ::close(fd);
    return nullptr;
  }
  auto file = std::make_shared<File>();
  file->fd = fd;
  file->blocks.resize(kCachedBlocks);
  file->storage.reset(new char[kCachedBlocks * kBlockBytes]);
  for (size_t i = 0; i < kCachedBlocks; ++i) file->blocks[i].data = file->storage.get() + i * kBlockBytes;
  return std::shared_ptr<FileSource>(
      new FileSource(path, std::move(file), static_cast<uint64_t>(info.st_size), std::move(suffix)));
}

std::shared_ptr<FileSource> FileSource::again() const { return withSuffix(suffix_); }

std::shared_ptr<FileSource> FileSource::withSuffix(std::string suffix) const {
  return std::shared_ptr<FileSource>(new FileSource(path_, file_, fileSize_, std::move(suffix)));
}

FileSource::File::~File() {
  if (fd >= 0) ::close(fd);
}

FileSource::FileSource(std::string path, std::shared_ptr<File> file, uint64_t fileSize, std::string suffix)
    : path_(std::move(path)), file_(std::move(file)), fileSize_(fileSize), suffix_(std::move(suffix)) {
  size_ = fileSize_ + suffix_.size();
}

FileSource::~FileSource() = default;

const FileSource::Block& FileSource::blockAt(uint64_t offset) {
  const uint64_t index = offset / kBlockBytes;
  File& file = *file_;
  std::vector<Block>& blocks = file.blocks;
  ++file.uses;
  if (blocks[file.lastBlock].index == index) {
    blocks[file.lastBlock].lastUse = file.uses;
    return blocks[file.lastBlock];
  }
  size_t slot = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].index == index) {
      blocks[i].lastUse = file.uses;
      file.lastBlock = i;
      return blocks[i];
    }
    if (blocks[i].lastUse < blocks[slot].lastUse) slot = i;
  }
  Block& block = blocks[slot];
  block.index = UINT64_MAX;
  const uint64_t start = index * kBlockBytes;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, fileSize_ - start));
  size_t got = 0;
  while (got < want) {
    const ssize_t n = ::pread(file.fd, block.data + got, want - got, static_cast<off_t>(start + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("Cannot read " + path_);
    got += static_cast<size_t>(n);
  }
  block.index = index;
  block.length = want;
  block.lastUse = file.uses;
  file.lastBlock = slot;
  return block;
}

size_t FileSource::read(char* buffer, size_t length) {
  if (position_ < 0) throw std::logic_error("FileSource position before the start of the file");
  const uint64_t start = static_cast<uint64_t>(position_);
  if (start >= size_) {
    last_offset = static_cast<qpdf_offset_t>(size_);
    return 0;
  }
  last_offset = position_;
  const size_t total = static_cast<size_t>(std::min<uint64_t>(length, size_ - start));
  size_t done = 0;
  while (done < total) {
    const uint64_t at = start + done;
    size_t n;
    if (at >= fileSize_) {
      n = total - done;
      std::memcpy(buffer + done, suffix_.data() + (at - fileSize_), n);
    } else {
      const Block& block = blockAt(at);
      const size_t inBlock = static_cast<size_t>(at - block.index * kBlockBytes);
      n = std::min(total - done, block.length - inBlock);
      std::memcpy(buffer + done, block.data + inBlock, n);
    }
    done += n;
  }
  position_ += static_cast<qpdf_offset_t>(total);
  bytesRead_ += total;
  return total;
}

void FileSource::seek(qpdf_offset_t offset, int whence) {
  qpdf_offset_t base = 0;
  if (whence == SEEK_CUR) base = position_;
  else if (whence == SEEK_END) base = static_cast<qpdf_offset_t>(size_);
  else if (whence != SEEK_SET) throw std::logic_error("FileSource seek with an unknown origin");
  if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
    throw std::range_error(path_ + ": seek outside the file");
  position_ = base + offset;
}

void FileSource::unreadCh(char) {
  if (position_ > 0) --position_;
}

qpdf_offset_t FileSource::findAndSkipNextEOL() {
  const qpdf_offset_t end = static_cast<qpdf_offset_t>(size_);
  if (position_ < 0) throw std::logic_error("FileSource position before the start of the file");
  auto isEol = [](char c) { return c == '\r' || c == '\n'; };
  // Scans from `from` for the first byte that is (or is not) an end of line.
  auto scan = [&](qpdf_offset_t from, bool eol) {
    while (from < end) {
      const uint64_t at = static_cast<uint64_t>(from);
      const char* p;
      size_t n;
      if (at >= fileSize_) {
        p = suffix_.data() + (at - fileSize_);
        n = static_cast<size_t>(size_ - at);
      } else {
        const Block& block = blockAt(at);
        const size_t inBlock = static_cast<size_t>(at - block.index * kBlockBytes);
        p = block.data + inBlock;
        n = block.length - inBlock;
      }
      const char* found = std::find_if(p, p + n, [&](char c) { return isEol(c) == eol; });
      bytesRead_ += static_cast<uint64_t>(found - p);
      from += found - p;
      if (found != p + n) return from;
    }
    return end;
  };
  if (position_ >= end) {
    last_offset = end;
    position_ = end;
    return end;
  }
  const qpdf_offset_t eol = scan(position_, true);
  position_ = eol >= end ? end : scan(eol + 1, false);
  return eol;
}

}  // namespace platform::pdfdetail
