#pragma once
// Number recognition: whether the text of a one-run cell is a number, and if
// so its value and the number format its cell needs.
//
// Recognised, in one of two conventions chosen by the conversion's thousands
// separator:
//   comma convention ("," groups thousands, "." marks decimals):
//     1234  -12.50  12.5%  1,234.56  $ 1,234.00  1,234€
//   dot convention ("." groups thousands, "," marks decimals):
//     1234,5  12,5%  1.234,5  $1.234,5  1.234,5 €
// A whole-parenthesised amount, "(1,000)", is negative. Blanks may stand
// between a sign or symbol and the digits, before a trailing symbol, and
// between groups of three digits; any other blank makes the text a text.
//
// The matching is written out over code points rather than done with a
// regular expression: only ASCII digits count, the currency symbols are
// multi-byte characters, and a long cell costs no more than its length.
// Texts longer than kMaxTextLength characters and numbers of more than
// kMaxSignificantDigits significant digits (account numbers, identifiers)
// stay texts: a spreadsheet would round them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QVExcelNumber {
 public:
  static constexpr size_t kMaxTextLength = 64;
  static constexpr size_t kMaxSignificantDigits = 15;

  // Kinds of number (`type`).
  enum Type : uint64_t {
    kGeneralDot = 0,          // 1234.5
    kGeneralComma = 1,        // 1234,5
    kThousandsComma = 2,      // 1,234.5
    kThousandsDot = 3,        // 1.234,5
    kCurrencyBeforeComma = 4, // $1,234.5
    kCurrencyBeforeDot = 5,   // $1.234,5
    kCurrencyAfterComma = 6,  // 1,234.5$
    kCurrencyAfterDot = 7,    // 1.234,5$
    kPercentComma = 8,        // 12,5%
    kPercentDot = 9,          // 12.5%
  };

  // Recognises the text in the convention whose thousands separator is
  // `thousandSepartor` ("." for the dot convention, anything else comma).
  QVExcelNumber(std::string_view text, std::string_view thousandSepartor);

  bool isNumber() const { return isNumber_; }
  // Number-format id: 0 general, 9 and 10 the built-in percentages without
  // and with decimals, -1 while a custom format still has to be registered.
  int32_t numID() const { return numID_; }
  void setNumID(int32_t id) { numID_ = id; }
  uint64_t type() const { return type_; }
  // The custom format of thousands and currency numbers ("#,##0.00",
  // "$#,##0"); none for general numbers and percentages.
  const std::optional<std::string>& formatCode() const { return formatCode_; }
  const std::string& thousandSepartor() const { return thousandSepartor_; }
  const std::string& decimalSepartor() const { return decimalSepartor_; }
  // The symbol of a currency amount; empty otherwise.
  const std::string& currencySymbol() const { return currencySymbol_; }
  // The value as a cell holds it: optional "-", digits, optional "." and
  // digits.
  const std::string& readNumber() const { return readNumber_; }

  static bool isGeneralNumber(uint64_t type) { return type == 0 || type == 1; }
  static bool isThousandSepartorNumber(uint64_t type) { return type == 2 || type == 3; }
  static bool isCurrency(uint64_t type) { return type >= 4 && type <= 7; }
  static bool isPercentNumber(uint64_t type) { return type == 8 || type == 9; }
  static std::string_view getThousandSepartor(uint64_t type);
  static std::string_view getDecimalSepartor(uint64_t type);

 private:
  bool isNumber_ = false;
  int32_t numID_ = -1;
  uint64_t type_ = 0;
  std::optional<std::string> formatCode_;
  std::string thousandSepartor_ = ",";
  std::string decimalSepartor_ = ".";
  std::string currencySymbol_;
  std::string readNumber_;
};
