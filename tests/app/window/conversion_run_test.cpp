// A run seen from the window: each row's progress through a file, Stop and
// what it leaves, a converting row removed, which results are opened when
// the preference asks, why a file failed, and what a row claims once its
// format changes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"
#include "app/window/QVImageButton.h"
#include "app/window/QVSettingsViewController.h"
#include "app/window/QVSourceTableCellView.h"
#include "platform/fs/files.h"
#include "tests/app/window/window_test_support.h"
#include "tests/support/pdf_damage.h"

namespace {

using qvwindowtest::WindowTest;
using testing::ElementsAre;
using Model = QVSourceFileListModel;
namespace fs = std::filesystem;

std::vector<std::string> itemsIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(WindowTest, AOnePageFileShowsStartPagesSaveAndEndOnItsRow) {
  const fs::path pdf = dir_.file("one.pdf");
  qvapptest::writeTextPdf(pdf, 1);
  chooseOutputFolder();
  app_->applicationOpenFiles({pdf.string()});
  std::vector<double> shown;
  QObject::connect(&model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& top, const QModelIndex&) {
    if (top.data(Model::ConvertingRole).toBool()) {
      const double progress = top.data(Model::ProgressRole).toDouble();
      if (shown.empty() || shown.back() != progress) shown.push_back(progress);
    }
  });
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(shown, ElementsAre(1.0, 85.0, 90.0, 100.0));
  EXPECT_FALSE(model().index(0).data(Model::ConvertingRole).toBool());
  EXPECT_EQ(model().index(0).data(Model::StatusTextRole).toString(), QStringLiteral("All Pages, PPTX, Success!"));
}

TEST_F(WindowTest, StopEndsTheRunAndConvertWaitsUntilTheStoppedFileHasEnded) {
  const fs::path out = queueLongThenShortFile();
  ASSERT_THAT(rowNames(), ElementsAre("first.pdf", "second.pdf"));

  QVImageButton& button = app_->convertButton();
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(button.text(), QStringLiteral("Stop"));
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(button.text(), QStringLiteral("Convert"));
  EXPECT_FALSE(button.isEnabled());
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_TRUE(button.isEnabled());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Failed!", "All Pages, PPTX, Ready!"));
  EXPECT_THAT(rowTexts(Model::OutputEnabledRole), ElementsAre("false", "false"));
  EXPECT_TRUE(fs::is_empty(out));

  // Converting again starts over with every file.
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Success!", "All Pages, PPTX, Success!"));
}

TEST_F(WindowTest, RemovingTheConvertingRowStopsItsFileAndTheRunGoesOn) {
  const fs::path out = queueLongThenShortFile();
  ASSERT_THAT(rowNames(), ElementsAre("first.pdf", "second.pdf"));
  QVSettingsViewController& panel = app_->settingsViewController();

  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(model().index(0).data(Model::ConvertingRole).toBool());
  // The file being converted keeps the format it is written in: its menu is
  // shut, and a format for every file passes it by.
  ASSERT_EQ(panel.sourceFileItem(), model().itemAt(0));
  EXPECT_FALSE(panel.outputFormatBox().isEnabled());
  EXPECT_FALSE(panel.customPagesButton().isEnabled());
  list().tableView().setCurrentIndex(model().index(1));
  ASSERT_TRUE(panel.outputFormatBox().isEnabled());
  panel.applyToAllBox().click();
  QTest::keyClick(&panel.outputFormatBox(), Qt::Key_Down);
  EXPECT_EQ(model().itemAt(0)->settings_outputFormat(), "Microsoft PowerPoint(.pptx)");
  EXPECT_EQ(model().index(1).data(Model::StatusTextRole).toString(), QStringLiteral("All Pages, TXT, Ready!"));

  list().removeItemsFromTable({model().itemAt(0)});
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_EQ(app_->convertButton().text(), QStringLiteral("Convert"));
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, TXT, Success!"));
  EXPECT_EQ(itemsIn(out), std::vector<std::string>{"second.txt"});
}

