// pdfconvert: converts one PDF from the command line through the converter,
// printing each report of the conversion on its own line as it arrives.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "convert/QVPDFConverter.h"
#include "convert/QVPageRange.h"
#include "exporters/QVBuiltInExporters.h"
#include "platform/dispatch/queue.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"

namespace {

constexpr const char* kUsage =
    "Usage: pdfconvert [--password PW] [--pages TEXT] --to EXT INPUT.pdf OUTPUT\n"
    "\n"
    "Converts the PDF file INPUT.pdf into the document OUTPUT.\n"
    "\n"
    "Options:\n"
    "  --to EXT         output type, one of: docx pptx xlsx csv txt rtf html\n"
    "  --password PW    password of an encrypted PDF (user or owner password)\n"
    "  --pages TEXT     pages to convert: \"All Pages\" (the default), or page\n"
    "                   numbers and ranges separated by commas, e.g. \"1-3,5\";\n"
    "                   a range may run downwards (\"5-3\"); numbers outside the\n"
    "                   document are skipped; a TEXT that selects no page of\n"
    "                   the document, or holds anything else (letters, other\n"
    "                   separators, two numbers in one part), is refused\n"
    "  -h, --help       show this text\n"
    "\n"
    "Each report of the conversion is printed on its own line as it arrives:\n"
    "  start\n"
    "  page N converted (position P, C converted)\n"
    "  page N failed: CODE MESSAGE\n"
    "  exception: NAME: REASON\n"
    "  will save\n"
    "  end: ok | end: error CODE MESSAGE\n"
    "\n"
    "Exit status: 0 when the conversion ended without error; 1 when it ended\n"
    "with an error (404 missing source, 405 unreadable PDF or wrong password,\n"
    "400 the document could not be written); 2 for a usage error, a --pages\n"
    "TEXT that cannot be read or selects no page, an OUTPUT that is a folder\n"
    "or the input file itself (nothing is written then);\n"
    "128 + the signal number when interrupted (SIGINT, SIGTERM): the\n"
    "conversion stops after the page under way and leaves nothing behind; a\n"
    "second interruption ends the program at once.\n"
    "An output type without an exporter in this build converts nothing.\n";

struct Arguments {
  std::string password;
  std::string pages = "All Pages";
  std::string type;
  std::string input;
  std::string output;
};

int usageError(const std::string& message) {
  std::cerr << "pdfconvert: " << message << "\n\n" << kUsage;
  return 2;
}

std::string describe(const QVConversionError& error) {
  return platform::text::formatInteger(error.code) + " " + error.failureReason;
}

void printLine(const std::string& line) {
  std::cout << line << '\n';
  std::cout.flush();
}

// Prints every report and remembers the end.
class ReportPrinter : public QVPDFConverterDelegate {
 public:
  bool ended = false;
  std::optional<QVConversionError> endError;

  void didStartConversion(QVPDFConverter&) override { printLine("start"); }
  void didEndConversion(QVPDFConverter&, const std::optional<QVConversionError>& error) override {
    printLine(error ? "end: error " + describe(*error) : "end: ok");
    ended = true;
    endError = error;
  }
  void convertPDFPageIndex(QVPDFConverter&, uint64_t pageNumber, uint64_t position, uint64_t count) override {
    printLine("page " + std::to_string(pageNumber) + " converted (position " + std::to_string(position) + ", " +
              std::to_string(count) + " converted)");
  }
  void convertPDFPageIndexFaildWithError(QVPDFConverter&, uint64_t pageNumber,
                                         const QVConversionError& error) override {
    printLine("page " + std::to_string(pageNumber) + " failed: " + describe(error));
  }
  void willSaveDoc(QVPDFConverter&) override { printLine("will save"); }
  void catchException(QVPDFConverter&, const QVConversionException& exception) override {
    printLine("exception: " + exception.name + ": " + exception.reason);
  }
};

// Turns SIGINT and SIGTERM into a cancel of the conversion, so that the
// converter removes its staging and work folders as for any cancel. The
// handler only writes the signal number to a pipe; a thread of its own reads
// it and asks the main thread (through the main queue) to stop the
// conversion. The first signal also restores the default action, so that a
// second one ends the program at once.
class InterruptWatcher {
 public:
  explicit InterruptWatcher(platform::MainQueue& mainQueue) : mainQueue_(mainQueue) {
    if (::pipe2(pipe_, O_CLOEXEC) != 0) {
      pipe_[0] = pipe_[1] = -1;
      return;
    }
    sWritePipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = &InterruptWatcher::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
    reader_ = std::thread([this] { readSignals(); });
  }

