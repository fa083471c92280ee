// The window used as a user would: files added through the menu, opened with
// the application and checked in their dialogs, the output folder chosen on
// the first Convert, the run watched to its end, results opened, and the
// settings panel folded away. Screenshots of each stage land in the build
// folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QTest>
#include <QUrl>

#include <unistd.h>

#include <optional>

#include "app/QVAutoUpdate.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"
#include "app/window/QVDesktopServices.h"
#include "app/window/QVImageButton.h"
#include "app/window/QVPreferencesWindowController.h"
#include "app/window/QVPreviewRenderer.h"
#include "app/window/QVSettingsViewController.h"
#include "tests/app/window/window_test_support.h"
#include "tests/support/package_checker.h"

namespace {

using qvwindowtest::WindowTest;
using testing::Contains;
using testing::ElementsAre;
namespace fs = std::filesystem;
using Model = QVSourceFileListModel;

void clickDialogButton(QDialog* dialog, QDialogButtonBox::StandardButton which) {
  ASSERT_NE(dialog, nullptr);
  QPushButton* button = dialog->findChild<QDialogButtonBox*>()->button(which);
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
}

std::string documentsFolder() {
  const std::string folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
  fs::create_directories(folder);
  return folder;
}

TEST_F(WindowTest, FilesAreCheckedConvertedAndOpenedAsAUserSeesThem) {
  const qvapptest::CheckFixtures files(dir_);
  saveScreenshot("window-empty");

  // Results are to be opened when done: set in the preferences window.
  app_->showPreferences();
  ASSERT_TRUE(app_->preferences().isVisible());
  app_->preferences().openAfterConversionBox().click();
  EXPECT_TRUE(QVPreferencesWindowController::openFileAfterConversion());
  app_->showPreferences();
  EXPECT_FALSE(app_->preferences().isVisible());

  // The sample from the menu; a text file named .pdf and a locked PDF opened
  // with the application.
  action("addSample").trigger();
  ASSERT_EQ(model().rowCount(), 1);
  app_->applicationOpenFiles({files.notAPdf.string(), files.userLocked.string()});
  ASSERT_NE(list().unsupportedFileDialog(), nullptr);
  EXPECT_TRUE(list().unsupportedFileDialog()->isVisible());
  EXPECT_EQ(list().passwordDialog(), nullptr);
  clickDialogButton(list().unsupportedFileDialog(), QDialogButtonBox::Ok);
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return list().passwordDialog() != nullptr; }, 30));

  QDialog* password = list().passwordDialog();
  auto* field = password->findChild<QLineEdit*>(QStringLiteral("passwordField"));
  auto* notice = password->findChild<QLabel*>(QStringLiteral("passwordNotice"));
  QTest::keyClicks(field, QStringLiteral("wrong"));
  clickDialogButton(password, QDialogButtonBox::Ok);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_TRUE(password->isVisible());
  // The notice takes room of its own: the dialog grows, the file's icon stays whole.
  auto* icon = password->findChild<QLabel*>(QStringLiteral("fileIcon"));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->size(), QSize(48, 48));
  EXPECT_GE(password->height(), password->sizeHint().height());
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("user"));
  EXPECT_FALSE(notice->isVisible());
  clickDialogButton(password, QDialogButtonBox::Ok);
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return !list().isCheckingFiles(); }, 30));
  ASSERT_THAT(rowNames(), ElementsAre("Sample.pdf", "locked.pdf"));
  EXPECT_EQ(model().itemAt(1)->sourcePassword(), "user");
  EXPECT_THAT(rowTexts(Model::SourceIconRole), ElementsAre("icon_pdf", "icon_pdf_pw"));
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Ready!", "All Pages, PPTX, Ready!"));

  // The selected file in the panel, with a preview of its first page.
  list().tableView().setCurrentIndex(model().index(0));
  EXPECT_EQ(app_->settingsViewController().titleLabel().text(), QStringLiteral("Sample.pdf"));
  if (QVPreviewRenderer::isAvailable()) {
    EXPECT_TRUE(qvapptest::runEventLoopUntil([&] { return app_->settingsViewController().isPreviewRendered(); }, 60));
  }
  saveScreenshot("window-queued");

  // No output folder yet: Convert asks for one and starts with it at once.
  const fs::path out = dir_.file("out");
  fs::create_directories(out);
  desktop_->folderToChoose = out.string();
  const std::string documents = documentsFolder();
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  EXPECT_THAT(desktop_->calls, Contains("choose-folder " + documents));
  ASSERT_TRUE(app_->converterManager()->isConverting());
  EXPECT_EQ(app_->convertButton().text(), QStringLiteral("Stop"));
  EXPECT_TRUE(model().index(0).data(Model::ConvertingRole).toBool());
  saveScreenshot("window-converting");

  ASSERT_TRUE(waitForRunEnd());
  EXPECT_EQ(app_->convertButton().text(), QStringLiteral("Convert"));
  EXPECT_THAT(rowTexts(Model::StatusTextRole),
              ElementsAre("All Pages, PPTX, Success!", "All Pages, PPTX, Success!"));
  EXPECT_THAT(rowTexts(Model::StatusIconRole),
              ElementsAre("veskar_success_status_icon", "veskar_success_status_icon"));
  const fs::path sample = out / "Sample.pptx";
  const fs::path locked = out / "locked.pptx";
  EXPECT_TRUE(qvtest::checkPresentationPackage(sample).empty());
  EXPECT_TRUE(qvtest::checkPresentationPackage(locked).empty());
  EXPECT_THAT(desktop_->calls, Contains("open " + sample.string()));
  EXPECT_THAT(desktop_->calls, Contains("open " + locked.string()));
  saveScreenshot("window-after-run");

  // The panel folds away and back, and the window remembers it.
  action("toggleSettings").trigger();
  EXPECT_TRUE(app_->rightView().isHidden());
  EXPECT_EQ(QVUserDefaults::text(kQVSettingsIsHiddenSettingsKey), "true");
  action("toggleSettings").trigger();
  EXPECT_FALSE(app_->rightView().isHidden());
  EXPECT_EQ(QVUserDefaults::text(kQVSettingsIsHiddenSettingsKey), "false");
}

