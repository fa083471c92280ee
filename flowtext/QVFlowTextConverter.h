#pragma once
// The document assembler of a single-file flowing-text output: the writer
// object its exporter drives. It owns the page being converted and the
// conversion's counters, and at the end writes the output file.
//
//   converter.begainWriteDocument();
//   for each page:
//     converter.begainWritePage({width, height});  // a new page (makePage)
//     ... the exporter fills converter.currentPage()->allRunTextArray ...
//     converter.endWritePage();                     // the page lays out and writes its paragraphs
//   converter.endWriteDocument();
//   converter.packetDocxFile();                     // the output file
//
// A format supplies its page (makePage) and its output (packetDocxFile).
// Formats that collect their body first keep it in a work folder named after
// the output, inside the conversion's work folder; the folder is removed when
// the output is written, and by the destructor after a failure or a cancel.
// The output file is written through writeOutputFile(): nothing stands under
// the output name until the file is complete, and a failure throws.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "docx/QVDocxConversionContext.h"
#include "flowtext/QVFlowTextPage.h"
#include "platform/geometry/geometry.h"

class QVFlowTextFileWriter;

class QVFlowTextConverter {
 public:
  QVFlowTextConverter(std::string outputPath, int64_t numOfPages, QVDocxConversionContext& context);
  virtual ~QVFlowTextConverter();
  QVFlowTextConverter(const QVFlowTextConverter&) = delete;
  QVFlowTextConverter& operator=(const QVFlowTextConverter&) = delete;

  // Resets the conversion's counters and the page index; formats open their
  // body here.
  virtual void begainWriteDocument();
  // A new page of the given display size; the previous page is dropped.
  void begainWritePage(platform::Size pageSize);
  // The current page lays out its runs and writes its paragraphs.
  void endWritePage();
  virtual void endWriteDocument() {}
  // Writes the output file; throws when it cannot.
  virtual void packetDocxFile() = 0;

  QVFlowTextPage* currentPage() { return currentPage_.get(); }
  QVDocxConversionContext& context() { return context_; }
  const std::string& savedFilePath() const { return savedFilePath_; }
  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  int64_t docxNumOfPages() const { return docxNumOfPages_; }
  int64_t currentDocxPageIndex() const { return currentDocxPageIndex_; }

 protected:
  // The format's page.
  virtual std::unique_ptr<QVFlowTextPage> makePage(platform::Size pageSize, bool lastPage) = 0;

  // Makes the work folder (once) and answers it; throws when it cannot.
  const std::string& makeWorkFolder();
  void removeWorkFolder();
  // Writes the output file with a writer the factory makes on the path it is
  // given (a hidden file beside the output, renamed to the output when it is
  // complete); on any failure that file is removed and the exception goes on.
  void writeOutputFile(const std::function<std::unique_ptr<QVFlowTextFileWriter>(const std::string&)>& makeWriter,
                       const std::function<void(QVFlowTextFileWriter&)>& fill);
  // The hidden file beside the output that a document is written into
  // before it takes the output's name: created empty, its path answered;
  // throws when the output's folder cannot take it.
  std::string makePartFile() const;
  // The finished part file takes the output's name; throws when it cannot.
  void commitPartFile(const std::string& partPath) const;
  // Appends a whole file's bytes (a body collected in the work folder);
  // throws when it cannot be read.
  static void appendFile(QVFlowTextFileWriter& writer, const std::string& path);

 private:
  std::string savedFilePath_;
  std::string savedWorkFolder_;
  int64_t docxNumOfPages_ = 0;
  QVDocxConversionContext& context_;
  std::unique_ptr<QVFlowTextPage> currentPage_;
  int64_t currentDocxPageIndex_ = 0;
};
