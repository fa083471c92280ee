// Moving a finished output into place: a whole folder, within a file system
// or across two, never over something already there.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace {

namespace stdfs = std::filesystem;

void makeFolderWithFiles(const stdfs::path& folder) {
  stdfs::create_directories(folder / "inner");
  std::ofstream(folder / "a.txt") << "alpha";
  std::ofstream(folder / "inner" / "b.txt") << "beta";
}

void expectMovedFolder(const stdfs::path& from, const stdfs::path& to) {
  EXPECT_FALSE(stdfs::exists(from));
  EXPECT_EQ(platform::fs::readFile((to / "a.txt").string()), "alpha");
  EXPECT_EQ(platform::fs::readFile((to / "inner" / "b.txt").string()), "beta");
}

TEST(MoveItem, MovesAFolderWithEverythingInIt) {
  qvtest::TempDir dir;
  makeFolderWithFiles(dir.file("from"));
  ASSERT_TRUE(platform::fs::moveItem(dir.file("from").string(), dir.file("to").string()));
  expectMovedFolder(dir.file("from"), dir.file("to"));
}

TEST(MoveItem, NeverReplacesWhatIsAlreadyThere) {
  qvtest::TempDir dir;
  makeFolderWithFiles(dir.file("from"));
  stdfs::create_directories(dir.file("empty folder"));
  std::ofstream(dir.file("file")) << "mine";
  EXPECT_FALSE(platform::fs::moveItem(dir.file("from").string(), dir.file("empty folder").string()));
  EXPECT_FALSE(platform::fs::moveItem(dir.file("from").string(), dir.file("file").string()));
  EXPECT_FALSE(platform::fs::moveItem(dir.file("nothing").string(), dir.file("to").string()));
  EXPECT_TRUE(stdfs::is_empty(dir.file("empty folder")));
  EXPECT_EQ(platform::fs::readFile(dir.file("file").string()), "mine");
  EXPECT_TRUE(stdfs::exists(dir.file("from") / "inner" / "b.txt"));
}

TEST(MoveItem, CopiesAcrossFileSystems) {
  qvtest::TempDir dir;
  const stdfs::path shm = "/dev/shm";
  struct stat a {}, b {};
  if (::stat(shm.c_str(), &a) != 0 || ::stat(dir.path().c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system at hand";
  std::string pattern = (shm / "qv-move-XXXXXX").string();
  ASSERT_TRUE(::mkdtemp(pattern.data()));
  const stdfs::path from = stdfs::path(pattern) / "from";
  makeFolderWithFiles(from);
  ASSERT_TRUE(platform::fs::moveItem(from.string(), dir.file("to").string()));
  expectMovedFolder(from, dir.file("to"));
  stdfs::remove_all(pattern);
}

}  // namespace
