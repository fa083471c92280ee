// The desktop application: the window, with the files given on the command
// line queued as if they were opened with it.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <memory>
#include <string>
#include <vector>

#include "app/QVApplicationInfo.h"
#include "app/window/QVAppDelegate.h"
#include "app/window/QVDesktopServices.h"
#include "exporters/QVBuiltInExporters.h"

namespace {

// A termination signal is turned into a byte on this pipe, read on the
// window's thread, where quitting is safe.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void watchTerminationSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  watchTerminationSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kQVApplicationName.data(), kQVApplicationName.size()));
  QApplication::setApplicationVersion(QString::fromUtf8(kQVApplicationVersion.data(), kQVApplicationVersion.size()));
  QApplication::setDesktopFileName(QStringLiteral("pdfconverter"));
  // The window decides when to quit: closing it mid-run asks first.
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Converts PDF files into editable documents."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("PDF files (or folders of them) to queue."),
                               QStringLiteral("[files...]"));
  parser.process(app);

  registerBuiltInExporters();
  int status = 0;
  {
    QVAppDelegate delegate(std::make_shared<QVDesktopServices>());
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalPipe[0] >= 0) {
      signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
      QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &delegate, [&delegate] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        // Asked by the session or a terminal, not by the user at the window:
        // stop without asking, but still wait for the conversion to end.
        delegate.requestQuit(false);
      });
    }
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
    std::vector<std::string> files;
    for (const QString& file : parser.positionalArguments()) files.push_back(file.toStdString());
    if (!files.empty()) delegate.applicationOpenFiles(files);
    status = app.exec();
  }
  return status;
}
