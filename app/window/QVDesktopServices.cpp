#include "app/window/QVDesktopServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>
#include <QUrl>

namespace {

QString qstring(const std::string& text) { return QString::fromStdString(text); }

void openFolderOf(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

bool QVDesktopServices::openPath(const std::string& path) {
  return !path.empty() && QDesktopServices::openUrl(QUrl::fromLocalFile(qstring(path)));
}

void QVDesktopServices::revealPath(const std::string& path) {
  if (path.empty()) return;
  const QString file = QFileInfo(qstring(path)).absoluteFilePath();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    openFolderOf(file);
    return;
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
                                     QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
  // Asynchronous, so that a file manager slow to start does not freeze the
  // window; without one, the folder opens instead.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [file](QDBusPendingCallWatcher* finished) {
    if (finished->isError()) openFolderOf(file);
    finished->deleteLater();
  });
}

bool QVDesktopServices::openURL(const std::string& url) {
  return !url.empty() && QDesktopServices::openUrl(QUrl(qstring(url)));
}

void QVDesktopServices::chooseOutputFolder(QWidget* parent, const std::string& startFolder, const std::string& message,
                                           FolderChoice done) {
  auto* dialog = new QFileDialog(parent, qstring(message), qstring(startFolder));
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    const QStringList chosen = dialog->selectedFiles();
    if (result == QDialog::Accepted && !chosen.isEmpty())
      done(chosen.front().toStdString());
    else
      done(std::nullopt);
  });
  // The chooser's message says why it opens; a window manager may show no
  // title, so a chooser made of Qt's own widgets also shows it inside.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
    auto* label = new QLabel(qstring(message), dialog);
    label->setObjectName(QStringLiteral("chooserMessage"));
    label->setWordWrap(true);
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
  }
  dialog->open();
}

void QVDesktopServices::choosePDFFiles(QWidget* parent, FilesChoice done) {
  auto* dialog = new QFileDialog(parent, QStringLiteral("Select PDF files for conversion:"));
  dialog->setFileMode(QFileDialog::ExistingFiles);
  dialog->setNameFilters({QStringLiteral("PDF documents (*.pdf *.PDF)"), QStringLiteral("All files (*)")});
  dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    std::vector<std::string> paths;
    if (result == QDialog::Accepted)
      for (const QString& file : dialog->selectedFiles()) paths.push_back(file.toStdString());
    done(paths);
  });
  dialog->open();
}
