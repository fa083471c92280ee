#pragma once
// Damaged copies of a PDF file, derived deterministically from its bytes and
// a seed: cut off, bytes flipped inside streams, cross-reference offsets
// broken, objects deleted. What a disk, a download or a careless tool does to
// files, and what a hostile file does on purpose.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sweep {

struct Span {
  size_t begin = 0;
  size_t end = 0;  // one past the last byte
  size_t size() const { return end - begin; }
};

// The data of every "stream ... endstream" in the file.
std::vector<Span> streamSpans(std::string_view pdf);
// Every top-level "N G obj ... endobj", from the object number to the end of
// "endobj".
std::vector<Span> objectSpans(std::string_view pdf);

// A small deterministic generator (the same sequence on every platform).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}
  uint64_t next();
  // 0 .. n-1; 0 for n == 0.
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }

 private:
  uint64_t state_;
};

struct Variant {
  std::string name;   // what was done, for messages ("truncated-50%")
  std::string bytes;  // the damaged file
};

// The file cut off after `fraction` (0..1) of its bytes.
Variant truncated(std::string_view pdf, double fraction);
// `count` bytes inverted at random places inside stream data.
Variant streamBytesFlipped(std::string_view pdf, uint64_t seed, size_t count);
// A run of stream data overwritten with zeros.
Variant streamRunZeroed(std::string_view pdf, uint64_t seed, size_t length);
// The startxref offset moved, so that it points into the middle of something.
Variant startXrefBroken(std::string_view pdf, uint64_t seed);
// Offsets in the cross-reference table shifted (every few entries), or, for a
// file with cross-reference streams only, bytes of those streams flipped.
Variant xrefEntriesBroken(std::string_view pdf, uint64_t seed);
// Direct /Length values of streams made wrong (some too short, some too
// long).
Variant streamLengthsBroken(std::string_view pdf, uint64_t seed);
// One object blanked with spaces (offsets elsewhere stay right, references to
// it dangle).
Variant objectBlanked(std::string_view pdf, uint64_t seed);
// `count` objects cut out of the file (later offsets all shift).
Variant objectsCut(std::string_view pdf, uint64_t seed, size_t count);

// The set the sweep converts for each file: every kind of damage, a few
// times each with its own seed.
std::vector<Variant> sweepVariants(std::string_view pdf, uint64_t seed);

// A seed for a file: a hash of its name, so the variants stay the same from
// run to run and machine to machine.
uint64_t seedForName(std::string_view name);

}  // namespace sweep
