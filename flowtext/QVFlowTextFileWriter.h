#pragma once
// The file writer of the single-file flowing-text outputs (HTML, RTF, plain
// text): appends UTF-8 to one file.
//
// Two strings of each format are special: its line break and its
// indentation. write() lets at most five of them in a row (in any mix) reach
// the file; the sixth and later are dropped until some other non-empty
// string is written, so a page of blank lines cannot turn into a file of
// them. writeData() appends bytes as they are and does not count.
//
// Output is buffered and every write to the file is checked: a failed write,
// flush or close throws QVFlowTextWriteError, so a body that did not reach the
// disk never passes for a written one. A writer that was never closed removes
// nothing: the owner decides what happens to an unfinished file.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class QVFlowTextWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class QVFlowTextFileWriter {
 public:
  // The most line breaks and indentations in a row that reach the file.
  static constexpr int64_t kMaxLineBreaksInRow = 5;

  // Creates the file empty (replacing one that exists) and opens it; throws
  // QVFlowTextWriteError when it cannot.
  QVFlowTextFileWriter(std::string path, std::string indentation, std::string lineBreak);
  // Flushes and closes; errors cannot be reported from here (closeFile() is
  // the checked path).
  virtual ~QVFlowTextFileWriter();
  QVFlowTextFileWriter(const QVFlowTextFileWriter&) = delete;
  QVFlowTextFileWriter& operator=(const QVFlowTextFileWriter&) = delete;

  // The guarded append: empty strings are ignored; a string equal to the line
  // break or the indentation counts, any other resets the count.
  void write(std::string_view text);
  // Appends the bytes as they are, without counting.
  void writeData(std::string_view bytes);
  // Text escaped for the format (the base writes it unchanged).
  virtual void writeContent(std::string_view text);
  virtual void writeLinebreak();
  virtual void writeIndentation();
  // Flushes and closes the file; throws when anything failed. Idempotent.
  void closeFile();

  const std::string& textPath() const { return textPath_; }
  const std::string& indentation() const { return indentation_; }
  const std::string& lineBreak() const { return lineBreak_; }
  int64_t lineBreakCount() const { return lineBreakCount_; }

 private:
  void append(std::string_view bytes);
  void flushBuffer();

  std::string textPath_;
  std::string indentation_;
  std::string lineBreak_;
  int64_t lineBreakCount_ = 0;
  int fd_ = -1;
  std::string buffer_;
};
