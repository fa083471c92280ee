#pragma once
// A CMap: turns the bytes of a shown string into CIDs, telling how many bytes
// each code used.
//
// Code lengths come from the code-space ranges: a prefix of a code leads on
// to a longer code when some range of a greater length admits each of its
// bytes; the first byte that no longer does ends the code. CIDs are kept as
// sorted code ranges rather than as byte-indexed tables, so CMaps with 3- and
// 4-byte code spaces (UTF-8, UTF-32) cost no more than their own ranges.
//
// Maps are immutable once built and shared (std::shared_ptr<const>) by every
// font that uses them; predefined CMaps are parsed once per process through
// QVPDFCodeToCIDMapCache.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class PdfObject;
}

class QVPDFCodeToCIDMap {
 public:
  // How deep usecmap chains (and /UseCMap streams) are followed.
  static constexpr int kMaxUseCMapDepth = 8;

  // The two-byte identity mapping with the given writing mode.
  static std::shared_ptr<const QVPDFCodeToCIDMap> identity(std::string cMapName, int wMode);

  // A predefined CMap by name, through the process-wide cache: "Identity",
  // "Identity-H" and "Identity-V" are built in, other names are read from the
  // CMap files. nullptr when there is no such CMap.
  static std::shared_ptr<const QVPDFCodeToCIDMap> parse(std::string_view cMapName);

  // CMap text (a predefined file or an embedded CMap stream). `usecmap`
  // names are predefined CMaps; `base`, when given, is included first (the
  // /UseCMap of a stream). Never nullptr: a text without ranges maps every
  // code to CID 0. `depth` counts the includes that led here.
  static std::shared_ptr<const QVPDFCodeToCIDMap> parseText(std::string_view text, std::string cMapName,
                                                            int wMode = 0,
                                                            std::shared_ptr<const QVPDFCodeToCIDMap> base = nullptr,
                                                            int depth = 0);

  // An embedded CMap stream with its /CMapName, /WMode (default 0; the text
  // may set it too) and /UseCMap (a predefined name or another stream, whose
  // writing mode is not taken over). nullptr when the object is not a stream
  // or its data cannot be decoded.
  static std::shared_ptr<const QVPDFCodeToCIDMap> parseStream(const platform::PdfObject& stream, int depth = 0);

  // The CID of the code at the start of `bytes` (at least one byte) and the
  // number of bytes it used (at least 1, at most bytes.size()).
  //  - identity: two bytes big-endian; a final single byte gives CID 0;
  //  - otherwise the code ends at the first byte that leads to no longer code;
  //    a code without a range gives CID 0; bytes running out inside a longer
  //    code give CID 0 and use every byte left.
  uint32_t getCID(std::string_view bytes, int& nUsed) const;

  int wMode() const { return wMode_; }
  const std::string& cMapName() const { return cMapName_; }
  bool isIdentity() const { return identity_; }

  // What the map itself occupies (its object, name, code spaces and ranges).
  size_t memoryUsage() const;
  size_t codeSpaceCount() const { return codeSpaces_.size(); }
  size_t rangeCount() const { return ranges_.size(); }

  struct CodeSpace {
    uint8_t nBytes = 0;
    uint8_t low[4] = {};
    uint8_t high[4] = {};
  };
  struct Range {
    uint32_t first = 0;  // first code
    uint32_t last = 0;   // last code
    uint32_t cid = 0;    // CID of `first`; the next codes count up from it
    uint8_t nBytes = 0;  // code length
  };

 private:
  class Builder;
  friend class Builder;
  struct Private {};

 public:
  explicit QVPDFCodeToCIDMap(Private) {}

 private:

  // True when the first `length` bytes lead on to a longer code.
  bool leadsOn(const uint8_t* bytes, int length) const;
  uint32_t lookup(int nBytes, uint32_t code) const;

  std::string cMapName_;
  int wMode_ = 0;
  bool identity_ = false;
  std::vector<CodeSpace> codeSpaces_;  // only those of 2 bytes or more
  std::vector<Range> ranges_;          // sorted by (nBytes, first), disjoint
};
