// The window tests run with a Qt Widgets application on the offscreen
// platform, in a private home removed at the end.
#include <gtest/gtest.h>

#include <QApplication>

#include <filesystem>

#include "exporters/QVBuiltInExporters.h"
#include "tests/app/app_test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::filesystem::path home = qvapptest::makePrivateHome();
  int status = 0;
  {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    registerBuiltInExporters();
    status = RUN_ALL_TESTS();
  }
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return status;
}