TEST_F(WindowTest, TheSettingsButtonPressedTwiceGivesTheWindowItsWidthBack) {
  QWidget& window = app_->window();
  auto* button = window.findChild<QToolButton*>(QStringLiteral("settingsButton"));
  ASSERT_NE(button, nullptr);
  const int panelWidth = app_->rightView().width();
  // A wide window, and one so narrow that the folded window is at its
  // smallest.
  for (const int width : {920, window.minimumWidth() + 10}) {
    SCOPED_TRACE(width);
    window.resize(width, 640);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(app_->rightView().isHidden());
    EXPECT_EQ(window.width(), std::max(window.minimumWidth(), width - panelWidth));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_FALSE(app_->rightView().isHidden());
    EXPECT_EQ(window.width(), width);
  }
}

TEST_F(WindowTest, AFoldedPanelStaysFoldedAtTheNextStart) {
  action("toggleSettings").trigger();
  app_.reset();
  app_ = std::make_unique<QVAppDelegate>(desktop_);
  app_->applicationWillFinishLaunching();
  app_->applicationDidFinishLaunching();
  EXPECT_TRUE(app_->rightView().isHidden());
  EXPECT_FALSE(action("toggleSettings").isChecked());
}

TEST_F(WindowTest, AnOutputFolderThatCannotBeWrittenIsChosenAgainBeforeConverting) {
  const std::string unwritable = "/proc/1";
  if (::access(unwritable.c_str(), W_OK) == 0) GTEST_SKIP() << unwritable << " is writable here";
  const qvapptest::CheckFixtures files(dir_);
  ASSERT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(unwritable));
  app_->applicationOpenFiles({files.plain.string()});
  ASSERT_EQ(model().rowCount(), 1);

  // Cancelling the chooser starts nothing; choosing a usable folder starts.
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  EXPECT_THAT(desktop_->calls, ElementsAre("choose-folder " + unwritable));
  EXPECT_FALSE(app_->converterManager()->isConverting());
  const fs::path out = dir_.file("out");
  fs::create_directories(out);
  desktop_->folderToChoose = out.string();
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(app_->converterManager()->isConverting());
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_TRUE(fs::exists(out / "plain.pptx"));
  EXPECT_EQ(app_->settingsViewController().outputPathField().text().toStdString(), out.string());
}

