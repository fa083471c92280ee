// The source list: rows dragged up, down and to the end land where they were
// dropped; a drop onto a row is refused; batches that arrive while a password
// is asked wait their turn; a row's remove button removes it, Remove All
// every row; a password is prepared as its file was locked with it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/window/QVImageButton.h"
#include "app/window/QVPreviewRenderer.h"
#include "app/window/QVSettingsViewController.h"
#include "app/window/QVSourceTableCellView.h"
#include "tests/app/window/window_test_support.h"

namespace {

using qvwindowtest::WindowTest;
using testing::ElementsAre;

class SourceListTest : public WindowTest {
 protected:
  // Rows A.pdf, B.pdf, C.pdf, D.pdf, added without checks.
  void addFourRows() {
    QVSourceFileListModel::ItemList items;
    for (const char* name : {"D", "C", "B", "A"}) {
      const auto path = dir_.file(std::string(name) + ".pdf");
      qvapptest::writeTextPdf(path, 1);
      items.push_back(QVSourceFileItem::initWithPath(path.string()));
    }
    model().insertItems(items, 0);
  }
  // Drags the rows and drops them before `row` (-1: below the last row).
  bool dragRows(std::vector<int> rows, int row, const QModelIndex& onto = QModelIndex()) {
    QModelIndexList indexes;
    for (int r : rows) indexes.append(model().index(r));
    std::unique_ptr<QMimeData> data(model().mimeData(indexes));
    EXPECT_FALSE(data->hasUrls());
    return model().dropMimeData(data.get(), Qt::CopyAction, row, 0, onto);
  }
};

TEST_F(SourceListTest, RowsLandInTheGapTheyWereDroppedIn) {
  addFourRows();
  ASSERT_THAT(rowNames(), ElementsAre("A.pdf", "B.pdf", "C.pdf", "D.pdf"));
  // Down: A into the gap between B and C.
  ASSERT_TRUE(dragRows({0}, 2));
  EXPECT_THAT(rowNames(), ElementsAre("B.pdf", "A.pdf", "C.pdf", "D.pdf"));
  // Up: D to the top.
  ASSERT_TRUE(dragRows({3}, 0));
  EXPECT_THAT(rowNames(), ElementsAre("D.pdf", "B.pdf", "A.pdf", "C.pdf"));
  // To the end, two rows at once, keeping their order.
  ASSERT_TRUE(dragRows({0, 2}, -1));
  EXPECT_THAT(rowNames(), ElementsAre("B.pdf", "C.pdf", "D.pdf", "A.pdf"));
  EXPECT_EQ(list().selectedItems(), (QVSourceFileListModel::ItemList{model().itemAt(2), model().itemAt(3)}));
  // Onto a row: refused, nothing moves.
  EXPECT_FALSE(dragRows({0}, -1, model().index(2)));
  EXPECT_THAT(rowNames(), ElementsAre("B.pdf", "C.pdf", "D.pdf", "A.pdf"));
}

TEST_F(SourceListTest, FilesDroppedBetweenRowsLandThereInTheOrderOfTheDrop) {
  addFourRows();
  const qvapptest::CheckFixtures files(dir_);
  QMimeData drop;
  drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(files.plain.string())),
                QUrl::fromLocalFile(QString::fromStdString(files.notAPdf.string())),
                QUrl::fromLocalFile(QString::fromStdString(files.emptyUserPassword.string()))});
  EXPECT_FALSE(model().canDropMimeData(&drop, Qt::CopyAction, -1, 0, model().index(1)));
  ASSERT_TRUE(model().dropMimeData(&drop, Qt::CopyAction, 1, 0, QModelIndex()));
  // The file that is no PDF is refused in its dialog.
  ASSERT_NE(list().unsupportedFileDialog(), nullptr);
  list().unsupportedFileDialog()->accept();
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return !list().isCheckingFiles(); }, 30));
  EXPECT_THAT(rowNames(), ElementsAre("A.pdf", "plain.pdf", "emptyuser.pdf", "B.pdf", "C.pdf", "D.pdf"));
}

TEST_F(SourceListTest, ABatchArrivingWhileAPasswordIsAskedWaitsItsTurn) {
  const qvapptest::CheckFixtures files(dir_);
  list().addFilesToCheckQueue({files.userLocked.string()});
  ASSERT_NE(list().passwordDialog(), nullptr);
  list().addFilesToCheckQueue({files.plain.string()});
  EXPECT_EQ(model().rowCount(), 0);

  QDialog* dialog = list().passwordDialog();
  QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("passwordField")), QStringLiteral("owner"));
  QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return !list().isCheckingFiles(); }, 30));
  EXPECT_THAT(rowNames(), ElementsAre("locked.pdf", "plain.pdf"));
  EXPECT_EQ(model().itemAt(0)->sourcePassword(), "owner");
}

