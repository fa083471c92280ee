#pragma once
// The file writer of the HTML output: the guarded writer with a three-blank
// indentation and "<br>" as its line break, and an escaping writeContent().
//
// Escaping makes any text safe as HTML character data: TAB, line feed and
// carriage return become a line break, "&", "<", ">" and the double quote
// their entities; other control characters are dropped, and a byte sequence
// that is not UTF-8 becomes U+FFFD, so the file is always valid UTF-8 (with
// characters beyond U+FFFF kept as they are).
#include <string>
#include <string_view>

#include "flowtext/QVFlowTextFileWriter.h"

class QVHTMLFileWriter : public QVFlowTextFileWriter {
 public:
  explicit QVHTMLFileWriter(std::string path);

  void writeContent(std::string_view text) override;

  // Appends the text escaped as HTML character data.
  static void appendEscaped(std::string& out, std::string_view text);

 private:
  std::string escaped_;
};