TEST_F(WindowTest, TheFolderChooserSaysWhyItOpens) {
  const qvapptest::CheckFixtures files(dir_);
  app_->applicationOpenFiles({files.plain.string()});
  const std::string documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
  fs::remove_all(documents);
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  // A folder chosen once and deleted since.
  const fs::path gone = dir_.file("gone");
  fs::create_directories(gone);
  ASSERT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(gone.string()));
  fs::remove(gone);
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  EXPECT_THAT(desktop_->folderMessages,
              ElementsAre("No output folder has been chosen, and the folder ~/Documents does not exist. Choose a "
                          "output directory to save documents:",
                          "The output folder \"" + gone.string() +
                              "\" no longer exists. Choose a output directory to save documents:"));
  EXPECT_FALSE(app_->converterManager()->isConverting());
}

// The widgets of one part of the settings panel that show, with where they
// stand in it.
std::vector<std::pair<std::string, QRect>> shownWidgets(QWidget& part) {
  std::vector<std::pair<std::string, QRect>> widgets;
  for (QWidget* widget : part.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (widget->isVisibleTo(&part))
      widgets.emplace_back(std::string(widget->metaObject()->className()) + " " + widget->objectName().toStdString() +
                               " \"" + widget->property("text").toString().toStdString() + "\"",
                           widget->geometry());
  return widgets;
}

// No two widgets of a part are drawn over each other, each is whole inside
// its part, and the panel leaves the list its width.
void expectPanelLaidOutWhole(QVAppDelegate& app) {
  QCoreApplication::processEvents();
  QWidget& panel = app.rightView();
  for (const char* name : {"settingsFileSide", "settingsFolderSide"}) {
    SCOPED_TRACE(name);
    auto* part = panel.findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(part, nullptr);
    const auto widgets = shownWidgets(*part);
    EXPECT_GE(widgets.size(), 3u);
    for (size_t i = 0; i < widgets.size(); ++i) {
      EXPECT_TRUE(part->rect().contains(widgets[i].second)) << widgets[i].first;
      for (size_t j = i + 1; j < widgets.size(); ++j)
        EXPECT_FALSE(widgets[i].second.intersects(widgets[j].second)) << widgets[i].first << " / " << widgets[j].first;
    }
  }
  const QWidget& list = app.sourceFileViewController();
  EXPECT_GE(list.width(), list.minimumWidth());
  EXPECT_LE(list.geometry().right(), panel.geometry().left());
  EXPECT_LE(panel.geometry().right(), panel.parentWidget()->width() - 1);
  EXPECT_LE(panel.mapTo(&app.window(), QPoint(0, panel.height())).y(), app.window().height());
}

TEST_F(WindowTest, ThePanelsWidgetsNeverOverlapWhileItsNoticesShow) {
  const qvapptest::CheckFixtures files(dir_);
  chooseOutputFolder();
  app_->applicationOpenFiles({files.plain.string()});
  list().tableView().setCurrentIndex(model().index(0));
  QVSettingsViewController& panel = app_->settingsViewController();
  QCoreApplication::processEvents();
  const QPoint fieldAt = panel.pageRangeField().mapTo(&app_->window(), QPoint());

  // Both notices: a page text that selects nothing, and the failure of it.
  panel.customPagesButton().click();
  panel.pageRangeField().selectAll();
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("9"));
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  ASSERT_TRUE(panel.pageRangeNotice().isVisible());
  ASSERT_TRUE(panel.conversionNotice().isVisible());
  expectPanelLaidOutWhole(*app_);
  // The field did not move under the mouse.
  EXPECT_EQ(panel.pageRangeField().mapTo(&app_->window(), QPoint()), fieldAt);
  saveScreenshot("window-panel-notices");

  app_->window().resize(app_->window().minimumSize());
  expectPanelLaidOutWhole(*app_);
  // Both notices whole in sight at the smallest size, with nothing to scroll.
  auto* scroll = app_->rightView().findChild<QScrollArea*>(QStringLiteral("settingsScrollArea"));
  ASSERT_NE(scroll, nullptr);
  for (QLabel* notice : {&panel.pageRangeNotice(), &panel.conversionNotice()})
    EXPECT_TRUE(scroll->viewport()->rect().contains(QRect(notice->mapTo(scroll->viewport(), QPoint()), notice->size())))
        << notice->objectName().toStdString();
  EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0);
  saveScreenshot("window-panel-notices-smallest");
}

