#include "tests/sweep/damage.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace sweep {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

bool inside(const std::vector<Span>& spans, size_t pos) {
  auto it = std::upper_bound(spans.begin(), spans.end(), pos, [](size_t p, const Span& s) { return p < s.begin; });
  if (it == spans.begin()) return false;
  --it;
  return pos >= it->begin && pos < it->end;
}

std::string percent(double fraction) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", static_cast<int>(fraction * 100 + 0.5));
  return text;
}

}  // namespace

uint64_t Random::next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t seedForName(std::string_view name) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
  return h;
}

std::vector<Span> streamSpans(std::string_view pdf) {
  std::vector<Span> spans;
  size_t pos = 0;
  while ((pos = pdf.find("stream", pos)) != std::string_view::npos) {
    const size_t keyword = pos;
    pos += 6;
    if (keyword >= 3 && pdf.substr(keyword - 3, 3) == "end") continue;
    size_t begin = pos;
    if (begin < pdf.size() && pdf[begin] == '\r') ++begin;
    if (begin < pdf.size() && pdf[begin] == '\n') ++begin;
    if (begin == pos) continue;  // "stream" not followed by an end of line: a word in some text
    const size_t end = pdf.find("endstream", begin);
    if (end == std::string_view::npos) {
      spans.push_back({begin, pdf.size()});
      break;
    }
    spans.push_back({begin, end});
    pos = end + 9;
  }
  return spans;
}

std::vector<Span> objectSpans(std::string_view pdf) {
  const std::vector<Span> streams = streamSpans(pdf);
  std::vector<Span> spans;
  size_t pos = 0;
  while ((pos = pdf.find(" obj", pos)) != std::string_view::npos) {
    const size_t keyword = pos;
    pos += 4;
    if (inside(streams, keyword)) continue;
    // Back over "G" and " N".
    size_t p = keyword;
    size_t digits = 0;
    while (p > 0 && isDigit(pdf[p - 1])) --p, ++digits;
    if (digits == 0 || p == 0 || pdf[p - 1] != ' ') continue;
    --p;
    digits = 0;
    while (p > 0 && isDigit(pdf[p - 1])) --p, ++digits;
    if (digits == 0 || (p > 0 && !isSpace(pdf[p - 1]))) continue;
    const size_t end = pdf.find("endobj", pos);
    if (end == std::string_view::npos) break;
    spans.push_back({p, end + 6});
    pos = end + 6;
  }
  return spans;
}

Variant truncated(std::string_view pdf, double fraction) {
  const size_t length = static_cast<size_t>(static_cast<double>(pdf.size()) * fraction);
  return {"truncated at " + percent(fraction), std::string(pdf.substr(0, length))};
}

Variant streamBytesFlipped(std::string_view pdf, uint64_t seed, size_t count) {
  Variant v{"stream bytes flipped (" + std::to_string(count) + ")", std::string(pdf)};
  std::vector<Span> spans = streamSpans(pdf);
  std::erase_if(spans, [](const Span& s) { return s.size() == 0; });
  if (spans.empty()) return v;
  Random random(seed);
  for (size_t i = 0; i < count; ++i) {
    const Span& span = spans[random.below(spans.size())];
    const size_t at = span.begin + random.below(span.size());
    v.bytes[at] = static_cast<char>(~static_cast<unsigned char>(v.bytes[at]));
  }
  return v;
}

Variant streamRunZeroed(std::string_view pdf, uint64_t seed, size_t length) {
  Variant v{"stream run zeroed (" + std::to_string(length) + ")", std::string(pdf)};
  std::vector<Span> spans = streamSpans(pdf);
  std::erase_if(spans, [](const Span& s) { return s.size() == 0; });
  if (spans.empty()) return v;
  Random random(seed);
  const Span& span = spans[random.below(spans.size())];
  const size_t at = span.begin + random.below(span.size());
  std::fill_n(v.bytes.begin() + static_cast<std::ptrdiff_t>(at), std::min(length, span.end - at), '\0');
  return v;
}

Variant startXrefBroken(std::string_view pdf, uint64_t seed) {
  Variant v{"startxref offset broken", std::string(pdf)};
  const size_t keyword = pdf.rfind("startxref");
  if (keyword == std::string_view::npos) return v;
  size_t begin = keyword + 9;
  while (begin < pdf.size() && isSpace(pdf[begin])) ++begin;
  size_t end = begin;
  while (end < pdf.size() && isDigit(pdf[end])) ++end;
  if (end == begin || end - begin > 15) return v;
  const long long offset = std::stoll(std::string(pdf.substr(begin, end - begin)));
  Random random(seed);
  const long long shift = static_cast<long long>(random.below(200)) - 100;
  const long long broken = std::max(0LL, offset + (shift == 0 ? 1 : shift));
  v.bytes.replace(begin, end - begin, std::to_string(broken));
  return v;
}

