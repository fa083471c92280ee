#include "convert/QVPDFConverter.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "convert/QVOutputStaging.h"
#include "convert/QVPDFExporter.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/dispatch/queue.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"

namespace {

struct OutputType {
  const char* extension;
  const char* title;
};

constexpr OutputType kOutputTypes[] = {
    {"docx", "Microsoft Word(.docx)"},
    {"pptx", "Microsoft PowerPoint(.pptx)"},
    {"xlsx", "Microsoft Excel(.xlsx)"},
    {"csv", "Comma-Separated Values(.csv)"},
    {"txt", "UTF-8 Plain Text(.txt)"},
    {"rtf", "Rich Text File(.rtf)"},
    {"html", "Web Source File(.html)"},
};

bool sourceExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace

struct QVPDFConverter::Link {
  QVPDFConverter* converter = nullptr;
};

struct QVPDFConverter::Run {
  std::atomic<bool> shouldCancel{false};
};

// The work of one conversion on its queue. It holds copies of the arguments,
// so the converter's fields may change under it without harm, and it reaches
// the delegate only through reports posted to the main queue.
class QVPDFConverter::Job {
 public:
  Job(const QVPDFConverter& converter, std::shared_ptr<Link> link, std::shared_ptr<Run> run,
      std::shared_ptr<platform::PdfDocument> opened)
      : opened_(std::move(opened)),
        pdfPath_(converter.pdfPath_),
        pdfPassword_(converter.pdfPassword_),
        pages_(converter.pdfPageIndexs_),
        destDocType_(converter.destDocType_),
        destDocPath_(converter.destDocPath_),
        moreOptions_(converter.moreOptions_),
        mainQueue_(converter.mainQueue_),
        registry_(converter.registry_),
        link_(std::move(link)),
        run_(std::move(run)) {}

  void operator()() {
    std::optional<QVConversionError> error;
    try {
      error = convert();
    } catch (...) {
      // Nothing may escape into the queue's worker thread.
      error = QVConversionError::unknown();
    }
    postEnd(error);
  }

 private:
  bool shouldCancel() const { return run_->shouldCancel.load(); }

  std::optional<QVConversionError> convert() {
    if (!sourceExists(pdfPath_)) return finalError(QVConversionError::sourceMissing());
    std::shared_ptr<platform::PdfDocument> document = std::move(opened_);
    if (!document) document = initPDFDocumentAtPath(pdfPath_, pdfPassword_);
    if (!document) return finalError(QVConversionError::cannotLoad());

    std::optional<QVConversionError> error;
    QVOutputStaging staging(destDocPath_);
    try {
      platform::fs::WorkFolder workFolder;
      platform::fs::WorkFolderScope scope(workFolder);
      error = convertPages(*document, staging);
      document.reset();
    } catch (...) {
      postException(QVDescribeCurrentException());
      error = QVConversionError::unknown();
    }
    // The flag is read once here: a cancel decides both the report and the
    // fate of what was written.
    if (shouldCancel()) return QVConversionError::canceled();
    if (!error && !staging.commit()) error = QVConversionError::unknown();
    return error;
  }

  std::optional<QVConversionError> finalError(QVConversionError error) const {
    if (shouldCancel()) return QVConversionError::canceled();
    return error;
  }

