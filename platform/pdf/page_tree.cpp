#include "platform/pdf/page_tree.h"

#include <algorithm>
#include <limits>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <unordered_set>
#include <utility>

#include <qpdf/QPDF.hh>

namespace platform::pdfdetail {
namespace {

// Parent chains deeper than this are not followed when matching page objects
// to a lost node: balanced trees of any real size are a handful of levels
// deep, and the index holds one entry per page and level.
constexpr int kMaxIndexedLevels = 32;
// Objects read when looking for page objects: a hostile cross-reference
// stream can name millions of objects in a few kilobytes, each of which
// costs a parse of its object stream. Pages beyond are not found; the file
// then counts as one that may have lost pages.
constexpr size_t kMaxIndexedObjects = size_t{1} << 18;

QPDFObjGen objGenOf(const PdfObject& object) { return object.handle().getObjGen(); }

// The entry as stored, also when it refers to an object that is gone (the
// reference may still say which object it was; PdfObject::get answers null).
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
  PageListReader(QPDF& qpdf, bool trailerLost, const ReadAgain& readAgain)
      : qpdf_(&qpdf), trailerLost_(trailerLost), readAgain_(readAgain) {}

  PageList read() {
    const PdfObject catalog(qpdf_->getRoot());
    const PdfObject root = storedEntry(catalog, "/Pages");
    const bool rootLost = !root.isDictionary();
    if (!rootLost) visitNode(root, 0);
    if (!rootLost && treeDamaged_) {
      indexObjects();
      mendLostEntries();
    }
    if (rootLost || !hasReadablePage(entries())) rebuildFromPageObjects(rootLost);
    PageList list;
    list.pages = entries();
    list.ids.reserve(list_.size());
    for (const Entry& entry : list_) {
      list.ids.emplace_back(entry.page ? std::pair(entry.page->getObj(), entry.page->getGen()) : std::pair(0, 0));
      if (!entry.page && !entry.directPage.isNull()) list.allFindable = false;
    }
    return list;
  }

 private:
  // One entry of the page list: a page (by its object, or as the direct
  // dictionary it is), or something the tree names that cannot be read (its
  // object's identity, when the reference kept it).
  struct Entry {
    std::optional<QPDFObjGen> page;
    PdfObject directPage;
    std::optional<QPDFObjGen> lost;

    bool readable() const { return page.has_value() || !directPage.isNull(); }
  };

  // The pages as objects of the document read last.
  std::vector<PdfObject> entries() const {
    std::vector<PdfObject> out;
    out.reserve(list_.size());
    for (const Entry& entry : list_)
      out.push_back(entry.page ? PdfObject(qpdf_->getObjectByObjGen(*entry.page)) : entry.directPage);
    return out;
  }

  bool full() const { return list_.size() >= kMaxPageSlots; }

  void addLost(std::optional<QPDFObjGen> id) {
    treeDamaged_ = true;
    if (!full()) list_.push_back({std::nullopt, PdfObject(), id});
  }

  // Between two objects read: the file read afresh when what was read since
  // it last was is worth letting go. Handles taken before are dead
  // afterwards; a direct node or page (which has no identity to be found
  // again by) keeps the document as it is from then on.
  void maybeReadAgain() {
    if (!readAgain_ || directMet_ || objectsSinceReading_ == 0) return;
    if (QPDF* fresh = readAgain_(objectsSinceReading_)) {
      qpdf_ = fresh;
      objectsSinceReading_ = 0;
    }
  }

  // An entry of a /Kids array.
  void visitKid(const PdfObject& kid, int depth) {
    if (full() || depth > kMaxPageTreeDepth) return;
    if (kid.isDictionary()) {
      visitNode(kid, depth);
      return;
    }
    if (kid.isIndirect()) {
      if (visited_.insert(objGenOf(kid)).second) addLost(objGenOf(kid));
      return;
    }
    // A reference to an object that is gone reads as null once the file's
    // cross-reference data had to be rebuilt; other direct values are
    // garbage in the array, not pages.
    if (kid.isNull()) addLost(std::nullopt);
  }

