// The libFuzzer entry of one target; QV_FUZZ_TARGET names its function.
#include <cstddef>
#include <cstdint>

#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qvfuzz::QV_FUZZ_TARGET(data, size);
}
