#pragma once
// Internal to platform/pdf: a look at an object as the file stores it,
// without qpdf making it. Asked for one object of an object stream, qpdf
// makes every object of that stream, some kilobytes each, and keeps them
// until the file is closed; a page naming tens of thousands of links that
// show nothing would cost seconds and a hundred megabytes for them. The
// bytes of the object (in the file, or in its decoded object stream) tell
// what its dictionary holds at a fraction of that.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFXRefEntry.hh>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

class QPDF;

namespace platform::pdfdetail {

class FileSource;

// Whether the dictionary at the start of `text` (after blanks and
// comments) has `key` (without its slash) among its own entries; nullopt
// when the text does not open with a dictionary written whole.
std::optional<bool> dictionaryTextHasKey(std::string_view text, std::string_view key);

class StoredObjects {
 public:
  // Decoded object streams read for looks, all told, after which every look
  // is left to qpdf (a file that sends the looks from stream to stream).
  static constexpr uint64_t kDecodedBytesBudget = uint64_t{256} << 20;
  // An object stream larger than this decoded is not looked into.
  static constexpr size_t kMaxObjectStreamBytes = size_t{64} << 20;
  // Bytes of a stored object's dictionary read from the file: first, and at
  // most.
  static constexpr size_t kFirstObjectBytes = size_t{4} << 10;
  static constexpr size_t kMaxObjectBytes = size_t{64} << 10;

  // The file qpdf reads (`source` gives the bytes its offsets count in).
  StoredObjects(QPDF& qpdf, std::shared_ptr<FileSource> source);
  ~StoredObjects();
  StoredObjects(const StoredObjects&) = delete;
  StoredObjects& operator=(const StoredObjects&) = delete;

  // Whether the stored object `id` is a dictionary with `key` of its own;
  // nullopt when its bytes do not tell.
  std::optional<bool> dictionaryHasKey(QPDFObjGen id, std::string_view key);

 private:
  struct ObjectStream {
    int number = 0;
    std::string data;
    // Object number and offset in `data`, by object number (the last of a
    // number written twice, as qpdf takes it).
    std::vector<std::pair<int, size_t>> offsets;
  };

  const QPDFXRefEntry* entry(QPDFObjGen id);
  const ObjectStream* objectStream(int number);

  QPDF& qpdf_;
  std::shared_ptr<FileSource> source_;
  // qpdf's cross-reference table (a copy it hands out).
  std::optional<std::map<QPDFObjGen, QPDFXRefEntry>> xref_;
  // The object streams looked into last (the looks of one page go through
  // its list of annotations, which a writer puts in one stream after
  // another).
  std::vector<std::unique_ptr<ObjectStream>> streams_;
  uint64_t decodedBytes_ = 0;
  // Object streams that could not be read for a look.
  std::unordered_set<int> unreadable_;
};

}  // namespace platform::pdfdetail
