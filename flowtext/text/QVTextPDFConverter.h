#pragma once
// The plain-text document of one conversion: a UTF-8 file without a
// byte-order mark that grows page by page, each page appending its lines
// (no header, no trailer, no work folder).
//
// The file is written under a hidden name beside the output and takes the
// output's name only when the last page is in and it closed cleanly, so a
// cancelled or failed conversion leaves nothing under the output name (and
// a file that stood there untouched): the destructor removes the unfinished
// file.
//
// Run text is written as it stands, without escaping; bytes that are not
// UTF-8 (and halves of surrogate pairs) become U+FFFD, so the file is always
// valid UTF-8, with characters beyond U+FFFF kept.
#include <cstdint>
#include <memory>
#include <string>

#include "flowtext/QVFlowTextConverter.h"
#include "flowtext/QVFlowTextFileWriter.h"
#include "flowtext/QVFlowTextParagraph.h"

class QVTextPDFConverter : public QVFlowTextConverter, public QVFlowTextMarkup {
 public:
  QVTextPDFConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context);
  ~QVTextPDFConverter() override;

  // Creates the (hidden) file and its writer; throws when it cannot.
  void begainWriteDocument() override;
  // Closes the file and gives it the output's name; throws when it cannot.
  void packetDocxFile() override;

  // ---- The markup
  QVFlowTextFileWriter& bodyWriter() override;
  // The text page breaks its lines itself; a paragraph opened otherwise
  // starts a line.
  void writeNewLine(QVFlowParagraph& paragraph) override;
  void writeRun(const QVFlowRunText& run) override;

  // Appends the text as valid UTF-8.
  static void appendValidUtf8(std::string& out, std::string_view text);

 protected:
  std::unique_ptr<QVFlowTextPage> makePage(platform::Size pageSize, bool lastPage) override;

 private:
  void discardPartFile();

  std::unique_ptr<QVFlowTextFileWriter> documentWriter_;
  std::string partPath_;
  bool textWritten_ = false;
  std::string valid_;
};
