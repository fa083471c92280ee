#include "app/window/QVSourceFileViewController.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/QVCPDFUtilities.h"
#include "app/window/QVDesktopServices.h"
#include "app/window/QVImageButton.h"
#include "app/window/QVNamedImages.h"
#include "app/window/QVSourceFileListModel.h"

namespace {

QString qstring(const std::string& text) { return QString::fromStdString(text); }

QString fileNameOf(const std::string& path) { return QFileInfo(qstring(path)).fileName(); }

// The common top of both check dialogs: the file's icon, name and size.
QWidget* fileHeader(const std::string& iconName, const QVSourceFileItem& item, QWidget* parent) {
  auto* header = new QWidget(parent);
  auto* layout = new QHBoxLayout(header);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* icon = new QLabel(header);
  icon->setObjectName(QStringLiteral("fileIcon"));
  icon->setFixedSize(48, 48);
  icon->setPixmap(QVNamedImages::pixmap(iconName, QSize(48, 48), parent->devicePixelRatioF()));
  layout->addWidget(icon);
  auto* texts = new QVBoxLayout;
  auto* title = new QLabel(fileNameOf(item.sourcePath()), header);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  texts->addWidget(title);
  texts->addWidget(new QLabel(qstring(item.fileSizeString()), header));
  layout->addLayout(texts, 1);
  return header;
}

// The list shows the keyboard focus on its current row, and around itself
// while it has no row.
class QVSourceListView : public QListView {
 public:
  using QListView::QListView;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QListView::paintEvent(event);
    if (model()->rowCount() > 0 || !hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
    QPainter painter(viewport());
    QVImageButton::drawFocusFrame(painter, viewport()->rect(), 4, palette());
  }
  void focusInEvent(QFocusEvent* event) override {
    QListView::focusInEvent(event);
    viewport()->update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QListView::focusOutEvent(event);
    viewport()->update();
  }
};

}  // namespace

QVSourceFileViewController::QVSourceFileViewController(QVDesktopServices& desktop, QWidget* parent)
    : QWidget(parent), desktop_(desktop) {
  model_ = new QVSourceFileListModel(this);
  cellView_ = new QVSourceTableCellView(this);
  tableView_ = new QVSourceListView(this);
  tableView_->setModel(model_);
  tableView_->setItemDelegate(cellView_);
  tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tableView_->setUniformItemSizes(true);
  // Rows are as wide as the list, whatever width the window had before:
  // the status column stays in sight.
  tableView_->setResizeMode(QListView::Adjust);
  tableView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tableView_->setMouseTracking(true);
  tableView_->viewport()->setAttribute(Qt::WA_Hover);
  tableView_->setDragEnabled(true);
  tableView_->setAcceptDrops(true);
  tableView_->setDropIndicatorShown(true);
  tableView_->setDragDropMode(QAbstractItemView::DragDrop);
  tableView_->setDragDropOverwriteMode(false);
  tableView_->setDefaultDropAction(Qt::CopyAction);
  tableView_->setContextMenuPolicy(Qt::CustomContextMenu);
  tableView_->setFrameShape(QFrame::NoFrame);
  QPalette palette = tableView_->palette();
  palette.setColor(QPalette::Base, QColor(0xf3, 0xf4, 0xf6));
  tableView_->setPalette(palette);

  nv_emptyMsg_ = new QLabel(QStringLiteral("Drop PDF files here\nor choose File \u25B8 Add Files\u2026"), this);
  nv_emptyMsg_->setAlignment(Qt::AlignCenter);
  nv_emptyMsg_->setAttribute(Qt::WA_TransparentForMouseEvents);
  nv_emptyMsg_->setStyleSheet(QStringLiteral("color: #8a939e; font-size: 15px;"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tableView_, 0, 0);
  layout->addWidget(nv_emptyMsg_, 0, 0);

  auto* removeAction = new QAction(QStringLiteral("Remove"), tableView_);
  removeAction->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
  removeAction->setShortcutContext(Qt::WidgetShortcut);
  tableView_->addAction(removeAction);
  connect(removeAction, &QAction::triggered, this, &QVSourceFileViewController::sourceFileRemoveItemFromQueue);

  connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &QVSourceFileViewController::didUpdateSelection);
  connect(model_, &QVSourceFileListModel::filesDropped, this, &QVSourceFileViewController::addDroppedFiles);
  connect(model_, &QVSourceFileListModel::rowsMovedTo, this, &QVSourceFileViewController::selectRows);
  connect(cellView_, &QVSourceTableCellView::buttonClicked, this, &QVSourceFileViewController::cellButtonClicked);
  connect(tableView_, &QWidget::customContextMenuRequested, this, &QVSourceFileViewController::showContextMenu);
  showOrHiddenEmptyMsg();
}

