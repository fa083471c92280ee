// The page-range text turned into the converter's page list.
#include <gtest/gtest.h>

#include "convert/QVPageRange.h"

namespace {

using Pages = std::vector<int64_t>;

TEST(PageRangeText, ReadsNumbersAndRangesInTheOrderOfTheText) {
  struct Case {
    const char* text;
    int64_t pageCount;
    Pages expected;
  };
  const Case cases[] = {
      {"All Pages", 4, {1, 2, 3, 4}},
      {"ALL PAGES", 3, {1, 2, 3}},
      {"all pages", 0, {}},
      {" All Pages", 3, {}},          // a leading blank is not recognised and reads as 0
      {"", 5, {1}},
      {"", 0, {}},
      {"1-3,5", 6, {1, 2, 3, 5}},
      {"3,1,3", 5, {3, 1, 3}},        // order and duplicates kept
      {"5-3", 6, {5, 4, 3}},          // a range may run downwards
      {"4-4", 6, {4}},
      {"-5", 6, {1, 2, 3, 4, 5}},     // an empty first piece is 0
      {"5-", 6, {5, 4, 3, 2, 1}},
      {"2 - 4", 6, {2, 3, 4}},
      {"7a", 9, {7}},
      {"abc", 9, {}},
      {"1-2-3", 9, {}},               // more than two pieces give nothing
      {"0,1,9,2", 3, {1, 2}},         // numbers outside the document are skipped
      {"2-9", 4, {2, 3, 4}},
      {"1-999999999999", 3, {1, 2, 3}},
      {"99999999999999999999999", 3, {}},
      {"+2", 3, {2}},
  };
  for (const auto& c : cases) EXPECT_EQ(QVPageIndexsFromRangeText(c.text, c.pageCount), c.expected) << c.text;
}

// A text of which the reading above would skip something the user typed is
// refused, naming the part; every text the reading gives a meaning is not.
TEST(PageRangeText, APartTheReadingWouldSkipIsNamed) {
  const char* const read[] = {"All Pages", "all pages", "", "1-3,5", "3,1,3", "5-", "-5", "2 - 4", " 7 ", "+2",
                              "1,,2", "1,", "0,6", "99999999999999999999999", "5-3"};
  for (const char* text : read) EXPECT_EQ(QVPageRangeTextProblem(text), std::nullopt) << text;
  const std::pair<const char*, const char*> refused[] = {
      {"1 3", "it"},
      {"1;2", "it"},
      {"All Pages2-3", "it"},
      {" All Pages", "it"},
      {"7a", "it"},
      {"abc", "it"},
      {"-", "it"},
      {"1-2-3", "it"},
      {"+ 2", "it"},
      {"1,2 - 4 6", "\"2 - 4 6\""},
      {"1, 2.5", "\" 2.5\""},
      {"1,pages 3", "\"pages 3\""},
      {"1\xe2\x80\x932", "it"},  // an en dash
  };
  for (const auto& [text, named] : refused)
    EXPECT_EQ(QVPageRangeTextProblem(text),
              std::string(named) + " is not a page number or a range of pages such as 5 or 2-4")
        << text;
}

TEST(PageRangeText, AllPages) {
  EXPECT_EQ(QVAllPageIndexs(3), (Pages{1, 2, 3}));
  EXPECT_EQ(QVAllPageIndexs(0), Pages{});
  EXPECT_EQ(QVAllPageIndexs(-2), Pages{});
}

}  // namespace