Variant xrefEntriesBroken(std::string_view pdf, uint64_t seed) {
  Variant v{"xref entries broken", std::string(pdf)};
  Random random(seed);
  const size_t every = 2 + random.below(3);
  size_t changed = 0;
  // Table entries: "nnnnnnnnnn ggggg n" at the start of a line.
  size_t pos = 0;
  size_t entry = 0;
  while ((pos = pdf.find(" n", pos)) != std::string_view::npos) {
    const size_t end = pos + 2;
    pos = end;
    if (end < 18 || (end < pdf.size() && !isSpace(pdf[end]))) continue;
    const size_t start = end - 18;
    bool shaped = start == 0 || isSpace(pdf[start - 1]);
    for (size_t i = 0; shaped && i < 10; ++i) shaped = isDigit(pdf[start + i]);
    shaped = shaped && pdf[start + 10] == ' ';
    for (size_t i = 11; shaped && i < 16; ++i) shaped = isDigit(pdf[start + i]);
    if (!shaped) continue;
    if (entry++ % every != 0) continue;
    const long long offset = std::stoll(std::string(pdf.substr(start, 10)));
    const long long broken = std::max(0LL, offset + static_cast<long long>(random.below(61)) - 30);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010lld", broken % 10000000000LL);
    v.bytes.replace(start, 10, digits);
    ++changed;
  }
  if (changed > 0) return v;
  // Cross-reference streams: flip bytes in the data of the streams whose
  // dictionary says /XRef.
  for (const Span& span : streamSpans(pdf)) {
    const size_t from = span.begin > 400 ? span.begin - 400 : 0;
    const std::string_view dict = pdf.substr(from, span.begin - from);
    const size_t objStart = dict.rfind(" obj");
    const std::string_view own = objStart == std::string_view::npos ? dict : dict.substr(objStart);
    if (own.find("/XRef") == std::string_view::npos || span.size() == 0) continue;
    for (int i = 0; i < 8; ++i) {
      const size_t at = span.begin + random.below(span.size());
      v.bytes[at] = static_cast<char>(~static_cast<unsigned char>(v.bytes[at]));
    }
    ++changed;
  }
  if (changed == 0) return streamBytesFlipped(pdf, seed, 8);
  return v;
}

Variant streamLengthsBroken(std::string_view pdf, uint64_t seed) {
  Variant v{"stream lengths broken", std::string(pdf)};
  Random random(seed);
  // From the back, so that replacements of another width keep the earlier
  // positions right.
  size_t pos = pdf.size();
  while (pos > 0 && (pos = pdf.rfind("/Length", pos - 1)) != std::string_view::npos) {
    size_t begin = pos + 7;
    while (begin < pdf.size() && isSpace(pdf[begin])) ++begin;
    size_t end = begin;
    while (end < pdf.size() && isDigit(pdf[end])) ++end;
    // "/Length 12 0 R" is a reference: left alone.
    size_t after = end;
    while (after < pdf.size() && isSpace(pdf[after])) ++after;
    if (end == begin || end - begin > 12 || (after < pdf.size() && isDigit(pdf[after]))) continue;
    const long long length = std::stoll(std::string(pdf.substr(begin, end - begin)));
    const long long change = static_cast<long long>(random.below(64)) + 1;
    const long long broken = random.below(2) == 0 ? std::max(0LL, length - change) : length + change;
    v.bytes.replace(begin, end - begin, std::to_string(broken));
  }
  return v;
}

Variant objectBlanked(std::string_view pdf, uint64_t seed) {
  Variant v{"object blanked", std::string(pdf)};
  const std::vector<Span> spans = objectSpans(pdf);
  if (spans.empty()) return v;
  Random random(seed);
  const Span& span = spans[random.below(spans.size())];
  v.name += " at " + std::to_string(span.begin);
  std::fill_n(v.bytes.begin() + static_cast<std::ptrdiff_t>(span.begin), span.size(), ' ');
  return v;
}

Variant objectsCut(std::string_view pdf, uint64_t seed, size_t count) {
  Variant v{"objects cut (" + std::to_string(count) + ")", std::string(pdf)};
  const std::vector<Span> spans = objectSpans(pdf);
  if (spans.empty()) return v;
  Random random(seed);
  std::set<size_t> chosen;
  for (size_t i = 0; i < count * 4 && chosen.size() < std::min(count, spans.size()); ++i)
    chosen.insert(random.below(spans.size()));
  // From the back, so earlier spans keep their positions.
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) v.bytes.erase(spans[*it].begin, spans[*it].size());
  return v;
}

std::vector<Variant> sweepVariants(std::string_view pdf, uint64_t seed) {
  std::vector<Variant> variants;
  for (double fraction : {0.1, 0.3, 0.5, 0.7, 0.9, 0.99}) variants.push_back(truncated(pdf, fraction));
  variants.push_back(streamBytesFlipped(pdf, seed + 1, 4));
  variants.push_back(streamBytesFlipped(pdf, seed + 2, 64));
  variants.push_back(streamBytesFlipped(pdf, seed + 3, 1024));
  variants.push_back(streamRunZeroed(pdf, seed + 4, 256));
  variants.push_back(streamRunZeroed(pdf, seed + 5, 4096));
  variants.push_back(streamLengthsBroken(pdf, seed + 6));
  variants.push_back(startXrefBroken(pdf, seed + 7));
  variants.push_back(xrefEntriesBroken(pdf, seed + 8));
  for (uint64_t i = 0; i < 3; ++i) variants.push_back(objectBlanked(pdf, seed + 9 + i));
  variants.push_back(objectsCut(pdf, seed + 12, 3));
  variants.push_back(objectsCut(pdf, seed + 13, 12));
  return variants;
}

}  // namespace sweep
