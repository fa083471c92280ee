// One whole page to a Word document: the page model's lines, blocks and
// columns, the text router with its text boxes and text paths, the table cut
// tree, and the VML of paths and clipped pictures.
#include "fuzz/support.h"
#include "fuzz/targets.h"

namespace qvfuzz {

int fuzzPageDocx(const uint8_t* data, size_t size) { return convertFirstPage(data, size, {"docx"}); }

}  // namespace qvfuzz