TEST_F(WindowTest, AnOutputFolderThatCannotBeWrittenToIsNamedPlainly) {
  // A folder that takes no file, though for root the permission bits let
  // write to it.
  const std::string unwritable = "/proc";
  ASSERT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(unwritable));
  const qvapptest::CheckFixtures files(dir_);
  app_->applicationOpenFiles({files.plain.string()});
  list().tableView().setCurrentIndex(model().index(0));
  QVPDFConverterManager& manager = *app_->converterManager();
  manager.setMa_sourceItems(list().ma_sourceItems());
  ASSERT_TRUE(manager.startConversion());
  ASSERT_TRUE(waitForRunEnd());
  const std::string reason = "400 Unknow error while converting.\nThe folder \"" + unwritable +
                             "\" cannot be written to.";
  EXPECT_EQ(model().itemAt(0)->conversionFailureReason(), reason);
  EXPECT_EQ(app_->settingsViewController().conversionNotice().text().toStdString(),
            "The last conversion failed: " + reason);
  saveScreenshot("window-unwritable-folder");
}

TEST_F(WindowTest, OnlyResultsThatAreThereAreOpened) {
  const qvapptest::CheckFixtures files(dir_);
  const fs::path out = chooseOutputFolder();
  QVUserDefaults::setBool(kQVOpenFileAfterConversionKey, true);
  app_->applicationOpenFiles({files.plain.string(), files.emptyUserPassword.string()});
  ASSERT_THAT(rowNames(), ElementsAre("emptyuser.pdf", "plain.pdf"));
  // No page of the list is in the file: nothing is converted.
  model().itemAt(0)->setSettings_pageRangeType(1);
  model().itemAt(0)->setSettings_customPageRange("7-9");

  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("7-9, PPTX, Failed!", "All Pages, PPTX, Success!"));
  EXPECT_THAT(desktop_->calls, ElementsAre("open " + (out / "plain.pptx").string()));
  EXPECT_EQ(itemsIn(out), std::vector<std::string>{"plain.pptx"});
}

TEST_F(WindowTest, APageTextThatSelectsNoPageIsRefusedAsItIsTypedAndWhenConverted) {
  const qvapptest::CheckFixtures files(dir_);
  const fs::path out = chooseOutputFolder();
  app_->applicationOpenFiles({files.plain.string()});
  ASSERT_EQ(model().rowCount(), 1);
  list().tableView().setCurrentIndex(model().index(0));
  QVSettingsViewController& panel = app_->settingsViewController();
  QTest::mouseClick(&panel.customPagesButton(), Qt::LeftButton);
  // A text of which the page list would skip a part is named as well.
  panel.pageRangeField().selectAll();
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("All Pages2-3"));
  EXPECT_EQ(panel.pageRangeNotice().text(),
            QStringLiteral("The pages \"All Pages2-3\" cannot be read: it is not a page number or a range of pages "
                           "such as 5 or 2-4."));
  panel.pageRangeField().selectAll();
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("abc"));
  EXPECT_FALSE(panel.pageRangeNotice().isHidden());
  EXPECT_EQ(panel.pageRangeNotice().text(), QStringLiteral("The pages \"abc\" select no page of this document (2 pages)."));
  panel.pageRangeField().selectAll();
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("2"));
  EXPECT_TRUE(panel.pageRangeNotice().isHidden());
  QTest::keyClicks(&panel.pageRangeField(), QStringLiteral("0-60"));
  EXPECT_FALSE(panel.pageRangeNotice().isHidden());
  saveScreenshot("window-page-text-refused");

  // Convert refuses the file with the same reason and makes no file.
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("20-60, PPTX, Failed!"));
  EXPECT_THAT(rowTexts(Qt::ToolTipRole),
              ElementsAre(files.plain.string() +
                          "\nFailed: 407 The pages \"20-60\" select no page of this document (2 pages)."));
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_EQ(panel.conversionNotice().text(),
            QStringLiteral("The last conversion failed: 407 The pages \"20-60\" select no page of this document (2 pages)."));
}

