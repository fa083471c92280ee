#pragma once
// The currency symbols that recognised amounts may carry, and the number
// format codes of recognised numbers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QVNumberUtils {
 public:
  QVNumberUtils() = delete;

  // Fullwidth yen, yen, dollar, euro: the order in which a text is searched.
  static const std::array<std::string_view, 4>& supportCurrencySymbols();
  // The first supported symbol that occurs in the text; "" when none does.
  static std::string_view getSymbol(std::string_view text);
  // "#,##0" for no decimals, "#,##0.00" for two, and so on.
  static std::string numberCodeWithDecimalLength(int32_t decimals);
  // The number code with the symbol after it for amounts whose symbol
  // follows the number (types 6 and 7), before it for every other type.
  static std::string currencyFormatWithDecimalLength(int32_t decimals, std::string_view symbol, uint64_t numberType);
};
