// Quitting: mid-run the window asks, stops the conversion, waits for its end
// (which removes the unfinished output) and only then quits; the program
// itself starts on a virtual display and quits cleanly when asked to.
#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <signal.h>
#include <unistd.h>

#include <sstream>

#include "app/QVSandBoxUtilities.h"
#include "app/window/QVImageButton.h"
#include "platform/fs/files.h"
#include "tests/app/window/window_test_support.h"

namespace {

using qvwindowtest::WindowTest;
namespace fs = std::filesystem;

TEST_F(WindowTest, QuittingMidRunAsksStopsWaitsForTheEndAndLeavesNoPartialOutput) {
  const fs::path pdf = dir_.file("long.pdf");
  qvapptest::writeTextPdf(pdf, 300);
  const fs::path out = chooseOutputFolder();
  app_->applicationOpenFiles({pdf.string()});
  ASSERT_EQ(model().rowCount(), 1);
  QTest::mouseClick(&app_->convertButton(), Qt::LeftButton);
  ASSERT_TRUE(app_->converterManager()->isBusy());

  app_->window().close();
  EXPECT_TRUE(app_->window().isVisible());
  QMessageBox* question = app_->quitQuestion();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(quits_, 0);
  QPushButton* stop = nullptr;
  for (QAbstractButton* button : question->buttons())
    if (button->text() == QStringLiteral("Stop and Quit")) stop = qobject_cast<QPushButton*>(button);
  ASSERT_NE(stop, nullptr);
  QTest::mouseClick(stop, Qt::LeftButton);

  ASSERT_TRUE(qvapptest::runEventLoopUntil([&] { return quits_ > 0; }, 300));
  EXPECT_EQ(quits_, 1);
  EXPECT_FALSE(app_->converterManager()->isBusy());
  EXPECT_FALSE(app_->converterManager()->pdfConverter().isConverting());
  const auto item = model().itemAt(0);
  ASSERT_TRUE(item->conversionError().has_value());
  EXPECT_EQ(item->conversionError()->code, kQVConversionErrorCanceled);
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_FALSE(app_->window().isVisible());
}

// The program's own child under xvfb-run: the one that is not the X server.
qint64 programUnder(qint64 runner) {
  const std::optional<std::string> children = platform::fs::readFile(
      "/proc/" + std::to_string(runner) + "/task/" + std::to_string(runner) + "/children");
  if (!children) return -1;
  std::istringstream ids(*children);
  for (qint64 id; ids >> id;) {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/" + std::to_string(id) + "/exe", ec);
    if (!ec && exe.filename() == "pdfconverter") return id;
  }
  return -1;
}

TEST(Program, StartsOnAVirtualDisplayAndQuitsCleanlyWhenAsked) {
  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  const std::string self = std::to_string(::getpid());
  if (!fs::exists("/proc/" + self + "/task/" + self + "/children"))
    GTEST_SKIP() << "the kernel does not list a process's children";
  qvtest::TempDir home;
  const fs::path config = home.file("config");
  fs::create_directories(config / "pdfconverter");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.path().string()));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.string()));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home.file("data").string()));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
  QProcess runner;
  runner.setProcessEnvironment(environment);
  runner.setProcessChannelMode(QProcess::ForwardedChannels);
  runner.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral(QV_PDFCONVERTER_PROGRAM)});
  ASSERT_TRUE(runner.waitForStarted());

  // Started once it has written its settings and runs under the display.
  const fs::path settings = config / "pdfconverter" / "pdfconverter.ini";
  qint64 program = -1;
  const bool started = qvapptest::runEventLoopUntil(
      [&] {
        if (runner.state() != QProcess::Running) return true;
        program = programUnder(runner.processId());
        return program > 0 && fs::exists(settings);
      },
      120);
  ASSERT_TRUE(started && program > 0) << "the program did not start";
  ASSERT_EQ(::kill(static_cast<pid_t>(program), SIGTERM), 0);
  ASSERT_TRUE(runner.waitForFinished(120000));
  EXPECT_EQ(runner.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(runner.exitCode(), 0);
}

}  // namespace
