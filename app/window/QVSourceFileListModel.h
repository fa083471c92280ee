#pragma once
// The queue of source files as the list shows it: one row per item, in the
// order of conversion. Besides the items it keeps what a row shows of the
// conversion under way (which item, its progress, the spinner's phase), so
// that every row, on screen or not, shows the state of its item.
//
// Rows move by dragging them inside the list (the data names the rows only,
// never their files); files dragged in from outside are handed on through
// filesDropped for checking.
#include <QAbstractListModel>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "app/QVSourceFileItem.h"

class QVSourceFileListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using Item = std::shared_ptr<QVSourceFileItem>;
  using ItemList = std::vector<Item>;

  enum Role {
    TitleRole = Qt::UserRole + 1,  // the file name
    InfoRole,                      // "3 Pages, 4.0 KB"
    StatusTextRole,                // "All Pages, PPTX, Ready!"
    StatusIconRole,                // image name of the status
    SourceIconRole,                // "icon_pdf", "icon_pdf_pw" or "icon_unknown"
    SourceEnabledRole,             // the source file is there to open
    OutputIconRole,                // the output format's icon name
    OutputEnabledRole,             // a result is there to open
    ConvertingRole,                // the row's file is converting now
    ProgressRole,                  // its progress, 0 to 100
    SpinnerPhaseRole,              // 0..11, turning while it converts
  };
  // The drag data of rows moved inside the list: their row numbers.
  static constexpr const char* kMovedRowsType = "application/x-pdfconverter-moved-rows";

  explicit QVSourceFileListModel(QObject* parent = nullptr);

  const ItemList& items() const { return items_; }
  Item itemAt(int row) const;
  // -1 when the item is not listed.
  int rowOf(const QVSourceFileItem* item) const;

  // Inserts each item at `row` in turn (so the batch lands in reverse order
  // of the list); `row` is clamped to the list.
  void insertItems(const ItemList& batch, int row);
  // Taken by value: the caller may hand in the list itself.
  void removeItems(ItemList doomed);
  // Moves the rows (any order) as one block in their order to the gap before
  // `dropRow` counted in the list as it is before the move; -1 or beyond the
  // end means the end. Answers the row of the block's first item.
  int moveRows(std::vector<int> rows, int dropRow);

  // Every item forgets its last result: the rows read "Ready!" again. A row's
  // tooltip names its file and, after a failure, the converter's reasons.
  void resetBeforeConversion();
  // The row of `item` shows the progress while `converting`; every other row
  // (all rows for a null item) shows its status. From 100 on the row reads
  // its item's texts again.
  void updateConversion(const Item& item, double progress, bool converting);
  // The format title goes to every item but one being converted.
  void applyFormatToAll(const std::string& title);
  // Reads the items' texts and icons again (after their settings changed).
  void refreshAll();
  void refresh(const QVSourceFileItem* item);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;

 signals:
  // Files dropped from outside at `row` (-1: the end), in the drop's order.
  void filesDropped(const QStringList& paths, int row);
  // Moved rows now start at `row`.
  void rowsMovedTo(int row, int count);

 private:
  // What a row shows that costs a file read, kept until the item changes.
  struct Look {
    std::string sourceIcon;
    std::string sourceInfo;
    bool sourceThere = true;
  };
  Look lookOf(QVSourceFileItem& item) const;
  void emitRowChanged(int row);
  void tickSpinner();

  ItemList items_;
  std::vector<Look> looks_;
  const QVSourceFileItem* convertingItem_ = nullptr;
  double progress_ = 0;
  int spinnerPhase_ = 0;
  QTimer spinner_;
};
