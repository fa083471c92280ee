// The converter driven end to end with a probe exporter over PDFs made in the
// test: the exact sequence of reports, the opening rules, cancellation,
// exceptions in every exporter call, the work folder and the output file.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>

#include <gtest/gtest.h>

#include "convert/QVExporterRegistry.h"
#include "convert/QVPDFConverter.h"
#include "convert/QVPDF_CTMInfo.h"
#include "convert/QVPageRange.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/dispatch/queue.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using Reports = std::vector<std::string>;

// What the probe exporter should do; shared with the test.
struct ProbeScript {
  bool throwOnBegin = false;
  bool throwOnEnd = false;
  int64_t throwOnPage = 0;    // page number whose conversion throws
  int64_t refusePage = 0;     // page number the exporter refuses
  std::shared_future<void> releaseBegin;  // begin waits for it when valid
};

// What the probe exporter saw, in order.
struct ProbeLog {
  std::mutex mutex;
  std::vector<std::string> calls;
  std::vector<std::string> workFolders;
  std::vector<platform::AffineTransform> displayTransforms;
  std::optional<QVPDFOptions> options;
  int created = 0;

  void add(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
};

class ProbeExporter : public QVPDFExporter {
 public:
  ProbeExporter(ProbeScript script, ProbeLog& log) : script_(std::move(script)), log_(log) {}

  void begainConvertPDF(const std::string& outputPath) override {
    log_.add("begin " + std::to_string(numberOfPagesToConvert()) + " " + fs::path(outputPath).filename().string());
    if (script_.releaseBegin.valid()) script_.releaseBegin.wait();
    outputPath_ = outputPath;
    if (script_.throwOnBegin) throw std::runtime_error("cannot begin");
  }

  bool convertPDFPage(const platform::PdfPage& page) override {
    log_.add("page " + std::to_string(page.number()));
    {
      std::lock_guard lock(log_.mutex);
      log_.workFolders.push_back(platform::fs::currentWorkFolder());
      log_.displayTransforms.push_back(QVPDF_PageTransformForRotation(page.mediaBox(), page.rotation()));
    }
    if (page.number() == script_.throwOnPage) throw XMLWriterException("page " + std::to_string(page.number()));
    return page.number() != script_.refusePage;
  }

  void endConvertPDF(const platform::PdfDocument& document) override {
    log_.add("end " + std::to_string(document.pageCount()));
    // A partial output is on disk before the failure, as a writer that ran
    // out of space would leave it.
    std::ofstream(outputPath_) << "document";
    if (script_.throwOnEnd) throw XMLWriterException("Could not write the file");
  }

  void cleanConvertPDF() override { log_.add("clean"); }

 private:
  ProbeScript script_;
  ProbeLog& log_;
  std::string outputPath_;
};

class RecordingDelegate : public QVPDFConverterDelegate {
 public:
  Reports reports;
  bool ended = false;
  std::optional<QVConversionError> endError;
  std::function<void(QVPDFConverter&)> onFirstPage;
  bool convertingAtEnd = true;