TEST_F(SourceListTest, TheRemoveButtonOfARowRemovesItAndTheSelectionStaysInPlace) {
  addFourRows();
  QListView& view = list().tableView();
  view.resize(500, 300);
  view.setCurrentIndex(model().index(1));
  const QRect row = view.visualRect(model().index(1));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                    QVSourceTableCellView::buttonRect(QVSourceTableCellView::Remove, row).center());
  EXPECT_THAT(rowNames(), ElementsAre("A.pdf", "C.pdf", "D.pdf"));
  ASSERT_NE(list().selectedItem(), nullptr);
  EXPECT_EQ(list().selectedItem(), model().itemAt(1));
  // The output buttons of a file never converted do nothing.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                    QVSourceTableCellView::buttonRect(QVSourceTableCellView::OpenOutput, row).center());
  EXPECT_TRUE(desktop_->calls.empty());
}

TEST_F(SourceListTest, RemoveAllRemovesEveryRow) {
  addFourRows();
  const auto fifth = dir_.file("E.pdf");
  qvapptest::writeTextPdf(fifth, 1);
  model().insertItems({QVSourceFileItem::initWithPath(fifth.string())}, 4);
  ASSERT_EQ(model().rowCount(), 5);
  list().tableView().setCurrentIndex(model().index(2));
  action("removeAll").trigger();
  EXPECT_EQ(model().rowCount(), 0);
  EXPECT_EQ(list().selectedItem(), nullptr);
  EXPECT_EQ(app_->settingsViewController().sourceFileItem(), nullptr);
}

// The file's password was set in its prepared form ("SaSLprep"); the user
// types what it was prepared from.
TEST_F(SourceListTest, AnAes256PasswordIsAcceptedAsTypedBeforeItsPreparation) {
  const auto locked = dir_.file("prepared.pdf");
  using E = qvtest::PdfEncryption;
  qvapptest::writeTextPdf(locked, 2, E{E::AES_256, "SaSLprep", "owner", true});
  list().addFilesToCheckQueue({locked.string()});
  QDialog* dialog = list().passwordDialog();
  ASSERT_NE(dialog, nullptr);
  QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("passwordField")),
                   QString::fromUtf8("S\u00aaSL\u00adprep"));
  QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return !list().isCheckingFiles(); }, 30));
  ASSERT_THAT(rowNames(), ElementsAre("prepared.pdf"));
  EXPECT_EQ(model().itemAt(0)->sourcePassword(), "S\u00aaSL\u00adprep");
  EXPECT_EQ(model().itemAt(0)->sourcePages(), 2);
  if (QVPreviewRenderer::isAvailable()) {
    list().tableView().setCurrentIndex(model().index(0));
    EXPECT_TRUE(qvapptest::runEventLoopUntil([&] { return app_->settingsViewController().isPreviewRendered(); }, 60));
  }

  const auto out = chooseOutputFolder();
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(waitForRunEnd());
  EXPECT_THAT(rowTexts(QVSourceFileListModel::StatusTextRole), ElementsAre("All Pages, PPTX, Success!"));
  EXPECT_TRUE(std::filesystem::exists(out / "prepared.pptx"));
}

// At start-up the window manager places the window after the files handed
// to the program have been checked: the dialog goes with the window.
TEST_F(SourceListTest, ThePasswordDialogStaysCentredOnTheWindowWhereverThatIsPlaced) {
  const qvapptest::CheckFixtures files(dir_);
  QWidget& window = app_->window();
  const auto centred = [&] {
    QDialog* dialog = list().passwordDialog();
    return dialog && dialog->isVisible() &&
           (dialog->frameGeometry().center() - window.frameGeometry().center()).manhattanLength() <= 2;
  };
  app_->applicationOpenFiles({files.userLocked.string()});
  ASSERT_NE(list().passwordDialog(), nullptr);
  EXPECT_TRUE(centred());
  window.move(window.pos() + QPoint(160, 90));
  EXPECT_TRUE(qvapptest::runEventLoopUntil(centred, 10));
  list().passwordDialog()->reject();
}

}  // namespace
