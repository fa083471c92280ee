#pragma once
// Right-to-left text (Hebrew, Arabic and the other right-to-left scripts):
// the direction of a text, and its reading order recovered from the order in
// which a page draws it. Built on GNU FriBidi's bidirectional algorithm.
#include <string_view>

namespace platform::text {

enum class TextDirection { Neutral, LeftToRight, RightToLeft };

// Whether any character of the text is written right to left.
bool hasRightToLeft(std::u32string_view text);
// The direction of the first character that has a strong one; Neutral when
// none has (digits, punctuation and blanks only).
TextDirection firstStrongDirection(std::u32string_view text);

// Characters in the order they are drawn, left to right, put into reading
// (logical) order: the runs the bidirectional algorithm sets right to left
// are turned round, and the brackets among them mirrored back. The paragraph
// direction is that of the first strong character. Text without
// right-to-left characters is returned as it is.
std::u32string visualToLogical(std::u32string_view visual);

}  // namespace platform::text
