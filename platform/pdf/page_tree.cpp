#include "platform/pdf/page_tree.h"

#include <map>
#include <new>
#include <set>
#include <utility>

#include <qpdf/QPDF.hh>

namespace platform::pdfdetail {
namespace {

// Parent chains deeper than this are not followed when matching page objects
// to a lost node: balanced trees of any real size are a handful of levels
// deep, and the index holds one entry per page and level.
constexpr int kMaxIndexedLevels = 32;

QPDFObjGen objGenOf(const PdfObject& object) { return object.handle().getObjGen(); }

// The entry as stored, also when it refers to an object that is gone (the
// reference still says which object it was; PdfObject::get answers null).
PdfObject storedEntry(const PdfObject& dictionary, const char* key) {
  try {
    return PdfObject(QPDFObjectHandle(dictionary.handle()).getKey(key));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return PdfObject();
  }
}

class PageListReader {
 public:
  explicit PageListReader(QPDF& qpdf) : qpdf_(qpdf) {}

  std::vector<PdfObject> read() {
    const PdfObject catalog(qpdf_.getRoot());
    const PdfObject root = catalog.get("Pages");
    if (root.isDictionary()) visitNode(root, 0);
    if (!hasReadablePage(pages_)) {
      // Nothing of the tree is left to follow (or its root is lost): every
      // page object the file still holds, in the order of their objects.
      indexPageObjects();
      if (!pageObjects_.empty()) {
        pages_.clear();
        for (const PdfObject& page : pageObjects_) {
          if (pages_.size() >= kMaxPageSlots) break;
          pages_.push_back(page);
        }
      }
    }
    return std::move(pages_);
  }

 private:
  bool full() const { return pages_.size() >= kMaxPageSlots; }

  // An entry of a /Kids array.
  void visitKid(const PdfObject& kid, int depth) {
    if (full() || depth > kMaxPageTreeDepth) return;
    if (kid.isDictionary()) {
      visitNode(kid, depth);
      return;
    }
    // A direct non-dictionary is garbage in the array, not a page: pages are
    // always objects of their own.
    if (!kid.isIndirect()) return;
    const QPDFObjGen id = objGenOf(kid);
    if (!visited_.insert(id).second) return;
    replaceLostNode(id, true);
  }

  void visitNode(const PdfObject& node, int depth) {
    // A node reached again is a damaged tree: taken once, so that neither a
    // loop nor a /Kids array that lists one page a million times (a few
    // kilobytes compressed) multiplies the pages.
    if (node.isIndirect() && !visited_.insert(objGenOf(node)).second) return;
    const PdfObject kids = node.getArray("Kids");
    if (kids.isNull()) {
      if (node.getName("Type") == "Pages") {
        // An intermediate node that lost its kids: its pages may still be
        // in the file, pointing back at it.
        if (node.isIndirect()) replaceLostNode(objGenOf(node), false);
        return;
      }
      pages_.push_back(node);
      return;
    }
    for (size_t i = 0, n = kids.size(); i < n && !full(); ++i) visitKid(kids.at(i), depth + 1);
  }

  // A node of the tree that cannot be read: the page objects below it, when
  // the file still has some; otherwise, when it stands where a page would,
  // one unreadable page.
  void replaceLostNode(QPDFObjGen id, bool countsAsPage) {
    indexPageObjects();
    const auto found = pagesBelow_.find(id);
    if (found == pagesBelow_.end()) {
      if (countsAsPage) pages_.emplace_back();
      return;
    }
    for (const PdfObject& page : found->second) {
      if (full()) return;
      if (visited_.insert(objGenOf(page)).second) pages_.push_back(page);
    }
  }

  // Finds every page object of the file once, with the nodes above it.
  void indexPageObjects() {
    if (indexed_) return;
    indexed_ = true;
    for (const auto& entry : qpdf_.getXRefTable()) {
      const PdfObject object(qpdf_.getObjectByObjGen(entry.first));
      if (!object.isDictionary() || object.getName("Type") != "Page") continue;
      pageObjects_.push_back(object);
      std::set<QPDFObjGen> chain;
      PdfObject parent = storedEntry(object, "/Parent");
      for (int level = 0; level < kMaxIndexedLevels && parent.isIndirect(); ++level) {
        const QPDFObjGen parentId = objGenOf(parent);
        if (!chain.insert(parentId).second) break;
        pagesBelow_[parentId].push_back(object);
        parent = parent.isDictionary() ? storedEntry(parent, "/Parent") : PdfObject();
      }
    }
  }

  QPDF& qpdf_;
  std::vector<PdfObject> pages_;
  std::set<QPDFObjGen> visited_;
  bool indexed_ = false;
  std::vector<PdfObject> pageObjects_;
  std::map<QPDFObjGen, std::vector<PdfObject>> pagesBelow_;
};

}  // namespace

std::vector<PdfObject> readPageList(QPDF& qpdf) { return PageListReader(qpdf).read(); }

bool hasReadablePage(const std::vector<PdfObject>& pages) {
  for (const PdfObject& page : pages)
    if (!page.isNull()) return true;
  return false;
}

}  // namespace platform::pdfdetail
