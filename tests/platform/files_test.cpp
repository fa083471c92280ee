#include "platform/fs/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <set>
#include <thread>

#include "tests/support/fixtures.h"

namespace {

namespace fs = platform::fs;
namespace stdfs = std::filesystem;

void touch(const stdfs::path& path) { std::ofstream(path) << "x"; }

TEST(FreePath, CountsUpFromTwoBeforeTheExtension) {
  qvtest::TempDir dir;
  const std::string wanted = dir.file("a.png").string();
  EXPECT_EQ(fs::freePath(wanted), wanted);
  touch(dir.file("a.png"));
  EXPECT_EQ(fs::freePath(wanted), dir.file("a2.png").string());
  touch(dir.file("a2.png"));
  EXPECT_EQ(fs::freePath(wanted), dir.file("a3.png").string());
}

TEST(FreePath, NamesWithoutAnExtension) {
  qvtest::TempDir dir;
  stdfs::create_directory(dir.file("folder"));
  EXPECT_EQ(fs::freePath(dir.file("folder").string()), dir.file("folder2").string());
  EXPECT_EQ(fs::freePath(dir.file("folder").string() + "/"), dir.file("folder2").string());
  touch(dir.file(".hidden"));
  EXPECT_EQ(fs::freePath(dir.file(".hidden").string()), dir.file(".hidden2").string());
  touch(dir.file("a.tar.gz"));
  EXPECT_EQ(fs::freePath(dir.file("a.tar.gz").string()), dir.file("a.tar2.gz").string());
  stdfs::create_directory(dir.file("v1.0"));
  touch(dir.file("v1.0/notes"));
  EXPECT_EQ(fs::freePath(dir.file("v1.0/notes").string()), dir.file("v1.0/notes2").string());
}

TEST(FreePath, ADanglingLinkTakesTheName) {
  qvtest::TempDir dir;
  stdfs::create_symlink(dir.file("nowhere"), dir.file("out.pptx"));
  EXPECT_EQ(fs::freePath(dir.file("out.pptx").string()), dir.file("out2.pptx").string());
}

TEST(Folders, CreateFolderIfNeeded) {
  qvtest::TempDir dir;
  const std::string nested = dir.file("a/b/c").string();
  EXPECT_TRUE(fs::createFolderIfNeeded(nested));
  EXPECT_TRUE(fs::isDirectory(nested));
  EXPECT_TRUE(fs::createFolderIfNeeded(nested));  // already there
  touch(dir.file("plain"));
  EXPECT_FALSE(fs::createFolderIfNeeded(dir.file("plain").string()));
  EXPECT_FALSE(fs::createFolderIfNeeded(dir.file("plain/below").string()));
  EXPECT_FALSE(fs::createFolderIfNeeded(""));
}

TEST(Folders, IsDirectoryOnlyForFolders) {
  qvtest::TempDir dir;
  touch(dir.file("plain"));
  EXPECT_FALSE(fs::isDirectory(dir.file("plain").string()));
  EXPECT_FALSE(fs::isDirectory(dir.file("missing").string()));
  EXPECT_TRUE(fs::isDirectory(dir.path().string()));
  EXPECT_TRUE(fs::fileExists(dir.file("plain").string()));
  EXPECT_FALSE(fs::fileExists(dir.file("missing").string()));
}

TEST(Files, WriteThenReadBack) {
  qvtest::TempDir dir;
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string path = dir.file("data.bin").string();
  ASSERT_TRUE(fs::writeFile(path, data));
  EXPECT_EQ(fs::readFile(path), data);
  ASSERT_TRUE(fs::writeFile(path, "short"));  // replaces, never appends
  EXPECT_EQ(fs::readFile(path), "short");
  ASSERT_TRUE(fs::writeFile(path, ""));
  EXPECT_EQ(fs::readFile(path), "");
}

TEST(Files, FailedWritesReportFailure) {
  qvtest::TempDir dir;
  EXPECT_FALSE(fs::writeFile(dir.file("missing/x.txt").string(), "data"));
  EXPECT_FALSE(fs::writeFile(dir.path().string(), "data"));
  EXPECT_FALSE(fs::readFile(dir.file("missing.txt").string()).has_value());
  EXPECT_FALSE(fs::readFile(dir.path().string()).has_value());
  // A full device: the write itself fails, and the device is left in place.
  if (stdfs::exists("/dev/full")) {
    EXPECT_FALSE(fs::writeFile("/dev/full", "data"));
    EXPECT_TRUE(stdfs::exists("/dev/full"));
  }
}

TEST(Uuid, RandomVersionFourInUpperCase) {
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string id = fs::newUuid();
    EXPECT_TRUE(std::regex_match(id, form)) << id;
    EXPECT_TRUE(seen.insert(id).second);
  }
}

