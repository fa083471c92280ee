// The conversion manager run end to end on the Qt event loop: real PDFs
// converted to presentations one after the other, every report with its
// item and in order, stop, refused starts, page failures and the output
// names of repeated runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

#include <QCoreApplication>

#include "app/QVPDFConverterManager.h"
#include "app/QVSupportActions.h"
#include "convert/QVExporterRegistry.h"
#include "platform/pdf/document.h"
#include "tests/app/app_test_support.h"
#include "tests/support/package_checker.h"

namespace {

using qvapptest::AppTest;
using Item = std::shared_ptr<QVSourceFileItem>;
using testing::ElementsAre;
namespace fs = std::filesystem;

std::string nameOf(const Item& item) { return fs::path(item->sourcePath()).filename().string(); }

// Every report of the manager as a line, with the item's file name.
class Recorder : public QVPDFConverterManagerDelegate {
 public:
  std::vector<std::string> reports;
  bool runEnded = false;
  std::function<void(QVPDFConverterManager&, const Item&)> onItemStart;
  std::function<void(QVPDFConverterManager&, const Item&)> onItemEnd;

  void willStartConversion(QVPDFConverterManager&) override { reports.push_back("will start"); }
  void didEndConversion(QVPDFConverterManager&) override {
    reports.push_back("did end");
    runEnded = true;
  }
  void didStartConversion(QVPDFConverterManager& manager, const Item& item) override {
    reports.push_back("start " + nameOf(item));
    EXPECT_EQ(manager.currentConvertItem(), item);
    if (onItemStart) onItemStart(manager, item);
  }
  void didEndConversion(QVPDFConverterManager& manager, const Item& item,
                        const std::optional<QVConversionError>& error) override {
    reports.push_back("end " + nameOf(item) + (error ? " " + std::to_string(error->code) : ""));
    // The error is in the item by the time the report arrives.
    EXPECT_EQ(item->conversionError(), error);
    if (onItemEnd) onItemEnd(manager, item);
  }
  void convertPDFPageIndex(QVPDFConverterManager&, const Item& item, uint64_t page, uint64_t position,
                           uint64_t done) override {
    reports.push_back("page " + nameOf(item) + " " + std::to_string(page) + "/" + std::to_string(position) + "/" +
                      std::to_string(done));
  }
  void convertPDFPageIndexFaildWithError(QVPDFConverterManager&, const Item& item, uint64_t page,
                                         const QVConversionError& error) override {
    reports.push_back("failed " + nameOf(item) + " " + std::to_string(page) + " " + std::to_string(error.code));
  }
  void willSaveDoc(QVPDFConverterManager&, const Item& item) override { reports.push_back("save " + nameOf(item)); }
  void catchException(QVPDFConverterManager&, const Item& item, const QVConversionException&) override {
    reports.push_back("exception " + nameOf(item));
  }
};

class ManagerTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    manager_.setDelegate(&recorder_);
  }

  Item queue(const fs::path& path) {
    Item item = QVSourceFileItem::initWithPath(path.string());
    EXPECT_TRUE(item) << path;
    return item;
  }

  // Starts a run over the items and lets the event loop run until its end.
  void run(const std::vector<Item>& items) {
    recorder_.runEnded = false;
    manager_.setMa_sourceItems(items);
    ASSERT_TRUE(manager_.startConversion());
    ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return recorder_.runEnded; })) << "the run did not end";
    EXPECT_FALSE(manager_.isConverting());
    EXPECT_FALSE(manager_.isBusy());
  }

  Recorder recorder_;
  QVPDFConverterManager manager_;
};

std::string slideText(const fs::path& deck, int slide) {
  qvtest::ZipPackage package(deck);
  return package.data("ppt/slides/slide" + std::to_string(slide) + ".xml");
}

