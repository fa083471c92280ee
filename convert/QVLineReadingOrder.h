#pragma once
// The reading order of one line of a flowing layout. A page draws a line as
// strings, and the interpreter gives each string's text in its own reading
// order; the layouts then meet the strings of a line from left to right.
// Where the line holds right-to-left text (Hebrew, Arabic), left to right is
// not the order it is read in: its right-to-left words read from the right,
// while numbers and left-to-right words among them keep their own order, and
// the two halves of a word drawn as two strings join right half first.
//
// The strings of the line are taken as pieces that the bidirectional
// algorithm (GNU FriBidi, through platform/text/bidi.h) places as wholes:
// each piece is one character of the class of its text, the blanks at its
// ends stand apart from it, and the line's direction is that of most of its
// letters. The pieces are then put in the order the levels give. Blanks
// stay between the same neighbours, so they may move from one piece to the
// next; a piece of brackets or punctuation alone on a right-to-left level is
// turned round and mirrored, as the interpreter does inside a string.
//
// Lines without right-to-left letters are not touched at all: the layouts
// keep their own order and text for them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct QVReadingPiece {
  size_t piece = 0;  // index of the piece in the line, left to right
  std::string text;  // its text in the line's reading order, blanks included
};

struct QVLineReading {
  bool rightToLeft = false;            // the line is read from the right
  std::vector<QVReadingPiece> pieces;  // every piece once, in reading order

  // The line's text: the pieces' texts in reading order.
  std::string text() const;
};

// Whether the text holds a letter written right to left.
bool QVHoldsRightToLeft(std::string_view text);

// The reading order of a line's pieces given from left to right; nothing
// when no piece holds right-to-left text or the line is too long to order.
std::optional<QVLineReading> QVLineReadingOrder(const std::vector<std::string_view>& leftToRight);
