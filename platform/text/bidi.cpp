#include "platform/text/bidi.h"

#include <fribidi.h>

#include "platform/text/text.h"

#include <optional>
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

bool hasRightToLeft(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const char32_t c = codePointAt(utf8, pos);
    if (c >= kFirstRightToLeft && FRIBIDI_IS_RTL(bidiType(c)) && FRIBIDI_IS_LETTER(bidiType(c))) return true;
  }
  return false;
}

namespace {

std::optional<TextDirection> strongDirection(char32_t c) {
  if (c < 0x80) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return TextDirection::LeftToRight;
    return std::nullopt;
  }
  const FriBidiCharType type = bidiType(c);
  if (!FRIBIDI_IS_LETTER(type)) return std::nullopt;
  return FRIBIDI_IS_RTL(type) ? TextDirection::RightToLeft : TextDirection::LeftToRight;
}

}  // namespace

TextDirection firstStrongDirection(std::u32string_view text) {
  for (char32_t c : text)
    if (auto direction = strongDirection(c)) return *direction;
  return TextDirection::Neutral;
}

TextDirection firstStrongDirection(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size())
    if (auto direction = strongDirection(codePointAt(utf8, pos))) return *direction;
  return TextDirection::Neutral;
}

std::u32string visualToLogical(std::u32string_view visual) {
  if (visual.size() > kMaxReorderedLength || !hasRightToLeft(visual)) return std::u32string(visual);
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

std::vector<uint8_t> embeddingLevels(std::u32string_view text, TextDirection paragraph) {
  if (text.size() > kMaxReorderedLength) return {};
  const auto length = static_cast<FriBidiStrIndex>(text.size());
  const std::vector<FriBidiChar> chars(text.begin(), text.end());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiLevel> levels(text.size());
  fribidi_get_bidi_types(chars.data(), length, types.data());
  FriBidiParType base = paragraph == TextDirection::RightToLeft  ? FRIBIDI_PAR_RTL
                        : paragraph == TextDirection::LeftToRight ? FRIBIDI_PAR_LTR
                                                                  : FRIBIDI_PAR_ON;
  if (fribidi_get_par_embedding_levels_ex(types.data(), nullptr, length, &base, levels.data()) == 0) return {};
  return std::vector<uint8_t>(levels.begin(), levels.end());
}

char32_t mirrored(char32_t c) {
  FriBidiChar image = 0;
  return fribidi_get_mirror_char(static_cast<FriBidiChar>(c), &image) ? static_cast<char32_t>(image) : c;
}

void countStrongLetters(std::string_view utf8, size_t& leftToRight, size_t& rightToLeft) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
      ++pos;
      if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) ++leftToRight;
      continue;
    }
    if (auto direction = strongDirection(codePointAt(utf8, pos)))
      ++(*direction == TextDirection::RightToLeft ? rightToLeft : leftToRight);
  }
}

std::string visualToLogical(std::string_view visualUtf8) {
  const std::u32string text = decodeUtf8(visualUtf8);
  if (text.size() > kMaxReorderedLength || !hasRightToLeft(text)) return std::string(visualUtf8);
  return encodeUtf8(visualToLogical(text));
}

}  // namespace platform::text
