#include "pdf/fonts/QVPDFCodeToCIDMapCache.h"

#include <algorithm>
#include <vector>

#include "pdf/fonts/QVPDFCodeToCIDMap.h"
#include "pdf/fonts/QVPDFMapTool.h"

namespace {

// Names whose parse is under way on this thread: a CMap that (through other
// CMaps) uses itself is cut off instead of recursing without end.
thread_local std::vector<std::string> tParsing;

class ParsingMark {
 public:
  explicit ParsingMark(std::string name) { tParsing.push_back(std::move(name)); }
  ~ParsingMark() { tParsing.pop_back(); }
  ParsingMark(const ParsingMark&) = delete;
  ParsingMark& operator=(const ParsingMark&) = delete;
};

}  // namespace

QVPDFCodeToCIDMapCache& QVPDFCodeToCIDMapCache::shared() {
  static QVPDFCodeToCIDMapCache cache;
  return cache;
}

size_t QVPDFCodeToCIDMapCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return maps_.size();
}

std::shared_ptr<const QVPDFCodeToCIDMap> QVPDFCodeToCIDMapCache::getCMap(std::string_view cMapName, int depth) {
  if (cMapName.empty() || depth > QVPDFCodeToCIDMap::kMaxUseCMapDepth) return nullptr;
  if (cMapName == "Identity" || cMapName == "Identity-H" || cMapName == "Identity-V") {
    static const auto kIdentity = QVPDFCodeToCIDMap::identity("Identity", 0);
    static const auto kIdentityH = QVPDFCodeToCIDMap::identity("Identity-H", 0);
    static const auto kIdentityV = QVPDFCodeToCIDMap::identity("Identity-V", 1);
    return cMapName == "Identity" ? kIdentity : cMapName == "Identity-H" ? kIdentityH : kIdentityV;
  }

  std::string key = QVPDFMapTool::cMapDirectory();
  key += '\n';
  key += cMapName;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = maps_.find(key);
    if (it != maps_.end()) return it->second;
  }
  if (std::find(tParsing.begin(), tParsing.end(), key) != tParsing.end()) return nullptr;

  // Parsed outside the lock: a usecmap include comes back here. Two threads
  // asking at once may both parse; the first result stored is the one kept.
  // Unknown names are not remembered: they come from documents and are
  // answered from the in-memory file index anyway.
  auto text = QVPDFMapTool::findCMapFile(cMapName);
  if (!text) return nullptr;
  std::shared_ptr<const QVPDFCodeToCIDMap> map;
  {
    ParsingMark mark(key);
    map = QVPDFCodeToCIDMap::parseText(*text, std::string(cMapName), 0, nullptr, depth);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  return maps_.emplace(std::move(key), std::move(map)).first->second;
}