TEST_F(ManagerTest, QueueConvertsOneFileAfterTheOtherWithEveryReport) {
  const fs::path out = chooseOutputFolder();
  const std::optional<std::string> samplePath = QVSupportActions::sampleDocumentPath();
  ASSERT_TRUE(samplePath);
  const Item sample = queue(*samplePath);
  qvapptest::writeTextPdf(dir_.file("Locked.pdf"), 2, {qvtest::PdfEncryption::AES_256, "user", "owner", true});
  const Item locked = queue(dir_.file("Locked.pdf"));
  locked->setSourcePassword("user");
  qvapptest::writeTextPdf(dir_.file("Gone.pdf"), 1);
  const Item gone = queue(dir_.file("Gone.pdf"));
  fs::remove(dir_.file("Gone.pdf"));

  run({sample, locked, gone});
  EXPECT_THAT(recorder_.reports,
              ElementsAre("will start", "start Sample.pdf", "page Sample.pdf 1/1/1", "page Sample.pdf 2/2/2",
                          "page Sample.pdf 3/3/3", "save Sample.pdf", "end Sample.pdf", "start Locked.pdf",
                          "page Locked.pdf 1/1/1", "page Locked.pdf 2/2/2", "save Locked.pdf", "end Locked.pdf",
                          "start Gone.pdf", "end Gone.pdf 404", "did end"));
  EXPECT_EQ(manager_.currentConvertItem(), gone);

  EXPECT_EQ(sample->outputPath(), (out / "Sample.pptx").string());
  EXPECT_EQ(sample->conversionOptions(), "All Pages, PPTX, Success!");
  EXPECT_THAT(qvtest::checkPresentationPackage(out / "Sample.pptx"), testing::IsEmpty());
  EXPECT_EQ(locked->outputPath(), (out / "Locked.pptx").string());
  EXPECT_EQ(locked->conversionOptions(), "All Pages, PPTX, Success!");
  EXPECT_THAT(qvtest::checkPresentationPackage(out / "Locked.pptx"), testing::IsEmpty());
  EXPECT_THAT(slideText(out / "Locked.pptx", 2), testing::HasSubstr("Page 2"));

  ASSERT_TRUE(gone->conversionError());
  EXPECT_EQ(gone->conversionError()->code, 404);
  EXPECT_EQ(gone->conversionError()->failureReason, "Source File isn't exist.");
  EXPECT_EQ(gone->conversionOptions(), "All Pages, PPTX, Failed!");
  EXPECT_EQ(gone->conversionFailureReason(), "404 Source File isn't exist.");
  EXPECT_FALSE(fs::exists(out / "Gone.pptx"));

  // Converting again writes beside the earlier result.
  recorder_.reports.clear();
  run({sample});
  EXPECT_THAT(recorder_.reports, ElementsAre("will start", "start Sample.pdf", "page Sample.pdf 1/1/1",
                                             "page Sample.pdf 2/2/2", "page Sample.pdf 3/3/3", "save Sample.pdf",
                                             "end Sample.pdf", "did end"));
  EXPECT_EQ(sample->outputPath(), (out / "Sample 2.pptx").string());
  EXPECT_TRUE(fs::exists(out / "Sample.pptx"));
  EXPECT_THAT(qvtest::checkPresentationPackage(out / "Sample 2.pptx"), testing::IsEmpty());
}

TEST_F(ManagerTest, StopDuringTheSecondOfThreeItems) {
  const fs::path out = chooseOutputFolder();
  std::vector<Item> items;
  for (const char* name : {"A.pdf", "B.pdf", "C.pdf"}) {
    qvapptest::writeTextPdf(dir_.file(name), 3);
    items.push_back(queue(dir_.file(name)));
  }
  recorder_.onItemStart = [&](QVPDFConverterManager& manager, const Item& item) {
    if (item == items[1]) manager.stopConversion();
  };
  run(items);
  EXPECT_THAT(recorder_.reports,
              ElementsAre("will start", "start A.pdf", "page A.pdf 1/1/1", "page A.pdf 2/2/2", "page A.pdf 3/3/3",
                          "save A.pdf", "end A.pdf", "start B.pdf", "end B.pdf 406", "did end"));
  EXPECT_EQ(items[0]->conversionOptions(), "All Pages, PPTX, Success!");
  ASSERT_TRUE(items[1]->conversionError());
  EXPECT_EQ(items[1]->conversionError()->code, 406);
  EXPECT_EQ(items[1]->conversionOptions(), "All Pages, PPTX, Failed!");
  // The third item was never touched.
  EXPECT_EQ(items[2]->outputPath(), "");
  EXPECT_FALSE(items[2]->conversionError());
  EXPECT_EQ(items[2]->conversionOptions(), "All Pages, PPTX, Ready!");
  EXPECT_EQ(manager_.currentConvertItem(), items[1]);
  // Nothing of the stopped item is left in the output folder.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out)) names.push_back(entry.path().filename().string());
  EXPECT_THAT(names, ElementsAre("A.pptx"));
}

