#pragma once
// Right-to-left text (Hebrew, Arabic and the other right-to-left scripts):
// the direction of a text, and its reading order recovered from the order in
// which a page draws it. Built on GNU FriBidi's bidirectional algorithm.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

enum class TextDirection { Neutral, LeftToRight, RightToLeft };

// Whether any character of the text is written right to left.
bool hasRightToLeft(std::u32string_view text);
bool hasRightToLeft(std::string_view utf8);
// The direction of the first character that has a strong one; Neutral when
// none has (digits, punctuation and blanks only). The UTF-8 form reads only
// as far as that character.
TextDirection firstStrongDirection(std::u32string_view text);
TextDirection firstStrongDirection(std::string_view utf8);

// Characters in the order they are drawn, left to right, put into reading
// (logical) order: the runs the bidirectional algorithm sets right to left
// are turned round, and the brackets among them mirrored back. The paragraph
// direction is that of the first strong character. Text without
// right-to-left characters, or longer than kMaxReorderedLength, is returned
// as it is.
std::u32string visualToLogical(std::u32string_view visual);
// The same for UTF-8 text.
std::string visualToLogical(std::string_view visualUtf8);

// The resolved embedding level of each character of a text in the given
// paragraph direction (LeftToRight or RightToLeft; Neutral takes the first
// strong character's), with the line-end rules applied: odd levels run
// right to left. Empty when the algorithm fails or the text is longer than
// kMaxReorderedLength.
std::vector<uint8_t> embeddingLevels(std::u32string_view text, TextDirection paragraph);
// The character a right-to-left run shows for a bracket or other mirrored
// character; the character itself when it has no mirror image.
char32_t mirrored(char32_t c);
// The number of letters of the UTF-8 text written left to right and right
// to left, added to the counts.
void countStrongLetters(std::string_view utf8, size_t& leftToRight, size_t& rightToLeft);

// The longest text put into reading order (code points): a line of a page
// is far shorter, and the algorithm's tables grow with the text.
inline constexpr size_t kMaxReorderedLength = size_t{1} << 20;

}  // namespace platform::text
