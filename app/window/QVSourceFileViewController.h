#pragma once
// The left side of the window: the queue of PDF files. Files come in through
// the open dialog, a drop or an open request; each batch is checked file by
// file (a file that is no usable PDF is refused; a locked one is added once
// its password is given) in a window-modal dialog, while batches that arrive
// meanwhile wait their turn. Rows are reordered by dragging, removed, and
// their files opened or shown in the file manager.
//
// The order of the rows is the order of conversion.
#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/QVSourceFileItem.h"
#include "app/window/QVSourceTableCellView.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListView;
class QVDesktopServices;
class QVSourceFileListModel;

class QVSourceFileViewController : public QWidget {
  Q_OBJECT

 public:
  using Item = std::shared_ptr<QVSourceFileItem>;
  using ItemList = std::vector<Item>;

  // The desktop must outlive the controller.
  explicit QVSourceFileViewController(QVDesktopServices& desktop, QWidget* parent = nullptr);
  ~QVSourceFileViewController() override;

  QVSourceFileListModel& model() { return *model_; }
  QListView& tableView() { return *tableView_; }
  QVSourceTableCellView& cellView() { return *cellView_; }
  const ItemList& ma_sourceItems() const;

  // The selected items in list order; the last of them; none.
  ItemList selectedItems() const;
  Item selectedItem() const;

  // Checks the files (a folder gives the files directly inside it) and adds
  // those that pass at the end of the list.
  void addFilesToCheckQueue(const std::vector<std::string>& paths);
  // Files dropped at `row` (-1: the end), in the drop's order.
  void addDroppedFiles(const QStringList& paths, int row);
  // The open dialog, in the folder of the last file added (at first the home
  // folder); the chosen files are checked and added at the end.
  void sourceFileBrowse();
  // Whether a check is under way: a dialog is open or batches wait.
  bool isCheckingFiles() const { return !walks_.empty(); }
  // The check dialog on screen, if any.
  QDialog* unsupportedFileDialog() const { return unsupportedDialog_; }
  QDialog* passwordDialog() const { return passwordDialog_; }

  void resetBeforeConversion();
  void selectTableRowWithItem(const Item& item);
  void updateConversion(const Item& item, double progress, bool converting);
  void applyFormatToAllData(const std::string& title);
  // Reads every row again, keeping the selection.
  void reloadTableView();
  void removeItemsFromTable(const ItemList& items);

  // Menu actions on the selection.
  void sourceFileRevealInFinder();
  void outputFileRevealInFinder();
  void sourceFileRemoveItemFromQueue();
  void sourceFileRemoveAllFromQueue();

 signals:
  void didUpdateSelection();
  // The items have left the list.
  void didRemoveItems(const std::vector<std::shared_ptr<QVSourceFileItem>>& items);

 private:
  // One batch of files being checked: the files still to check (the first
  // is the one checked now), those that passed, and where they go.
  struct CheckWalk {
    std::deque<Item> pending;
    ItemList checked;
    int row = -1;  // -1: the end of the list
  };

  // Keeps an open check dialog centred on the window, which the window
  // manager may place (or the user move) after the dialog opened.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void centreOpenSheet();
  void startCheckWalk(ItemList items, int row);
  void continueCheckPDFPassword();
  // A check dialog about the item: its file, then the message.
  QDialog* beginSheet(const Item& item, const char* name, const QString& title, const std::string& iconName,
                      const QString& message);
  // The dialog's buttons, with one that opens the file.
  void addSheetButtons(QDialog* dialog, QDialogButtonBox* buttons);
  void showAlertModalSheet(const Item& item);
  void showInputPasswordModalSheet(const Item& item);
  void finishInputPassword();
  void sheetDidEnd(bool keepItem);
  void addSourceItemsToTable(const ItemList& items, int row);
  void showOrHiddenEmptyMsg();
  void cellButtonClicked(QVSourceTableCellView::Button button, const QModelIndex& index);
  void showContextMenu(const QPoint& position);
  void revealOutput(const Item& item);
  void selectRows(int first, int count);

  QVDesktopServices& desktop_;
  QVSourceFileListModel* model_ = nullptr;
  QListView* tableView_ = nullptr;
  QVSourceTableCellView* cellView_ = nullptr;
  QLabel* nv_emptyMsg_ = nullptr;
  std::deque<CheckWalk> walks_;
  Item readyToCheckItem_;
  QPointer<QDialog> unsupportedDialog_;
  QPointer<QDialog> passwordDialog_;
  QLineEdit* tf_inputPassword_ = nullptr;
  QLabel* tf_passwordInfo_ = nullptr;
  // Where the open dialog starts: the folder of the last file added.
  std::string lastAddedFolder_;
};
