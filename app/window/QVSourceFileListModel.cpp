#include "app/window/QVSourceFileListModel.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

QString qstring(const std::string& text) { return QString::fromStdString(text); }

std::string statusIcon(const QVSourceFileItem& item) {
  if (!item.hasConversionInChosenFormat()) return "POI_History";
  return item.isConversionSucceeded() ? "veskar_success_status_icon" : "veskar_failed_status_icon";
}

// The file, and why its last conversion failed.
QString toolTip(const QVSourceFileItem& item) {
  QString tip = qstring(item.sourcePath());
  const std::string reason = item.conversionFailureReason();
  if (!reason.empty()) tip += QStringLiteral("\nFailed: ") + qstring(reason);
  return tip;
}

}  // namespace

QVSourceFileListModel::QVSourceFileListModel(QObject* parent) : QAbstractListModel(parent) {
  spinner_.setInterval(80);
  connect(&spinner_, &QTimer::timeout, this, &QVSourceFileListModel::tickSpinner);
}

QVSourceFileListModel::Item QVSourceFileListModel::itemAt(int row) const {
  return row >= 0 && row < static_cast<int>(items_.size()) ? items_[static_cast<size_t>(row)] : nullptr;
}

int QVSourceFileListModel::rowOf(const QVSourceFileItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

QVSourceFileListModel::Look QVSourceFileListModel::lookOf(QVSourceFileItem& item) const {
  return {item.sourceFileIcon(), item.sourceInfo(), item.isSourceFileThere()};
}

void QVSourceFileListModel::insertItems(const ItemList& batch, int row) {
  row = std::clamp(row, 0, rowCount());
  for (const Item& item : batch) {
    if (!item) continue;
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(items_.begin() + row, item);
    looks_.insert(looks_.begin() + row, lookOf(*item));
    endInsertRows();
  }
}

void QVSourceFileListModel::removeItems(ItemList doomed) {
  for (const Item& item : doomed) {
    const int row = rowOf(item.get());
    if (row < 0) continue;
    beginRemoveRows(QModelIndex(), row, row);
    items_.erase(items_.begin() + row);
    looks_.erase(looks_.begin() + row);
    endRemoveRows();
  }
}

int QVSourceFileListModel::moveRows(std::vector<int> rows, int dropRow) {
  const int count = rowCount();
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int r) { return r < 0 || r >= count; }), rows.end());
  if (rows.empty()) return -1;
  if (dropRow < 0 || dropRow > count) dropRow = count;
  // The gap is counted before the move: the moved rows above it no longer
  // push it down once they are taken out.
  const int above = static_cast<int>(std::count_if(rows.begin(), rows.end(), [dropRow](int r) { return r < dropRow; }));
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  std::vector<Item> oldOrder = items_;
  ItemList moved;
  std::vector<Look> movedLooks;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    moved.insert(moved.begin(), items_[static_cast<size_t>(*it)]);
    movedLooks.insert(movedLooks.begin(), looks_[static_cast<size_t>(*it)]);
    items_.erase(items_.begin() + *it);
    looks_.erase(looks_.begin() + *it);
  }
  const int insertAt = std::clamp(dropRow - above, 0, static_cast<int>(items_.size()));
  items_.insert(items_.begin() + insertAt, moved.begin(), moved.end());
  looks_.insert(looks_.begin() + insertAt, movedLooks.begin(), movedLooks.end());
  QModelIndexList after;
  for (const QModelIndex& index : before) after.append(this->index(rowOf(oldOrder[static_cast<size_t>(index.row())].get())));
  changePersistentIndexList(before, after);
  emit layoutChanged();
  emit rowsMovedTo(insertAt, static_cast<int>(moved.size()));
  return insertAt;
}

void QVSourceFileListModel::resetBeforeConversion() {
  for (const Item& item : items_) item->resetConversion();
  refreshAll();
}

void QVSourceFileListModel::updateConversion(const Item& item, double progress, bool converting) {
  const int oldRow = convertingItem_ ? rowOf(convertingItem_) : -1;
  convertingItem_ = item && converting ? item.get() : nullptr;
  progress_ = progress;
  if (convertingItem_ && !spinner_.isActive()) spinner_.start();
  if (!convertingItem_) spinner_.stop();
  if (oldRow >= 0) emitRowChanged(oldRow);
  if (!item) {
    refreshAll();
    return;
  }
  const int row = rowOf(item.get());
  if (row < 0) return;
  if (progress >= 100.0) looks_[static_cast<size_t>(row)] = lookOf(*item);
  emitRowChanged(row);
}