TEST_F(WindowTest, TypingIntoThePageFieldReplacesItsDefaultText) {
  const qvapptest::CheckFixtures files(dir_);
  app_->applicationOpenFiles({files.plain.string(), files.emptyUserPassword.string()});
  ASSERT_EQ(model().rowCount(), 2);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&app_->window()));
  QVSettingsViewController& panel = app_->settingsViewController();
  QLineEdit& field = panel.pageRangeField();
  const auto defaultSelected = [&] { return field.hasFocus() && field.selectedText() == QStringLiteral("All Pages"); };

  // Choosing a page list puts the typing there, over the default.
  list().tableView().setCurrentIndex(model().index(0));
  QTest::mouseClick(&panel.customPagesButton(), Qt::LeftButton);
  ASSERT_TRUE(qvapptest::runEventLoopUntil(defaultSelected, 10));
  QTest::keyClicks(&field, QStringLiteral("2-3"));
  EXPECT_EQ(field.text(), QStringLiteral("2-3"));
  EXPECT_EQ(model().itemAt(0)->settings_customPageRange(), "2-3");

  // A click into the field keeps the default selected.
  list().tableView().setCurrentIndex(model().index(1));
  QTest::mouseClick(&panel.customPagesButton(), Qt::LeftButton);
  ASSERT_TRUE(qvapptest::runEventLoopUntil(defaultSelected, 10));
  QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(4, field.height() / 2));
  ASSERT_TRUE(qvapptest::runEventLoopUntil(defaultSelected, 10));
  QTest::keyClicks(&field, QStringLiteral("1"));
  EXPECT_EQ(model().itemAt(1)->settings_customPageRange(), "1");
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("2-3, PPTX, Ready!", "1, PPTX, Ready!"));
}

TEST_F(WindowTest, ShowingAFileNeverRewritesItButTheUsersChoicesDo) {
  const qvapptest::CheckFixtures files(dir_);
  app_->applicationOpenFiles({files.plain.string(), files.emptyUserPassword.string()});
  ASSERT_EQ(model().rowCount(), 2);
  model().itemAt(0)->setSettings_outputFormat("UTF-8 Plain Text(.txt)");
  model().itemAt(1)->setSettings_outputFormat("Rich Text File(.rtf)");
  QVSettingsViewController& panel = app_->settingsViewController();
  list().tableView().setCurrentIndex(model().index(0));
  list().tableView().setCurrentIndex(model().index(1));
  EXPECT_EQ(model().itemAt(0)->settings_outputFormat(), "UTF-8 Plain Text(.txt)");
  EXPECT_EQ(QVUserDefaults::text(kQVSettingsOutputFormatKey), "Rich Text File(.rtf)");
  EXPECT_EQ(panel.outputFormatBox().currentText(), QStringLiteral("Rich Text File(.rtf)"));
  EXPECT_FALSE(panel.pageRangeField().isEnabled());

  // A page list for the shown file only; then one format for every file.
  panel.customPagesButton().click();
  EXPECT_TRUE(panel.pageRangeField().isEnabled());
  panel.pageRangeField().selectAll();
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("1"));
  panel.applyToAllBox().click();
  QTest::keyClick(&panel.outputFormatBox(), Qt::Key_Down);
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, HTML, Ready!", "1, HTML, Ready!"));
  EXPECT_EQ(QVUserDefaults::text(kQVSettingsOutputFormatKey), "Web Source File(.html)");
}

