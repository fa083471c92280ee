// CMap and ToUnicode parsing, and decoding a string through the result.
#include <exception>
#include <string>
#include <string_view>

#include "fuzz/support.h"
#include "fuzz/targets.h"
#include "pdf/fonts/QVPDFCharCodeToUnicode.h"
#include "pdf/fonts/QVPDFCodeToCIDMap.h"

namespace qvfuzz {
namespace {

// Codes decoded per input: the text itself read as a shown string.
constexpr size_t kMaxShownBytes = 4096;

void decodeThroughCIDMap(const QVPDFCodeToCIDMap& map, std::string_view shown) {
  shown = shown.substr(0, kMaxShownBytes);
  while (!shown.empty()) {
    int used = 0;
    (void)map.getCID(shown, used);
    // A map must always move on; anything else would loop for ever in the
    // text-showing code.
    if (used < 1 || static_cast<size_t>(used) > shown.size()) __builtin_trap();
    shown.remove_prefix(static_cast<size_t>(used));
  }
  (void)map.memoryUsage();
}

void decodeThroughUnicodeMap(const QVPDFCharCodeToUnicode& map, std::string_view shown, int nBits) {
  shown = shown.substr(0, kMaxShownBytes);
  const size_t step = nBits == 8 ? 1 : 2;
  char32_t buffer[QVPDFCharCodeToUnicode::kMaxValueLength];
  for (size_t i = 0; i + step <= shown.size(); i += step) {
    uint32_t code = static_cast<uint8_t>(shown[i]);
    if (step == 2) code = (code << 8) | static_cast<uint8_t>(shown[i + 1]);
    const int n = map.mapToUnicode(code, buffer, static_cast<int>(QVPDFCharCodeToUnicode::kMaxValueLength));
    if (n < 0 || static_cast<size_t>(n) > QVPDFCharCodeToUnicode::kMaxValueLength) __builtin_trap();
    (void)map.mapToUnicode(code);
  }
  (void)map.spaceCIDCode();
  (void)map.memoryUsage();
}

}  // namespace

int fuzzCMap(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 3;
  const std::string_view text = asText(data + 1, size - 1);
  try {
    if (mode == 0) {
      auto map = QVPDFCodeToCIDMap::parseText(text, "Fuzz", data[0] >> 7);
      if (map) decodeThroughCIDMap(*map, text);
    } else {
      const int nBits = mode == 1 ? 8 : 16;
      auto map = QVPDFCharCodeToUnicode::parseCMap(text, nBits);
      if (map) decodeThroughUnicodeMap(*map, text, nBits);
    }
  } catch (const std::exception&) {
  }
  return 0;
}

}  // namespace qvfuzz
