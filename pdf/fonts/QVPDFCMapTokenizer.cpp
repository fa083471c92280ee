#include "pdf/fonts/QVPDFCMapTokenizer.h"

namespace {

// NUL counts as whitespace: the text is a sized view, not a C string, so a
// stray NUL inside a stream does not cut the rest of the map off.
bool isWhite(int c) {
  return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isDelimiter(int c) {
  switch (c) {
    case '%': case '(': case ')': case '/': case '<': case '>': case '[': case ']': case '{': case '}':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool QVPDFCMapTokenizer::getToken(std::string_view& token) {
  token = {};
  // Skip whitespace and comments.
  for (;;) {
    int c = lookChar();
    if (c < 0) return false;
    if (isWhite(c)) {
      ++pos_;
    } else if (c == '%') {
      while ((c = lookChar()) >= 0 && c != '\n' && c != '\r') ++pos_;
    } else {
      break;
    }
  }

  const size_t limit = kTokenSize - 1;
  size_t n = 0;
  auto store = [&](int ch) {
    if (n < limit) buffer_[n++] = static_cast<char>(ch);
  };

  int c = getChar();
  store(c);
  if (c == '(') {
    bool backslash = false;
    while ((c = getChar()) >= 0) {
      store(c);
      if (c == ')' && !backslash) break;
      backslash = (c == '\\');
    }
  } else if (c == '<') {
    while ((c = getChar()) >= 0) {
      if (!isWhite(c)) store(c);
      if (c == '>') break;
    }
  } else if (c == '[' || c == ']') {
    // a one-character token
  } else {
    while ((c = lookChar()) >= 0 && !isWhite(c) && !isDelimiter(c)) {
      ++pos_;
      store(c);
    }
  }
  token = std::string_view(buffer_.data(), n);
  return true;
}
