#include "xlsx/QVExcelNumber.h"

#include <algorithm>

#include "platform/text/text.h"
#include "xlsx/QVNumberUtils.h"

namespace {

constexpr char32_t kBlank = U' ';

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool isSymbol(char32_t c) { return c == U'\uFFE5' || c == U'\u00A5' || c == U'$' || c == U'\u20AC'; }

void trimBlanks(std::u32string& s) {
  const size_t first = s.find_first_not_of(kBlank);
  if (first == std::u32string::npos) {
    s.clear();
    return;
  }
  s.erase(s.find_last_not_of(kBlank) + 1);
  s.erase(0, first);
}

size_t digitsBefore(const std::u32string& s, size_t end) {
  size_t n = 0;
  while (n < end && isDigit(s[end - 1 - n])) ++n;
  return n;
}

size_t digitsFrom(const std::u32string& s, size_t start) {
  size_t n = 0;
  while (start + n < s.size() && isDigit(s[start + n])) ++n;
  return n;
}

// The text without its blanks, when each run of them stands where a blank
// changes nothing: after a sign or a leading symbol, before a trailing
// symbol or the percent sign, or between groups of three digits (1 234 567).
// Blanks anywhere else ("12 34", two numbers side by side) keep the text a
// text. The text is trimmed already.
std::optional<std::u32string> withoutBlanks(const std::u32string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (s[i] != kBlank) {
      out += s[i++];
      continue;
    }
    const size_t start = i;
    while (i < s.size() && s[i] == kBlank) ++i;
    const char32_t before = s[start - 1];
    const char32_t after = s[i];
    if (before == U'-' || isSymbol(before) || after == U'%' || isSymbol(after)) continue;
    if (!isDigit(before) || !isDigit(after) || digitsFrom(s, i) != 3) return std::nullopt;
    // The group before is the first (one to three digits) or a full group
    // that itself follows a blank between digits.
    const size_t groupStart = start - digitsBefore(s, start);
    size_t blankStart = groupStart;
    while (blankStart > 0 && s[blankStart - 1] == kBlank) --blankStart;
    const bool followsGroupBlank = blankStart < groupStart && blankStart > 0 && isDigit(s[blankStart - 1]);
    const size_t group = start - groupStart;
    if (followsGroupBlank ? group != 3 : group > 3) return std::nullopt;
  }
  return out;
}

// A left-to-right scan of the patterns of recognised numbers.
class Scan {
 public:
  explicit Scan(const std::u32string& s) : s_(s) {}

  bool take(char32_t c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool takeSymbol() {
    if (i_ < s_.size() && isSymbol(s_[i_])) {
      ++i_;
      return true;
    }
    return false;
  }
  size_t takeDigits(size_t most = SIZE_MAX) {
    size_t n = 0;
    while (n < most && i_ < s_.size() && isDigit(s_[i_])) ++i_, ++n;
    return n;
  }
  // An optional decimal part: the separator and at least one digit.
  bool takeDecimals(char32_t decimal) { return !take(decimal) || takeDigits() > 0; }
  bool atEnd() const { return i_ == s_.size(); }

 private:
  const std::u32string& s_;
  size_t i_ = 0;
};

// -?D+(dD+)? and, for a percentage, the sign at its end.
bool matchesPlain(const std::u32string& s, char32_t decimal, bool percent) {
  Scan scan(s);
  scan.take(U'-');
  if (scan.takeDigits() == 0 || !scan.takeDecimals(decimal)) return false;
  if (percent && !scan.take(U'%')) return false;
  return scan.atEnd();
}

enum class Symbol { None, Before, After };

// -?S?D{1,3}(tD{3}){minGroups,}(dD+)?S? with the symbol S where asked.
bool matchesGrouped(const std::u32string& s, char32_t thousands, char32_t decimal, size_t minGroups, Symbol symbol) {
  Scan scan(s);
  scan.take(U'-');
  if (symbol == Symbol::Before && !scan.takeSymbol()) return false;
  if (scan.takeDigits(3) == 0) return false;
  size_t groups = 0;
  while (scan.take(thousands)) {
    if (scan.takeDigits(3) != 3) return false;
    ++groups;
  }
  if (groups < minGroups || !scan.takeDecimals(decimal)) return false;
  if (symbol == Symbol::After && !scan.takeSymbol()) return false;
  return scan.atEnd();
}

// The first kind whose pattern the text matches, tried in the convention's
// order.
std::optional<uint64_t> kindOf(const std::u32string& s, bool dotConvention) {
  const char32_t thousands = dotConvention ? U'.' : U',';
  const char32_t decimal = dotConvention ? U',' : U'.';
  if (matchesPlain(s, decimal, false)) return dotConvention ? QVExcelNumber::kGeneralComma : QVExcelNumber::kGeneralDot;
  if (matchesPlain(s, decimal, true)) return dotConvention ? QVExcelNumber::kPercentComma : QVExcelNumber::kPercentDot;
  if (matchesGrouped(s, thousands, decimal, 1, Symbol::None))
    return dotConvention ? QVExcelNumber::kThousandsDot : QVExcelNumber::kThousandsComma;
  if (matchesGrouped(s, thousands, decimal, 0, Symbol::Before))
    return dotConvention ? QVExcelNumber::kCurrencyBeforeDot : QVExcelNumber::kCurrencyBeforeComma;
  if (matchesGrouped(s, thousands, decimal, 0, Symbol::After))
    return dotConvention ? QVExcelNumber::kCurrencyAfterDot : QVExcelNumber::kCurrencyAfterComma;
  return std::nullopt;
}

// The sign, the digits and the one decimal point of the value: every other
// character (symbols, thousands separators, the percent sign) left out.
std::string plainValue(const std::u32string& s, char32_t decimal) {
  std::string value;
  for (char32_t c : s) {
    if (c == U'-' || isDigit(c)) value += static_cast<char>(c);
    else if (c == decimal) value += '.';
  }
  return value;
}

// A percentage as a fraction: the decimal point moved two places to the
// left in the digits themselves, so that no digit is rounded away
// (1.23456 % is 0.0123456); trailing zeros of the fraction are dropped.
std::string percentValue(const std::string& plain) {
  const bool negative = !plain.empty() && plain[0] == '-';
  const std::string digits = negative ? plain.substr(1) : plain;
  const size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
  if (whole.size() < 2) whole.insert(0, 2 - whole.size(), '0');
  fraction.insert(0, whole.substr(whole.size() - 2));
  whole.erase(whole.size() - 2);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.empty()) whole.push_back('0');
  fraction.erase(fraction.find_last_not_of('0') + 1);
  if (whole == "0" && fraction.empty()) return "0";
  std::string value;
  if (negative) value += '-';
  value += whole;
  if (!fraction.empty()) {
    value += '.';
    value += fraction;
  }
  return value;
}