  // The page loop: creates the exporter, begins the document, converts each
  // listed page, then saves or cleans. Answers the error of the whole
  // conversion (only a failed begin or save has one).
  std::optional<QVConversionError> convertPages(platform::PdfDocument& document, QVOutputStaging& staging) {
    const int64_t pageCount = document.pageCount();
    if (!supportDocTypeNameForKey(destDocType_)) return std::nullopt;
    // Saving would hand the user an empty document as if it were a result.
    if (std::none_of(pages_.begin(), pages_.end(), [pageCount](int64_t n) { return n >= 1 && n <= pageCount; }))
      return QVConversionError::noPageToConvert();
    std::unique_ptr<QVPDFExporter> exporter = registry_.createExporter(destDocType_, moreOptions_);
    if (!exporter) return std::nullopt;

    try {
      if (auto problem = outputPathProblem(pdfPath_, destDocPath_)) throw std::runtime_error(*problem);
      const std::string& target = staging.prepare();
      exporter->setNumberOfPagesToConvert(static_cast<int64_t>(pages_.size()));
      exporter->begainConvertPDF(target);
    } catch (...) {
      postException(QVDescribeCurrentException());
      cleanQuietly(*exporter);
      return QVConversionError::unknown();
    }

    uint64_t converted = 0;
    for (size_t i = 0; i < pages_.size() && !shouldCancel(); ++i) {
      const int64_t n = pages_[i];
      if (n <= 0 || n > pageCount) {
        postPageFailure(n, QVConversionError::outOfPageRange(n));
        continue;
      }
      try {
        const std::optional<platform::PdfPage> page = document.page(static_cast<int>(n));
        if (!page) {
          postPageFailure(n, QVConversionError::cannotReadPage(n));
        } else if (exporter->convertPDFPage(*page)) {
          ++converted;
          postPageDone(n, i + 1, converted);
        } else {
          postPageFailure(n, QVConversionError::cannotConvertPage(n));
        }
      } catch (...) {
        postException(QVDescribeCurrentException());
        postPageFailure(n, QVConversionError::unknown());
      }
      // What qpdf read for the pages so far is let go from time to time:
      // the conversion holds the objects of its last pages, not of all.
      // After the last page there is nothing left to read it for.
      if (i + 1 < pages_.size()) releaseObjectsRead(document);
    }

    std::optional<QVConversionError> error;
    if (shouldCancel()) {
      cleanQuietly(*exporter);
    } else {
      postWillSave();
      try {
        exporter->endConvertPDF(document);
      } catch (...) {
        postException(QVDescribeCurrentException());
        error = QVConversionError::unknown();
      }
    }
    exporter.reset();
    return error;
  }

  static void releaseObjectsRead(platform::PdfDocument& document) {
    if (!document.isUnlocked()) return;
    const QPDF* before = &document.qpdf();
    try {
      // The fonts of the document hold handles into what is let go.
      if (document.releaseObjectsRead()) QVPDFFontFactory::releaseDocument(before);
    } catch (...) {
      // The document stays as it was: only memory is at stake.
    }
  }

  void cleanQuietly(QVPDFExporter& exporter) {
    try {
      exporter.cleanConvertPDF();
    } catch (...) {
      postException(QVDescribeCurrentException());
    }
  }

  // Runs `report` on the main queue with the converter and its delegate of
  // that moment; nothing when either is gone.
  template <typename Report>
  void post(Report report) {
    mainQueue_.post([link = link_, report = std::move(report)] {
      QVPDFConverter* converter = link->converter;
      if (!converter) return;
      if (QVPDFConverterDelegate* delegate = converter->delegate()) report(*converter, *delegate);
    });
  }

  void postPageDone(int64_t n, uint64_t position, uint64_t converted) {
    post([n, position, converted](QVPDFConverter& c, QVPDFConverterDelegate& d) {
      d.convertPDFPageIndex(c, static_cast<uint64_t>(n), position, converted);
    });
  }

  void postPageFailure(int64_t n, QVConversionError error) {
    post([n, error = std::move(error)](QVPDFConverter& c, QVPDFConverterDelegate& d) {
      d.convertPDFPageIndexFaildWithError(c, static_cast<uint64_t>(n), error);
    });
  }

  void postWillSave() {
    post([](QVPDFConverter& c, QVPDFConverterDelegate& d) { d.willSaveDoc(c); });
  }

  void postException(QVConversionException exception) {
    post([exception = std::move(exception)](QVPDFConverter& c, QVPDFConverterDelegate& d) {
      d.catchException(c, exception);
    });
  }

  void postEnd(std::optional<QVConversionError> error) {
    mainQueue_.post([link = link_, error = std::move(error)] {
      QVPDFConverter* converter = link->converter;
      if (!converter) return;
      converter->isConverting_ = false;
      if (QVPDFConverterDelegate* delegate = converter->delegate()) delegate->didEndConversion(*converter, error);
    });
  }