  void didStartConversion(QVPDFConverter&) override { reports.push_back("start"); }
  void didEndConversion(QVPDFConverter& converter, const std::optional<QVConversionError>& error) override {
    reports.push_back(error ? "end " + std::to_string(error->code) + " " + error->failureReason : "end");
    endError = error;
    convertingAtEnd = converter.isConverting();
    ended = true;
  }
  void convertPDFPageIndex(QVPDFConverter& converter, uint64_t n, uint64_t position, uint64_t count) override {
    reports.push_back("page " + std::to_string(n) + " at " + std::to_string(position) + " count " +
                      std::to_string(count));
    if (onFirstPage) std::exchange(onFirstPage, nullptr)(converter);
  }
  void convertPDFPageIndexFaildWithError(QVPDFConverter&, uint64_t n, const QVConversionError& error) override {
    EXPECT_EQ(error.domain, kQVBundleIdentifier);
    reports.push_back("failed " + std::to_string(n) + " " + std::to_string(error.code) + " " + error.failureReason);
  }
  void willSaveDoc(QVPDFConverter&) override { reports.push_back("will save"); }
  void catchException(QVPDFConverter&, const QVConversionException& e) override {
    reports.push_back("exception " + e.name + ": " + e.reason);
  }
};

std::string threePageContent(int n) {
  return "BT /F1 12 Tf 72 700 Td (Page " + std::to_string(n) + ") Tj ET";
}

void makeThreePages(const fs::path& path, const qvtest::PdfEncryption& encryption = {}) {
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  auto res = b.resources({{"Font", {{"F1", font}}}});
  for (int n = 1; n <= 3; ++n) b.addPage(threePageContent(n), res);
  b.write(path, encryption);
}

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = dir.file("three.pdf");
    makeThreePages(source);
    output = dir.file("out") / "three.pptx";
    fs::create_directories(output.parent_path());
    registry.registerFactory("pptx", [this](const std::optional<QVPDFOptions>& options) {
      std::lock_guard lock(log.mutex);
      ++log.created;
      log.options = options;
      return std::make_unique<ProbeExporter>(script, log);
    });
  }

  Reports convert(const std::vector<int64_t>& pages, const std::string& password = "",
                  const std::string& type = "pptx", const fs::path& input = {},
                  const std::optional<QVPDFOptions>& options = std::nullopt) {
    converter.setDelegate(&delegate);
    converter.convertPDFAtPath((input.empty() ? source : input).string(), password, pages, type, output.string(),
                               options);
    EXPECT_TRUE(converter.isConverting());
    mainQueue.runUntil([&] { return delegate.ended; });
    EXPECT_FALSE(delegate.convertingAtEnd);
    return delegate.reports;
  }

  // Everything in the output folder, so leftovers of a failed save show.
  std::vector<std::string> outputFolderItems() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(output.parent_path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  qvtest::TempDir dir;
  fs::path source;
  fs::path output;
  ProbeScript script;
  ProbeLog log;
  QVExporterRegistry registry;
  platform::DrainedMainQueue mainQueue;
  RecordingDelegate delegate;
  QVPDFConverter converter{mainQueue, registry};
};

TEST_F(ConverterTest, ReportsFollowThePageList) {
  EXPECT_EQ(convert({1, 0, 4, 2, 2}), (Reports{
                                          "start",
                                          "page 1 at 1 count 1",
                                          "failed 0 401 Out of PDF Page Range(0)",
                                          "failed 4 401 Out of PDF Page Range(4)",
                                          "page 2 at 4 count 2",
                                          "page 2 at 5 count 3",
                                          "will save",
                                          "end",
                                      }));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"begin 5 three.pptx", "page 1", "page 2", "page 2", "end 3"}));
  EXPECT_EQ(log.created, 1);
  EXPECT_EQ(outputFolderItems(), (std::vector<std::string>{"three.pptx"}));
}

TEST_F(ConverterTest, RefusedPageAndAFreshErrorAfterAnException) {
  script.refusePage = 1;
  script.throwOnPage = 3;
  EXPECT_EQ(convert({1, 5, 3, 2}), (Reports{
                                       "start",
                                       "failed 1 401 Can't convert the PDF Page.(1)",
                                       "failed 5 401 Out of PDF Page Range(5)",
                                       "exception XMLWriterException: page 3",
                                       "failed 3 400 Unknow error while converting.",
                                       "page 2 at 4 count 1",
                                       "will save",
                                       "end",
                                   }));
}

TEST_F(ConverterTest, APageListWithoutAPageOfTheDocumentIsRefusedBeforeAnythingIsWritten) {
  for (const std::vector<int64_t>& pages : {std::vector<int64_t>{}, std::vector<int64_t>{0, 4, 9}}) {
    delegate = RecordingDelegate();
    EXPECT_EQ(convert(pages), (Reports{"start", "end 407 No PDF Page to convert."}));
  }
  EXPECT_EQ(log.created, 0);
  EXPECT_EQ(outputFolderItems(), std::vector<std::string>{});
}

