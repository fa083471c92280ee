#include "app/window/QVDesktopServices.h"

#include <sys/vfs.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <array>

namespace {

QString qstring(const std::string& text) { return QString::fromStdString(text); }

void openFolderOf(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

// The kernel's own file systems: their files are no documents, and reading
// some of them (/proc/kmsg) waits for ever.
bool isOnKernelFileSystem(const QString& path) {
  constexpr std::array<unsigned long, 14> kKernelFileSystems = {
      0x9fa0,      // proc
      0x62656572,  // sysfs
      0x64626720,  // debugfs
      0x74726163,  // tracefs
      0x73636673,  // securityfs
      0x27e0eb,    // cgroup
      0x63677270,  // cgroup2
      0x62656570,  // configfs
      0xcafe4a11,  // bpf
      0x6165676c,  // pstore
      0xde5e81e4,  // efivarfs
      0xf97cff8c,  // selinuxfs
      0x42494e4d,  // binfmt_misc
      0x1cd1,      // devpts
  };
  struct statfs info;
  if (::statfs(QFile::encodeName(path).constData(), &info) != 0) return false;
  const auto type = static_cast<unsigned long>(info.f_type);
  return std::find(kKernelFileSystems.begin(), kKernelFileSystems.end(), type) != kKernelFileSystems.end();
}

QString startFolderOf(const std::string& wanted) {
  const QFileInfo folder(qstring(wanted));
  if (!wanted.empty() && folder.isDir() && !isOnKernelFileSystem(folder.absoluteFilePath()))
    return folder.absoluteFilePath();
  return QDir::homePath();
}

// Icons and type names from the entries' names: the toolkit's own provider
// reads each file's first bytes to guess its type, on the window's thread.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override {
    if (info.isRoot()) return icon(Drive);
    if (info.isDir()) return icon(Folder);
    const QMimeType type = typeByName(info);
    const QIcon themed = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    return themed.isNull() ? icon(File) : themed;
  }
  QString type(const QFileInfo& info) const override {
    // Only a file's type is guessed from its contents; folders and links not.
    if (!info.isFile()) return QFileIconProvider::type(info);
    const QMimeType type = typeByName(info);
    return type.comment().isEmpty() ? type.name() : type.comment();
  }

 private:
  QMimeType typeByName(const QFileInfo& info) const {
    return names_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  }
  QMimeDatabase names_;
};

// Owns the dialog's icon provider; a child made after the dialog's file
// model, so it goes after the model (and its gathering thread) has gone.
class IconProviderHolder : public QObject {
 public:
  explicit IconProviderHolder(QObject* parent) : QObject(parent) {}
  NameOnlyIconProvider provider;
};

// A chooser made of Qt's own widgets (a desktop's chooser would keep its own
// folders and guess types its own way), started in `startFolder` as given
// to the constructor: a chooser made without one starts in the folder the
// toolkit remembers, lists it and guesses its types before anything else
// can be set.
QFileDialog* newChooser(QWidget* parent, const QString& title, const std::string& startFolder) {
  const QString folder = startFolderOf(startFolder);
  auto* dialog = new QFileDialog(parent, title, folder);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setIconProvider(&(new IconProviderHolder(dialog))->provider);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  return dialog;
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
  QFileDialog* dialog = newChooser(parent, qstring(message), startFolder);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
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

void QVDesktopServices::choosePDFFiles(QWidget* parent, const std::string& startFolder, FilesChoice done) {
  QFileDialog* dialog = newChooser(parent, QStringLiteral("Select PDF files for conversion:"), startFolder);
  dialog->setFileMode(QFileDialog::ExistingFiles);
  dialog->setNameFilters({QStringLiteral("PDF documents (*.pdf *.PDF)"), QStringLiteral("All files (*)")});
  dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    std::vector<std::string> paths;
    if (result == QDialog::Accepted)
      for (const QString& file : dialog->selectedFiles()) paths.push_back(file.toStdString());
    done(paths);
  });
  dialog->open();
}
