// The application tests run with a Qt application object and in a private
// home: HOME and the XDG folders point into a folder of their own, made
// before Qt looks at them and removed at the end, so no test reads or writes
// the user's real settings.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "exporters/QVBuiltInExporters.h"
#include "tests/app/app_test_support.h"

namespace {

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
  return home;
}

std::filesystem::path& homeFolder() {
  static std::filesystem::path home;
  return home;
}

}  // namespace

namespace qvapptest {
const std::filesystem::path& privateHome() { return homeFolder(); }
}  // namespace qvapptest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  homeFolder() = makePrivateHome();
  int status = 0;
  {
    QCoreApplication app(argc, argv);
    registerBuiltInExporters();
    status = RUN_ALL_TESTS();
  }
  std::error_code ec;
  std::filesystem::remove_all(homeFolder(), ec);
  return status;
}
