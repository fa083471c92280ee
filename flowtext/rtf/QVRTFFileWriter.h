#pragma once
// The file writer of the RTF output: the guarded writer with a four-blank
// indentation and a line feed as its line break, and an escaping
// writeContent().
//
// Escaping makes any text safe inside an RTF group, whatever the input held:
// the backslash and both braces are quoted, a TAB becomes \tab, a line feed
// or carriage return a paragraph break (a backslash before a line feed),
// every other control character is dropped, and every character outside
// printable ASCII is written as \uN with a "?" for readers without Unicode:
// N is the UTF-16 unit as RTF's signed 16-bit parameter (units above 32767
// as N - 65536), and a character beyond U+FFFF is its two surrogate units.
// Bytes that are not UTF-8 become U+FFFD, so no lone surrogate is written.
//
// The line break goes through the escaping too: it is written as a
// backslash and a line feed (a paragraph break the reader sees), which is
// not the bare line break the writer counts, so line breaks are never
// dropped; indentations still are after five in a row.
#include <string>
#include <string_view>

#include "flowtext/QVFlowTextFileWriter.h"

class QVRTFFileWriter : public QVFlowTextFileWriter {
 public:
  explicit QVRTFFileWriter(std::string path);

  void writeContent(std::string_view text) override;
  void writeLinebreak() override;
  void writeIndentation() override;

  // Appends the text escaped as RTF text.
  static void appendEscaped(std::string& out, std::string_view text);

 private:
  std::string escaped_;
};
