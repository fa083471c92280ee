#pragma once
// Internal to platform/pdf: the list of a document's pages, read from its
// page tree and mended where the tree is damaged.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
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
// - A lost node of the tree is replaced by the page objects of the file whose
//   /Parent chain leads to it; page objects the tree no longer reaches take
//   the place of the first lost entry whose identity is unknown.
// - When the root is lost or the tree yields no readable page at all, every
//   page object of the file stands in, in object order (a linearized file's
//   first page first), the way a damaged file is rebuilt.
// Where pages were put in the place of lost nodes and the file may have lost
// page objects as well (its trailer was lost, `trailerLost`, or it lacks more
// objects than the list accounts for), what is known of the lost pages
// follows as null entries: up to the page count of a linearized file, or
// else one.
//
// The objects of a long document's page tree (and, in object streams, the
// objects beside them) are many: between two objects read, `readAgain` is
// told how many were read since the file was last read afresh; it may read
// it afresh and answer the new document, whose objects the list is then
// made of (null when it did not). Every handle of the document before is
// then dead.
using ReadAgain = std::function<QPDF*(uint64_t objectsRead)>;

// The pages as handles that read nothing until used, and the objects they
// are (number and generation; 0 for an entry that cannot be read, or one
// that is no object of its own but a direct dictionary).
struct PageList {
  std::vector<PdfObject> pages;
  std::vector<std::pair<int, int>> ids;
  // False when a page is a direct dictionary: it cannot be found again.
  bool allFindable = true;
};
PageList readPageList(QPDF& qpdf, bool trailerLost, const ReadAgain& readAgain = {});

// True when at least one entry is a readable page.
bool hasReadablePage(const std::vector<PdfObject>& pages);

}  // namespace platform::pdfdetail
