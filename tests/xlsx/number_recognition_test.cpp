// Which cell texts become numbers, in either convention, with the value a
// cell holds and the number format it shows them in.
#include <gtest/gtest.h>

#include <string>

#include "xlsx/QVExcelNumber.h"

namespace {

struct Case {
  const char* text;
  const char* separator;  // the conversion's thousands separator
  int type;               // -1: stays a text
  const char* value;
  int numID;
  const char* format;  // "" for none
};

const Case kCases[] = {
    // Comma convention.
    {"1234", ",", 0, "1234", 0, ""},
    {"-12.50", ",", 0, "-12.50", 0, ""},
    {"1,234.5", ",", 2, "1234.5", -1, "#,##0.0"},
    {"1,234.56", ",", 2, "1234.56", -1, "#,##0.00"},
    {"83,859", ",", 2, "83859", -1, "#,##0"},
    {"12%", ",", 9, "0.12", 9, ""},
    {"12.5%", ",", 9, "0.125", 10, ""},
    {"50%", ",", 9, "0.5", 9, ""},
    {"100%", ",", 9, "1", 9, ""},
    {"$ 1,234.00", ",", 4, "1234.00", -1, "$#,##0.00"},
    {"$1,234", ",", 4, "1234", -1, "$#,##0"},
    {"1,234\xE2\x82\xAC", ",", 6, "1234", -1, "#,##0\xE2\x82\xAC"},
    {"\xC2\xA5" "12", ",", 4, "12", -1, "\xC2\xA5#,##0"},
    {"\xEF\xBF\xA5" "1,000.5", ",", 4, "1000.5", -1, "\xEF\xBF\xA5#,##0.0"},
    // Dot convention.
    {"1234,5", ".", 1, "1234.5", 0, ""},
    {"1.234,5", ".", 3, "1234.5", -1, "#,##0.0"},
    {"1.234,5 \xE2\x82\xAC", ".", 7, "1234.5", -1, "#,##0.0\xE2\x82\xAC"},
    {"$1.234,56", ".", 5, "1234.56", -1, "$#,##0.00"},
    {"12%", ".", 8, "0.12", 9, ""},
    // Rejected.
    {"1,23", ",", -1, "", -1, ""},
    {"3.14", ".", -1, "", -1, ""},
    {"12a", ",", -1, "", -1, ""},
    {"", ",", -1, "", -1, ""},
    {"   ", ",", -1, "", -1, ""},
    {"$1234", ",", -1, "", -1, ""},
    {"-", ",", -1, "", -1, ""},
    {"1.", ",", -1, "", -1, ""},
    {"1,234,56", ",", -1, "", -1, ""},

    // Mended: a whole-parenthesised amount is negative.
    {"(1,000)", ",", 2, "-1000", -1, "#,##0"},
    {"( $1,000.50 )", ",", 4, "-1000.50", -1, "$#,##0.00"},
    {"(12)", ",", 0, "-12", 0, ""},
    {"(5%)", ",", 9, "-0.05", 9, ""},
    {"(-5)", ",", -1, "", -1, ""},
    {"1)000", ",", -1, "", -1, ""},
    {"(1,000", ",", -1, "", -1, ""},
    // Mended: percentages move the decimal point, never round.
    {"1.23456%", ",", 9, "0.0123456", 10, ""},
    {"-0.5%", ",", 9, "-0.005", 10, ""},
    {"0%", ",", 9, "0", 9, ""},
    {"123456.789%", ",", 9, "1234.56789", 10, ""},
    // Mended: the percent format follows the convention's decimal separator.
    {"12,5%", ".", 8, "0.125", 10, ""},
    {"12.5%", ".", -1, "", -1, ""},
    // Mended: only ASCII digits are digits.
    {"\xD9\xA1\xD9\xA2\xD9\xA3", ",", -1, "", -1, ""},  // Arabic-Indic 123
    {"\xEF\xBC\x91\xEF\xBC\x92", ",", -1, "", -1, ""},  // fullwidth 12
    // Mended: more than 15 significant digits stay text.
    {"123456789012345", ",", 0, "123456789012345", 0, ""},
    {"1234567890123456", ",", -1, "", -1, ""},
    {"0.000000000000001", ",", 0, "0.000000000000001", 0, ""},
    {"1,234,567,890,123,456", ",", -1, "", -1, ""},
    {"12345678901234567890%", ",", -1, "", -1, ""},
    // Blanks: between thousands groups, after a sign or a symbol, before a
    // trailing symbol; nowhere else.
    {"1 234 567", ",", 0, "1234567", 0, ""},
    {"1 234,5", ".", 1, "1234.5", 0, ""},
    {"$ 1,234", ",", 4, "1234", -1, "$#,##0"},
    {"1 234 \xE2\x82\xAC", ".", -1, "", -1, ""},
    {"- 5", ",", 0, "-5", 0, ""},
    {"5 %", ",", 9, "0.05", 9, ""},
    {"12 34", ",", -1, "", -1, ""},
    {"2019 2020", ",", -1, "", -1, ""},
    {"1234 567", ",", -1, "", -1, ""},
    {"1 23", ",", -1, "", -1, ""},
    {"1 2345", ",", -1, "", -1, ""},
};

TEST(NumberRecognition, TextsOfCellsInBothConventions) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\" with thousands separator " + c.separator);
    const QVExcelNumber number(c.text, c.separator);
    ASSERT_EQ(number.isNumber(), c.type >= 0);
    if (c.type < 0) continue;
    EXPECT_EQ(number.type(), static_cast<uint64_t>(c.type));
    EXPECT_EQ(number.readNumber(), c.value);
    EXPECT_EQ(number.numID(), c.numID);
    EXPECT_EQ(number.formatCode().value_or(""), c.format);
    EXPECT_EQ(number.thousandSepartor(), QVExcelNumber::getThousandSepartor(number.type()));
    EXPECT_EQ(number.decimalSepartor(), QVExcelNumber::getDecimalSepartor(number.type()));
  }
}

TEST(NumberRecognition, LongCellsStayTextsAtTheCostOfTheirLength) {
  EXPECT_FALSE(QVExcelNumber(std::string(QVExcelNumber::kMaxTextLength + 1, '1'), ",").isNumber());
  EXPECT_FALSE(QVExcelNumber(std::string(1'000'000, '1') + "%", ",").isNumber());
  std::string grouped = "1";
  for (int i = 0; i < 100'000; ++i) grouped += ",000";
  EXPECT_FALSE(QVExcelNumber(grouped, ",").isNumber());
  // Leading zeros are not significant.
  EXPECT_TRUE(QVExcelNumber("000000000000000000001", ",").isNumber());
}

}  // namespace
