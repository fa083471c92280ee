#include "fuzz/targets.h"

namespace qvfuzz {

std::span<const NamedTarget> allTargets() {
  static constexpr NamedTarget kTargets[] = {
      {"document", fuzzDocument}, {"cmap", fuzzCMap},           {"color", fuzzColor},
      {"image", fuzzImage},       {"page_pptx", fuzzPagePptx},
  };
  return kTargets;
}

}  // namespace qvfuzz