  void visitNode(const PdfObject& node, int depth) {
    // A node reached again is a damaged tree: taken once, so that neither a
    // loop nor a /Kids array that lists one page a million times (a few
    // kilobytes compressed) multiplies the pages.
    std::optional<QPDFObjGen> id;
    if (node.isIndirect()) {
      id = objGenOf(node);
      if (!visited_.insert(*id).second) return;
      ++objectsSinceReading_;
    } else {
      directMet_ = true;
    }
    const PdfObject kids = node.getArray("Kids");
    if (kids.isNull()) {
      // An intermediate node that lost its kids: its pages may still be in
      // the file, pointing back at it; it names no page otherwise.
      if (node.getName("Type") == "Pages") {
        if (id) {
          treeDamaged_ = true;
          lostNodes_.push_back({list_.size(), *id});
        }
        return;
      }
      if (!full()) list_.push_back({id, id ? PdfObject() : node, std::nullopt});
      return;
    }
    // The kids by their identities, so that each is read from the document
    // of the moment, read afresh or not; a direct one is kept as it is (and
    // keeps the document from being read afresh).
    std::vector<std::pair<QPDFObjGen, PdfObject>> items;
    const size_t n = std::min(kids.size(), kMaxPageSlots);
    items.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      PdfObject kid = kids.at(i);
      if (kid.isIndirect()) {
        items.emplace_back(objGenOf(kid), PdfObject());
      } else {
        if (kid.isDictionary()) directMet_ = true;
        items.emplace_back(QPDFObjGen(), std::move(kid));
      }
    }
    for (const auto& [kidId, direct] : items) {
      if (full()) break;
      visitKid(kidId.getObj() != 0 ? PdfObject(qpdf_->getObjectByObjGen(kidId)) : direct, depth + 1);
      maybeReadAgain();
    }
  }

  // The tree has pages but also entries that cannot be read. A lost entry
  // that the file's page objects name as their parent (or grandparent) was
  // a node: those pages take its place. Pages the tree no longer reaches
  // otherwise take the place of the first lost entry whose identity is
  // unknown. Where pages were put in a lost node's place, pages of it may be
  // missing as well: one page that cannot be read follows the list then.
  void mendLostEntries() {
    std::vector<Entry> mended;
    mended.reserve(list_.size());
    bool replacedNode = false;
    std::optional<size_t> firstUnknown;
    size_t nextLostNode = 0;
    auto spliceLostNodesAt = [&](size_t position) {
      for (; nextLostNode < lostNodes_.size() && lostNodes_[nextLostNode].first == position; ++nextLostNode)
        replacedNode |= splice(pagesBelow(lostNodes_[nextLostNode].second), mended);
    };
    for (size_t i = 0; i < list_.size(); ++i) {
      spliceLostNodesAt(i);
      const Entry& entry = list_[i];
      if (entry.readable()) {
        mended.push_back(entry);
        continue;
      }
      if (entry.lost && splice(pagesBelow(*entry.lost), mended)) {
        replacedNode = true;
        ++lostNodesReplaced_;
        continue;
      }
      if (!entry.lost && !firstUnknown) firstUnknown = mended.size();
      mended.push_back(entry);
    }
    spliceLostNodesAt(list_.size());
    if (firstUnknown) {
      std::vector<Entry> orphans;
      for (const QPDFObjGen& page : pageObjects_)
        if (!visited_.count(page)) orphans.push_back({page, PdfObject(), std::nullopt});
      if (!orphans.empty()) {
        mended.erase(mended.begin() + static_cast<std::ptrdiff_t>(*firstUnknown));
        mended.insert(mended.begin() + static_cast<std::ptrdiff_t>(*firstUnknown), orphans.begin(), orphans.end());
        replacedNode = true;
        ++lostNodesReplaced_;
      }
    }
    if (mended.size() > kMaxPageSlots) mended.resize(kMaxPageSlots);
    list_ = std::move(mended);
    if (replacedNode && mayHaveLostPages() && !full()) list_.push_back({std::nullopt, PdfObject(), std::nullopt});
  }

  // Appends the pages not yet in the list; true when there were any.
  bool splice(const std::vector<QPDFObjGen>& pages, std::vector<Entry>& to) {
    bool any = false;
    for (const QPDFObjGen& page : pages) {
      if (!visited_.insert(page).second) continue;
      to.push_back({page, PdfObject(), std::nullopt});
      any = true;
    }
    return any;
  }

  const std::vector<QPDFObjGen>& pagesBelow(QPDFObjGen id) const {
    static const std::vector<QPDFObjGen> kNone;
    const auto found = pagesBelow_.find(id);
    return found == pagesBelow_.end() ? kNone : found->second;
  }

  // Nothing of the tree is left to follow: every page object the file still
  // holds. What is known of the pages that are gone follows them: the page
  // count of a linearized file, or one page that cannot be read when the
  // file may have lost pages.
  void rebuildFromPageObjects(bool rootLost) {
    indexObjects();
    // With no page object at all, the entries the tree named stay as they
    // are: there is nothing to convert either way.
    if (pageObjects_.empty()) return;
    list_.clear();
    for (const QPDFObjGen& page : pageObjects_) {
      if (full()) break;
      list_.push_back({page, PdfObject(), std::nullopt});
    }
    if (rootLost) ++lostNodesReplaced_;
    const auto linearizedCount = static_cast<size_t>(std::min<int64_t>(linearizedPageCount_, kMaxPageSlots));
    if (linearizedCount > list_.size()) {
      list_.resize(linearizedCount);
    } else if (mayHaveLostPages() && !full()) {
      list_.push_back({std::nullopt, PdfObject(), std::nullopt});
    }
  }

