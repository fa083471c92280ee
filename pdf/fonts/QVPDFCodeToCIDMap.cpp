#include "pdf/fonts/QVPDFCodeToCIDMap.h"

#include <algorithm>
#include <map>
#include <optional>

#include "pdf/fonts/CheckedAlloc.h"
#include "pdf/fonts/QVPDFCMapTokenizer.h"
#include "pdf/fonts/QVPDFCodeToCIDMapCache.h"
#include "pdf/fonts/QVPDFMapTool.h"
#include "platform/pdf/object.h"
#include "platform/text/text.h"

namespace {

using Range = QVPDFCodeToCIDMap::Range;
using CodeSpace = QVPDFCodeToCIDMap::CodeSpace;

struct HexCode {
  uint32_t code = 0;
  int nBytes = 0;
};

// "<8140>": an even number of hexadecimal digits, 1 to 4 bytes.
std::optional<HexCode> parseHexCode(std::string_view token) {
  if (token.size() < 4 || token.front() != '<' || token.back() != '>' || token.size() % 2 != 0) return std::nullopt;
  std::string_view digits = token.substr(1, token.size() - 2);
  if (digits.size() > 8) return std::nullopt;
  HexCode out;
  for (char c : digits) {
    int v = platform::text::hexDigitValue(c);
    if (v < 0) return std::nullopt;
    out.code = (out.code << 4) | static_cast<uint32_t>(v);
  }
  out.nBytes = static_cast<int>(digits.size() / 2);
  return out;
}

// A CID: a decimal number that fits 32 bits.
std::optional<uint32_t> parseCID(std::string_view token) {
  if (token.empty() || token.size() > 10) return std::nullopt;
  uint64_t v = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(v);
}

int parseWMode(std::string_view token) {
  return token == "1" ? 1 : 0;
}

uint64_t rangeKey(int nBytes, uint32_t code) {
  return (static_cast<uint64_t>(nBytes) << 32) | code;
}

bool rangeLess(const Range& a, const Range& b) {
  return rangeKey(a.nBytes, a.first) < rangeKey(b.nBytes, b.first);
}

void byteSplit(uint32_t code, int nBytes, uint8_t* out) {
  for (int i = 0; i < nBytes; ++i) out[i] = static_cast<uint8_t>(code >> (8 * (nBytes - 1 - i)));
}

}  // namespace

// Collects code spaces and ranges while a CMap is read, then settles
// overlapping ranges (a later range wins) into the sorted list.
class QVPDFCodeToCIDMap::Builder {
 public:
  explicit Builder(QVPDFCodeToCIDMap& map) : map_(map) {}

  void addCodeSpace(const HexCode& start, const HexCode& end) {
    if (start.nBytes < 2) return;  // one-byte codes need no lead bytes
    CodeSpace space;
    space.nBytes = static_cast<uint8_t>(start.nBytes);
    byteSplit(start.code, start.nBytes, space.low);
    byteSplit(end.code, end.nBytes, space.high);
    if (map_.codeSpaces_.size() >= kMaxCodeSpaces) return;
    map_.codeSpaces_.push_back(space);
  }

  // Codes start..end (numerically, all of start's length) get CIDs counting
  // up from firstCID. The lead bytes of start must lead on to a code of that
  // length; otherwise the range lies outside the code space and adds nothing.
  void addCIDs(const HexCode& start, const HexCode& end, uint32_t firstCID) {
    if (start.code > end.code) return;
    uint8_t bytes[4];
    byteSplit(start.code, start.nBytes, bytes);
    for (int k = 1; k < start.nBytes; ++k)
      if (!map_.leadsOn(bytes, k)) return;
    Range r;
    r.first = start.code;
    r.last = end.code;
    r.cid = firstCID;
    r.nBytes = static_cast<uint8_t>(start.nBytes);
    addRange(r);
  }

  void include(const QVPDFCodeToCIDMap& other) {
    if (other.identity_) {
      CodeSpace space;
      space.nBytes = 2;
      space.high[0] = space.high[1] = 0xFF;
      map_.codeSpaces_.push_back(space);
      addRange(Range{0, 0xFFFF, 0, 2});
      return;
    }
    for (const CodeSpace& space : other.codeSpaces_)
      if (map_.codeSpaces_.size() < kMaxCodeSpaces) map_.codeSpaces_.push_back(space);
    for (const Range& r : other.ranges_) addRange(r);
  }

