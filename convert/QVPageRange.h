#pragma once
// The page-range text of the program's settings: "All Pages" (any case), or
// numbers and ranges separated by commas ("1-3,5", "7-4"), turned into the
// converter's page list.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The 1-based page numbers of the text for a document of pageCount pages, in
// the order of the text, duplicates kept. A range runs up or down from its
// first number to its second; numbers outside 1..pageCount are skipped; a
// part with more than one "-" gives nothing. Each number is read like the
// platform's integer value of a string: leading blanks, a sign, digits up to
// the first other character, 0 when there is none (so "-5" is 1..5 and "5-"
// is 5 down to 1). An empty text gives page 1 alone.
std::vector<int64_t> QVPageIndexsFromRangeText(std::string_view text, int64_t pageCount);

// Why the text cannot be read as it was meant: it holds a part the page
// list above would ignore in whole or in part (letters other than
// "All Pages", a separator other than "," and "-", a second number within
// one part, more than one "-" in a part), named in the answer. Nothing when
// every character counts: blanks around numbers and "-", empty parts and a
// sign before a number are read as the list above reads them.
std::optional<std::string> QVPageRangeTextProblem(std::string_view text);

// 1, 2, ..., pageCount; empty for no pages.
std::vector<int64_t> QVAllPageIndexs(int64_t pageCount);