TEST_F(ConverterTest, BaseExporterFailsEveryPage) {
  registry.registerFactory("txt", [](const auto&) { return std::make_unique<QVPDFExporter>(); });
  EXPECT_EQ(convert({2, 3}, "", "txt"), (Reports{"start", "failed 2 401 Can't convert the PDF Page.(2)",
                                                 "failed 3 401 Can't convert the PDF Page.(3)", "will save", "end"}));
}

TEST_F(ConverterTest, EncryptedDocumentOpensOnlyWithItsPassword) {
  const fs::path locked = dir.file("locked.pdf");
  makeThreePages(locked, {qvtest::PdfEncryption::AES_256, "user-pw", "owner-pw"});

  EXPECT_EQ(convert({1}, "wrong", "pptx", locked), (Reports{"start", "end 405 Can't load the PDF Document."}));
  EXPECT_EQ(log.created, 0);
  EXPECT_FALSE(fs::exists(output));

  for (const std::string password : {"user-pw", "owner-pw"}) {
    delegate = RecordingDelegate();
    EXPECT_EQ(convert({1, 3}, password, "pptx", locked),
              (Reports{"start", "page 1 at 1 count 1", "page 3 at 2 count 2", "will save", "end"}))
        << password;
    EXPECT_TRUE(fs::exists(output));
    fs::remove(output);
  }
}

TEST_F(ConverterTest, EncryptedDocumentWithoutPasswordCannotBeLoaded) {
  // Its pages need the password whatever its crypt filters: RC4 before them,
  // AES through them (streams and strings of either revision).
  for (auto kind : {qvtest::PdfEncryption::RC4_128, qvtest::PdfEncryption::AES_128, qvtest::PdfEncryption::AES_256}) {
    const fs::path locked = dir.file("locked.pdf");
    makeThreePages(locked, {kind, "user-pw", "owner-pw"});
    delegate = RecordingDelegate();
    EXPECT_EQ(convert({1}, "", "pptx", locked), (Reports{"start", "end 405 Can't load the PDF Document."})) << kind;
  }
  EXPECT_EQ(log.created, 0);
}

TEST_F(ConverterTest, DocumentWithAnEmptyUserPasswordOpensWithoutOne) {
  const fs::path protectedFile = dir.file("protected.pdf");
  makeThreePages(protectedFile, {qvtest::PdfEncryption::AES_128, "", "owner-pw", false});
  EXPECT_EQ(convert({2}, "", "pptx", protectedFile), (Reports{"start", "page 2 at 1 count 1", "will save", "end"}));
}

TEST_F(ConverterTest, MissingSourceOrFolderIsNotFound) {
  EXPECT_EQ(convert({1}, "", "pptx", dir.file("missing.pdf")), (Reports{"start", "end 404 Source File isn't exist."}));
  delegate = RecordingDelegate();
  EXPECT_EQ(convert({1}, "", "pptx", dir.path()), (Reports{"start", "end 404 Source File isn't exist."}));
  EXPECT_EQ(log.created, 0);
  ASSERT_TRUE(delegate.endError);
  EXPECT_EQ(delegate.endError->domain, kQVBundleIdentifier);
}

TEST_F(ConverterTest, FileThatIsNotAPdfCannotBeLoaded) {
  const fs::path text = dir.file("notes.pdf");
  std::ofstream(text) << "just some text, not a PDF";
  EXPECT_EQ(convert({1}, "", "pptx", text), (Reports{"start", "end 405 Can't load the PDF Document."}));
}

// A main queue whose posts wait until the main thread has run the report,
// so the conversion queue cannot run ahead of what the delegate does.
class HandshakeMainQueue : public platform::MainQueue {
 public:
  void post(platform::Task task) override {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> handled = done->get_future();
    inner.post([task = std::move(task), done] {
      task();
      done->set_value();
    });
    handled.wait();
  }
  platform::DrainedMainQueue inner;
};

