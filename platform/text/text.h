#pragma once
// UTF-8 / UTF-16 helpers and locale-free number formatting.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// The value of a hexadecimal digit (either case); -1 for any other byte.
int hexDigitValue(char c);

// Appends the UTF-8 form of a code point; lone surrogates and values above
// U+10FFFF are dropped.
void appendUtf8(std::string& out, char32_t codePoint);
std::string utf8FromCodePoint(char32_t codePoint);

// Decodes UTF-8 into code points; an invalid sequence becomes U+FFFD.
std::u32string decodeUtf8(std::string_view utf8);
// The code point at pos (which must be inside the text), moving pos past it;
// an invalid sequence gives U+FFFD.
char32_t codePointAt(std::string_view utf8, size_t& pos);
std::string encodeUtf8(std::u32string_view codePoints);

// UTF-16 code units (host order). Surrogate pairs are joined; a lone
// surrogate is dropped.
std::string utf8FromUtf16(std::u16string_view utf16);
std::u16string utf16FromUtf8(std::string_view utf8);
// UTF-16 big-endian bytes (as in PDF text strings and ToUnicode values),
// with or without a byte-order mark.
std::string utf8FromUtf16BE(std::string_view bytes);

// Number of UTF-16 code units that the UTF-8 text takes.
size_t utf16Length(std::string_view utf8);

// Locale-free number formatting (never affected by the process locale).
// formatFixed(2.5, 0) rounds half to even ("2"), like a "%0.0f" format.
std::string formatFixed(double value, int precision);
// Shortest form that reads back to the same double ("0.5", "12").
std::string formatShortest(double value);
std::string formatInteger(int64_t value);
// Appending variants for hot loops.
void appendFixed(std::string& out, double value, int precision);
void appendInteger(std::string& out, int64_t value);

// Numbers read from the start of a text the lenient way settings and typed
// fields are read, never under the process locale: leading white space is
// skipped, then an optional sign and the number up to the first other
// character; 0 when no number follows.
// integerValue saturates instead of overflowing.
int64_t integerValue(std::string_view text);
// A decimal number with an optional fraction and exponent.
double doubleValue(std::string_view text);
// True when, after white space, an optional sign and leading zeros, the text
// begins with Y, y, T, t or a digit 1-9 ("YES", "true", "1", "007").
bool boolValue(std::string_view text);

}  // namespace platform::text