void QVSourceFileListModel::applyFormatToAll(const std::string& title) {
  // A file being converted keeps the format it is written in.
  for (const Item& item : items_)
    if (!item->isConversionUnderWay()) item->setSettings_outputFormat(title);
  refreshAll();
}

void QVSourceFileListModel::refreshAll() {
  for (size_t i = 0; i < items_.size(); ++i) looks_[i] = lookOf(*items_[i]);
  if (!items_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
}

void QVSourceFileListModel::refresh(const QVSourceFileItem* item) {
  const int row = rowOf(item);
  if (row < 0) return;
  looks_[static_cast<size_t>(row)] = lookOf(*items_[static_cast<size_t>(row)]);
  emitRowChanged(row);
}

void QVSourceFileListModel::emitRowChanged(int row) { emit dataChanged(index(row), index(row)); }

void QVSourceFileListModel::tickSpinner() {
  spinnerPhase_ = (spinnerPhase_ + 1) % 12;
  const int row = convertingItem_ ? rowOf(convertingItem_) : -1;
  if (row >= 0) emit dataChanged(index(row), index(row), {SpinnerPhaseRole});
}

int QVSourceFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant QVSourceFileListModel::data(const QModelIndex& index, int role) const {
  const Item item = index.isValid() ? itemAt(index.row()) : nullptr;
  if (!item) return {};
  const Look& look = looks_[static_cast<size_t>(index.row())];
  const bool converting = item.get() == convertingItem_;
  switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
      return QFileInfo(qstring(item->sourcePath())).fileName();
    case Qt::ToolTipRole:
      return toolTip(*item);
    case InfoRole:
      return qstring(look.sourceInfo);
    case StatusTextRole:
      return qstring(item->conversionOptions());
    case StatusIconRole:
      return qstring(statusIcon(*item));
    case SourceIconRole:
      return qstring(look.sourceIcon);
    case SourceEnabledRole:
      return look.sourceThere;
    case OutputIconRole:
      return qstring(item->outputFileIcon());
    case OutputEnabledRole:
      return item->isConversionSucceeded();
    case ConvertingRole:
      return converting;
    case ProgressRole:
      return converting ? progress_ : 0.0;
    case SpinnerPhaseRole:
      return spinnerPhase_;
    default:
      return {};
  }
}

Qt::ItemFlags QVSourceFileListModel::flags(const QModelIndex& index) const {
  // Drops go between rows (or below the last), never onto a row.
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList QVSourceFileListModel::mimeTypes() const {
  return {QString::fromLatin1(kMovedRowsType), QStringLiteral("text/uri-list")};
}

QMimeData* QVSourceFileListModel::mimeData(const QModelIndexList& indexes) const {
  QByteArray rows;
  QDataStream stream(&rows, QIODevice::WriteOnly);
  for (const QModelIndex& index : indexes)
    if (index.isValid()) stream << static_cast<qint32>(index.row());
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kMovedRowsType), rows);
  return data;
}

bool QVSourceFileListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                            const QModelIndex& parent) const {
  if (!data || parent.isValid()) return false;
  if (data->hasFormat(QString::fromLatin1(kMovedRowsType))) return true;
  if (!data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

bool QVSourceFileListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                         const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  if (data->hasFormat(QString::fromLatin1(kMovedRowsType))) {
    QByteArray bytes = data->data(QString::fromLatin1(kMovedRowsType));
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    std::vector<int> rows;
    while (!stream.atEnd()) {
      qint32 moved = -1;
      stream >> moved;
      if (stream.status() != QDataStream::Ok) break;
      rows.push_back(moved);
    }
    return moveRows(rows, row) >= 0;
  }
  QStringList paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.append(url.toLocalFile());
  emit filesDropped(paths, row);
  return true;
}

Qt::DropActions QVSourceFileListModel::supportedDropActions() const { return Qt::CopyAction | Qt::MoveAction; }

// Rows are dragged as a copy: the list moves them itself on the drop, so the
// view must not remove the dragged rows afterwards, as it does for a move.
Qt::DropActions QVSourceFileListModel::supportedDragActions() const { return Qt::CopyAction; }
