#include "pdf/fonts/QVPDFFontUtilities.h"

#include <algorithm>

#include "pdf/fonts/generated/UnicodeLetters.h"
#include "platform/text/text.h"

namespace {

using qvfontdata::CodePointPair;

const CodePointPair* findPair(const CodePointPair* table, size_t count, char32_t c) {
  const CodePointPair* end = table + count;
  const CodePointPair* it =
      std::lower_bound(table, end, c, [](const CodePointPair& p, char32_t v) { return p.first < v; });
  return it != end && it->first == c ? it : nullptr;
}

bool isCasedLetter(char32_t c) {
  using qvfontdata::kCasedLetterRanges;
  const CodePointPair* end = kCasedLetterRanges + qvfontdata::kCasedLetterRangesCount;
  const CodePointPair* it =
      std::upper_bound(kCasedLetterRanges, end, c, [](char32_t v, const CodePointPair& r) { return v < r.first; });
  if (it == kCasedLetterRanges) return false;
  --it;
  return c <= it->second;
}

// Letters of names are mostly ASCII: their case is changed without a
// search of the tables (which hold just A-Z and a-z for ASCII).
char32_t toLower(char32_t c) {
  if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 32 : c;
  const CodePointPair* p = findPair(qvfontdata::kToLower, qvfontdata::kToLowerCount, c);
  return p ? p->second : c;
}

char32_t toUpper(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 32 : c;
  const CodePointPair* p = findPair(qvfontdata::kToUpper, qvfontdata::kToUpperCount, c);
  return p ? p->second : c;
}

}  // namespace

std::u32string QVPDFFontUtilities::scoreKey(std::string_view text) {
  std::u32string out;
  for (char32_t c : platform::text::decodeUtf8(text)) {
    if (c < 0x80) {
      // ASCII: the letters are cased and decompose to nothing else.
      if (c == U' ' || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) out.push_back(c);
    } else if (const CodePointPair* d =
                   findPair(qvfontdata::kLetterDecompositions, qvfontdata::kLetterDecompositionsCount, c)) {
      out.push_back(d->second);
    } else if (isCasedLetter(c)) {
      out.push_back(c);
    }
  }
  return out;
}

namespace {

bool containsCaseless(const std::string& lowered, std::string_view needle) {
  return lowered.find(needle) != std::string::npos;
}

}  // namespace

double QVPDFFontUtilities::string(std::string_view s, std::string_view candidate) {
  return string(s, candidate, std::nullopt, kScoreOptionNone);
}

double QVPDFFontUtilities::string(std::string_view s, std::string_view candidate, std::optional<double> fuzziness) {
  return string(s, candidate, fuzziness, kScoreOptionNone);
}

double QVPDFFontUtilities::string(std::string_view s, std::string_view candidate, std::optional<double> fuzziness,
                                  uint64_t options) {
  return scoreKeys(scoreKey(s), scoreKey(candidate), fuzziness, options);
}

double QVPDFFontUtilities::scoreKeys(const std::u32string& str, const std::u32string& abbr,
                                     std::optional<double> fuzziness, uint64_t options) {
  // Without letters on either side there is nothing to compare (and the
  // score below would divide by zero).
  if (str.empty() || abbr.empty()) return 0.0;
  if (str == abbr) return 1.0;

  const double nS = static_cast<double>(str.size());
  const double nA = static_cast<double>(abbr.size());
  double total = 0.0;
  double fuzzies = 1.0;
  bool startBonus = false;
  size_t rest = 0;  // start of the part of str still to search

  for (size_t i = 0; i < abbr.size(); ++i) {
    const char32_t c = abbr[i];
    // The first of either case from `rest` on, in one pass.
    const char32_t lower = toLower(c), upper = toUpper(c);
    size_t found = rest;
    while (found < str.size() && str[found] != lower && str[found] != upper) ++found;
    if (found >= str.size()) {
      if (!fuzziness) return 0.0;
      fuzzies += 1.0 - *fuzziness;
      total += 0.1;
      continue;
    }
    const size_t p = found - rest;  // position in the rest
    double charScore = str[found] == c ? 0.2 : 0.1;
    if (p == 0) {
      charScore += 0.6;
      if (i == 0) startBonus = true;
    } else if (str[found - 1] == U' ') {
      charScore += 0.8;
    }
    rest = found + 1;
    total += charScore;
  }

  if (options & kScoreOptionFavorSmallerWords) return total / nS;
  const double a = total / nA;
  const double w = (options & kScoreOptionReducedLongStringPenalty)
                       ? a * static_cast<double>(abbr.size() / str.size())
                       : a * nA / nS;
  double result = (w + a) / 2.0 / fuzzies;
  if (startBonus && result + 0.15 < 1.0) result += 0.15;
  return result;
}

std::string QVPDFFontUtilities::lowercase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : platform::text::decodeUtf8(text)) platform::text::appendUtf8(out, toLower(c));
  return out;
}

bool QVPDFFontUtilities::isBoldFontName(std::string_view fontName) {
  if (fontName.empty()) return false;
  const std::string lowered = lowercase(fontName);
  return containsCaseless(lowered, "bold") || containsCaseless(lowered, "-bd") || containsCaseless(lowered, "-md") ||
         containsCaseless(lowered, "-blk");
}

bool QVPDFFontUtilities::isItalicFontName(std::string_view fontName) {
  if (fontName.empty()) return false;
  const std::string lowered = lowercase(fontName);
  return containsCaseless(lowered, "italic") || containsCaseless(lowered, "oblique");
}

std::string QVPDFFontUtilities::familyNameCut(std::string_view fontName) {
  size_t cut = fontName.find('-');
  if (cut == std::string_view::npos) cut = fontName.find(',');
  return std::string(fontName.substr(0, cut));
}

bool QVPDFFontUtilities::isHaveFullName(const QVPDFFontBook::Family& family, std::string_view familyName) {
  return std::any_of(family.faces.begin(), family.faces.end(),
                     [&](const QVPDFFontBook::Face& face) { return face.fullName == familyName; });
}

std::optional<std::string> QVPDFFontUtilities::familyName(std::string_view fontName) {
  return familyNameFuzzyMatch(fontName);
}

std::optional<std::string> QVPDFFontUtilities::familyNameFuzzyMatch(std::string_view fontName) {
  if (fontName.empty()) return std::nullopt;
  const QVPDFFontBook* book = QVPDFFontBook::shared();
  if (!book) return std::nullopt;
  return familyNameFuzzyMatch(fontName, *book);
}

std::optional<std::string> QVPDFFontUtilities::familyNameFuzzyMatch(std::string_view fontName,
                                                                    const QVPDFFontBook& book) {
  if (fontName.empty()) return std::nullopt;
  constexpr double kFuzziness = 0.8;
  const std::u32string key = scoreKey(fontName);
  double best = 0.0;
  const std::string* result = nullptr;
  for (const QVPDFFontBook::Family& family : book.families()) {
    if (family.name == fontName) return family.name;
    double s = scoreKeys(key, family.key, kFuzziness, kScoreOptionNone);
    if (s > best) {
      best = s;
      result = &family.name;
    }
    const bool hasFull = isHaveFullName(family, family.name);
    for (const QVPDFFontBook::Face& face : family.faces) {
      const std::string& answer = hasFull ? family.name : face.fullName;
      if (face.postScriptName == fontName) return answer;
      s = scoreKeys(key, face.postScriptKey, kFuzziness, kScoreOptionNone);
      if (s > best) {
        best = s;
        result = &answer;
      }
    }
  }
  if (best > 0.5 && result) return *result;
  return std::string(fontName);
}
