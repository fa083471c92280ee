// One whole page to a workbook: text runs cut into rows, columns and merged
// cells, numbers read from the text, styles and the shared strings.
#include "fuzz/support.h"
#include "fuzz/targets.h"

namespace qvfuzz {

int fuzzPageXlsx(const uint8_t* data, size_t size) { return convertFirstPage(data, size, {"xlsx"}); }

}  // namespace qvfuzz
