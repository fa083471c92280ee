#include "convert/QVPageRange.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/text/text.h"

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Appends the pages of a range that lie in 1..pageCount, walking only that
// part of it, so a range like 1-999999999 costs no more than the document.
void appendRange(std::vector<int64_t>& pages, int64_t first, int64_t last, int64_t pageCount) {
  if (first <= last) {
    for (int64_t n = std::max<int64_t>(first, 1); n <= std::min(last, pageCount); ++n) pages.push_back(n);
  } else {
    for (int64_t n = std::min(first, pageCount); n >= std::max<int64_t>(last, 1); --n) pages.push_back(n);
  }
}

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The piece is read whole as a number: blanks, an optional "+", digits,
// blanks; or blanks alone, which read as 0. Anything else holds characters
// the reading skips.
bool readsWhole(std::string_view piece) {
  size_t i = 0;
  while (i < piece.size() && isBlank(piece[i])) ++i;
  if (i == piece.size()) return true;
  if (piece[i] == '+') ++i;
  const size_t digits = i;
  while (i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i]))) ++i;
  if (i == digits) return false;
  while (i < piece.size() && isBlank(piece[i])) ++i;
  return i == piece.size();
}

bool isBlankText(std::string_view text) { return std::all_of(text.begin(), text.end(), isBlank); }

bool partReadsWhole(std::string_view part) {
  if (part.find('-') == std::string_view::npos) return readsWhole(part);
  const auto pieces = split(part, '-');
  // "-5" and "5-" are ranges from or to 0; "-" alone is neither.
  return pieces.size() == 2 && readsWhole(pieces[0]) && readsWhole(pieces[1]) &&
         !(isBlankText(pieces[0]) && isBlankText(pieces[1]));
}

}  // namespace

std::optional<std::string> QVPageRangeTextProblem(std::string_view text) {
  if (equalsIgnoringCase(text, "all pages")) return std::nullopt;
  const auto parts = split(text, ',');
  for (std::string_view part : parts) {
    if (partReadsWhole(part)) continue;
    const std::string named = parts.size() == 1 ? std::string("it") : "\"" + std::string(part) + "\"";
    return named + " is not a page number or a range of pages such as 5 or 2-4";
  }
  return std::nullopt;
}

std::vector<int64_t> QVAllPageIndexs(int64_t pageCount) {
  std::vector<int64_t> pages;
  appendRange(pages, 1, pageCount, pageCount);
  return pages;
}

std::vector<int64_t> QVPageIndexsFromRangeText(std::string_view text, int64_t pageCount) {
  if (text.empty()) return pageCount > 0 ? std::vector<int64_t>{1} : std::vector<int64_t>{};
  if (equalsIgnoringCase(text, "all pages")) return QVAllPageIndexs(pageCount);
  std::vector<int64_t> pages;
  for (std::string_view part : split(text, ',')) {
    if (part.find('-') != std::string_view::npos) {
      const auto pieces = split(part, '-');
      if (pieces.size() == 2)
        appendRange(pages, platform::text::integerValue(pieces[0]), platform::text::integerValue(pieces[1]),
                    pageCount);
    } else {
      const int64_t n = platform::text::integerValue(part);
      if (n >= 1 && n <= pageCount) pages.push_back(n);
    }
  }
  return pages;
}