  // True when the file may lack page objects: its trailer was lost (how
  // many objects it had is unknown), or it lacks more of the objects its
  // trailer counts than the lost tree nodes and unreadable pages the list
  // already accounts for. A lost font or image counts too: the answer errs
  // towards reporting a page that cannot be read.
  bool mayHaveLostPages() const {
    if (trailerLost_) return true;
    int64_t size = 0;
    try {
      QPDFObjectHandle entry = qpdf_->getTrailer().getKey("/Size");
      if (entry.isInteger()) size = entry.getIntValue();
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception&) {
      return true;
    }
    if (size <= 1) return false;
    const int64_t limit = std::min<int64_t>(size, std::numeric_limits<int>::max());
    int64_t present = 0;
    for (int number : readable_)
      if (number < limit) ++present;
    int64_t accounted = lostNodesReplaced_;
    for (const Entry& entry : list_)
      if (!entry.readable()) ++accounted;
    return (limit - 1) - present > accounted;
  }

  // Reads every object of the file once: which can be read, the page
  // objects with the nodes above them, and a linearized file's facts.
  void indexObjects() {
    if (indexed_) return;
    indexed_ = true;
    std::optional<QPDFObjGen> linearizedFirstPage;
    qpdf_offset_t firstOffset = -1;
    QPDFObjGen firstObject;
    size_t read = 0;
    const std::map<QPDFObjGen, QPDFXRefEntry> table = qpdf_->getXRefTable();
    for (const auto& [id, xref] : table) {
      if (++read > kMaxIndexedObjects) break;
      if (xref.getType() == 1 && (firstOffset < 0 || xref.getOffset() < firstOffset)) {
        firstOffset = xref.getOffset();
        firstObject = id;
      }
      {
        const PdfObject object(qpdf_->getObjectByObjGen(id));
        ++objectsSinceReading_;
        if (object.isNull()) continue;
        readable_.insert(id.getObj());
        if (object.isDictionary() && object.getName("Type") == "Page") pageObjects_.push_back(id);
      }
      maybeReadAgain();
    }
    // A linearized file opens with a dictionary that gives its page count
    // and its first page, which is usually not its lowest-numbered one.
    if (firstOffset >= 0) {
      const PdfObject first(qpdf_->getObjectByObjGen(firstObject));
      if (first.isDictionary() && first.hasKey("Linearized")) {
        linearizedPageCount_ = std::max<int64_t>(first.getInteger("N").value_or(0), 0);
        if (auto number = first.getInteger("O"); number && *number > 0 && *number <= std::numeric_limits<int>::max())
          linearizedFirstPage = QPDFObjGen(static_cast<int>(*number), 0);
      }
    }
    std::stable_partition(pageObjects_.begin(), pageObjects_.end(),
                          [&](const QPDFObjGen& page) { return linearizedFirstPage == page; });
    for (const QPDFObjGen& page : pageObjects_) {
      {
        std::set<QPDFObjGen> chain;
        PdfObject parent = storedEntry(PdfObject(qpdf_->getObjectByObjGen(page)), "/Parent");
        for (int level = 0; level < kMaxIndexedLevels && parent.isIndirect(); ++level) {
          const QPDFObjGen parentId = objGenOf(parent);
          if (!chain.insert(parentId).second) break;
          pagesBelow_[parentId].push_back(page);
          parent = parent.isDictionary() ? storedEntry(parent, "/Parent") : PdfObject();
        }
      }
      ++objectsSinceReading_;
      maybeReadAgain();
    }
  }

  QPDF* qpdf_;
  bool trailerLost_;
  const ReadAgain& readAgain_;
  // Objects read since the file was last read afresh, and whether a direct
  // node or page forbids reading it afresh.
  uint64_t objectsSinceReading_ = 0;
  bool directMet_ = false;
  std::vector<Entry> list_;
  bool treeDamaged_ = false;
  // Readable nodes without /Kids: where in the list they stood, and which.
  std::vector<std::pair<size_t, QPDFObjGen>> lostNodes_;
  std::set<QPDFObjGen> visited_;
  int64_t lostNodesReplaced_ = 0;

  bool indexed_ = false;
  std::vector<QPDFObjGen> pageObjects_;
  std::map<QPDFObjGen, std::vector<QPDFObjGen>> pagesBelow_;
  std::unordered_set<int> readable_;
  int64_t linearizedPageCount_ = 0;
};

}  // namespace

PageList readPageList(QPDF& qpdf, bool trailerLost, const ReadAgain& readAgain) {
  return PageListReader(qpdf, trailerLost, readAgain).read();
}

bool hasReadablePage(const std::vector<PdfObject>& pages) {
  for (const PdfObject& page : pages)
    if (!page.isNull()) return true;
  return false;
}

}  // namespace platform::pdfdetail
