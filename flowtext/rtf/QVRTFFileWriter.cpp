#include "flowtext/rtf/QVRTFFileWriter.h"

#include "platform/text/text.h"

QVRTFFileWriter::QVRTFFileWriter(std::string path) : QVFlowTextFileWriter(std::move(path), "    ", "\n") {}

namespace {

void appendUnit(std::string& out, char16_t unit) {
  // RTF reads the parameter of \u as a signed 16-bit number. \uc0 says no
  // fallback character follows, and the blank only ends the control word:
  // a blank of the text after it is written as a blank of its own. (A "?"
  // fallback makes some readers drop the character after it.)
  const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
  out += "\\uc0\\u";
  platform::text::appendInteger(out, value);
  out += ' ';
}

void appendAscii(std::string& out, char c, char next) {
  switch (c) {
    case '\\':
    case '{':
    case '}':
      out += '\\';
      out += c;
      break;
    case '\t':
      out += "\\tab ";
      break;
    case '\r':
      // A CR LF pair is one break.
      if (next != '\n') out += "\\\n";
      break;
    case '\n':
      out += "\\\n";
      break;
    default:
      if (c >= 0x20 && c < 0x7F) out += c;
      break;
  }
}

}  // namespace

void QVRTFFileWriter::appendEscaped(std::string& out, std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    // Plain ASCII stretches go through without decoding.
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      appendAscii(out, text[i], i + 1 < text.size() ? text[i + 1] : '\0');
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
    for (char16_t unit : platform::text::utf16FromUtf8(text.substr(i, end - i))) {
      // C1 controls are dropped like C0 ones.
      if (unit >= 0x80 && unit <= 0x9F) continue;
      appendUnit(out, unit);
    }
    i = end;
  }
}

void QVRTFFileWriter::writeContent(std::string_view text) {
  escaped_.clear();
  appendEscaped(escaped_, text);
  write(escaped_);
}

void QVRTFFileWriter::writeLinebreak() { writeContent(lineBreak()); }

void QVRTFFileWriter::writeIndentation() { writeContent(indentation()); }
