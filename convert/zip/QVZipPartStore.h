#pragma once
// Parts of a package on their way into its archive (the slides and pictures
// of a deck, the pictures of a document): pictures are held in memory while
// they fit a bound, and beyond it appended to one spill file; parts made a
// piece at a time (slides) are appended to the spill file as they are made.
// A conversion thus creates one file for all of them rather than one per
// slide or picture, and its memory stays bounded however many it makes. The
// spill file is made when first needed and removed with the store.
//
//   QVZipPartStore parts(workFolder + "/parts.spill");
//   parts.put("ppt/media/image1.png", picture.data);
//   parts.append("ppt/slides/slide1.xml", piece);   // as often as needed
//   ...
//   for (const std::string& name : parts.names()) parts.addToZip(archive, name);
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QVZipArchive;

class QVZipPartStore {
 public:
  // How many bytes of pictures are held in memory before they spill: a
  // little, so that a conversion's memory stays what it was when every
  // picture was a file, while the many small pictures of a page cost no
  // write of their own.
  static constexpr size_t kMemoryBound = size_t{256} << 10;

  explicit QVZipPartStore(std::string spillPath, size_t memoryBound = kMemoryBound);
  ~QVZipPartStore();
  QVZipPartStore(const QVZipPartStore&) = delete;
  QVZipPartStore& operator=(const QVZipPartStore&) = delete;

  // Keeps the bytes as the part `name`, replacing a part of that name: in
  // memory (sharing them) while the bound allows, else in the spill file.
  // Throws std::runtime_error when the spill file cannot be written.
  void put(const std::string& name, std::shared_ptr<const std::string> data);
  // Appends bytes to the part `name` in the spill file, making the part
  // when it is new; only the part appended to last can grow. Throws
  // std::runtime_error when the spill file cannot be written, and
  // std::logic_error for another part that already exists.
  void append(const std::string& name, std::string_view bytes);
  // Forgets the part (its room in the spill file is not taken back).
  void remove(const std::string& name);
  bool contains(const std::string& name) const { return parts_.count(name) != 0; }
  // The part names in name order.
  std::vector<std::string> names() const;
  bool empty() const { return parts_.empty(); }

  // Adds the part to the archive under its own name. False when there is no
  // such part, it cannot be read back, or the archive takes no entry.
  bool addToZip(QVZipArchive& archive, const std::string& name) const;

  // Bytes of parts held in memory, and whether any part went to the spill file.
  size_t memoryBytes() const { return memoryBytes_; }
  bool spilled() const { return spillFile_ >= 0; }

 private:
  struct Part {
    std::shared_ptr<const std::string> data;  // null when spilled
    uint64_t offset = 0;                      // in the spill file
    uint64_t size = 0;
  };
  // Writes the bytes at the end of the spill file (made when needed).
  void spill(std::string_view bytes);

  std::string spillPath_;
  size_t memoryBound_;
  size_t memoryBytes_ = 0;
  int spillFile_ = -1;
  uint64_t spillEnd_ = 0;
  std::map<std::string, Part> parts_;
};
