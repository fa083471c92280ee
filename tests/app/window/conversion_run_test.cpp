// A run seen from the window: each row's progress through a file, Stop and
// what it leaves, and which results are opened when the preference asks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "app/QVUserDefaults.h"
#include "app/window/QVImageButton.h"
#include "tests/app/window/window_test_support.h"

namespace {

using qvwindowtest::WindowTest;
using testing::ElementsAre;
using Model = QVSourceFileListModel;
namespace fs = std::filesystem;

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
  const fs::path first = dir_.file("first.pdf");
  const fs::path second = dir_.file("second.pdf");
  qvapptest::writeTextPdf(first, 300);
  qvapptest::writeTextPdf(second, 1);
  const fs::path out = chooseOutputFolder();
  app_->applicationOpenFiles({second.string(), first.string()});
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
}

}  // namespace
