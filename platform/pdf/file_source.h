#pragma once
// Internal to platform/pdf: the bytes of a PDF file as qpdf reads them,
// through a small cache of blocks rather than the whole file in memory, so
// that what a document costs to hold does not grow with its size. Bytes may
// follow the file's own (a trailer rebuilt for a file cut off before it),
// as if the file ended with them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/InputSource.hh>

namespace platform::pdfdetail {

class FileSource : public InputSource {
 public:
  static constexpr size_t kBlockBytes = size_t{64} << 10;
  // Blocks kept: what the objects of a page and their neighbours span, so
  // that reading a page goes to the disk once for each part of the file.
  static constexpr size_t kCachedBlocks = 32;

  // The file, followed by `suffix`; null when the file cannot be opened.
  static std::shared_ptr<FileSource> open(const std::string& path, std::string suffix = {});
  // A fresh source (its own position) over the same open file and suffix:
  // the bytes read before, even when the file was replaced since. The
  // sources of one file share its cache of blocks, so reading the file
  // afresh finds what was read last in memory still.
  std::shared_ptr<FileSource> again() const;
  // The same, with other bytes after the file's.
  std::shared_ptr<FileSource> withSuffix(std::string suffix) const;
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  qpdf_offset_t findAndSkipNextEOL() override;
  std::string const& getName() const override { return path_; }
  qpdf_offset_t tell() override { return position_; }
  void seek(qpdf_offset_t offset, int whence) override;
  void rewind() override { position_ = 0; }
  size_t read(char* buffer, size_t length) override;
  void unreadCh(char ch) override;

  // Size of the file with the bytes that follow it.
  uint64_t size() const { return size_; }
  // Bytes handed to the reader so far.
  uint64_t bytesRead() const { return bytesRead_; }

 private:
  struct Block {
    uint64_t index = UINT64_MAX;
    uint64_t lastUse = 0;
    size_t length = 0;
    char* data = nullptr;
  };

  // The open file and its cached blocks, shared by the sources made again
  // from one (they are used by one thread, one at a time).
  struct File {
    int fd = -1;
    uint64_t uses = 0;
    std::vector<Block> blocks;
    // The blocks' bytes, made at once: blocks made one by one among the
    // objects qpdf makes while it reads them would part the heap into
    // stretches that freeing those objects merges again and again, and
    // closing a document of many objects took twice as long.
    std::unique_ptr<char[]> storage;
    size_t lastBlock = 0;
    ~File();
  };

  FileSource(std::string path, std::shared_ptr<File> file, uint64_t fileSize, std::string suffix);
  // The block holding `offset` (< size_), read from the disk when it is not
  // cached. Throws std::runtime_error when the file cannot be read.
  const Block& blockAt(uint64_t offset);

  std::string path_;
  std::shared_ptr<File> file_;
  uint64_t fileSize_ = 0;
  std::string suffix_;
  uint64_t size_ = 0;
  qpdf_offset_t position_ = 0;
  uint64_t bytesRead_ = 0;
};

}  // namespace platform::pdfdetail