  void finish() {
    std::vector<Range> sorted = pending_;
    std::stable_sort(sorted.begin(), sorted.end(), rangeLess);
    bool overlapping = false;
    for (size_t i = 1; i < sorted.size() && !overlapping; ++i) {
      const Range& a = sorted[i - 1];
      const Range& b = sorted[i];
      overlapping = a.nBytes == b.nBytes && b.first <= a.last;
    }
    if (overlapping) sorted = settleOverlaps();

    // Merge neighbours that continue each other (runs of single codes).
    std::vector<Range>& out = map_.ranges_;
    out.clear();
    fontalloc::checkedReserve(out, static_cast<int64_t>(sorted.size()));
    for (const Range& r : sorted) {
      if (!out.empty()) {
        Range& prev = out.back();
        if (prev.nBytes == r.nBytes && prev.last != 0xFFFFFFFFu && prev.last + 1 == r.first &&
            prev.cid + (prev.last - prev.first) + 1 == r.cid) {
          prev.last = r.last;
          continue;
        }
      }
      out.push_back(r);
    }
    out.shrink_to_fit();
    pending_.clear();
    pending_.shrink_to_fit();
    map_.codeSpaces_.shrink_to_fit();
  }

 private:
  // Real CMaps have a few dozen code spaces at most.
  static constexpr size_t kMaxCodeSpaces = 256;

  void addRange(const Range& r) {
    if (pending_.size() == pending_.capacity())
      fontalloc::checkedReserve(pending_, static_cast<int64_t>(std::max<size_t>(64, pending_.size() * 2)));
    pending_.push_back(r);
  }

  // Replays the ranges in the order they were added, each cutting away what
  // it covers of earlier ones; answers the result sorted.
  std::vector<Range> settleOverlaps() const {
    std::map<uint64_t, Range> settled;  // key of first code → range
    for (const Range& r : pending_) {
      const uint64_t lo = rangeKey(r.nBytes, r.first);
      const uint64_t hi = rangeKey(r.nBytes, r.last);
      auto it = settled.upper_bound(lo);
      if (it != settled.begin()) --it;
      while (it != settled.end() && it->first <= hi) {
        const Range old = it->second;
        const uint64_t oldLo = it->first;
        const uint64_t oldHi = rangeKey(old.nBytes, old.last);
        if (oldHi < lo) {
          ++it;
          continue;
        }
        it = settled.erase(it);
        if (oldLo < lo) {
          Range left = old;
          left.last = r.first - 1;
          settled.emplace(oldLo, left);
        }
        if (oldHi > hi) {
          Range right = old;
          right.first = r.last + 1;
          right.cid = old.cid + (right.first - old.first);
          settled.emplace(rangeKey(right.nBytes, right.first), right);
          break;  // ranges are disjoint: nothing further can overlap
        }
      }
      settled.emplace(lo, r);
    }
    std::vector<Range> out;
    out.reserve(settled.size());
    for (const auto& entry : settled) out.push_back(entry.second);
    return out;
  }

  QVPDFCodeToCIDMap& map_;
  std::vector<Range> pending_;  // in adding order
};

std::shared_ptr<const QVPDFCodeToCIDMap> QVPDFCodeToCIDMap::identity(std::string cMapName, int wMode) {
  auto map = std::make_shared<QVPDFCodeToCIDMap>(Private{});
  map->cMapName_ = std::move(cMapName);
  map->wMode_ = wMode == 1 ? 1 : 0;
  map->identity_ = true;
  return map;
}

std::shared_ptr<const QVPDFCodeToCIDMap> QVPDFCodeToCIDMap::parse(std::string_view cMapName) {
  return QVPDFCodeToCIDMapCache::shared().getCMap(cMapName);
}

