#pragma once
// Tokenizer of CMap text (predefined CMap files, embedded CMap streams and
// ToUnicode streams). Tokens are at most kTokenSize - 1 characters; the rest
// of a longer token is consumed and dropped.
#include <array>
#include <cstddef>
#include <string_view>

class QVPDFCMapTokenizer {
 public:
  static constexpr size_t kTokenSize = 256;

  explicit QVPDFCMapTokenizer(std::string_view data) : data_(data) {}

  // The next token, valid until the next call; false at the end of the text.
  //  - whitespace and % comments (to the end of the line) are skipped;
  //  - "(...)" runs to the first ")" not preceded by a backslash;
  //  - "<...>" runs to the next ">" with whitespace inside dropped;
  //  - "[" and "]" stand alone;
  //  - anything else runs to the next whitespace or delimiter.
  bool getToken(std::string_view& token);

  // One-character look-ahead: the next byte (0..255), -1 at the end.
  int lookChar() const { return pos_ < data_.size() ? static_cast<unsigned char>(data_[pos_]) : -1; }
  int getChar() { return pos_ < data_.size() ? static_cast<unsigned char>(data_[pos_++]) : -1; }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  std::array<char, kTokenSize> buffer_{};
};
