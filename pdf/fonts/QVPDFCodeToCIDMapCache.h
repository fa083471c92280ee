#pragma once
// Process-wide cache of predefined CMaps: each is parsed once and shared
// read-only by every font, on every thread.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class QVPDFCodeToCIDMap;

class QVPDFCodeToCIDMapCache {
 public:
  static QVPDFCodeToCIDMapCache& shared();

  // The predefined CMap of that name; nullptr when there is none. `depth`
  // counts the usecmap includes that led here: past
  // QVPDFCodeToCIDMap::kMaxUseCMapDepth, or on a name that is already being
  // parsed on this thread (a cycle), the answer is nullptr.
  std::shared_ptr<const QVPDFCodeToCIDMap> getCMap(std::string_view cMapName, int depth = 0);

  // Number of predefined CMaps parsed and kept.
  size_t size() const;

 private:
  QVPDFCodeToCIDMapCache() = default;

  mutable std::mutex mutex_;
  // Key: CMap folder and name, so that a changed data folder is honoured.
  std::map<std::string, std::shared_ptr<const QVPDFCodeToCIDMap>, std::less<>> maps_;
};
