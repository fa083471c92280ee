// The application tests run with a Qt application object and in a private
// home: HOME and the XDG folders point into a folder of their own, made
// before Qt looks at them and removed at the end, so no test reads or writes
// the user's real settings.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>

#include "exporters/QVBuiltInExporters.h"
#include "tests/app/app_test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::filesystem::path home = qvapptest::makePrivateHome();
  int status = 0;
  {
    QCoreApplication app(argc, argv);
    registerBuiltInExporters();
    status = RUN_ALL_TESTS();
  }
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return status;
}
