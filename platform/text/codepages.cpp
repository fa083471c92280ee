#include "platform/text/codepages.h"

#include "platform/text/text.h"

namespace platform::text {

namespace {

// Each table starts from the identity on a byte range and then takes the
// high half (or its differences) from the published mapping.
constexpr CodePage identity(unsigned first, unsigned last) {
  CodePage page{};
  for (unsigned b = first; b <= last; ++b) page[b] = static_cast<char16_t>(b);
  return page;
}

constexpr CodePage makeAscii() { return identity(0x00, 0x7F); }

constexpr CodePage makeWindows1252() {
  CodePage page = identity(0x00, 0xFF);
  // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are unassigned.
  constexpr char16_t high[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
  };
  for (unsigned i = 0; i < 32; ++i) page[0x80 + i] = high[i];
  return page;
}

constexpr CodePage makeMacRoman() {
  CodePage page = identity(0x00, 0x7F);
  constexpr char16_t high[128] = {
      0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80-87
      0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88-8F
      0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90-97
      0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98-9F
      0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0-A7
      0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8-AF
      0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0-B7
      0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8-BF
      0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0-C7
      0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8-CF
      0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0-D7
      0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8-DF
      0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0-E7
      0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8-EF
      0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0-F7
      0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8-FF
  };
  for (unsigned i = 0; i < 128; ++i) page[0x80 + i] = high[i];
  return page;
}

constexpr CodePage makePdfDocEncoding() {
  CodePage page = identity(0x20, 0xFF);
  // Of the C0 controls only tab, line feed and carriage return are defined.
  page[0x09] = 0x0009;
  page[0x0A] = 0x000A;
  page[0x0D] = 0x000D;
  // Spacing accents.
  constexpr char16_t accents[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};  // 18-1F
  for (unsigned i = 0; i < 8; ++i) page[0x18 + i] = accents[i];
  page[0x7F] = 0;
  constexpr char16_t high[32] = {
      0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044,  // 80-87
      0x2039, 0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018,  // 88-8F
      0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160,  // 90-97
      0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0,       // 98-9F
  };
  for (unsigned i = 0; i < 32; ++i) page[0x80 + i] = high[i];
  page[0xA0] = 0x20AC;
  page[0xAD] = 0;
  return page;
}

constexpr CodePage makeWindows874() {
  CodePage page = identity(0x00, 0x7F);
  page[0x80] = 0x20AC;
  page[0x85] = 0x2026;
  constexpr char16_t punctuation[7] = {0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014};  // 91-97
  for (unsigned i = 0; i < 7; ++i) page[0x91 + i] = punctuation[i];
  page[0xA0] = 0x00A0;
  // The Thai letters and signs of TIS-620 in their Unicode order, with
  // 0xDB-0xDE unassigned.
  for (unsigned b = 0xA1; b <= 0xDA; ++b) page[b] = static_cast<char16_t>(0x0E01 + (b - 0xA1));
  for (unsigned b = 0xDF; b <= 0xFB; ++b) page[b] = static_cast<char16_t>(0x0E3F + (b - 0xDF));
  return page;
}

constexpr CodePage kAscii = makeAscii();
constexpr CodePage kWindows1252 = makeWindows1252();
constexpr CodePage kMacRoman = makeMacRoman();
constexpr CodePage kPdfDocEncoding = makePdfDocEncoding();
constexpr CodePage kWindows874 = makeWindows874();

}  // namespace

const CodePage& asciiCodePage() { return kAscii; }
const CodePage& windows1252CodePage() { return kWindows1252; }
const CodePage& macRomanCodePage() { return kMacRoman; }
const CodePage& pdfDocEncodingCodePage() { return kPdfDocEncoding; }
const CodePage& windows874CodePage() { return kWindows874; }

std::string decodeSingleByte(std::string_view bytes, const CodePage& page) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    // The tables cannot tell U+0000 from "undefined"; a NUL carries no text
    // anyway, so both are skipped.
    if (const char16_t u = page[static_cast<unsigned char>(c)]) appendUtf8(out, u);
  }
  return out;
}

std::string decodePdfTextString(std::string_view bytes) {
  const auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (startsWith("\xFE\xFF")) return utf8FromUtf16BE(bytes);
  if (startsWith("\xEF\xBB\xBF")) {
    // Re-encoding replaces whatever is not well-formed UTF-8.
    return encodeUtf8(decodeUtf8(bytes.substr(3)));
  }
  return decodeSingleByte(bytes, kPdfDocEncoding);
}

}  // namespace platform::text
