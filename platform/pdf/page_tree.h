#pragma once
// Internal to platform/pdf: the list of a document's pages, read from its
// page tree and mended where the tree is damaged.
#include <cstddef>
#include <vector>

#include "platform/pdf/object.h"

class QPDF;

namespace platform::pdfdetail {

// No real document comes near this many pages; the bound keeps a hostile
// tree that names millions of missing objects from filling memory.
inline constexpr size_t kMaxPageSlots = size_t{1} << 20;
// Page trees are shallow in practice; the bound only stops hostile files.
inline constexpr int kMaxPageTreeDepth = 256;

// The pages in the order the page tree names them, one entry per page.
// - A page the tree names that cannot be read (a missing object, one in a
//   damaged object stream, a dictionary that does not parse) is a null entry:
//   it keeps its place, so the pages after it keep their numbers.
// - A lost intermediate node is replaced by the page objects of the file
//   whose /Parent chain leads to it, in object order; when none do, it
//   counts as one unreadable page.
// - When the root is lost or the tree yields no readable page at all, every
//   page object of the file stands in, in object order (the way a damaged
//   file is rebuilt).
std::vector<PdfObject> readPageList(QPDF& qpdf);

// True when at least one entry is a readable page.
bool hasReadablePage(const std::vector<PdfObject>& pages);

}  // namespace platform::pdfdetail