size_t significantDigits(const std::string& value) {
  std::string digits;
  for (char c : value)
    if (c >= '0' && c <= '9') digits += c;
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? 0 : digits.size() - first;
}

// Digits after the decimal separator.
int32_t decimalLength(const std::u32string& s, char32_t decimal) {
  const size_t point = s.find(decimal);
  return point == std::u32string::npos ? 0 : static_cast<int32_t>(digitsFrom(s, point + 1));
}

}  // namespace

std::string_view QVExcelNumber::getThousandSepartor(uint64_t type) {
  return type == 3 || type == 5 || type == 7 ? "." : ",";
}

std::string_view QVExcelNumber::getDecimalSepartor(uint64_t type) {
  return type == 0 || type == 2 || type == 4 || type == 6 || type == 9 ? "." : ",";
}

QVExcelNumber::QVExcelNumber(std::string_view text, std::string_view thousandSepartor) {
  if (text.size() > kMaxTextLength * 4) return;
  std::u32string s = platform::text::decodeUtf8(text);
  if (s.size() > kMaxTextLength) return;
  trimBlanks(s);
  // An amount in parentheses is negative, the bookkeeping way; a parenthesis
  // anywhere else makes the text a text.
  bool negative = false;
  if (s.size() >= 2 && s.front() == U'(' && s.back() == U')') {
    negative = true;
    s = s.substr(1, s.size() - 2);
    trimBlanks(s);
  }
  if (s.find_first_of(U"()") != std::u32string::npos) return;
  const std::optional<std::u32string> compact = withoutBlanks(s);
  if (!compact || (negative && !compact->empty() && compact->front() == U'-')) return;

  const bool dotConvention = thousandSepartor == ".";
  const std::optional<uint64_t> kind = kindOf(*compact, dotConvention);
  if (!kind) return;
  const char32_t decimal = dotConvention ? U',' : U'.';
  std::string value = plainValue(*compact, decimal);
  if (significantDigits(value) > kMaxSignificantDigits) return;
  if (negative) value.insert(0, 1, '-');

  type_ = *kind;
  thousandSepartor_ = std::string(getThousandSepartor(type_));
  decimalSepartor_ = std::string(getDecimalSepartor(type_));
  if (isGeneralNumber(type_)) {
    numID_ = 0;
  } else if (isPercentNumber(type_)) {
    numID_ = compact->find(decimal) == std::u32string::npos ? 9 : 10;
    value = percentValue(value);
  } else {
    const std::string utf8 = platform::text::encodeUtf8(*compact);
    if (isCurrency(type_)) currencySymbol_ = std::string(QVNumberUtils::getSymbol(utf8));
    const int32_t decimals = decimalLength(*compact, decimal);
    formatCode_ = currencySymbol_.empty()
                      ? QVNumberUtils::numberCodeWithDecimalLength(decimals)
                      : QVNumberUtils::currencyFormatWithDecimalLength(decimals, currencySymbol_, type_);
  }
  readNumber_ = std::move(value);
  isNumber_ = true;
}
