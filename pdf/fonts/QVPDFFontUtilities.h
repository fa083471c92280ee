#pragma once
// Font-name helpers: the bold and italic name tests the exporters apply, the
// family-name cut, a fuzzy string score, and the family look-up through the
// "FontBook" list.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/fonts/QVPDFFontBook.h"

class QVPDFFontUtilities {
 public:
  // Options of the fuzzy score.
  static constexpr uint64_t kScoreOptionNone = 1;
  static constexpr uint64_t kScoreOptionFavorSmallerWords = 2;
  static constexpr uint64_t kScoreOptionReducedLongStringPenalty = 4;

  // Fuzzy score of string s against a candidate, from 0 to about 1. Both are
  // compared as their upper- and lower-case letters and spaces after
  // canonical decomposition (digits, punctuation and accents drop out).
  // Without a fuzziness a candidate letter missing from s gives 0. A string
  // or candidate without letters scores 0.
  static double string(std::string_view s, std::string_view candidate);
  static double string(std::string_view s, std::string_view candidate, std::optional<double> fuzziness);
  static double string(std::string_view s, std::string_view candidate, std::optional<double> fuzziness,
                       uint64_t options);

  // A text as the score compares it: canonically decomposed, with only the
  // upper- and lower-case letters and spaces kept.
  static std::u32string scoreKey(std::string_view text);
  // The score of two such keys.
  static double scoreKeys(const std::u32string& s, const std::u32string& candidate, std::optional<double> fuzziness,
                          uint64_t options);

  // "bold", "-bd", "-md" or "-blk" anywhere, in any case.
  static bool isBoldFontName(std::string_view fontName);
  // "italic" or "oblique" anywhere, in any case.
  static bool isItalicFontName(std::string_view fontName);

  // The family of a font name through the compiled-in FontBook; nullopt for
  // an empty name or without a list.
  static std::optional<std::string> familyName(std::string_view fontName);
  static std::optional<std::string> familyNameFuzzyMatch(std::string_view fontName);
  // The same look-up in a given list: a family or face PostScript name equal
  // to the font name answers at once; otherwise the best fuzzy score above
  // 0.5 wins (ties to the first), else the name itself.
  static std::optional<std::string> familyNameFuzzyMatch(std::string_view fontName, const QVPDFFontBook& book);
  // True when some face of the family has the full name `familyName`.
  static bool isHaveFullName(const QVPDFFontBook::Family& family, std::string_view familyName);

  // The part before the first "-", else before the first ",", else the name.
  static std::string familyNameCut(std::string_view fontName);

  // Lower-cases letters (simple Unicode case mapping).
  static std::string lowercase(std::string_view text);
};