TEST_F(ManagerTest, NoNewRunUntilTheStoppedItemHasEnded) {
  chooseOutputFolder();
  qvapptest::writeTextPdf(dir_.file("A.pdf"), 3);
  qvapptest::writeTextPdf(dir_.file("B.pdf"), 1);
  const Item a = queue(dir_.file("A.pdf"));
  const Item b = queue(dir_.file("B.pdf"));
  std::vector<bool> answers;
  recorder_.onItemStart = [&](QVPDFConverterManager& manager, const Item& item) {
    if (item != a) return;
    manager.stopConversion();
    // Idle as far as the run goes, but the converter is still on the file.
    EXPECT_FALSE(manager.isConverting());
    EXPECT_TRUE(manager.isBusy());
    answers.push_back(manager.startConversion());
  };
  recorder_.onItemEnd = [&](QVPDFConverterManager& manager, const Item&) {
    answers.push_back(manager.startConversion());
  };
  run({a, b});
  EXPECT_THAT(answers, ElementsAre(false, false));
  EXPECT_THAT(recorder_.reports, ElementsAre("will start", "start A.pdf", "end A.pdf 406", "did end"));

  // Once the run has ended, a new one starts.
  recorder_.onItemStart = nullptr;
  recorder_.onItemEnd = nullptr;
  recorder_.reports.clear();
  run({b});
  EXPECT_THAT(recorder_.reports, ElementsAre("will start", "start B.pdf", "page B.pdf 1/1/1", "save B.pdf",
                                             "end B.pdf", "did end"));
}

TEST_F(ManagerTest, StopWhileIdleReportsNothingAndAnEmptyQueueEndsAtOnce) {
  manager_.stopConversion();
  EXPECT_TRUE(recorder_.reports.empty());
  manager_.setMa_sourceItems({});
  EXPECT_TRUE(manager_.startConversion());
  EXPECT_THAT(recorder_.reports, ElementsAre("will start", "did end"));
  EXPECT_FALSE(manager_.isConverting());
}

TEST_F(ManagerTest, TheRunConvertsTheItemsQueuedWhenItStarted) {
  chooseOutputFolder();
  qvapptest::writeTextPdf(dir_.file("A.pdf"), 1);
  qvapptest::writeTextPdf(dir_.file("B.pdf"), 1);
  const Item a = queue(dir_.file("A.pdf"));
  const Item b = queue(dir_.file("B.pdf"));
  manager_.setMa_sourceItems({a});
  recorder_.onItemStart = [&](QVPDFConverterManager& manager, const Item&) {
    // The window's queue changes under the run: B added, A removed.
    manager.setMa_sourceItems({b});
  };
  ASSERT_TRUE(manager_.startConversion());
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return recorder_.runEnded; }));
  EXPECT_THAT(recorder_.reports,
              ElementsAre("will start", "start A.pdf", "page A.pdf 1/1/1", "save A.pdf", "end A.pdf", "did end"));
  EXPECT_EQ(b->outputPath(), "");
}

TEST_F(ManagerTest, WithoutAnOutputFolderEachItemEndsWithAnError) {
  qvapptest::writeTextPdf(dir_.file("A.pdf"), 1);
  qvapptest::writeTextPdf(dir_.file("B.pdf"), 1);
  const Item a = queue(dir_.file("A.pdf"));
  const Item b = queue(dir_.file("B.pdf"));
  run({a, b});
  EXPECT_THAT(recorder_.reports,
              ElementsAre("will start", "start A.pdf", "end A.pdf 400", "start B.pdf", "end B.pdf 400", "did end"));
  EXPECT_EQ(a->outputPath(), "");
  EXPECT_EQ(a->conversionOptions(), "All Pages, PPTX, Failed!");
  EXPECT_EQ(a->conversionFailureReason(), "400 Unknow error while converting.");
  EXPECT_FALSE(b->outputFileIconEnable());
}

// An exporter that converts page 1, refuses page 2 and throws on page 3 (or
// refuses every page), and writes a small file when it saves.
class FlakyExporter : public QVPDFExporter {
 public:
  explicit FlakyExporter(bool refuseAll) : refuseAll_(refuseAll) {}
  void begainConvertPDF(const std::string& outputPath) override { path_ = outputPath; }
  bool convertPDFPage(const platform::PdfPage& page) override {
    if (refuseAll_) return false;
    if (page.number() == 3) throw std::runtime_error("page 3");
    return page.number() == 1;
  }
  void endConvertPDF(const platform::PdfDocument&) override { std::ofstream(path_) << "document"; }

 private:
  bool refuseAll_;
  std::string path_;
};