TEST(WorkFolder, IsPrivateAndRemovedWithItsContents) {
  std::string path;
  {
    fs::WorkFolder folder;
    path = folder.path();
    ASSERT_TRUE(fs::isDirectory(path));
    EXPECT_EQ(stdfs::path(path).parent_path(), stdfs::temp_directory_path());
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);  // no one else can look in or plant files
    ASSERT_TRUE(fs::createFolderIfNeeded(path + "/ppt/slides"));
    ASSERT_TRUE(fs::writeFile(path + "/ppt/slides/slide1.xml", "<x/>"));
  }
  EXPECT_FALSE(fs::fileExists(path));
}

TEST(WorkFolder, NamesAreNotGuessable) {
  // Two folders made back to back, by the same process, differ in more than a
  // counter would: the names carry random letters.
  fs::WorkFolder a, b;
  EXPECT_NE(a.path(), b.path());
  const std::string nameA = stdfs::path(a.path()).filename().string();
  const std::string nameB = stdfs::path(b.path()).filename().string();
  ASSERT_EQ(nameA.size(), nameB.size());
  int differing = 0;
  for (size_t i = 0; i < nameA.size(); ++i) differing += nameA[i] != nameB[i];
  EXPECT_GE(differing, 2);
  EXPECT_EQ(nameA.find(std::to_string(::getpid())), std::string::npos);
}

TEST(WorkFolder, FollowsTheTemporaryDirectoryOfTheEnvironment) {
  qvtest::TempDir dir;
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  {
    fs::WorkFolder folder;
    EXPECT_EQ(stdfs::path(folder.path()).parent_path(), dir.path());
  }
  if (old) ::setenv("TMPDIR", saved.c_str(), 1);
  else ::unsetenv("TMPDIR");
}

TEST(WorkFolder, ScopesSetTheCurrentFolderOfTheirThreadOnly) {
  const std::string fallback = fs::currentWorkFolder();
  EXPECT_TRUE(fs::isDirectory(fallback));
  EXPECT_EQ(fs::currentWorkFolder(), fallback);  // made once per process

  fs::WorkFolder outer, inner;
  {
    fs::WorkFolderScope outerScope(outer);
    EXPECT_EQ(fs::currentWorkFolder(), outer.path());
    {
      fs::WorkFolderScope innerScope(inner);
      EXPECT_EQ(fs::currentWorkFolder(), inner.path());
      // Another thread, another conversion: it does not see this one's folder.
      EXPECT_EQ(std::async(std::launch::async, [] { return fs::currentWorkFolder(); }).get(), fallback);
    }
    EXPECT_EQ(fs::currentWorkFolder(), outer.path());
  }
  EXPECT_EQ(fs::currentWorkFolder(), fallback);
}

TEST(PopplerData, EnvironmentOverridesTheDefault) {
  const char* old = std::getenv("QV_POPPLER_DATA");
  const std::string saved = old ? old : "";
  ::unsetenv("QV_POPPLER_DATA");
  EXPECT_EQ(fs::popplerDataDir(), "/usr/share/poppler");
  ::setenv("QV_POPPLER_DATA", "/opt/poppler-data/", 1);
  EXPECT_EQ(fs::popplerDataDir(), "/opt/poppler-data");
  ::setenv("QV_POPPLER_DATA", "", 1);
  EXPECT_EQ(fs::popplerDataDir(), "/usr/share/poppler");
  if (old) ::setenv("QV_POPPLER_DATA", saved.c_str(), 1);
  else ::unsetenv("QV_POPPLER_DATA");
}

}  // namespace
