// The checks a PDF passes before it is queued, and the output folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/QVCPDFUtilities.h"
#include "app/QVSandBoxUtilities.h"
#include "app/QVUserDefaults.h"
#include "convert/QVPDFConverter.h"
#include "platform/pdf/document.h"
#include "tests/app/app_test_support.h"

namespace {

using qvapptest::AppTest;
using qvapptest::CheckFixtures;
namespace fs = std::filesystem;

TEST_F(AppTest, ChecksTellTheKindsOfFileApart) {
  const CheckFixtures f(dir_);
  struct Case {
    fs::path path;
    bool valid;
    bool locked;
    bool needsPassword;
    bool encrypted;
  };
  const Case cases[] = {
      {f.plain, true, false, false, false},
      {f.userLocked, true, true, true, true},
      // Opens with the empty password, so it is not locked, but printing is
      // forbidden: a password is asked for all the same.
      {f.printForbidden, true, false, true, true},
      {f.emptyUserPassword, true, false, false, true},
      {f.notAPdf, false, true, true, false},
      {f.folder, false, true, true, false},
      {f.missing, false, true, true, false},
      {fs::path(), false, true, true, false},
  };
  for (const Case& c : cases) {
    const std::string path = c.path.string();
    EXPECT_EQ(QVCPDFUtilities::isPDFDocumentValidAtPath(path), c.valid) << path;
    EXPECT_EQ(QVCPDFUtilities::isPDFDocumentLockedAtPath(path), c.locked) << path;
    EXPECT_EQ(QVCPDFUtilities::isPDFDocumentLockPritingAtPath(path), c.needsPassword) << path;
    EXPECT_EQ(QVCPDFUtilities::PDFDocumentHasPassword(path), c.encrypted) << path;
  }
}

TEST_F(AppTest, PasswordsThatMakeAFilePrintable) {
  const CheckFixtures f(dir_);
  struct Case {
    fs::path path;
    const char* password;
    bool printable;
    bool unlocks;
  };
  const Case cases[] = {
      {f.plain, "", true, true},
      {f.userLocked, "", false, false},          // locked as it opens
      {f.userLocked, "wrong", false, false},
      {f.userLocked, "user", true, true},
      {f.userLocked, "owner", true, true},
      {f.printForbidden, "", false, true},       // opens, but may not be printed
      {f.printForbidden, "wrong", false, false},
      {f.printForbidden, "owner", true, true},   // the owner password grants printing
      {f.emptyUserPassword, "", true, true},
      {f.emptyUserPassword, "owner", true, true},
      // Failures answer no, never yes.
      {f.notAPdf, "", false, false},
      {f.notAPdf, "user", false, false},
      {f.folder, "", false, false},
      {f.missing, "", false, false},
  };
  for (const Case& c : cases) {
    const std::string path = c.path.string();
    EXPECT_EQ(QVCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(path, c.password), c.printable)
        << path << " / " << c.password;
    EXPECT_EQ(QVCPDFUtilities::isUnlockPDFDcoumentAtPath(path, c.password), c.unlocks) << path << " / " << c.password;
  }
}

TEST_F(AppTest, APasswordThatOpensHereOpensInTheConverter) {
  const CheckFixtures f(dir_);
  for (const auto& [path, password] : {std::pair{f.userLocked, "user"}, {f.userLocked, "owner"},
                                       {f.userLocked, "wrong"}, {f.userLocked, ""},
                                       {f.printForbidden, ""}, {f.notAPdf, ""}}) {
    const bool here = QVCPDFUtilities::isUnlockPDFDcoumentAtPath(path.string(), password);
    EXPECT_EQ(QVPDFConverter::initPDFDocumentAtPath(path.string(), password) != nullptr, here)
        << path << " / " << password;
    const auto document = QVCPDFUtilities::initPDFDocumentAtPath(path.string(), password);
    EXPECT_EQ(document != nullptr, here);
    if (document) {
      EXPECT_GT(document->pageCount(), 0);
    }
  }
}

TEST_F(AppTest, OutputFolderResolvesWhileItIsAFolder) {
  EXPECT_FALSE(QVSandBoxUtilities::UserSelectedOutputURLBookmark());
  EXPECT_FALSE(QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());

  const fs::path folder = dir_.file("chosen");
  EXPECT_FALSE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string()));  // not there yet
  fs::create_directory(folder);
  EXPECT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string() + "/"));
  EXPECT_EQ(*QVUserDefaults::text(kQVDefaultExportDirectoryKey), folder.string());
  EXPECT_EQ(QVSandBoxUtilities::UserSelectedOutputURLBookmark(), folder.string());
  EXPECT_TRUE(QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());

  // A file where the folder was, or nothing at all, does not resolve.
  fs::remove(folder);
  EXPECT_FALSE(QVSandBoxUtilities::UserSelectedOutputURLBookmark());
  EXPECT_FALSE(QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());
  std::ofstream(folder) << "x";
  EXPECT_FALSE(QVSandBoxUtilities::UserSelectedOutputURLBookmark());

  QVSandBoxUtilities::RemoveUserSelectedOutputURLBookmarkForKey(kQVDefaultExportDirectoryKey);
  EXPECT_FALSE(QVUserDefaults::contains(kQVDefaultExportDirectoryKey));
}

TEST_F(AppTest, AFolderTheUserMayNotWriteIsNotUsable) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const fs::path folder = dir_.file("readonly");
  fs::create_directory(folder);
  ASSERT_TRUE(QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(folder.string()));
  ::chmod(folder.c_str(), 0555);
  EXPECT_TRUE(QVSandBoxUtilities::UserSelectedOutputURLBookmark());
  EXPECT_FALSE(QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark());
  ::chmod(folder.c_str(), 0755);
}

}  // namespace