TEST_F(ConverterTest, StopFromTheFirstPageReportCancels) {
  HandshakeMainQueue handshake;
  QVPDFConverter stepped(handshake, registry);
  stepped.setDelegate(&delegate);
  delegate.onFirstPage = [](QVPDFConverter& c) { c.stopConvertsionIfNeed(); };
  stepped.convertPDFAtPath(source.string(), "", {1, 2, 3}, "pptx", output.string(), std::nullopt);
  handshake.inner.runUntil([&] { return delegate.ended; });
  EXPECT_EQ(delegate.reports, (Reports{"start", "page 1 at 1 count 1", "end 406 Conversion has been canceled."}));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"begin 3 three.pptx", "page 1", "clean"}));
  EXPECT_EQ(outputFolderItems(), std::vector<std::string>{});
}

TEST_F(ConverterTest, StopBeforeTheFirstPageConvertsNothing) {
  std::promise<void> stopped;
  script.releaseBegin = stopped.get_future().share();
  converter.setDelegate(&delegate);
  converter.convertPDFAtPath(source.string(), "", {1, 2}, "pptx", output.string(), std::nullopt);
  converter.stopConvertsionIfNeed();
  stopped.set_value();
  mainQueue.runUntil([&] { return delegate.ended; });
  EXPECT_EQ(delegate.reports, (Reports{"start", "end 406 Conversion has been canceled."}));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"begin 2 three.pptx", "clean"}));
}

TEST_F(ConverterTest, ExceptionOnBeginEndsWithAnErrorAndNoOutput) {
  script.throwOnBegin = true;
  const Reports reports = convert({1, 2});
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0], "start");
  EXPECT_EQ(reports[1].rfind("exception ", 0), 0u) << reports[1];
  EXPECT_NE(reports[1].find("cannot begin"), std::string::npos) << reports[1];
  EXPECT_EQ(reports[2], "end 400 Unknow error while converting.");
  EXPECT_EQ(log.calls, (std::vector<std::string>{"begin 2 three.pptx", "clean"}));
  EXPECT_EQ(outputFolderItems(), std::vector<std::string>{});
}

TEST_F(ConverterTest, ExceptionOnSaveEndsWithAnErrorAndNoOutput) {
  script.throwOnEnd = true;
  EXPECT_EQ(convert({2}), (Reports{"start", "page 2 at 1 count 1", "will save",
                                   "exception XMLWriterException: Could not write the file",
                                   "end 400 Unknow error while converting."}));
  EXPECT_EQ(outputFolderItems(), std::vector<std::string>{});
}

TEST_F(ConverterTest, OutputFolderThatCannotBeWrittenIsAnError) {
  output = dir.file("no-such-folder") / "x.pptx";
  const Reports reports = convert({1});
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[1].rfind("exception ", 0), 0u);
  EXPECT_EQ(reports[2], "end 400 Unknow error while converting.");
}

TEST_F(ConverterTest, OutputTypeWithoutExporterConvertsNothing) {
  for (const std::string type : {"PPTX", "pdf", "docx"}) {
    delegate = RecordingDelegate();
    EXPECT_EQ(convert({1, 2}, "", type), (Reports{"start", "end"})) << type;
  }
  EXPECT_EQ(log.created, 0);
  EXPECT_EQ(outputFolderItems(), std::vector<std::string>{});
}

TEST_F(ConverterTest, EachConversionHasItsOwnWorkFolderRemovedAtTheEnd) {
  convert({1, 2});
  delegate = RecordingDelegate();
  convert({3});
  ASSERT_EQ(log.workFolders.size(), 3u);
  EXPECT_EQ(log.workFolders[0], log.workFolders[1]);
  EXPECT_NE(log.workFolders[0], log.workFolders[2]);
  for (const auto& folder : log.workFolders) EXPECT_FALSE(fs::exists(folder)) << folder;
}

TEST_F(ConverterTest, OptionsReachTheFactory) {
  QVPDFOptions options;
  options.excelOptions.thousandSepartor = 1;
  options.excelOptions.collectFills = true;
  convert({1}, "", "pptx", {}, options);
  EXPECT_EQ(log.options, options);
}