TEST_F(WindowTest, AFailedFileSaysWhyInItsTooltipAndInThePanel) {
  const fs::path out = chooseOutputFolder();
  // A file whose second page is lost, asked for that page alone.
  const fs::path damaged = dir_.file("damaged.pdf");
  qvapptest::writeTextPdf(damaged, 3);
  const std::string intact = *platform::fs::readFile(damaged.string());
  ASSERT_TRUE(platform::fs::writeFile(damaged.string(),
                                      qvtest::withObjectBlanked(intact, qvtest::pageObjectNumber(intact, 2))));
  // A locked file whose password changes after it was queued.
  const fs::path locked = dir_.file("locked.pdf");
  using E = qvtest::PdfEncryption;
  qvapptest::writeTextPdf(locked, 1, E{E::AES_256, "user", "owner", true});
  app_->applicationOpenFiles({locked.string(), damaged.string()});
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return list().passwordDialog() != nullptr; }, 30));
  QDialog* password = list().passwordDialog();
  QTest::keyClicks(password->findChild<QLineEdit*>(QStringLiteral("passwordField")), QStringLiteral("user"));
  QTest::mouseClick(password->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return !list().isCheckingFiles(); }, 30));
  ASSERT_THAT(rowNames(), ElementsAre("damaged.pdf", "locked.pdf"));
  model().itemAt(0)->setSettings_pageRangeType(1);
  model().itemAt(0)->setSettings_customPageRange("2");
  qvapptest::writeTextPdf(locked, 1, E{E::AES_256, "changed", "owner", true});

  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("2, PPTX, Failed!", "All Pages, PPTX, Failed!"));
  EXPECT_THAT(rowTexts(Qt::ToolTipRole),
              ElementsAre(damaged.string() + "\nFailed: Page 2: 401 Can't read the PDF Page.(2)",
                          locked.string() + "\nFailed: 405 Can't load the PDF Document."));
  list().tableView().setCurrentIndex(model().index(1));
  QVSettingsViewController& panel = app_->settingsViewController();
  EXPECT_FALSE(panel.conversionNotice().isHidden());
  EXPECT_EQ(panel.conversionNotice().text(),
            QStringLiteral("The last conversion failed: 405 Can't load the PDF Document."));
  saveScreenshot("window-failure-reason");
}

TEST_F(WindowTest, AConvertedRowInAnotherFormatIsReadyAgainAndKeepsItsResult) {
  const qvapptest::CheckFixtures files(dir_);
  const fs::path out = chooseOutputFolder();
  app_->applicationOpenFiles({files.plain.string(), files.emptyUserPassword.string()});
  ASSERT_THAT(rowNames(), ElementsAre("emptyuser.pdf", "plain.pdf"));
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  ASSERT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Success!", "All Pages, PPTX, Success!"));

  // The first file to text from the panel's menu: only the deck is there.
  list().tableView().setCurrentIndex(model().index(0));
  QVSettingsViewController& panel = app_->settingsViewController();
  QTest::keyClick(&panel.outputFormatBox(), Qt::Key_Down);
  ASSERT_EQ(panel.outputFormatBox().currentText(), QStringLiteral("UTF-8 Plain Text(.txt)"));
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, TXT, Ready!", "All Pages, PPTX, Success!"));
  EXPECT_THAT(rowTexts(Model::StatusIconRole), ElementsAre("POI_History", "veskar_success_status_icon"));
  EXPECT_THAT(rowTexts(Model::OutputEnabledRole), ElementsAre("false", "true"));
  EXPECT_EQ(itemsIn(out), (std::vector<std::string>{"emptyuser.pptx", "plain.pptx"}));
  // Every file to text at once.
  panel.applyToAllBox().click();
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, TXT, Ready!", "All Pages, TXT, Ready!"));
  // Back to the presentation: the deck made for it is its result again.
  QTest::keyClick(&panel.outputFormatBox(), Qt::Key_Up);
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Success!", "All Pages, PPTX, Success!"));
}