QVSourceFileViewController::~QVSourceFileViewController() = default;

const QVSourceFileViewController::ItemList& QVSourceFileViewController::ma_sourceItems() const {
  return model_->items();
}

QVSourceFileViewController::ItemList QVSourceFileViewController::selectedItems() const {
  QModelIndexList rows = tableView_->selectionModel()->selectedIndexes();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  ItemList items;
  for (const QModelIndex& index : rows)
    if (Item item = model_->itemAt(index.row())) items.push_back(std::move(item));
  return items;
}

QVSourceFileViewController::Item QVSourceFileViewController::selectedItem() const {
  const ItemList items = selectedItems();
  return items.empty() ? nullptr : items.back();
}

void QVSourceFileViewController::addFilesToCheckQueue(const std::vector<std::string>& paths) {
  ItemList items;
  for (const std::string& path : paths)
    for (Item& item : QVSourceFileItem::CreateSourceItemsOfFileOrDirectoryAtPath(path)) items.push_back(std::move(item));
  startCheckWalk(std::move(items), -1);
}

void QVSourceFileViewController::addDroppedFiles(const QStringList& paths, int row) {
  // Checked from the last to the first, each inserted at the drop row: the
  // files land in the order of the drop.
  ItemList items;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it)
    if (Item item = QVSourceFileItem::initWithPath(it->toStdString())) items.push_back(std::move(item));
  startCheckWalk(std::move(items), row);
}

void QVSourceFileViewController::sourceFileBrowse() {
  QPointer<QVSourceFileViewController> self(this);
  // The folder of the last file added, else the home folder.
  const std::string start = lastAddedFolder_.empty() ? QDir::homePath().toStdString() : lastAddedFolder_;
  desktop_.choosePDFFiles(window(), start, [self](const std::vector<std::string>& paths) {
    if (!self || paths.empty()) return;
    ItemList items;
    for (const std::string& path : paths)
      if (Item item = QVSourceFileItem::initWithPath(path)) items.push_back(std::move(item));
    self->startCheckWalk(std::move(items), -1);
  });
}

void QVSourceFileViewController::startCheckWalk(ItemList items, int row) {
  if (items.empty()) return;
  CheckWalk walk;
  walk.pending.assign(items.begin(), items.end());
  walk.row = row;
  walks_.push_back(std::move(walk));
  // A batch that arrives while a dialog of an earlier one is open waits.
  if (!readyToCheckItem_) continueCheckPDFPassword();
}

void QVSourceFileViewController::continueCheckPDFPassword() {
  while (!walks_.empty() && !readyToCheckItem_) {
    CheckWalk& walk = walks_.front();
    while (!walk.pending.empty()) {
      const Item item = walk.pending.front();
      if (!QVCPDFUtilities::isPDFDocumentValidAtPath(item->sourcePath())) {
        showAlertModalSheet(item);
        return;
      }
      if (QVCPDFUtilities::isPDFDocumentLockPritingAtPath(item->sourcePath())) {
        showInputPasswordModalSheet(item);
        return;
      }
      walk.checked.push_back(item);
      walk.pending.pop_front();
    }
    const ItemList checked = std::move(walk.checked);
    const int row = walk.row < 0 ? model_->rowCount() : std::min(walk.row, model_->rowCount());
    walks_.pop_front();
    if (!checked.empty()) addSourceItemsToTable(checked, row);
  }
}

QDialog* QVSourceFileViewController::beginSheet(const Item& item, const char* name, const QString& title,
                                                const std::string& iconName, const QString& message) {
  readyToCheckItem_ = item;
  auto* dialog = new QDialog(window());
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setWindowTitle(title);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(fileHeader(iconName, *item, dialog));
  auto* text = new QLabel(message, dialog);
  text->setWordWrap(true);
  layout->addWidget(text);
  window()->installEventFilter(this);
  return dialog;
}

bool QVSourceFileViewController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window() && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) centreOpenSheet();
  return QWidget::eventFilter(watched, event);
}

