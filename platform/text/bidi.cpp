#include "platform/text/bidi.h"

#include <fribidi.h>

#include <limits>
#include <string>
#include <vector>

namespace platform::text {

namespace {

// Below the Hebrew block every character is left to right or neutral.
constexpr char32_t kFirstRightToLeft = 0x0590;

FriBidiCharType bidiType(char32_t c) { return fribidi_get_bidi_type(static_cast<FriBidiChar>(c)); }

}  // namespace

bool hasRightToLeft(std::u32string_view text) {
  for (char32_t c : text)
    if (c >= kFirstRightToLeft && FRIBIDI_IS_RTL(bidiType(c)) && FRIBIDI_IS_LETTER(bidiType(c))) return true;
  return false;
}

TextDirection firstStrongDirection(std::u32string_view text) {
  for (char32_t c : text) {
    const FriBidiCharType type = bidiType(c);
    if (!FRIBIDI_IS_LETTER(type)) continue;
    return FRIBIDI_IS_RTL(type) ? TextDirection::RightToLeft : TextDirection::LeftToRight;
  }
  return TextDirection::Neutral;
}

std::u32string visualToLogical(std::u32string_view visual) {
  if (!hasRightToLeft(visual) || visual.size() > static_cast<size_t>(std::numeric_limits<FriBidiStrIndex>::max()))
    return std::u32string(visual);
  const auto length = static_cast<FriBidiStrIndex>(visual.size());
  std::vector<FriBidiChar> chars(visual.begin(), visual.end());
  std::vector<FriBidiCharType> types(visual.size());
  std::vector<FriBidiLevel> levels(visual.size());
  fribidi_get_bidi_types(chars.data(), length, types.data());
  // The levels of the drawn order are those of the reading order: the
  // algorithm resolves a character from its neighbours, which a reversed run
  // keeps. Reordering by them is its own inverse. Brackets are not paired:
  // in drawn order their pairs are reversed.
  FriBidiParType base = FRIBIDI_PAR_ON;
  if (fribidi_get_par_embedding_levels_ex(types.data(), nullptr, length, &base, levels.data()) == 0)
    return std::u32string(visual);
  // A bracket drawn inside a right-to-left run shows its mirror image.
  fribidi_shape_mirroring(levels.data(), length, chars.data());
  if (fribidi_reorder_line(0, types.data(), length, 0, base, levels.data(), chars.data(), nullptr) == 0)
    return std::u32string(visual);
  return std::u32string(chars.begin(), chars.end());
}

}  // namespace platform::text
