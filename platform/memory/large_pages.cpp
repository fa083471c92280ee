#include "platform/memory/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform::memory {

void adviseLargePages(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
  if (data == nullptr || size < kLargePageMinBytes) return;
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLargePage - 1);
  // Only advice: where the kernel refuses it, the pages are small ones.
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform::memory
