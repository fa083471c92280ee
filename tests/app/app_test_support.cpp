#include "tests/app/app_test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSettings>
#include <QString>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"

namespace qvapptest {

namespace {
std::filesystem::path& homeFolder() {
  static std::filesystem::path home;
  return home;
}
}  // namespace

const std::filesystem::path& privateHome() { return homeFolder(); }

std::filesystem::path makePrivateHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qvapp-home-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  const std::filesystem::path home = pattern;
  for (const char* sub : {"config", "data", "cache"}) std::filesystem::create_directories(home / sub);
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  homeFolder() = home;
  return home;
}

bool runEventLoopUntil(const std::function<bool()>& done, int limitSeconds) {
  const QDeadlineTimer deadline{std::chrono::seconds(limitSeconds)};
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  }
  return true;
}

void clearSettings() {
  QSettings settings(QString::fromStdString(QVUserDefaults::fileName()), QSettings::IniFormat);
  settings.clear();
  settings.sync();
}

void writeTextPdf(const std::filesystem::path& path, int pages, const qvtest::PdfEncryption& encryption) {
  qvtest::PdfBuilder builder;
  const auto font = builder.standardFont("Helvetica");
  const auto resources = builder.resources({{"Font", {{"F1", font}}}});
  for (int i = 1; i <= pages; ++i)
    builder.addPage("BT /F1 24 Tf 72 700 Td (Page " + std::to_string(i) + ") Tj ET", resources);
  builder.write(path, encryption);
}

CheckFixtures::CheckFixtures(const qvtest::TempDir& dir)
    : plain(dir.file("plain.pdf")),
      userLocked(dir.file("locked.pdf")),
      printForbidden(dir.file("noprint.pdf")),
      emptyUserPassword(dir.file("emptyuser.pdf")),
      notAPdf(dir.file("notes.pdf")),
      folder(dir.file("folder.pdf")),
      missing(dir.file("missing.pdf")) {
  using E = qvtest::PdfEncryption;
  writeTextPdf(plain, 2);
  writeTextPdf(userLocked, 2, E{E::AES_256, "user", "owner", true});
  writeTextPdf(printForbidden, 1, E{E::AES_128, "", "owner", false});
  writeTextPdf(emptyUserPassword, 1, E{E::RC4_128, "", "owner", true});
  std::ofstream(notAPdf) << "These are notes, not a PDF.\n";
  std::filesystem::create_directory(folder);
}

void AppTest::SetUp() { clearSettings(); }

void AppTest::TearDown() { clearSettings(); }

std::filesystem::path AppTest::chooseOutputFolder() {
  const std::filesystem::path folder = dir_.file("out");
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string()));
  return folder;
}

}  // namespace qvapptest
