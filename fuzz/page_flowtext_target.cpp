// One whole page as flowing text, twice from the same open document: to
// HTML (positioned blocks, pictures, clip rendering) and to plain text (the
// text layout's lines and columns alone).
#include "fuzz/support.h"
#include "fuzz/targets.h"

namespace qvfuzz {

int fuzzPageFlowText(const uint8_t* data, size_t size) { return convertFirstPage(data, size, {"html", "txt"}); }

}  // namespace qvfuzz
