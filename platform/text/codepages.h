#pragma once
// Single-byte code pages as Unicode tables (authored from the published
// mappings): each table maps a byte to a code point, 0 for an undefined byte.
#include <array>
#include <string>
#include <string_view>

namespace platform::text {

using CodePage = std::array<char16_t, 256>;

const CodePage& asciiCodePage();          // 0x00-0x7F, the rest undefined
const CodePage& windows1252CodePage();    // Windows code page 1252
const CodePage& macRomanCodePage();       // Mac OS Roman
const CodePage& pdfDocEncodingCodePage(); // PDFDocEncoding
const CodePage& windows874CodePage();     // Windows code page 874 (Thai)

// Decodes bytes through a code page into UTF-8; undefined bytes are skipped.
std::string decodeSingleByte(std::string_view bytes, const CodePage& page);
// A PDF text string: UTF-16BE with a byte-order mark, UTF-8 with its mark, or
// PDFDocEncoding.
std::string decodePdfTextString(std::string_view bytes);

}  // namespace platform::text