std::shared_ptr<const QVPDFCodeToCIDMap> QVPDFCodeToCIDMap::parseText(std::string_view text, std::string cMapName,
                                                                      int wMode,
                                                                      std::shared_ptr<const QVPDFCodeToCIDMap> base,
                                                                      int depth) {
  auto map = std::make_shared<QVPDFCodeToCIDMap>(Private{});
  map->cMapName_ = std::move(cMapName);
  map->wMode_ = wMode == 1 ? 1 : 0;
  Builder builder(*map);
  if (base) builder.include(*base);

  QVPDFCMapTokenizer tokenizer(text);
  std::string tok1, tok2;
  std::string_view t;
  auto next = [&](std::string& into) {
    if (!tokenizer.getToken(t)) return false;
    into.assign(t);
    return true;
  };
  auto nextTwo = [&]() { return next(tok1) && next(tok2); };

  bool more = nextTwo();
  while (more) {
    if (tok2 == "usecmap" && !tok1.empty() && tok1.front() == '/') {
      auto used = QVPDFCodeToCIDMapCache::shared().getCMap(std::string_view(tok1).substr(1), depth + 1);
      if (used) builder.include(*used);
      more = nextTwo();
    } else if (tok1 == "/WMode") {
      map->wMode_ = parseWMode(tok2);
      more = nextTwo();
    } else if (tok2 == "begincodespacerange") {
      std::string a, b;
      while (next(a) && a != "endcodespacerange" && next(b) && b != "endcodespacerange") {
        auto start = parseHexCode(a), end = parseHexCode(b);
        if (start && end && start->nBytes == end->nBytes) builder.addCodeSpace(*start, *end);
      }
      more = nextTwo();
    } else if (tok2 == "begincidrange") {
      std::string a, b, c;
      while (next(a) && a != "endcidrange" && next(b) && b != "endcidrange" && next(c) && c != "endcidrange") {
        auto start = parseHexCode(a), end = parseHexCode(b);
        auto cid = parseCID(c);
        if (start && end && cid && start->nBytes == end->nBytes) builder.addCIDs(*start, *end, *cid);
      }
      more = nextTwo();
    } else if (tok2 == "begincidchar") {
      std::string a, b;
      while (next(a) && a != "endcidchar" && next(b) && b != "endcidchar") {
        auto code = parseHexCode(a);
        auto cid = parseCID(b);
        if (code && cid) builder.addCIDs(*code, *code, *cid);
      }
      more = nextTwo();
    } else {
      tok1.swap(tok2);
      more = next(tok2);
    }
  }
  builder.finish();
  return map;
}

std::shared_ptr<const QVPDFCodeToCIDMap> QVPDFCodeToCIDMap::parseStream(const platform::PdfObject& stream, int depth) {
  if (!stream.isStream() || depth > kMaxUseCMapDepth) return nullptr;
  std::string text;
  try {
    // Read only as far as the largest CMap file goes.
    text = stream.decodedPrefix(QVPDFMapTool::kMaxCMapFileSize);
  } catch (const std::exception&) {
    return nullptr;
  }
  std::shared_ptr<const QVPDFCodeToCIDMap> base;
  platform::PdfObject use = stream.get("UseCMap");
  if (auto name = use.asName()) {
    base = QVPDFCodeToCIDMapCache::shared().getCMap(*name, depth + 1);
  } else if (use.isStream()) {
    base = parseStream(use, depth + 1);
  }
  // Like a usecmap include, /UseCMap does not pass its writing mode on.
  int wMode = static_cast<int>(stream.getInteger("WMode").value_or(0));
  std::string name = stream.getName("CMapName").value_or(std::string());
  return parseText(text, std::move(name), wMode, base, depth);
}

bool QVPDFCodeToCIDMap::leadsOn(const uint8_t* bytes, int length) const {
  for (const CodeSpace& space : codeSpaces_) {
    if (space.nBytes <= length) continue;
    bool inside = true;
    for (int j = 0; j < length && inside; ++j) inside = space.low[j] <= bytes[j] && bytes[j] <= space.high[j];
    if (inside) return true;
  }
  return false;
}

uint32_t QVPDFCodeToCIDMap::lookup(int nBytes, uint32_t code) const {
  const uint64_t key = rangeKey(nBytes, code);
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), key,
                             [](uint64_t k, const Range& r) { return k < rangeKey(r.nBytes, r.first); });
  if (it == ranges_.begin()) return 0;
  --it;
  if (it->nBytes != nBytes || code > it->last) return 0;
  return it->cid + (code - it->first);
}

uint32_t QVPDFCodeToCIDMap::getCID(std::string_view bytes, int& nUsed) const {
  if (bytes.empty()) {
    nUsed = 0;
    return 0;
  }
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  if (identity_) {
    if (bytes.size() < 2) {
      nUsed = 1;
      return 0;
    }
    nUsed = 2;
    return (static_cast<uint32_t>(b[0]) << 8) | b[1];
  }
  uint32_t code = 0;
  const size_t n = std::min<size_t>(bytes.size(), 4);
  for (size_t i = 0; i < n; ++i) {
    code = (code << 8) | b[i];
    const int length = static_cast<int>(i) + 1;
    if (length < 4 && leadsOn(b, length)) continue;
    nUsed = length;
    return lookup(length, code);
  }
  nUsed = static_cast<int>(bytes.size());
  return 0;
}

size_t QVPDFCodeToCIDMap::memoryUsage() const {
  return sizeof(*this) + cMapName_.capacity() + codeSpaces_.capacity() * sizeof(CodeSpace) +
         ranges_.capacity() * sizeof(Range);
}
