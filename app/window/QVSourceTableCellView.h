#pragma once
// Paints one row of the source list: the hover highlight, the rounded
// selection and the faded separator; the source file's icon, name, pages and
// size; the status icon and text, or the progress bar and spinner while the
// file converts; the output format's icon; and, on the row under the mouse,
// the buttons that open or show the source and the output and remove the
// file. Clicks on those buttons come out as buttonClicked.
#include <QStyledItemDelegate>

class QVSourceTableCellView : public QStyledItemDelegate {
  Q_OBJECT

 public:
  enum Button { OpenSource, ShowSource, OpenOutput, ShowOutput, Remove };
  static constexpr int kRowHeight = 52;

  explicit QVSourceTableCellView(QObject* parent = nullptr);

  // Where a button sits in a row's rectangle.
  static QRect buttonRect(Button button, const QRect& row);
  // The output buttons act only when there is a result.
  static bool isButtonEnabled(Button button, const QModelIndex& index);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 signals:
  void buttonClicked(QVSourceTableCellView::Button button, const QModelIndex& index);
};
