#include "pdf/fonts/QVPDFCharCodeToUnicode.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "pdf/fonts/CheckedAlloc.h"
#include "pdf/fonts/QVPDFCMapTokenizer.h"
#include "pdf/fonts/QVPDFMapTool.h"
#include "platform/text/text.h"

namespace {

// Mappings one parse may make: far above any real map (a full 16-bit code
// space is 65536), low enough that a stream of huge bfranges cannot hang.
constexpr uint64_t kMappingBudget = 1u << 20;
// usecmap of a ToUnicode map reaches only collection maps, which are parsed
// with includes off.
constexpr int kIncludesOff = 1;

std::optional<uint32_t> parseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : digits) {
    int d = platform::text::hexDigitValue(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

bool isBracketed(std::string_view token) {
  return token.size() >= 2 && token.front() == '<' && token.back() == '>';
}

// A source code: "<" + digits + ">" with a digit count the map accepts.
std::optional<uint32_t> parseSource(std::string_view token, int nBits) {
  if (!isBracketed(token)) return std::nullopt;
  const size_t digits = token.size() - 2;
  const bool accepted = nBits == 8 ? digits == 2 : (digits == 4 || digits == 2);
  if (!accepted) return std::nullopt;
  return parseHex(token.substr(1, digits));
}

bool validCharacter(char32_t c) {
  return c != 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

QVPDFCharCodeToUnicode::QVPDFCharCodeToUnicode(std::string tag) : tag_(std::move(tag)), map_(256, 0) {}

std::shared_ptr<const QVPDFCharCodeToUnicode> QVPDFCharCodeToUnicode::parseCMap(std::string_view text, int nBits) {
  auto map = std::make_shared<QVPDFCharCodeToUnicode>("ToUnicode");
  map->parseCMap1(text, nBits == 8 ? 8 : 16, 0);
  return map;
}

std::shared_ptr<const QVPDFCharCodeToUnicode> QVPDFCharCodeToUnicode::collectionMap(std::string_view collection) {
  auto fileName = QVPDFMapTool::toUnicodeFileName(collection);
  if (!fileName) return nullptr;
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const QVPDFCharCodeToUnicode>, std::less<>> cache;
  const std::string key = QVPDFMapTool::cMapDirectory() + '\n' + *fileName;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  auto text = QVPDFMapTool::findCMapFile(*fileName);
  if (!text) return nullptr;
  auto map = std::make_shared<QVPDFCharCodeToUnicode>("ToUnicode");
  map->parseCMap1(*text, 16, kIncludesOff);
  std::lock_guard<std::mutex> lock(mutex);
  return cache.emplace(key, std::move(map)).first->second;
}

bool QVPDFCharCodeToUnicode::spendBudget() {
  if (budget_ == 0) return false;
  --budget_;
  return true;
}

void QVPDFCharCodeToUnicode::parseCMap1(std::string_view text, int nBits, int depth) {
  budget_ = kMappingBudget;
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
      if (depth == 0) {
        std::string_view name = std::string_view(tok1).substr(1);
        if (name.size() > 5 && name.substr(name.size() - 5) == "-UCS2") name.remove_suffix(5);
        if (auto used = collectionMap(name)) merge(*used);
      }
      more = nextTwo();
    } else if (tok2 == "beginbfchar") {
      std::string src, dst;
      while (next(src) && src != "endbfchar" && next(dst) && dst != "endbfchar") {
        auto code = parseSource(src, nBits);
        if (code && isBracketed(dst)) addMapping(*code, std::string_view(dst).substr(1, dst.size() - 2), 0);
      }
      more = nextTwo();
    } else if (tok2 == "beginbfrange") {
      std::string a, b, dst;
      bool sectionOpen = true;
      while (sectionOpen && next(a) && a != "endbfrange" && next(b) && b != "endbfrange" && next(dst) &&
             dst != "endbfrange") {
        auto start = parseSource(a, nBits), end = parseSource(b, nBits);
        if (dst == "[") {
          // Every element up to "]" is read, so that an array longer than its
          // range does not run into the next entries.
          std::string element;
          uint64_t code = start ? *start : 0;
          while (next(element) && element != "]") {
            if (element == "endbfrange") {
              sectionOpen = false;
              break;
            }
            if (start && end && code <= *end && isBracketed(element))
              addMapping(static_cast<uint32_t>(code), std::string_view(element).substr(1, element.size() - 2), 0);
            ++code;
          }
        } else if (start && end && isBracketed(dst)) {
          std::string_view digits = std::string_view(dst).substr(1, dst.size() - 2);
          for (uint64_t code = *start; code <= *end && budget_ > 0; ++code)
            addMapping(static_cast<uint32_t>(code), digits, static_cast<uint32_t>(code - *start));
        }
      }
      more = nextTwo();
    } else {
      tok1.swap(tok2);
      more = next(tok2);
    }
  }
}

void QVPDFCharCodeToUnicode::setSingle(uint32_t code, char32_t value) {
  if (code >= map_.size()) {
    if (value == 0) return;
    const int64_t newSize = (static_cast<int64_t>(code) + 256) & ~int64_t{255};
    fontalloc::checkedResize(map_, newSize, char32_t{0});
  }
  map_[code] = value;
  spaceCode_.store(kSpaceCodeUnknown, std::memory_order_relaxed);
}

void QVPDFCharCodeToUnicode::addMapping(uint32_t code, std::string_view hexDigits, uint32_t offset) {
  if (code > kMaxCode || !spendBudget()) return;
  if (hexDigits.size() <= 4) {
    auto v = parseHex(hexDigits);
    if (!v) return;
    const char32_t value = *v + offset;
    setSingle(code, validCharacter(value) ? value : 0);
    return;
  }
  // Groups of four digits are UTF-16 units; extra digits are ignored.
  const size_t nUnits = std::min<size_t>(hexDigits.size() / 4, 2 * kMaxValueLength);
  std::u32string units;
  units.reserve(nUnits);
  for (size_t i = 0; i < nUnits; ++i) {
    auto v = parseHex(hexDigits.substr(4 * i, 4));
    if (!v) return;
    units.push_back(*v);
  }
  units.back() += offset;
  std::u32string chars;
  for (size_t i = 0; i < units.size() && chars.size() < kMaxValueLength; ++i) {
    const char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      chars.push_back(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (validCharacter(u)) {
      chars.push_back(u);
    }
  }
  if (chars.empty()) return;
  if (chars.size() == 1) {
    setSingle(code, chars.front());
    return;
  }
  setSingle(code, 0);
  sMap_.emplace(code, std::move(chars));
}

void QVPDFCharCodeToUnicode::merge(const QVPDFCharCodeToUnicode& other) {
  for (uint32_t code = 0; code < other.map_.size(); ++code)
    if (other.map_[code] != 0) setSingle(code, other.map_[code]);
  for (const auto& [code, chars] : other.sMap_) {
    setSingle(code, 0);
    sMap_.emplace(code, chars);
  }
}

int QVPDFCharCodeToUnicode::mapToUnicode(uint32_t code, char32_t* u, int uSize) const {
  if (uSize <= 0 || code > kMaxCode) return 0;
  if (code < map_.size() && map_[code] != 0) {
    u[0] = map_[code];
    return 1;
  }
  auto it = sMap_.find(code);
  if (it == sMap_.end()) return 0;
  const int n = std::min<int>(uSize, static_cast<int>(it->second.size()));
  std::copy_n(it->second.begin(), n, u);
  return n;
}

std::u32string QVPDFCharCodeToUnicode::mapToUnicode(uint32_t code) const {
  char32_t buffer[kMaxValueLength];
  const int n = mapToUnicode(code, buffer, static_cast<int>(kMaxValueLength));
  return std::u32string(buffer, static_cast<size_t>(n));
}

uint32_t QVPDFCharCodeToUnicode::spaceCIDCode() const {
  // Asked for every string shown in the font, and a map may hold 65,536
  // codes: the answer is found once.
  const int64_t known = spaceCode_.load(std::memory_order_relaxed);
  if (known != kSpaceCodeUnknown) return static_cast<uint32_t>(known);
  uint32_t space = 0;
  for (uint32_t code = 0; code < map_.size(); ++code)
    if (map_[code] == U' ') {
      space = code;
      break;
    }
  spaceCode_.store(space, std::memory_order_relaxed);
  return space;
}

size_t QVPDFCharCodeToUnicode::memoryUsage() const {
  size_t bytes = sizeof(*this) + tag_.capacity() + map_.capacity() * sizeof(char32_t);
  bytes += sMap_.bucket_count() * sizeof(void*);
  for (const auto& entry : sMap_)
    bytes += sizeof(entry) + 2 * sizeof(void*) + entry.second.capacity() * sizeof(char32_t);
  return bytes;
}
