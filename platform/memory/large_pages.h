#pragma once
// Large buffers backed by the kernel's large pages where it offers them on
// request. A picture's buffers run to tens of megabytes, written once from
// start to end: taken a 4 KiB page at a time, the page faults cost more than
// the writing (several times more on virtual machines).
#include <cstddef>

namespace platform::memory {

// The smallest buffer worth the advice: one that may hold a whole large page.
inline constexpr size_t kLargePageMinBytes = size_t{2} << 20;

// Asks for large pages for the whole 2 MiB pages of [data, data + size),
// before they are first written. Buffers smaller than kLargePageMinBytes, and
// systems without the advice, are left as they are.
void adviseLargePages(void* data, size_t size);

// Reserves room for `bytes` in a string or vector of bytes and advises large
// pages for it (nothing is written).
template <class Buffer>
void reserveLarge(Buffer& buffer, size_t bytes) {
  buffer.reserve(bytes);
  adviseLargePages(buffer.data(), buffer.capacity());
}

}  // namespace platform::memory
