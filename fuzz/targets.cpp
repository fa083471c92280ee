#include "fuzz/targets.h"

namespace qvfuzz {

std::span<const NamedTarget> allTargets() {
  static constexpr NamedTarget kTargets[] = {
      {"document", fuzzDocument}, {"cmap", fuzzCMap},           {"color", fuzzColor},
      {"image", fuzzImage},       {"page_pptx", fuzzPagePptx},   {"page_docx", fuzzPageDocx},
      {"page_flowtext", fuzzPageFlowText}, {"page_xlsx", fuzzPageXlsx},
  };
  return kTargets;
}

}  // namespace qvfuzz
