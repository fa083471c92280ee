#include "platform/text/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <system_error>

namespace platform::text {

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes one UTF-8 sequence at `pos` and advances past it. An ill-formed
// sequence yields U+FFFD and advances past its longest valid prefix (at least
// one byte), so one bad byte never swallows the good text after it.
char32_t nextCodePoint(std::string_view s, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length;
  char32_t cp;
  unsigned char lowest = 0x80, highest = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) lowest = 0xA0;   // overlong
    if (lead == 0xED) highest = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) lowest = 0x90;   // overlong
    if (lead == 0xF4) highest = 0x8F;  // above U+10FFFF
  } else {
    ++pos;
    return kReplacement;
  }
  size_t i = pos + 1;
  for (int k = 1; k < length; ++k, ++i) {
    const unsigned char lo = k == 1 ? lowest : 0x80;
    const unsigned char hi = k == 1 ? highest : 0xBF;
    if (i >= s.size() || byte(i) < lo || byte(i) > hi) {
      pos = i;
      return kReplacement;
    }
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  pos = i;
  return cp;
}

template <typename Each>
void forEachCodePoint(std::string_view utf8, Each each) {
  size_t pos = 0;
  while (pos < utf8.size()) each(nextCodePoint(utf8, pos));
}

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Joins surrogate pairs of a stream of 16-bit units; lone halves vanish.
template <typename Unit>
std::string utf8FromUnits(size_t count, Unit unitAt) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const char32_t u = unitAt(i);
    if (!isSurrogate(u)) {
      appendUtf8(out, u);
    } else if (isHighSurrogate(u) && i + 1 < count && isLowSurrogate(unitAt(i + 1))) {
      const char32_t low = unitAt(i + 1);
      appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
      ++i;
    }
  }
  return out;
}

// Wide enough for any double in fixed notation: 309 integer digits, a sign,
// a point and the largest precision we allow.
constexpr int kMaxPrecision = 100;
constexpr size_t kFixedBuffer = 512;
// Shortest fixed notation of the smallest subnormal needs about 330 places;
// 1e308 needs 309 digits.
constexpr size_t kShortestBuffer = 800;

}  // namespace

char32_t codePointAt(std::string_view utf8, size_t& pos) { return nextCodePoint(utf8, pos); }

void appendUtf8(std::string& out, char32_t cp) {
  if (isSurrogate(cp) || cp > 0x10FFFF) return;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string utf8FromCodePoint(char32_t codePoint) {
  std::string out;
  appendUtf8(out, codePoint);
  return out;
}

std::u32string decodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  forEachCodePoint(utf8, [&](char32_t cp) { out.push_back(cp); });
  return out;
}

std::string encodeUtf8(std::u32string_view codePoints) {
  std::string out;
  out.reserve(codePoints.size());
  for (char32_t cp : codePoints) appendUtf8(out, cp);
  return out;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
  return utf8FromUnits(utf16.size(), [&](size_t i) { return static_cast<char32_t>(utf16[i]); });
}

std::u16string utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  forEachCodePoint(utf8, [&](char32_t cp) { appendUtf16(out, cp); });
  return out;
}

std::string utf8FromUtf16BE(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF)
    bytes.remove_prefix(2);
  // A trailing odd byte is half a unit and carries no character.
  return utf8FromUnits(bytes.size() / 2, [&](size_t i) {
    return static_cast<char32_t>((static_cast<unsigned char>(bytes[2 * i]) << 8) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]));
  });
}

size_t utf16Length(std::string_view utf8) {
  size_t units = 0;
  forEachCodePoint(utf8, [&](char32_t cp) { units += cp >= 0x10000 ? 2 : 1; });
  return units;
}

void appendFixed(std::string& out, double value, int precision) {
  precision = std::clamp(precision, 0, kMaxPrecision);
  char buffer[kFixedBuffer];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

std::string formatFixed(double value, int precision) {
  std::string out;
  appendFixed(out, value, precision);
  return out;
}

std::string formatShortest(double value) {
  // Fixed notation: exponents are not numbers in every format we write.
  char buffer[kShortestBuffer];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return {};
  return std::string(buffer, result.ptr);
}

void appendInteger(std::string& out, int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::string formatInteger(int64_t value) {
  std::string out;
  appendInteger(out, value);
  return out;
}

namespace {

size_t skipSpace(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

}  // namespace

int64_t integerValue(std::string_view text) {
  size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    const int digit = text[i] - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

double doubleValue(std::string_view text) {
  size_t i = skipSpace(text);
  // from_chars takes a minus but no plus.
  if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-') ++i;
  double value = 0;
  const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) return 0;
  return result.ec == std::errc() ? value : 0;
}

bool boolValue(std::string_view text) {
  size_t i = skipSpace(text);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace platform::text
