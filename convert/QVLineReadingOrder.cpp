#include "convert/QVLineReadingOrder.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "platform/text/bidi.h"
#include "platform/text/text.h"

namespace bidi = platform::text;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A piece's text, its blanks at either end and what lies between them.
struct Atom {
  size_t piece = 0;
  std::string_view text;
  bool blank = false;
};

bool isDigit(char32_t c) { return (c >= '0' && c <= '9') || (c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9); }

// The one character that stands for a piece's text in the algorithm: a
// right-to-left letter of it where most of its letters are such (an Arabic
// letter and a Hebrew one treat the digits after them differently), a Latin
// letter where most are left to right, a digit of it where it has no letter,
// else its first character.
char32_t representative(std::string_view text) {
  size_t leftToRight = 0, rightToLeft = 0;
  bidi::countStrongLetters(text, leftToRight, rightToLeft);
  const std::u32string chars = bidi::decodeUtf8(text);
  if (rightToLeft > 0 && rightToLeft >= leftToRight) {
    for (char32_t c : chars)
      if (bidi::hasRightToLeft(std::u32string_view(&c, 1))) return c;
  }
  if (leftToRight > 0) return U'a';
  for (char32_t c : chars)
    if (isDigit(c)) return c;
  return chars.empty() ? U' ' : chars.front();
}

// Brackets and punctuation drawn on their own in a right-to-left run: the
// page shows them turned round and mirrored.
std::string turnedRound(std::string_view text) {
  std::u32string chars = bidi::decodeUtf8(text);
  std::reverse(chars.begin(), chars.end());
  for (char32_t& c : chars) c = bidi::mirrored(c);
  return bidi::encodeUtf8(chars);
}

}  // namespace

std::string QVLineReading::text() const {
  std::string out;
  for (const QVReadingPiece& p : pieces) out += p.text;
  return out;
}

bool QVHoldsRightToLeft(std::string_view text) { return bidi::hasRightToLeft(text); }

std::optional<QVLineReading> QVLineReadingOrder(const std::vector<std::string_view>& leftToRight) {
  if (std::none_of(leftToRight.begin(), leftToRight.end(), [](std::string_view t) { return QVHoldsRightToLeft(t); }))
    return std::nullopt;

  std::vector<Atom> atoms;
  std::vector<bool> blankPiece(leftToRight.size(), false);
  size_t leftLetters = 0, rightLetters = 0;
  for (size_t i = 0; i < leftToRight.size(); ++i) {
    const std::string_view t = leftToRight[i];
    size_t begin = 0, end = t.size();
    while (begin < end && isBlank(t[begin])) ++begin;
    while (end > begin && isBlank(t[end - 1])) --end;
    if (begin == end) {
      blankPiece[i] = true;
      atoms.push_back({i, t, true});
      continue;
    }
    if (begin > 0) atoms.push_back({i, t.substr(0, begin), true});
    atoms.push_back({i, t.substr(begin, end - begin), false});
    if (end < t.size()) atoms.push_back({i, t.substr(end), true});
    bidi::countStrongLetters(t, leftLetters, rightLetters);
  }
  if (atoms.size() > bidi::kMaxReorderedLength) return std::nullopt;

  std::u32string line;
  line.reserve(atoms.size());
  for (const Atom& a : atoms) line.push_back(a.blank ? U' ' : representative(a.text));
  QVLineReading reading;
  reading.rightToLeft = rightLetters >= leftLetters;
  const std::vector<uint8_t> levels = bidi::embeddingLevels(
      line, reading.rightToLeft ? bidi::TextDirection::RightToLeft : bidi::TextDirection::LeftToRight);
  if (levels.size() != atoms.size()) return std::nullopt;

  // From the highest level down to the lowest odd one, every stretch at that
  // level or above is turned round: the order the levels give, which read
  // backwards from the drawn order is the reading order.
  std::vector<size_t> order(atoms.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const uint8_t highest = *std::max_element(levels.begin(), levels.end());
  uint8_t lowestOdd = highest;
  for (uint8_t level : levels)
    if (level % 2 == 1) lowestOdd = std::min(lowestOdd, level);
  for (int level = highest; level >= lowestOdd && level > 0; --level) {
    size_t i = 0;
    while (i < order.size()) {
      if (levels[order[i]] < level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < order.size() && levels[order[j]] >= level) ++j;
      std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i), order.begin() + static_cast<std::ptrdiff_t>(j));
      i = j;
    }
  }

  // Blanks go with the piece before them in reading order (the first piece
  // takes those in front of it).
  std::string pending;
  for (size_t k : order) {
    const Atom& a = atoms[k];
    if (a.blank && !blankPiece[a.piece]) {
      if (reading.pieces.empty())
        pending += a.text;
      else
        reading.pieces.back().text += a.text;
      continue;
    }
    std::string text = std::move(pending);
    pending.clear();
    const char32_t c = line[k];
    const bool neutral = c != U'a' && !isDigit(c) && !bidi::hasRightToLeft(std::u32string_view(&c, 1));
    if (!a.blank && neutral && levels[k] % 2 == 1)
      text += turnedRound(a.text);
    else
      text += a.text;
    reading.pieces.push_back({a.piece, std::move(text)});
  }
  return reading;
}