  ~InterruptWatcher() {
    if (pipe_[0] < 0) return;
    restoreDefaults();
    const unsigned char stop = 0;
    while (::write(pipe_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    reader_.join();
    sWritePipe = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  // The converter to stop; set and read on the main thread only.
  void setConverter(QVPDFConverter* converter) { converter_ = converter; }
  // The first signal received, 0 when none.
  int signal() const { return signal_.load(); }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM};
  static inline volatile sig_atomic_t sWritePipe = -1;

  static void onSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (sWritePipe >= 0) (void)!::write(sWritePipe, &byte, 1);
    errno = savedErrno;
  }

  static void restoreDefaults() {
    for (int signal : kSignals) ::signal(signal, SIG_DFL);
  }

  void readSignals() {
    for (;;) {
      unsigned char byte = 0;
      const ssize_t got = ::read(pipe_[0], &byte, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 || byte == 0) return;
      int expected = 0;
      if (!signal_.compare_exchange_strong(expected, byte)) continue;
      restoreDefaults();
      mainQueue_.post([this] {
        std::cerr << "pdfconvert: interrupted; stopping the conversion\n";
        if (converter_) converter_->stopConvertsionIfNeed();
      });
    }
  }

  platform::MainQueue& mainQueue_;
  int pipe_[2] = {-1, -1};
  std::thread reader_;
  std::atomic<int> signal_{0};
  QVPDFConverter* converter_ = nullptr;
};

// The document, opened once: its page count is what the page-range text is
// read against, and the conversion takes it over. Null when it cannot be
// opened (the converter then opens it itself and reports why).
std::unique_ptr<platform::PdfDocument> openedDocument(const Arguments& args) {
  try {
    return QVPDFConverter::initPDFDocumentAtPath(args.input, args.password);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--password" || arg == "--pages" || arg == "--to") {
      auto v = value();
      if (!v) return usageError(arg + " needs a value");
      if (arg == "--password") args.password = *v;
      else if (arg == "--pages") args.pages = *v;
      else args.type = *v;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) positional.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (args.type.empty()) return usageError("--to EXT is required");
  if (!QVPDFConverter::supportDocTypeNameForKey(args.type)) return usageError("unknown output type " + args.type);
  if (positional.size() != 2) return usageError("INPUT.pdf and OUTPUT are required");
  args.input = positional[0];
  args.output = positional[1];

  // Refused before anything is written or even read.
  if (auto problem = QVPDFConverter::outputPathProblem(args.input, args.output)) {
    std::cerr << "pdfconvert: " << *problem << "; nothing was written\n";
    return 2;
  }

  std::unique_ptr<platform::PdfDocument> document = openedDocument(args);
  const int64_t pageCount = document ? document->pageCount() : 0;
  const std::vector<int64_t> pages = QVPageIndexsFromRangeText(args.pages, pageCount);
  // A document that does not open selects nothing either; the converter
  // says why it does not open.
  if (pages.empty() && pageCount > 0)
    return usageError("--pages \"" + args.pages + "\" selects no page of " + args.input + " (" +
                      platform::text::formatInteger(pageCount) + (pageCount == 1 ? " page" : " pages") +
                      "); nothing was written");
  // Nor is a text of which some is not read, whatever it selects.
  if (auto problem = QVPageRangeTextProblem(args.pages))
    return usageError("--pages \"" + args.pages + "\" cannot be read: " + *problem + "; nothing was written");

  registerBuiltInExporters();
  if (!QVExporterRegistry::shared().hasFactory(args.type))
    std::cerr << "pdfconvert: no exporter for " << args.type << " in this build; nothing will be written\n";

  platform::DrainedMainQueue mainQueue;
  InterruptWatcher interrupts(mainQueue);
  ReportPrinter printer;
  {
    QVPDFConverter converter(mainQueue);
    converter.setDelegate(&printer);
    interrupts.setConverter(&converter);
    converter.convertOpenedPDF(std::move(document), args.input, args.password, pages, args.type, args.output,
                               std::nullopt);
    mainQueue.runUntil([&] { return printer.ended; });
    interrupts.setConverter(nullptr);
  }
  if (const int signal = interrupts.signal()) return 128 + signal;
  return printer.endError ? 1 : 0;
}