  // The document the caller opened already, taken over by the conversion.
  std::shared_ptr<platform::PdfDocument> opened_;
  std::string pdfPath_;
  std::string pdfPassword_;
  std::vector<int64_t> pages_;
  std::string destDocType_;
  std::string destDocPath_;
  std::optional<QVPDFOptions> moreOptions_;
  platform::MainQueue& mainQueue_;
  const QVExporterRegistry& registry_;
  std::shared_ptr<Link> link_;
  std::shared_ptr<Run> run_;
};

QVPDFConverter::QVPDFConverter(platform::MainQueue& mainQueue, const QVExporterRegistry& registry)
    : mainQueue_(mainQueue), registry_(registry), link_(std::make_shared<Link>(Link{this})) {}

QVPDFConverter::~QVPDFConverter() {
  link_->converter = nullptr;
  if (currentRun_) currentRun_->shouldCancel = true;
  queue_.reset();
}

void QVPDFConverter::convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                                      const std::vector<int64_t>& pdfPageIndexs, const std::string& destDocType,
                                      const std::string& destDocPath,
                                      const std::optional<QVPDFOptions>& moreOptions) {
  convertOpenedPDF(nullptr, pdfPath, pdfPassword, pdfPageIndexs, destDocType, destDocPath, moreOptions);
}

void QVPDFConverter::convertOpenedPDF(std::unique_ptr<platform::PdfDocument> document, const std::string& pdfPath,
                                      const std::string& pdfPassword, const std::vector<int64_t>& pdfPageIndexs,
                                      const std::string& destDocType, const std::string& destDocPath,
                                      const std::optional<QVPDFOptions>& moreOptions) {
  pdfPath_ = pdfPath;
  pdfPassword_ = pdfPassword;
  pdfPageIndexs_ = pdfPageIndexs;
  destDocType_ = destDocType;
  destDocPath_ = destDocPath;
  moreOptions_ = moreOptions;

  currentRun_ = std::make_shared<Run>();
  isConverting_ = true;
  if (delegate_) delegate_->didStartConversion(*this);

  // A new queue per conversion; the previous one has finished its work by
  // now (or finishes it here, before the new conversion begins).
  queue_.reset();
  queue_ = std::make_unique<platform::SerialQueue>("_startConvertQueue");
  queue_->async(Job(*this, link_, currentRun_, std::move(document)));
}

void QVPDFConverter::stopConvertsionIfNeed() {
  if (currentRun_) currentRun_->shouldCancel = true;
}

std::unique_ptr<platform::PdfDocument> QVPDFConverter::initPDFDocumentAtPath(const std::string& path,
                                                                             const std::string& password) {
  if (path.empty()) return nullptr;
  try {
    std::unique_ptr<platform::PdfDocument> document = platform::PdfDocument::open(path, password);
    // A document that still needs a password, or one in which not a single
    // page can be reached, cannot be converted: reporting success for it
    // would hand the user an empty document.
    if (!document || !document->isUnlocked() || !document->hasReadablePage()) return nullptr;
    return document;
  } catch (...) {
    return nullptr;
  }
}

std::optional<std::string> QVPDFConverter::outputPathProblem(const std::string& sourcePath,
                                                             const std::string& outputPath) {
  struct stat output;
  if (::stat(outputPath.c_str(), &output) != 0) return std::nullopt;
  if (S_ISDIR(output.st_mode)) return "The output path " + outputPath + " is a folder, not a file";
  struct stat source;
  if (::stat(sourcePath.c_str(), &source) == 0 && source.st_dev == output.st_dev && source.st_ino == output.st_ino)
    return "The output path " + outputPath + " is the source file";
  return std::nullopt;
}

std::map<std::string, std::string> QVPDFConverter::supportDocTypes() {
  std::map<std::string, std::string> table;
  for (const auto& type : kOutputTypes) table.emplace(type.extension, type.title);
  return table;
}

std::optional<std::string> QVPDFConverter::supportDocTypeNameForKey(std::string_view extension) {
  for (const auto& type : kOutputTypes)
    if (extension == type.extension) return std::string(type.title);
  return std::nullopt;
}