void QVSourceFileViewController::centreOpenSheet() {
  QDialog* dialog = passwordDialog_ ? passwordDialog_.data() : unsupportedDialog_.data();
  if (!dialog || !dialog->isVisible()) return;
  const QRect frame = dialog->frameGeometry();
  dialog->move(window()->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void QVSourceFileViewController::addSheetButtons(QDialog* dialog, QDialogButtonBox* buttons) {
  QPushButton* open = buttons->addButton(QStringLiteral("Open File"), QDialogButtonBox::ActionRole);
  dialog->layout()->addWidget(buttons);
  connect(open, &QPushButton::clicked, this, [this] {
    if (readyToCheckItem_) desktop_.openPath(readyToCheckItem_->sourcePath());
  });
}

void QVSourceFileViewController::showAlertModalSheet(const Item& item) {
  QDialog* dialog = beginSheet(
      item, "unsupportedFileDialog", QStringLiteral("Unsupported File"), "icon_unknown",
      QStringLiteral("This file is not a PDF document that can be converted, or it is damaged. It is not added."));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
  addSheetButtons(dialog, buttons);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(dialog, &QDialog::finished, this, [this] { sheetDidEnd(false); });
  unsupportedDialog_ = dialog;
  dialog->open();
  centreOpenSheet();
}

void QVSourceFileViewController::showInputPasswordModalSheet(const Item& item) {
  QDialog* dialog = beginSheet(item, "passwordDialog", QStringLiteral("Password"), item->sourceFileIcon(),
                               QStringLiteral("This document is protected. Enter its password to add it:"));
  auto* layout = static_cast<QVBoxLayout*>(dialog->layout());
  tf_inputPassword_ = new QLineEdit(dialog);
  tf_inputPassword_->setObjectName(QStringLiteral("passwordField"));
  tf_inputPassword_->setEchoMode(QLineEdit::Password);
  layout->addWidget(tf_inputPassword_);
  tf_passwordInfo_ = new QLabel(QStringLiteral("The password is not correct."), dialog);
  tf_passwordInfo_->setObjectName(QStringLiteral("passwordNotice"));
  tf_passwordInfo_->setStyleSheet(QStringLiteral("color: #c0392b;"));
  tf_passwordInfo_->hide();
  layout->addWidget(tf_passwordInfo_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  addSheetButtons(dialog, buttons);
  connect(tf_inputPassword_, &QLineEdit::textEdited, tf_passwordInfo_, &QWidget::hide);
  connect(buttons, &QDialogButtonBox::accepted, this, &QVSourceFileViewController::finishInputPassword);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  connect(dialog, &QDialog::finished, this, [this](int result) { sheetDidEnd(result == QDialog::Accepted); });
  passwordDialog_ = dialog;
  dialog->open();
  centreOpenSheet();
}

void QVSourceFileViewController::finishInputPassword() {
  if (!readyToCheckItem_ || !passwordDialog_) return;
  const std::string password = tf_inputPassword_->text().toStdString();
  if (!QVCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(readyToCheckItem_->sourcePath(), password)) {
    tf_passwordInfo_->show();
    // The notice takes room: the dialog grows rather than squeezing the rest.
    passwordDialog_->resize(passwordDialog_->size().expandedTo(passwordDialog_->sizeHint()));
    tf_inputPassword_->selectAll();
    tf_inputPassword_->setFocus();
    return;
  }
  readyToCheckItem_->setSourcePassword(password);
  passwordDialog_->accept();
}

void QVSourceFileViewController::sheetDidEnd(bool keepItem) {
  if (!walks_.empty() && !walks_.front().pending.empty()) {
    CheckWalk& walk = walks_.front();
    if (keepItem) walk.checked.push_back(walk.pending.front());
    walk.pending.pop_front();
  }
  readyToCheckItem_.reset();
  tf_inputPassword_ = nullptr;
  tf_passwordInfo_ = nullptr;
  // Goes on once the dialog has closed, so that the next one opens over the
  // window and not over the closing dialog.
  QTimer::singleShot(0, this, &QVSourceFileViewController::continueCheckPDFPassword);
}

void QVSourceFileViewController::addSourceItemsToTable(const ItemList& items, int row) {
  if (items.empty()) return;
  const QModelIndex current = tableView_->selectionModel()->currentIndex();
  const int selectedRow = tableView_->selectionModel()->hasSelection() ? current.row() : -1;
  model_->insertItems(items, row);
  lastAddedFolder_ = QFileInfo(qstring(items.back()->sourcePath())).absolutePath().toStdString();
  // The same row number stays selected, as before the insertion.
  if (selectedRow >= 0) selectRows(std::min(selectedRow, model_->rowCount() - 1), 1);
  showOrHiddenEmptyMsg();
}

void QVSourceFileViewController::removeItemsFromTable(const ItemList& items) {
  const Item selected = selectedItem();
  int keepRow = selected ? model_->rowOf(selected.get()) : -1;
  ItemList removed;
  for (const Item& item : items)
    if (model_->rowOf(item.get()) >= 0) removed.push_back(item);
  model_->removeItems(removed);
  tableView_->selectionModel()->clearSelection();
  if (keepRow >= 0 && model_->rowCount() > 0) selectRows(std::min(keepRow, model_->rowCount() - 1), 1);
  showOrHiddenEmptyMsg();
  if (!removed.empty()) emit didRemoveItems(removed);
  emit didUpdateSelection();
}

void QVSourceFileViewController::selectRows(int first, int count) {
  if (first < 0 || count < 1 || first >= model_->rowCount()) return;
  QItemSelectionModel* selection = tableView_->selectionModel();
  const QModelIndex top = model_->index(first);
  const QModelIndex bottom = model_->index(std::min(first + count, model_->rowCount()) - 1);
  selection->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
  selection->select(QItemSelection(top, bottom), QItemSelectionModel::ClearAndSelect);
  tableView_->scrollTo(top);
}

void QVSourceFileViewController::showOrHiddenEmptyMsg() { nv_emptyMsg_->setVisible(model_->rowCount() == 0); }

void QVSourceFileViewController::resetBeforeConversion() { model_->resetBeforeConversion(); }

void QVSourceFileViewController::selectTableRowWithItem(const Item& item) {
  const int row = item ? model_->rowOf(item.get()) : -1;
  if (row < 0) return;
  QItemSelectionModel* selection = tableView_->selectionModel();
  selection->setCurrentIndex(model_->index(row), QItemSelectionModel::ClearAndSelect);
}

void QVSourceFileViewController::updateConversion(const Item& item, double progress, bool converting) {
  model_->updateConversion(item, progress, converting);
}

void QVSourceFileViewController::applyFormatToAllData(const std::string& title) { model_->applyFormatToAll(title); }

void QVSourceFileViewController::reloadTableView() { model_->refreshAll(); }

void QVSourceFileViewController::sourceFileRevealInFinder() {
  if (const Item item = selectedItem()) desktop_.revealPath(item->sourcePath());
}

void QVSourceFileViewController::outputFileRevealInFinder() { revealOutput(selectedItem()); }

void QVSourceFileViewController::revealOutput(const Item& item) {
  // Only a result that is there: a failed or stopped conversion has none.
  if (item && item->isConversionSucceeded()) desktop_.revealPath(item->outputPath());
}

void QVSourceFileViewController::sourceFileRemoveItemFromQueue() { removeItemsFromTable(selectedItems()); }

void QVSourceFileViewController::sourceFileRemoveAllFromQueue() { removeItemsFromTable(model_->items()); }

void QVSourceFileViewController::cellButtonClicked(QVSourceTableCellView::Button button, const QModelIndex& index) {
  const Item item = model_->itemAt(index.row());
  if (!item) return;
  switch (button) {
    case QVSourceTableCellView::OpenSource:
      desktop_.openPath(item->sourcePath());
      break;
    case QVSourceTableCellView::ShowSource:
      desktop_.revealPath(item->sourcePath());
      break;
    case QVSourceTableCellView::OpenOutput:
      if (item->isConversionSucceeded()) desktop_.openPath(item->outputPath());
      break;
    case QVSourceTableCellView::ShowOutput:
      revealOutput(item);
      break;
    case QVSourceTableCellView::Remove:
      removeItemsFromTable({item});
      break;
  }
}

void QVSourceFileViewController::showContextMenu(const QPoint& position) {
  const Item clicked = model_->itemAt(tableView_->indexAt(position).row());
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  // The actions hold the clicked item itself: the row may move or go while
  // the menu is open.
  QAction* showSource = menu->addAction(QStringLiteral("Show Source File"), this, [this, clicked] {
    if (clicked) desktop_.revealPath(clicked->sourcePath());
  });
  QAction* showOutput = menu->addAction(QStringLiteral("Show Output File"), this, [this, clicked] { revealOutput(clicked); });
  menu->addSeparator();
  QAction* remove = menu->addAction(QStringLiteral("Remove"), this, [this, clicked] {
    if (clicked) removeItemsFromTable({clicked});
  });
  QAction* removeAll = menu->addAction(QStringLiteral("Remove All"), this, &QVSourceFileViewController::sourceFileRemoveAllFromQueue);
  showSource->setEnabled(static_cast<bool>(clicked));
  showOutput->setEnabled(clicked && clicked->isConversionSucceeded());
  remove->setEnabled(static_cast<bool>(clicked));
  removeAll->setEnabled(model_->rowCount() > 0);
  menu->popup(tableView_->viewport()->mapToGlobal(position));
}