TEST_F(WindowTest, AQueuedFileDeletedFromDiskShowsAsMissingOnceConverted) {
  const fs::path out = chooseOutputFolder();
  const fs::path pdf = dir_.file("gone.pdf");
  qvapptest::writeTextPdf(pdf, 3);
  app_->applicationOpenFiles({pdf.string()});
  ASSERT_THAT(rowTexts(Model::InfoRole), ElementsAre(testing::StartsWith("3 Pages, ")));
  list().tableView().setCurrentIndex(model().index(0));
  fs::remove(pdf);

  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  // The damaged file's look and the converter's reason, not a locked file.
  EXPECT_THAT(rowTexts(Model::SourceIconRole), ElementsAre("icon_unknown"));
  EXPECT_THAT(rowTexts(Model::InfoRole), ElementsAre("File not found"));
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Failed!"));
  EXPECT_THAT(rowTexts(Qt::ToolTipRole), ElementsAre(pdf.string() + "\nFailed: 404 Source File isn't exist."));
  QVSettingsViewController& panel = app_->settingsViewController();
  EXPECT_EQ(panel.infoLabel().text(), QStringLiteral("File not found"));
  EXPECT_EQ(panel.conversionNotice().text(), QStringLiteral("The last conversion failed: 404 Source File isn't exist."));
  // Its open button does nothing; its folder can still be shown.
  QListView& view = list().tableView();
  const QRect row = view.visualRect(model().index(0));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                    QVSourceTableCellView::buttonRect(QVSourceTableCellView::OpenSource, row).center());
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                    QVSourceTableCellView::buttonRect(QVSourceTableCellView::ShowSource, row).center());
  EXPECT_THAT(desktop_->calls, ElementsAre("reveal " + pdf.string()));
  EXPECT_TRUE(fs::is_empty(out));
  saveScreenshot("window-missing-source");
}

TEST_F(WindowTest, ApplyToAllFilesDuringAConversionLeavesTheConvertingRowAsItWas) {
  const fs::path out = queueLongThenShortFile();
  ASSERT_THAT(rowNames(), ElementsAre("first.pdf", "second.pdf"));
  QVSettingsViewController& panel = app_->settingsViewController();
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(model().index(0).data(Model::ConvertingRole).toBool());
  // Shown, the converting row shuts the box with its format menu.
  ASSERT_EQ(panel.sourceFileItem(), model().itemAt(0));
  EXPECT_FALSE(panel.outputFormatBox().isEnabled());
  EXPECT_FALSE(panel.applyToAllBox().isEnabled());
  panel.applyToAllBox().click();
  EXPECT_FALSE(panel.isApplyToAll());

  // From the other row, text for every file: the converting one is passed by.
  list().tableView().setCurrentIndex(model().index(1));
  ASSERT_TRUE(panel.applyToAllBox().isEnabled());
  QTest::keyClick(&panel.outputFormatBox(), Qt::Key_Down);
  panel.applyToAllBox().click();
  ASSERT_TRUE(panel.isApplyToAll());
  EXPECT_EQ(model().itemAt(0)->settings_outputFormat(), "Microsoft PowerPoint(.pptx)");
  EXPECT_EQ(model().index(1).data(Model::StatusTextRole).toString(), QStringLiteral("All Pages, TXT, Ready!"));
  list().tableView().setCurrentIndex(model().index(0));
  EXPECT_FALSE(panel.applyToAllBox().isEnabled());

  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(Model::StatusTextRole), ElementsAre("All Pages, PPTX, Success!", "All Pages, TXT, Success!"));
  EXPECT_EQ(itemsIn(out), (std::vector<std::string>{"first.pptx", "second.txt"}));
  EXPECT_TRUE(panel.applyToAllBox().isEnabled());
}

}  // namespace
