#include "xlsx/QVNumberUtils.h"

const std::array<std::string_view, 4>& QVNumberUtils::supportCurrencySymbols() {
  static constexpr std::array<std::string_view, 4> kSymbols = {"\xEF\xBF\xA5", "\xC2\xA5", "$", "\xE2\x82\xAC"};
  return kSymbols;
}

std::string_view QVNumberUtils::getSymbol(std::string_view text) {
  for (std::string_view symbol : supportCurrencySymbols())
    if (text.find(symbol) != std::string_view::npos) return symbol;
  return {};
}

std::string QVNumberUtils::numberCodeWithDecimalLength(int32_t decimals) {
  std::string code = "#,##0";
  if (decimals > 0) {
    code += '.';
    code.append(static_cast<size_t>(decimals), '0');
  }
  return code;
}

std::string QVNumberUtils::currencyFormatWithDecimalLength(int32_t decimals, std::string_view symbol,
                                                           uint64_t numberType) {
  const std::string code = numberCodeWithDecimalLength(decimals);
  if (numberType == 6 || numberType == 7) return code + std::string(symbol);
  return std::string(symbol) + code;
}