TEST_F(AppTest, FailedPagesAreCountedAndAWhollyFailedFileIsNoSuccess) {
  const fs::path out = chooseOutputFolder();
  QVExporterRegistry registry;
  registry.registerFactory("pptx", [](const auto&) { return std::make_unique<FlakyExporter>(false); });
  registry.registerFactory("txt", [](const auto&) { return std::make_unique<FlakyExporter>(true); });
  QVPDFConverterManager manager(registry);
  Recorder recorder;
  manager.setDelegate(&recorder);
  qvapptest::writeTextPdf(dir_.file("Some.pdf"), 3);
  qvapptest::writeTextPdf(dir_.file("None.pdf"), 2);
  const Item some = QVSourceFileItem::initWithPath(dir_.file("Some.pdf").string());
  const Item none = QVSourceFileItem::initWithPath(dir_.file("None.pdf").string());
  none->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  manager.setMa_sourceItems({some, none});
  ASSERT_TRUE(manager.startConversion());
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return recorder.runEnded; }));
  EXPECT_THAT(recorder.reports,
              ElementsAre("will start", "start Some.pdf", "page Some.pdf 1/1/1", "failed Some.pdf 2 401",
                          "exception Some.pdf", "failed Some.pdf 3 400", "save Some.pdf", "end Some.pdf",
                          "start None.pdf", "failed None.pdf 1 401", "failed None.pdf 2 401", "save None.pdf",
                          "end None.pdf", "did end"));
  EXPECT_EQ(some->convertedPageCount(), 1);
  EXPECT_EQ(some->failedPageCount(), 2);
  EXPECT_EQ(some->conversionOptions(), "All Pages, PPTX, Success!");
  EXPECT_EQ(some->conversionFailureReason(), "");
  EXPECT_EQ(none->failedPageCount(), 2);
  EXPECT_TRUE(fs::exists(out / "None.txt"));
  EXPECT_EQ(none->conversionOptions(), "All Pages, TXT, Failed!");
  EXPECT_EQ(none->conversionFailureReason(), "Page 1: 401 Can't convert the PDF Page.(1) (and 1 more failed pages)");
}

// An exporter that, beside the document it is given, also puts a file
// under the final output name at once, as a careless writer might.
class EagerExporter : public QVPDFExporter {
 public:
  void begainConvertPDF(const std::string& stagedPath) override {
    const fs::path staged(stagedPath);
    std::ofstream(staged.parent_path().parent_path() / staged.filename()) << "partial";
  }
  bool convertPDFPage(const platform::PdfPage&) override { return true; }
};

TEST_F(AppTest, AStoppedItemLeavesNothingUnderItsOutputName) {
  const fs::path out = chooseOutputFolder();
  QVExporterRegistry registry;
  registry.registerFactory("pptx", [](const auto&) { return std::make_unique<EagerExporter>(); });
  QVPDFConverterManager manager(registry);
  Recorder recorder;
  manager.setDelegate(&recorder);
  recorder.onItemStart = [](QVPDFConverterManager& m, const Item&) { m.stopConversion(); };
  qvapptest::writeTextPdf(dir_.file("Stopped.pdf"), 2);
  fs::create_directory(out / "Stopped.pptx");  // taken: the item writes "Stopped 2.pptx"
  const Item item = QVSourceFileItem::initWithPath(dir_.file("Stopped.pdf").string());
  manager.setMa_sourceItems({item});
  ASSERT_TRUE(manager.startConversion());
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return recorder.runEnded; }));
  EXPECT_THAT(recorder.reports, ElementsAre("will start", "start Stopped.pdf", "end Stopped.pdf 406", "did end"));
  EXPECT_EQ(item->outputPath(), (out / "Stopped 2.pptx").string());
  EXPECT_FALSE(fs::exists(out / "Stopped 2.pptx"));
  // What was there before the run stays.
  EXPECT_TRUE(fs::is_directory(out / "Stopped.pptx"));
}

TEST(MainQueue, TasksRunOnTheQtThreadInPostingOrder) {
  QVMainQueue queue;
  std::vector<int> ran;
  const std::thread::id qtThread = std::this_thread::get_id();
  bool everyTaskOnTheQtThread = true;
  std::thread poster([&] {
    for (int i = 0; i < 2000; ++i)
      queue.post([&, i] {
        ran.push_back(i);
        everyTaskOnTheQtThread = everyTaskOnTheQtThread && std::this_thread::get_id() == qtThread;
      });
  });
  poster.join();
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return ran.size() == 2000; }));
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(ran[static_cast<size_t>(i)], i);
  EXPECT_TRUE(everyTaskOnTheQtThread);
}

TEST(MainQueue, TasksStillWaitingWhenTheQueueGoesAreDropped) {
  bool ran = false;
  {
    QVMainQueue queue;
    queue.post([&] { ran = true; });
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
