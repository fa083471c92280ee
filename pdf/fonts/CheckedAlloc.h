#pragma once
// Guarded sizes for the tables of the font code (code-to-CID ranges, Unicode
// maps, CID width lists). A size that no sane table needs is refused with an
// exception instead of being allocated, so hostile data ends one font, never
// the process.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

namespace fontalloc {

// Thrown for a negative count, an element size below 1, or a byte count that
// does not fit a signed 32-bit size.
class BogusAllocationSize : public std::length_error {
 public:
  BogusAllocationSize() : std::length_error("Bogus memory allocation size") {}
};

// count × elementSize in bytes, checked. A count of 0 gives 0.
inline size_t checkedAllocationSize(int64_t count, int64_t elementSize) {
  if (count < 0 || elementSize < 1) throw BogusAllocationSize();
  if (count == 0) return 0;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (count > kMax / elementSize) throw BogusAllocationSize();
  return static_cast<size_t>(count * elementSize);
}

// Grows (or shrinks) a table to `count` elements after checking the size;
// std::bad_alloc still reports a machine out of memory.
template <class T>
void checkedResize(std::vector<T>& table, int64_t count, const T& fill = T()) {
  checkedAllocationSize(count, static_cast<int64_t>(sizeof(T)));
  table.resize(static_cast<size_t>(count), fill);
}

template <class T>
void checkedReserve(std::vector<T>& table, int64_t count) {
  checkedAllocationSize(count, static_cast<int64_t>(sizeof(T)));
  table.reserve(static_cast<size_t>(count));
}

}  // namespace fontalloc
