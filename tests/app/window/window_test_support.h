#pragma once
// The window under test: the whole application with a recorder in place of
// the desktop (opened files, shown files, web and mail addresses, and the
// choosers, which answer what the test sets).
#include <QAction>
#include <QMainWindow>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/window/QVAppDelegate.h"
#include "app/window/QVDesktopServices.h"
#include "app/window/QVSourceFileListModel.h"
#include "app/window/QVSourceFileViewController.h"
#include "tests/app/app_test_support.h"

namespace qvwindowtest {

class RecordingDesktop : public QVDesktopServices {
 public:
  // "open PATH", "reveal PATH", "url ADDRESS", "choose-folder START", "choose-files START".
  std::vector<std::string> calls;
  // What each folder chooser said.
  std::vector<std::string> folderMessages;
  std::optional<std::string> folderToChoose;
  std::vector<std::string> filesToChoose;

  bool openPath(const std::string& path) override {
    calls.push_back("open " + path);
    return true;
  }
  void revealPath(const std::string& path) override { calls.push_back("reveal " + path); }
  bool openURL(const std::string& url) override {
    calls.push_back("url " + url);
    return true;
  }
  void chooseOutputFolder(QWidget*, const std::string& startFolder, const std::string& message,
                          FolderChoice done) override {
    calls.push_back("choose-folder " + startFolder);
    folderMessages.push_back(message);
    done(folderToChoose);
  }
  void choosePDFFiles(QWidget*, const std::string& startFolder, FilesChoice done) override {
    calls.push_back("choose-files " + startFolder);
    done(filesToChoose);
  }
};

class WindowTest : public qvapptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    desktop_ = std::make_shared<RecordingDesktop>();
    app_ = std::make_unique<QVAppDelegate>(desktop_);
    app_->setQuitHandler([this] { ++quits_; });
    app_->applicationWillFinishLaunching();
    app_->applicationDidFinishLaunching();
  }
  void TearDown() override {
    app_.reset();
    AppTest::TearDown();
  }

  QVSourceFileViewController& list() { return app_->sourceFileViewController(); }
  QVSourceFileListModel& model() { return list().model(); }
  QAction& action(const char* name) {
    auto* found = app_->window().findChild<QAction*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no action ") + name);
    return *found;
  }
  // A column of what the rows show, top to bottom.
  std::vector<std::string> rowTexts(int role) {
    std::vector<std::string> texts;
    for (int row = 0; row < model().rowCount(); ++row)
      texts.push_back(model().index(row).data(role).toString().toStdString());
    return texts;
  }
  std::vector<std::string> rowNames() { return rowTexts(QVSourceFileListModel::TitleRole); }
  // The run and its last file have ended.
  bool waitForRunEnd() {
    return qvapptest::runEventLoopUntil([this] {
      QVPDFConverterManager* manager = app_->converterManager();
      return !manager->isConverting() && !manager->isBusy();
    });
  }
  // Rows first.pdf (300 pages: long enough to act on while it converts) and
  // second.pdf (one page), and a chosen output folder, returned.
  std::filesystem::path queueLongThenShortFile() {
    const std::filesystem::path first = dir_.file("first.pdf");
    const std::filesystem::path second = dir_.file("second.pdf");
    qvapptest::writeTextPdf(first, 300);
    qvapptest::writeTextPdf(second, 1);
    const std::filesystem::path out = chooseOutputFolder();
    app_->applicationOpenFiles({second.string(), first.string()});
    return out;
  }
  // Saves the window as screenshots/NAME.png under the build folder.
  void saveScreenshot(const std::string& name) {
    const std::filesystem::path folder = QV_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(app_->window().grab().save(QString::fromStdString((folder / (name + ".png")).string())));
  }

  std::shared_ptr<RecordingDesktop> desktop_;
  std::unique_ptr<QVAppDelegate> app_;
  int quits_ = 0;
};

}  // namespace qvwindowtest