TEST_F(WindowTest, PreferencesKeepTheUpdateIntervalToTheirMenu) {
  QVPreferencesWindowController& preferences = app_->preferences();
  QVAutoUpdate::setUpdateCheckInterval(3600);
  preferences.loadUpdateSettings();
  EXPECT_EQ(preferences.autoUpdateIntervalBox().currentIndex(), 1);
  EXPECT_EQ(QVAutoUpdate::updateCheckInterval(), 604800);
  EXPECT_FALSE(preferences.autoUpdateIntervalBox().isEnabled());

  app_->showPreferences();
  QTest::mouseClick(&preferences.updatePaneButton(), Qt::LeftButton);
  EXPECT_EQ(preferences.panes().currentIndex(), 1);
  preferences.autoUpdateBox().click();
  EXPECT_TRUE(QVAutoUpdate::autoCheckForUpdates());
  ASSERT_TRUE(preferences.autoUpdateIntervalBox().isEnabled());
  QTest::keyClick(&preferences.autoUpdateIntervalBox(), Qt::Key_Down);
  EXPECT_EQ(QVAutoUpdate::updateCheckInterval(), 2592000);
}

TEST_F(WindowTest, HelpMenuReachesThePagesTheMailsAndTheAboutWindow) {
  action("about").trigger();
  ASSERT_NE(app_->aboutWindow(), nullptr);
  EXPECT_TRUE(app_->aboutWindow()->isVisible());
  action("tellAFriend").trigger();
  action("technicalSupport").trigger();
  action("userManual").trigger();
  ASSERT_EQ(desktop_->calls.size(), 3u);
  EXPECT_THAT(desktop_->calls[0], testing::StartsWith("url mailto:?SUBJECT=Try%20out%20%22PDF%20Converter%22"));
  EXPECT_THAT(desktop_->calls[1], testing::StartsWith("url mailto:PDF%20Converter%20Support%20%3Csupport@example.com%3E?SUBJECT="));
  EXPECT_THAT(desktop_->calls[2], testing::StartsWith("url https://www.example.com/"));
}

// The pixels that clearly differ between two looks of a control make a
// frame: they go at least half way round the part of it where they lie.
bool changesByAFrame(const QImage& before, const QImage& after) {
  int changed = 0;
  QRect where;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x) {
      const QColor a = before.pixelColor(x, y);
      const QColor b = after.pixelColor(x, y);
      if (std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) < 64)
        continue;
      ++changed;
      where |= QRect(x, y, 1, 1);
    }
  return changed > 0 && changed >= where.width() + where.height();
}

TEST_F(WindowTest, EveryControlThatTakesTheKeyboardFocusShowsIt) {
  // Every control of the window enabled: a file with a page list, and an
  // output folder to reveal.
  const qvapptest::CheckFixtures files(dir_);
  const fs::path out = dir_.file("out");
  fs::create_directories(out);
  desktop_->folderToChoose = out.string();
  app_->settingsViewController().browseOutputDirectry();
  app_->applicationOpenFiles({files.plain.string()});
  ASSERT_TRUE(QTest::qWaitForWindowActive(&app_->window()));
  list().tableView().setCurrentIndex(model().index(0));
  app_->settingsViewController().customPagesButton().click();

  // Once round the window with the Tab key, from the list.
  list().tableView().setFocus(Qt::TabFocusReason);
  std::vector<QWidget*> stops{&list().tableView()};
  for (int i = 0; i < 30; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    if (focused == stops.front()) break;
    stops.push_back(focused);
  }
  std::vector<std::string> names;
  for (QWidget* stop : stops) {
    const std::string name = std::string(stop->metaObject()->className()) + " \"" +
                             (stop->objectName().isEmpty() ? stop->property("text").toString() : stop->objectName())
                                 .toStdString() +
                             "\"";
    names.push_back(name);
    stop->clearFocus();
    const QImage without = stop->grab().toImage();
    stop->setFocus(Qt::TabFocusReason);
    const QImage with = stop->grab().toImage();
    EXPECT_TRUE(changesByAFrame(without, with)) << name;
  }
  EXPECT_THAT(names, ElementsAre("QListView \"\"", "QComboBox \"\"", "QCheckBox \"Apply to all files\"",
                                 "QRadioButton \"All Pages\"", "QLineEdit \"All Pages\"", "QLineEdit \"" + out.string() + "\"",
                                 "QPushButton \"Browse\u2026\"", "QPushButton \"Reveal\"",
                                 "QToolButton \"addFilesButton\"", "QToolButton \"settingsButton\"",
                                 "QAbstractButton \"convertButton\""));
}

