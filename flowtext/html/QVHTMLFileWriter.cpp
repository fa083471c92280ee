#include "flowtext/html/QVHTMLFileWriter.h"

#include <cstdint>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at the start of `s` (a lead byte of
// 0x80 or above), or 0 when it is not one: overlong forms, surrogates and
// values above U+10FFFF are not.
size_t validSequence(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = byte(0);
  size_t n;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  // C1 controls are as unwelcome in HTML as C0 ones.
  if (cp >= 0x80 && cp <= 0x9F) return n | 0x100;
  return n;
}

}  // namespace

QVHTMLFileWriter::QVHTMLFileWriter(std::string path) : QVFlowTextFileWriter(std::move(path), "   ", "<br>") {}

void QVHTMLFileWriter::appendEscaped(std::string& out, std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '\t':
        case '\n':
        case '\r':
          out += "<br>";
          break;
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          if (c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
          break;
      }
      ++i;
      continue;
    }
    const size_t n = validSequence(text.substr(i));
    if (n == 0) {
      out += kReplacement;
      ++i;
    } else if (n & 0x100) {
      i += n & 0xFF;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
}

void QVHTMLFileWriter::writeContent(std::string_view text) {
  escaped_.clear();
  appendEscaped(escaped_, text);
  write(escaped_);
}
