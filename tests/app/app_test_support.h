#pragma once
// Shared pieces of the application tests: a fixture that starts every test
// with empty settings and a chosen output folder, fixture PDFs, and running
// the Qt event loop until something has happened.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/fixtures.h"

namespace qvapptest {

// The private folder the test program runs in (HOME and the XDG folders
// point into it).
const std::filesystem::path& privateHome();
// Makes that folder and points HOME and the XDG folders into it; call it
// before the application object exists.
std::filesystem::path makePrivateHome();

// Runs the Qt event loop until `done` answers true; false when that has not
// happened after `limitSeconds` (a hung conversion fails the test instead of
// hanging the suite).
bool runEventLoopUntil(const std::function<bool()>& done, int limitSeconds = 600);

// Removes every stored setting.
void clearSettings();

// A PDF of `pages` pages, each with one line of text ("Page N").
void writeTextPdf(const std::filesystem::path& path, int pages,
                  const qvtest::PdfEncryption& encryption = qvtest::PdfEncryption{});

// Fixture PDFs of every kind the checks tell apart.
struct CheckFixtures {
  std::filesystem::path plain;             // no encryption
  std::filesystem::path userLocked;        // user password "user", owner "owner"
  std::filesystem::path printForbidden;    // empty user password, owner "owner", printing forbidden
  std::filesystem::path emptyUserPassword; // encrypted with an empty user password, printing allowed
  std::filesystem::path notAPdf;           // a text file named .pdf
  std::filesystem::path folder;            // a folder named .pdf
  std::filesystem::path missing;           // nothing there

  explicit CheckFixtures(const qvtest::TempDir& dir);
};

// Every test starts with no settings and, where it asks, an output folder.
class AppTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh output folder, stored as the chosen one.
  std::filesystem::path chooseOutputFolder();

  qvtest::TempDir dir_;
};

}  // namespace qvapptest
