#pragma once
// Converts one PDF file into one output document.
//
// The caller (on the main thread) gives the source path, the password, the
// list of 1-based page numbers, the output type (one of the seven extensions)
// and the output path. The converter reports the start at once, then on a
// serial queue of its own checks and opens the source, creates the exporter
// for the output type through the exporter registry, feeds it the listed
// pages, lets it save the document, and posts every later report to the main
// queue (see QVPDFConverterDelegate).
//
// Each conversion has its own private work folder, made on the conversion
// queue and removed when the conversion ends or is cancelled; everything
// running for the conversion finds it through platform::fs::currentWorkFolder().
// The exporter writes its output under a temporary name beside the output
// path, and the file takes the output name only when the conversion succeeds:
// a conversion that ends with an error leaves no file under the output name.
// A page list in which not one number is a page of the document ends with
// 407 before an exporter is made: no page reports, no file.
//
// One conversion at a time: start the next one after the end report.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/QVConversionError.h"
#include "convert/QVExporterRegistry.h"
#include "convert/QVPDFConverterDelegate.h"
#include "convert/QVPDFOptions.h"

namespace platform {
class MainQueue;
class PdfDocument;
class SerialQueue;
}  // namespace platform

class QVPDFConverter {
 public:
  // Reports go to mainQueue; exporters come from the registry. Both must
  // outlive the converter.
  explicit QVPDFConverter(platform::MainQueue& mainQueue,
                          const QVExporterRegistry& registry = QVExporterRegistry::shared());
  // Asks a running conversion to stop and waits for its queue to finish;
  // reports still on their way are dropped.
  ~QVPDFConverter();
  QVPDFConverter(const QVPDFConverter&) = delete;
  QVPDFConverter& operator=(const QVPDFConverter&) = delete;

  // The receiver of the reports, read when each report is delivered; not owned.
  QVPDFConverterDelegate* delegate() const { return delegate_; }
  void setDelegate(QVPDFConverterDelegate* delegate) { delegate_ = delegate; }

  // Starts one conversion and returns at once. An empty password tries none.
  void convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                        const std::vector<int64_t>& pdfPageIndexs, const std::string& destDocType,
                        const std::string& destDocPath, const std::optional<QVPDFOptions>& moreOptions);
  // The same with the document already opened from pdfPath with pdfPassword
  // (initPDFDocumentAtPath): the conversion takes it over instead of reading
  // the file a second time. A null document is opened as convertPDFAtPath
  // opens it.
  void convertOpenedPDF(std::unique_ptr<platform::PdfDocument> document, const std::string& pdfPath,
                        const std::string& pdfPassword, const std::vector<int64_t>& pdfPageIndexs,
                        const std::string& destDocType, const std::string& destDocPath,
                        const std::optional<QVPDFOptions>& moreOptions);
  // Asks the running conversion to stop before its next page; the page under
  // way runs to its end. No effect when nothing runs.
  void stopConvertsionIfNeed();
  // From the start call until the end report has been delivered.
  bool isConverting() const { return isConverting_.load(); }

  // Opens the document with the password (none when empty). Null when the
  // path is empty, the file cannot be read as a PDF, the password is refused,
  // the document stays locked because it needs a password, or not one of its
  // pages can be read.
  static std::unique_ptr<platform::PdfDocument> initPDFDocumentAtPath(const std::string& path,
                                                                      const std::string& password);

  // Why the output path cannot take the document, checked before anything
  // is written: it names a folder, or the source file itself (through any
  // link: the source would be replaced). Nothing when it can. A conversion
  // to such a path ends with 400 after an exception report that gives this
  // reason.
  static std::optional<std::string> outputPathProblem(const std::string& sourcePath, const std::string& outputPath);

  // The seven output types: extension → title.
  static std::map<std::string, std::string> supportDocTypes();
  // The title of an extension (case-sensitive); nothing for another one.
  static std::optional<std::string> supportDocTypeNameForKey(std::string_view extension);

  const std::string& pdfPath() const { return pdfPath_; }
  const std::string& pdfPassword() const { return pdfPassword_; }
  const std::vector<int64_t>& pdfPageIndexs() const { return pdfPageIndexs_; }
  const std::string& destDocType() const { return destDocType_; }
  const std::string& destDocPath() const { return destDocPath_; }
  const std::optional<QVPDFOptions>& moreOptions() const { return moreOptions_; }

 private:
  struct Link;
  struct Run;
  class Job;

  platform::MainQueue& mainQueue_;
  const QVExporterRegistry& registry_;
  QVPDFConverterDelegate* delegate_ = nullptr;

  std::string pdfPath_;
  std::string pdfPassword_;
  std::vector<int64_t> pdfPageIndexs_;
  std::string destDocType_;
  std::string destDocPath_;
  std::optional<QVPDFOptions> moreOptions_;

  std::atomic<bool> isConverting_{false};
  // Lets reports posted to the main queue find the converter, or learn that
  // it is gone.
  std::shared_ptr<Link> link_;
  std::shared_ptr<Run> currentRun_;
  std::unique_ptr<platform::SerialQueue> queue_;
};