TEST_F(ConverterTest, RotatedPagesReachTheExporterWithTheirDisplayTransform) {
  qvtest::PdfBuilder b;
  for (int rotation : {0, 90, 180, 270}) {
    auto page = b.addPage("0 0 m 10 10 l S", QPDFObjectHandle(), "[100 200 700 1000]");
    page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotation));
  }
  const fs::path rotated = dir.file("rotated.pdf");
  b.write(rotated);
  EXPECT_EQ(convert({1, 2, 3, 4}, "", "pptx", rotated),
            (Reports{"start", "page 1 at 1 count 1", "page 2 at 2 count 2", "page 3 at 3 count 3",
                     "page 4 at 4 count 4", "will save", "end"}));
  // The point (10, 20) of a 600 × 800 page at the origin, moved with its box.
  const platform::Point expected[] = {{10, 780}, {20, 10}, {590, 20}, {580, 790}};
  ASSERT_EQ(log.displayTransforms.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const platform::Point p = log.displayTransforms[i].apply({110, 220});
    EXPECT_NEAR(p.x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(p.y, expected[i].y, 1e-9) << i;
  }
}

TEST_F(ConverterTest, ConverterIsReusedConversionAfterConversion) {
  for (int round = 0; round < 3; ++round) {
    delegate = RecordingDelegate();
    EXPECT_EQ(convert({3}), (Reports{"start", "page 3 at 1 count 1", "will save", "end"}));
    fs::remove(output);
  }
}

// ---------------------------------------------------------------------------
// Unusable output paths

TEST_F(ConverterTest, OutputPathThatIsAFolderOrTheSourceIsRefusedBeforeAnythingIsWritten) {
  const std::string original = *platform::fs::readFile(source.string());
  const fs::path link = dir.file("link.pdf");
  fs::create_symlink(source, link);
  const std::pair<fs::path, const char*> cases[] = {
      {source, "is the source file"}, {link, "is the source file"}, {output.parent_path(), "is a folder"}};
  for (const auto& [target, reason] : cases) {
    SCOPED_TRACE(target.string());
    delegate = RecordingDelegate();
    log.calls.clear();
    output = target;
    const Reports reports = convert({1, 2});
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_NE(reports[1].find(reason), std::string::npos) << reports[1];
    EXPECT_EQ(reports[2], "end 400 Unknow error while converting.");
    EXPECT_EQ(log.calls, std::vector<std::string>{"clean"});
  }
  EXPECT_EQ(platform::fs::readFile(source.string()), original);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_empty(dir.file("out")));
}

TEST(QVPDFConverterTable, SevenOutputTypesWithTheirTitles) {
  const std::map<std::string, std::string> expected = {
      {"docx", "Microsoft Word(.docx)"},        {"pptx", "Microsoft PowerPoint(.pptx)"},
      {"xlsx", "Microsoft Excel(.xlsx)"},       {"csv", "Comma-Separated Values(.csv)"},
      {"txt", "UTF-8 Plain Text(.txt)"},        {"rtf", "Rich Text File(.rtf)"},
      {"html", "Web Source File(.html)"},
  };
  EXPECT_EQ(QVPDFConverter::supportDocTypes(), expected);
  EXPECT_EQ(QVPDFConverter::supportDocTypeNameForKey("csv"), "Comma-Separated Values(.csv)");
  EXPECT_EQ(QVPDFConverter::supportDocTypeNameForKey("pdf"), std::nullopt);
  EXPECT_EQ(QVPDFConverter::supportDocTypeNameForKey("PPTX"), std::nullopt);
}

TEST(QVPDFConverterOpening, EmptyPathGivesNoDocument) {
  EXPECT_EQ(QVPDFConverter::initPDFDocumentAtPath("", ""), nullptr);
}

}  // namespace

namespace {

TEST_F(ConverterTest, SampleDocumentConvertsEveryPage) {
  const fs::path sample = fs::path(QV_SOURCE_DIR) / "resources" / "sample" / "sample.pdf";
  EXPECT_EQ(convert(QVPageIndexsFromRangeText("All Pages", 3), "", "pptx", sample),
            (Reports{"start", "page 1 at 1 count 1", "page 2 at 2 count 2", "page 3 at 3 count 3", "will save",
                     "end"}));
}

}  // namespace