// The real choosers, as the desktop shows them.
QFileDialog* openChooser(QWidget& window) {
  for (QFileDialog* dialog : window.findChildren<QFileDialog*>())
    if (dialog->isVisible()) return dialog;
  return nullptr;
}

TEST_F(WindowTest, EachChooserStartsInAFolderOfItsOwnAndNeverInProc) {
  QWidget& window = app_->window();
  const std::string home = QDir::homePath().toStdString();
  // Add Files starts in the home folder, then in the folder of the last file added.
  action("addFiles").trigger();
  const qvapptest::CheckFixtures files(dir_);
  app_->applicationOpenFiles({files.plain.string()});
  action("addFiles").trigger();
  EXPECT_THAT(desktop_->calls, ElementsAre("choose-files " + home, "choose-files " + dir_.path().string()));

  // The output chooser starts in the output folder; the user goes to /proc
  // and chooses it, which the toolkit keeps as the folder it last visited.
  QVDesktopServices desktop;
  const fs::path out = chooseOutputFolder();
  std::optional<std::string> chosen;
  desktop.chooseOutputFolder(&window, out.string(), "Choose", [&](const std::optional<std::string>& folder) {
    chosen = folder;
  });
  QFileDialog* chooser = openChooser(window);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->directory().absolutePath().toStdString(), out.string());
  chooser->setDirectory(QStringLiteral("/proc"));
  static_cast<QDialog*>(chooser)->accept();
  EXPECT_EQ(chosen, std::optional<std::string>("/proc"));
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return window.findChildren<QFileDialog*>().isEmpty(); }, 10));
  QSettings toolkit(QSettings::UserScope, QStringLiteral("QtProject"));
  EXPECT_EQ(toolkit.value(QStringLiteral("FileDialog/lastVisited")).toUrl(), QUrl::fromLocalFile(QStringLiteral("/proc")));

  // Add Files still starts where it is told.
  const auto noFiles = [](const std::vector<std::string>&) {};
  desktop.choosePDFFiles(&window, dir_.path().string(), noFiles);
  chooser = openChooser(window);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->directory().absolutePath().toStdString(), dir_.path().string());
  // It tells the types of what it lists by their names: a PDF named without
  // its extension is not read to be called one.
  const fs::path unnamed = dir_.file("document");
  fs::copy_file(files.plain, unnamed);
  EXPECT_NE(chooser->iconProvider()->type(QFileInfo(QString::fromStdString(unnamed.string()))),
            QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).comment());
  chooser->reject();
  // Neither starts in /proc, though told to: both go home.
  desktop.choosePDFFiles(&window, "/proc/self", noFiles);
  chooser = openChooser(window);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->directory().absolutePath().toStdString(), home);
  chooser->reject();
  desktop.chooseOutputFolder(&window, "/proc", "Choose", [](const std::optional<std::string>&) {});
  chooser = openChooser(window);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->directory().absolutePath().toStdString(), home);
  chooser->reject();
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return window.findChildren<QFileDialog*>().isEmpty(); }, 10));
  toolkit.remove(QStringLiteral("FileDialog"));
}

}  // namespace
