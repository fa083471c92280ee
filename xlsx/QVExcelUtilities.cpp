#include "xlsx/QVExcelUtilities.h"

#include <algorithm>

#include <cmath>

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"

std::optional<std::string> QVExcelUtilities::getColumnName(int64_t column) {
  if (column < 1) return std::nullopt;
  std::string letters;
  // Bijective base 26: there is no zero digit, so each step takes one off.
  for (int64_t n = column; n > 0; n = (n - 1) / 26) letters.push_back(static_cast<char>('A' + (n - 1) % 26));
  std::reverse(letters.begin(), letters.end());
  return letters;
}

int64_t QVExcelUtilities::getColumnNumber(std::string_view letters) {
  // Unsigned, so that a text too long for the type wraps rather than
  // overflows.
  uint64_t value = 0;
  for (char c : letters) value = value * 26 + static_cast<uint64_t>(static_cast<unsigned char>(c)) - 64;
  return static_cast<int64_t>(value);
}

std::string QVExcelUtilities::cellReference(uint64_t row, uint64_t column) {
  std::string text = getColumnName(static_cast<int64_t>(column)).value_or("");
  platform::text::appendInteger(text, static_cast<int64_t>(row));
  return text;
}

QVExcel_SI_PhoneticPr QVExcelUtilities::defaultPhoneticProperty() { return {1, "noConversion", "left"}; }

bool QVExcelUtilities::isPresentAndEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  return a && b && *a == *b;
}

std::string QVExcelUtilities::sixDigitColor(const std::optional<std::string>& color) {
  if (!color) return "000000";
  std::string_view digits = *color;
  if (digits.size() == 8) digits.remove_prefix(2);
  const bool hex = digits.size() == 6 && std::all_of(digits.begin(), digits.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  });
  return hex ? std::string(digits) : std::string("000000");
}

std::string QVExcelUtilities::argbColor(const std::optional<std::string>& color) { return "FF" + sixDigitColor(color); }

void QVExcelUtilities::writeFontProperties(XMLFileWriter& writer, std::string_view nameElement, std::string_view name,
                                           double size, const std::optional<std::string>& color, bool bold,
                                           bool italic) {
  auto value = [&writer](std::string_view element, std::string_view attribute, std::string_view text) {
    writer.writeStartElement(element);
    writer.writeAttribute(attribute, text);
    writer.writeEndElement();
  };
  const double points = std::isfinite(size) ? std::fmin(std::fmax(size, 1.0), 409.0) : 10.0;
  value("sz", "val", platform::text::formatFixed(points, 0));
  value("color", "rgb", argbColor(color));
  value(nameElement, "val", name);
  value("b", "val", bold ? "1" : "0");
  value("i", "val", italic ? "1" : "0");
}
