// Queued source items: made from files and folders, their page lists, size
// and status texts, output formats and free output names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/QVCUtilities.h"
#include "app/QVSourceFileItem.h"
#include "tests/app/app_test_support.h"

namespace {

using qvapptest::AppTest;
using Pages = std::vector<int64_t>;
namespace fs = std::filesystem;

void touch(const fs::path& path, size_t bytes = 1) { std::ofstream(path) << std::string(bytes, 'x'); }

std::vector<std::string> sourcePaths(const std::vector<std::shared_ptr<QVSourceFileItem>>& items) {
  std::vector<std::string> paths;
  for (const auto& item : items) paths.push_back(item->sourcePath());
  return paths;
}

TEST_F(AppTest, ItemsFromAFileOrTheFilesOfAFolder) {
  const fs::path folder = dir_.file("queue");
  fs::create_directories(folder / "sub");
  qvapptest::writeTextPdf(folder / "b.pdf", 1);
  touch(folder / "a.txt");
  touch(folder / ".hidden");
  touch(folder / "sub" / "inner.pdf");
  fs::create_symlink(folder / "nowhere", folder / "dangling");

  EXPECT_THAT(sourcePaths(QVSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(folder.string())),
              testing::ElementsAre((folder / ".hidden").string(), (folder / "a.txt").string(),
                                   (folder / "b.pdf").string()));
  EXPECT_THAT(sourcePaths(QVSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath((folder / "b.pdf").string())),
              testing::ElementsAre((folder / "b.pdf").string()));
  EXPECT_TRUE(QVSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(dir_.file("none").string()).empty());

  EXPECT_FALSE(QVSourceFileItem::initWithPath(dir_.file("none").string()));
  EXPECT_FALSE(QVSourceFileItem::initWithPath((folder / "dangling").string()));
  // A folder counts as something (the checks refuse it later).
  EXPECT_TRUE(QVSourceFileItem::initWithPath(folder.string()));
}

TEST_F(AppTest, ANewItemHasTheDefaultSettings) {
  qvapptest::writeTextPdf(dir_.file("Report.pdf"), 3);
  auto item = QVSourceFileItem::initWithPath(dir_.file("Report.pdf").string());
  ASSERT_TRUE(item);
  EXPECT_EQ(item->settings_outputFormat(), "Microsoft PowerPoint(.pptx)");
  EXPECT_EQ(item->settings_pageRangeType(), 0);
  EXPECT_EQ(item->settings_customPageRange(), "All Pages");
  EXPECT_EQ(item->outputPath(), "");
  EXPECT_FALSE(item->conversionError());
  EXPECT_EQ(item->sourcePages(), 3);
  EXPECT_EQ(item->conversionOptions(), "All Pages, PPTX, Ready!");
  EXPECT_EQ(item->sourceFileIcon(), "icon_pdf");
  EXPECT_EQ(item->outputFileIcon(), "icon_pptx");
  EXPECT_FALSE(item->outputFileIconEnable());
  EXPECT_THAT(item->sourceInfo(), testing::StartsWith("3 Pages, "));
}

TEST_F(AppTest, PageListsFromTheRangeChoice) {
  qvapptest::writeTextPdf(dir_.file("five.pdf"), 5);
  auto item = QVSourceFileItem::initWithPath(dir_.file("five.pdf").string());
  ASSERT_TRUE(item);
  struct Case {
    int64_t type;
    const char* text;
    Pages expected;
  };
  const Case cases[] = {
      {0, "1-2", {1, 2, 3, 4, 5}},  // all pages, whatever the text says
      {1, "3,1-2,2", {3, 1, 2, 2}},
      {1, "4-2", {4, 3, 2}},
      {1, "2-2", {2}},
      {1, "1-2-3", {}},
      {1, "0,6", {}},
      {1, "ALL PAGES", {1, 2, 3, 4, 5}},
      {1, " all pages", {}},
      {1, "", {1}},
      {1, "-5", {1, 2, 3, 4, 5}},
      {1, "5-", {5, 4, 3, 2, 1}},
      {1, "2 - 4", {2, 3, 4}},
      {1, "7a,2", {2}},
      {1, "abc", {}},
      // Ranges far beyond the document cost no more than the document.
      {1, "1-99999999999", {1, 2, 3, 4, 5}},
      {1, "99999999999-4", {5, 4}},
      {1, "4-9223372036854775807", {4, 5}},
      {1, "99999999999999999999999-1", {5, 4, 3, 2, 1}},
      {1, "-99999999999999999999999", {1, 2, 3, 4, 5}},
      {2, "1", {}},  // an unknown range type
  };
  for (const Case& c : cases) {
    item->setSettings_pageRangeType(c.type);
    item->setSettings_customPageRange(c.text);
    EXPECT_EQ(item->outputPDFPageIndexs(), c.expected) << c.type << " / " << c.text;
  }
}

TEST_F(AppTest, AFileThatDoesNotOpenHasNoPages) {
  qvapptest::CheckFixtures f(dir_);
  auto locked = QVSourceFileItem::initWithPath(f.userLocked.string());
  EXPECT_EQ(locked->sourcePages(), 0);
  EXPECT_TRUE(locked->outputPDFPageIndexs().empty());
  locked->setSettings_pageRangeType(1);
  locked->setSettings_customPageRange("");
  EXPECT_TRUE(locked->outputPDFPageIndexs().empty());
  EXPECT_EQ(locked->sourceFileIcon(), "icon_pdf_pw");
  // The password the check accepted opens it.
  locked->setSourcePassword("user");
  EXPECT_EQ(locked->sourcePages(), 2);
  EXPECT_EQ(QVSourceFileItem::initWithPath(f.notAPdf.string())->sourcePages(), 0);
}

TEST_F(AppTest, SizeTexts) {
  struct Case {
    uint64_t bytes;
    const char* text;
  };
  const Case cases[] = {
      {0, "0.0 KB"},
      {1023, "0.0 KB"},
      {5000, "4.0 KB"},
      {1048575, "1023.0 KB"},
      {3u << 20, "3.0 MB"},
      {(3u << 20) + (512u << 10), "3.5 MB"},
      {uint64_t{5} << 30, "5.0 GB"},
  };
  for (const Case& c : cases) EXPECT_EQ(QVSourceFileItem::fileSizeText(c.bytes), c.text) << c.bytes;
  touch(dir_.file("five-k"), 5000);
  EXPECT_EQ(QVSourceFileItem::FileSizeAtPath(dir_.file("five-k").string()), "4.0 KB");
  EXPECT_EQ(QVSourceFileItem::FileSizeAtPath(dir_.file("none").string()), "");
}

TEST_F(AppTest, FormatTitlesExtensionsAndIcons) {
  qvapptest::writeTextPdf(dir_.file("a.pdf"), 1);
  auto item = QVSourceFileItem::initWithPath(dir_.file("a.pdf").string());
  struct Case {
    const char* title;
    const char* extension;
    const char* icon;
  };
  const Case cases[] = {
      {"Microsoft PowerPoint(.pptx)", "pptx", "icon_pptx"}, {"UTF-8 Plain Text(.txt)", "txt", "icon_txt"},
      {"Rich Text File(.rtf)", "rtf", "icon_rtf"},          {"Web Source File(.html)", "html", "icon_html"},
      {"Microsoft Word(.docx)", "pptx", ""},                {"", "pptx", ""},
  };
  for (const Case& c : cases) {
    item->setSettings_outputFormat(c.title);
    EXPECT_EQ(item->outputFileFormat(), c.extension) << c.title;
    EXPECT_EQ(item->outputFileIcon(), c.icon) << c.title;
  }
  item->setSettings_outputFormat("Microsoft Word(.docx)");
  item->setSettings_pageRangeType(1);
  item->setSettings_customPageRange("1-3,5");
  EXPECT_EQ(item->conversionOptions(), "1-3,5, PPTX, Ready!");
}

TEST_F(AppTest, FreeOutputNamesCountUpWithABlank) {
  const fs::path folder = chooseOutputFolder();
  qvapptest::writeTextPdf(dir_.file("Report.pdf"), 1);
  auto item = QVSourceFileItem::initWithPath(dir_.file("Report.pdf").string());
  EXPECT_EQ(item->newOutputPath(), (folder / "Report.pptx").string());
  EXPECT_EQ(item->outputPath(), (folder / "Report.pptx").string());
  touch(folder / "Report.pptx");
  touch(folder / "Report 2.pptx");
  EXPECT_EQ(item->newOutputPath(), (folder / "Report 3.pptx").string());

  // Without an extension, and with a folder taking the name.
  fs::create_directory(folder / "Notes");
  EXPECT_EQ(QVCUtilities::getNewPathby((folder / "Notes").string()), (folder / "Notes 2").string());
  EXPECT_EQ(QVCUtilities::getNewPathby((folder / "Free.pptx").string()), (folder / "Free.pptx").string());
}

TEST_F(AppTest, NoOutputPathWhenEveryNameIsTaken) {
  const fs::path folder = chooseOutputFolder();
  for (const char* name : {"Full.pptx", "Full 2.pptx", "Full 3.pptx"}) touch(folder / name);
  EXPECT_EQ(QVCUtilities::getNewPathby((folder / "Full.pptx").string(), 4), (folder / "Full 4.pptx").string());
  touch(folder / "Full 4.pptx");
  EXPECT_EQ(QVCUtilities::getNewPathby((folder / "Full.pptx").string(), 4), std::nullopt);
}

TEST_F(AppTest, NoOutputPathWithoutAnOutputFolder) {
  qvapptest::writeTextPdf(dir_.file("a.pdf"), 1);
  auto item = QVSourceFileItem::initWithPath(dir_.file("a.pdf").string());
  item->setOutputPath("/somewhere/old.pptx");
  EXPECT_EQ(item->newOutputPath(), std::nullopt);
  EXPECT_EQ(item->outputPath(), "");
}

TEST_F(AppTest, StatusSaysSuccessOnlyForAConvertedFileWithoutError) {
  const fs::path folder = chooseOutputFolder();
  qvapptest::writeTextPdf(dir_.file("a.pdf"), 2);
  auto item = QVSourceFileItem::initWithPath(dir_.file("a.pdf").string());
  item->beginConversion(2);
  item->newOutputPath();
  EXPECT_EQ(item->conversionOptions(), "All Pages, PPTX, Failed!");  // not written yet
  touch(folder / "a.pptx");
  item->setConvertedPageCount(2);
  EXPECT_EQ(item->conversionOptions(), "All Pages, PPTX, Success!");
  EXPECT_TRUE(item->outputFileIconEnable());

  // A file on disk is not enough: an error, or no page converted, is a failure.
  item->setConversionError(QVConversionError::canceled());
  EXPECT_EQ(item->conversionOptions(), "All Pages, PPTX, Failed!");
  EXPECT_FALSE(item->outputFileIconEnable());
  item->beginConversion(2);
  item->addFailedPage(1, QVConversionError::cannotReadPage(1));
  item->addFailedPage(2, QVConversionError::cannotReadPage(2));
  EXPECT_EQ(item->failedPageCount(), 2);
  EXPECT_EQ(item->conversionOptions(), "All Pages, PPTX, Failed!");
}

TEST_F(AppTest, ProgressCountsAgainstThePagesHandedToTheConverter) {
  qvapptest::writeTextPdf(dir_.file("a.pdf"), 1);
  auto item = QVSourceFileItem::initWithPath(dir_.file("a.pdf").string());
  item->beginConversion(1);
  EXPECT_DOUBLE_EQ(item->pageProgress(1), 85.0);
  item->beginConversion(400);
  EXPECT_NEAR(item->pageProgress(1), 0.2125, 1e-9);
  item->beginConversion(2000);
  EXPECT_DOUBLE_EQ(item->pageProgress(1), 0.1);  // raised to the floor
  EXPECT_NEAR(item->pageProgress(1000), 42.5, 1e-9);
  // The document changing on disk does not change the count.
  item->setSettings_pageRangeType(1);
  item->setSettings_customPageRange("1");
  EXPECT_NEAR(item->pageProgress(1000), 42.5, 1e-9);
  item->beginConversion(0);
  EXPECT_DOUBLE_EQ(item->pageProgress(0), 0.1);
}

}  // namespace
