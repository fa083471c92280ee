// The zip writer: archives that unzip accepts, entries in call order, no
// folder entries, and failures that are reported instead of hidden.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include "convert/zip/QVZipArchive.h"
#include "convert/zip/QVZipPartStore.h"
#include "tests/support/fixtures.h"

namespace {

void writeText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string run(const std::string& command, int* status = nullptr) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), n);
  const int rc = pclose(pipe);
  if (status) *status = rc;
  return output;
}

std::vector<std::string> entryNames(const std::filesystem::path& zip) {
  std::vector<std::string> names;
  unzFile file = unzOpen64(zip.string().c_str());
  if (!file) return names;
  for (int rc = unzGoToFirstFile(file); rc == UNZ_OK; rc = unzGoToNextFile(file)) {
    char name[1024];
    unz_file_info64 info;
    unzGetCurrentFileInfo64(file, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    names.emplace_back(name);
  }
  unzClose(file);
  return names;
}

std::string entryText(const std::filesystem::path& zip, const std::string& entry) {
  return run("unzip -p '" + zip.string() + "' '" + entry + "'");
}

TEST(QVZipArchive, PackageFolderBecomesAnArchiveInCallOrder) {
  qvtest::TempDir dir;
  const auto work = dir.path() / "work";
  writeText(work / "[Content_Types].xml", "<Types/>");
  writeText(work / "_rels" / ".rels", "<Relationships/>");
  writeText(work / "ppt" / "slides" / "slide1.xml", "<sld>one</sld>");
  writeText(work / "ppt" / "slides" / "slide2.xml", "<sld>two</sld>");
  writeText(work / "ppt" / "presentation.xml", std::string(100000, 'x'));
  std::filesystem::create_directories(work / "ppt" / "media");  // empty: leaves no trace

  const auto output = dir.file("out.pptx");
  QVZipArchive zip;
  ASSERT_TRUE(zip.createZipFile2(output.string()));
  EXPECT_TRUE(zip.addFileToZip((work / "[Content_Types].xml").string(), "[Content_Types].xml"));
  EXPECT_TRUE(zip.addFolderToZip((work / "_rels").string(), "_rels"));
  EXPECT_TRUE(zip.addFolderToZip((work / "ppt").string(), "ppt"));
  EXPECT_TRUE(zip.closeZipFile2());

  int status = -1;
  run("unzip -tq '" + output.string() + "' >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(entryNames(output), (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels",
                                                          "ppt/presentation.xml", "ppt/slides/slide1.xml",
                                                          "ppt/slides/slide2.xml"}));
  EXPECT_EQ(entryText(output, "ppt/slides/slide2.xml"), "<sld>two</sld>");
  EXPECT_EQ(entryText(output, "ppt/presentation.xml").size(), 100000u);
}

TEST(QVZipArchive, EntriesAreDeflatedWithTheFileTimeInLocalTime) {
  qvtest::TempDir dir;
  const auto file = dir.file("a.xml");
  writeText(file, std::string(5000, 'a'));
  struct tm local {};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 3;
  local.tm_hour = 14;
  local.tm_min = 5;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const time_t when = mktime(&local);
  const auto fileTime = std::filesystem::file_time_type::clock::now() +
                        (std::chrono::system_clock::from_time_t(when) - std::chrono::system_clock::now());
  std::filesystem::last_write_time(file, fileTime);

  const auto output = dir.file("out.zip");
  {
    QVZipArchive zip;
    ASSERT_TRUE(zip.createZipFile2(output.string()));
    ASSERT_TRUE(zip.addFileToZip(file.string(), "a.xml"));
  }  // closed by the destructor

  unzFile reader = unzOpen64(output.string().c_str());
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(unzGoToFirstFile(reader), UNZ_OK);
  unz_file_info64 info;
  ASSERT_EQ(unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
  unzClose(reader);
  EXPECT_EQ(info.compression_method, 8u);
  EXPECT_LT(info.compressed_size, info.uncompressed_size);
  EXPECT_EQ(info.tmu_date.tm_year, 2024u);
  EXPECT_EQ(info.tmu_date.tm_mon, 2u);
  EXPECT_EQ(info.tmu_date.tm_mday, 3u);
  EXPECT_EQ(info.tmu_date.tm_hour, 14u);
  EXPECT_EQ(info.tmu_date.tm_min, 5u);
  EXPECT_EQ(info.tmu_date.tm_sec, 30u);  // DOS times keep even seconds
}

TEST(QVZipArchive, CompressedPicturesAreStoredAndEverythingElseDeflated) {
  qvtest::TempDir dir;
  const std::string bytes = std::string(3000, 'p') + std::string(3000, 'q');
  const std::vector<std::string> names = {"ppt/media/image1.png", "ppt/media/image2.jpeg", "docProps/thumbnail.JPG",
                                          "ppt/slides/slide1.xml", "ppt/media/image3.png.xml", "ppt/png"};
  const auto output = dir.file("out.zip");
  {
    QVZipArchive zip;
    ASSERT_TRUE(zip.createZipFile2(output.string()));
    for (size_t i = 0; i < names.size(); ++i) {
      const auto file = dir.file("f" + std::to_string(i));
      writeText(file, bytes);
      ASSERT_TRUE(zip.addFileToZip(file.string(), names[i]));
    }
    ASSERT_TRUE(zip.closeZipFile2());
  }
  int status = -1;
  run("unzip -tq '" + output.string() + "' >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0);

  unzFile reader = unzOpen64(output.string().c_str());
  ASSERT_NE(reader, nullptr);
  std::map<std::string, unsigned long> methods;
  for (int rc = unzGoToFirstFile(reader); rc == UNZ_OK; rc = unzGoToNextFile(reader)) {
    char name[256];
    unz_file_info64 info;
    ASSERT_EQ(unzGetCurrentFileInfo64(reader, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    methods[name] = info.compression_method;
    EXPECT_EQ(info.uncompressed_size, bytes.size()) << name;
  }
  unzClose(reader);
  EXPECT_EQ(methods, (std::map<std::string, unsigned long>{{"ppt/media/image1.png", 0},
                                                            {"ppt/media/image2.jpeg", 0},
                                                            {"docProps/thumbnail.JPG", 0},
                                                            {"ppt/slides/slide1.xml", 8},
                                                            {"ppt/media/image3.png.xml", 8},
                                                            {"ppt/png", 8}}));
  for (const std::string& name : names) EXPECT_EQ(entryText(output, name), bytes) << name;
}

TEST(QVZipArchive, PartsHeldInMemoryBecomeEntriesDatedNow) {
  qvtest::TempDir dir;
  const auto file = dir.file("slide1.xml");
  writeText(file, "<sld/>");
  const std::string big(700000, 'x');  // more than one chunk
  const auto output = dir.file("out.zip");
  const time_t before = time(nullptr);
  {
    QVZipArchive zip;
    ASSERT_TRUE(zip.createZipFile2(output.string()));
    ASSERT_TRUE(zip.addDataToZip("<Types/>", "Content_Types.xml"));
    ASSERT_TRUE(zip.addFileToZip(file.string(), "ppt/slides/slide1.xml"));
    ASSERT_TRUE(zip.addDataToZip(big, "ppt/big.xml"));
    ASSERT_TRUE(zip.addDataToZip("", "ppt/empty.xml"));
    ASSERT_TRUE(zip.addDataToZip("\xFF\xD8\xFF", "docProps/thumbnail.jpeg"));
    ASSERT_TRUE(zip.closeZipFile2());
    EXPECT_FALSE(zip.addDataToZip("late", "late.xml"));
  }
  int status = -1;
  run("unzip -tq '" + output.string() + "' >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(entryNames(output), (std::vector<std::string>{"Content_Types.xml", "ppt/slides/slide1.xml", "ppt/big.xml",
                                                          "ppt/empty.xml", "docProps/thumbnail.jpeg"}));
  EXPECT_EQ(entryText(output, "Content_Types.xml"), "<Types/>");
  EXPECT_EQ(entryText(output, "ppt/big.xml"), big);
  EXPECT_EQ(entryText(output, "ppt/empty.xml"), "");

  unzFile reader = unzOpen64(output.string().c_str());
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(unzLocateFile(reader, "ppt/big.xml", 1), UNZ_OK);
  unz_file_info64 info;
  ASSERT_EQ(unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
  EXPECT_EQ(info.compression_method, 8u);
  EXPECT_LT(info.compressed_size, 10000u);
  ASSERT_EQ(unzLocateFile(reader, "docProps/thumbnail.jpeg", 1), UNZ_OK);
  ASSERT_EQ(unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
  EXPECT_EQ(info.compression_method, 0u);
  unzClose(reader);
  struct tm local {};
  localtime_r(&before, &local);
  EXPECT_EQ(info.tmu_date.tm_year, static_cast<uInt>(local.tm_year + 1900));
  EXPECT_EQ(info.tmu_date.tm_mday, static_cast<uInt>(local.tm_mday));
}

// The raw (still deflated) bytes and the stored CRC of an entry.
std::pair<std::string, uLong> rawEntry(const std::filesystem::path& zip, const std::string& entry) {
  std::pair<std::string, uLong> out;
  unzFile reader = unzOpen64(zip.string().c_str());
  if (!reader) return out;
  unz_file_info64 info;
  int method = 0, level = 0;
  if (unzLocateFile(reader, entry.c_str(), 1) == UNZ_OK &&
      unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
      unzOpenCurrentFile2(reader, &method, &level, 1) == UNZ_OK) {
    out.first.resize(info.compressed_size);
    if (unzReadCurrentFile(reader, out.first.data(), static_cast<unsigned>(out.first.size())) !=
        static_cast<int>(out.first.size()))
      out.first.clear();
    out.second = info.crc;
    unzCloseCurrentFile(reader);
  }
  unzClose(reader);
  return out;
}

// Parts of megabytes (a slide of text drawn as outlines) are deflated in
// blocks: whichever way they come, at every size about the block and window
// edges, they read back whole, with their CRC, as a deflate stream about as
// small as one deflated whole, and the same bytes make the same entry.
TEST(QVZipArchive, PartsOfMegabytesComeBackWholeFromEveryKindOfSource) {
  qvtest::TempDir dir;
  // Slide-like text whose repeats reach back across block edges.
  std::string text;
  uint32_t seed = 12345;
  while (text.size() < (size_t{5} << 20)) {
    seed = seed * 1103515245 + 12345;
    text += "<a:pt x=\"" + std::to_string(seed % 100000) + "\" y=\"" + std::to_string((seed >> 8) % 1000) + "\"/>";
    if (seed % 7 == 0) text += text.substr(text.size() > 40000 ? text.size() - 40000 : 0, 300);
  }
  const size_t kMiB = size_t{1} << 20, kBlock = 128 * 1024;
  const std::vector<size_t> sizes = {kMiB - 1, kMiB, kMiB + 1, 3 * kBlock + kMiB, 2 * kMiB - 7, 5 * kMiB};
  const auto spillPath = dir.file("parts.spill");
  writeText(spillPath, text);
  const auto output = dir.file("out.zip");
  std::vector<std::string> names;
  {
    QVZipArchive zip;
    ASSERT_TRUE(zip.createZipFile2(output.string()));
    const int spill = ::open(spillPath.c_str(), O_RDONLY);
    ASSERT_GE(spill, 0);
    for (size_t size : sizes) {
      const std::string part = text.substr(0, size);
      const auto file = dir.file("part" + std::to_string(size) + ".xml");
      writeText(file, part);
      for (const char* kind : {"data", "file", "range", "again"}) names.push_back(std::string(kind) + std::to_string(size) + ".xml");
      ASSERT_TRUE(zip.addDataToZip(part, names[names.size() - 4]));
      ASSERT_TRUE(zip.addFileToZip(file.string(), names[names.size() - 3]));
      ASSERT_TRUE(zip.addFileRangeToZip(spill, 0, size, names[names.size() - 2]));
      ASSERT_TRUE(zip.addDataToZip(part, names[names.size() - 1]));
    }
    // A range the spill file does not hold to its end is a failure.
    EXPECT_FALSE(zip.addFileRangeToZip(spill, text.size() - kMiB, 2 * kMiB, "short.xml"));
    ::close(spill);
    ASSERT_TRUE(zip.closeZipFile2());
  }
  int status = -1;
  run("unzip -tq '" + output.string() + "' 'data*' 'file*' 'range*' 'again*' >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0);
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string part = text.substr(0, sizes[i]);
    const auto first = rawEntry(output, names[4 * i]);
    for (size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(entryText(output, names[4 * i + k]), part) << names[4 * i + k];
      EXPECT_EQ(rawEntry(output, names[4 * i + k]), first) << names[4 * i + k];
    }
    EXPECT_EQ(first.second, crc32(0, reinterpret_cast<const Bytef*>(part.data()), static_cast<uInt>(part.size())));
    // Against zlib's one stream at the archive's level.
    z_stream whole{};
    ASSERT_EQ(deflateInit2(&whole, 3, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string packed(deflateBound(&whole, static_cast<uLong>(part.size())), '\0');
    whole.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data()));
    whole.avail_in = static_cast<uInt>(part.size());
    whole.next_out = reinterpret_cast<Bytef*>(packed.data());
    whole.avail_out = static_cast<uInt>(packed.size());
    ASSERT_EQ(deflate(&whole, Z_FINISH), Z_STREAM_END);
    const size_t wholeSize = packed.size() - whole.avail_out;
    deflateEnd(&whole);
    EXPECT_LT(first.first.size(), wholeSize * 102 / 100) << sizes[i];
  }
}

TEST(QVZipPartStore, PartsBeyondTheMemoryBoundGoToOneSpillFileAndComeBackWhole) {
  qvtest::TempDir dir;
  const auto spill = dir.file("media.spill");
  const auto output = dir.file("out.zip");
  const auto bytes = [](char c, size_t n) { return std::make_shared<const std::string>(n, c); };
  {
    QVZipPartStore store(spill.string(), 1000);
    store.put("ppt/media/image1.png", bytes('a', 600));
    EXPECT_FALSE(std::filesystem::exists(spill)) << "made only when needed";
    store.put("ppt/media/image2.png", bytes('b', 600));  // beyond the bound
    store.put("ppt/media/image3.jpeg", bytes('c', 300));
    store.put("ppt/media/image4.png", bytes('d', 700));
    EXPECT_EQ(store.memoryBytes(), 900u);
    EXPECT_TRUE(store.spilled());
    // One file for every part that spilled.
    EXPECT_EQ(std::filesystem::file_size(spill), 1300u);
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"media.spill"});
    store.remove("ppt/media/image3.jpeg");
    EXPECT_EQ(store.memoryBytes(), 600u);
    EXPECT_EQ(store.names(), (std::vector<std::string>{"ppt/media/image1.png", "ppt/media/image2.png",
                                                       "ppt/media/image4.png"}));
    QVZipArchive zip;
    ASSERT_TRUE(zip.createZipFile2(output.string()));
    for (const std::string& name : store.names()) ASSERT_TRUE(store.addToZip(zip, name)) << name;
    EXPECT_FALSE(store.addToZip(zip, "ppt/media/image3.jpeg"));
    ASSERT_TRUE(zip.closeZipFile2());
  }
  EXPECT_FALSE(std::filesystem::exists(spill)) << "the spill file goes with the store";
  EXPECT_EQ(entryText(output, "ppt/media/image1.png"), std::string(600, 'a'));
  EXPECT_EQ(entryText(output, "ppt/media/image2.png"), std::string(600, 'b'));
  EXPECT_EQ(entryText(output, "ppt/media/image4.png"), std::string(700, 'd'));
}

TEST(QVZipPartStore, ASpillFileThatCannotBeMadeIsAnError) {
  qvtest::TempDir dir;
  QVZipPartStore store(dir.file("missing-folder/media.spill").string(), 10);
  store.put("small.png", std::make_shared<const std::string>(5, 'x'));
  EXPECT_THROW(store.put("large.png", std::make_shared<const std::string>(50, 'y')), std::runtime_error);
  EXPECT_TRUE(store.contains("small.png"));
  EXPECT_FALSE(store.contains("large.png"));
}

TEST(QVZipArchive, OperationsWithoutAnOpenArchiveFail) {
  qvtest::TempDir dir;
  writeText(dir.file("a.txt"), "a");
  QVZipArchive zip;
  EXPECT_FALSE(zip.addFileToZip(dir.file("a.txt").string(), "a.txt"));
  EXPECT_FALSE(zip.addFolderToZip(dir.path().string(), "x"));
  EXPECT_FALSE(zip.closeZipFile2());
  ASSERT_TRUE(zip.createZipFile2(dir.file("out.zip").string()));
  EXPECT_FALSE(zip.createZipFile2(dir.file("other.zip").string()));
  EXPECT_TRUE(zip.closeZipFile2());
  EXPECT_FALSE(zip.closeZipFile2());
}

TEST(QVZipArchive, UnreadableItemsAreFailuresNotEmptyEntries) {
  qvtest::TempDir dir;
  const auto output = dir.file("out.zip");
  QVZipArchive zip;
  ASSERT_TRUE(zip.createZipFile2(output.string()));
  EXPECT_FALSE(zip.addFileToZip(dir.file("missing.xml").string(), "missing.xml"));
  EXPECT_FALSE(zip.addFolderToZip(dir.file("missing").string(), "missing"));
  EXPECT_FALSE(zip.addFileToZip(dir.path().string(), "folder"));
  EXPECT_TRUE(zip.closeZipFile2());
  EXPECT_TRUE(entryNames(output).empty());
}

TEST(QVZipArchive, AnEntryBeyondTheSixteenBitCountIsRefusedAndTheArchiveStaysReadable) {
  // Without a Zip64 record an archive of 65536 entries would carry a wrong
  // count; the writer stops at 65535 and says so.
  qvtest::TempDir dir;
  writeText(dir.file("a.txt"), "a");
  const auto output = dir.file("out.zip");
  QVZipArchive zip;
  ASSERT_TRUE(zip.createZipFile2(output.string()));
  for (size_t i = 0; i < QVZipArchive::kMaxEntries; ++i)
    ASSERT_TRUE(zip.addFileToZip(dir.file("a.txt").string(), "e" + std::to_string(i))) << i;
  EXPECT_FALSE(zip.addFileToZip(dir.file("a.txt").string(), "one-too-many"));
  EXPECT_TRUE(zip.closeZipFile2());
  const auto names = entryNames(output);
  ASSERT_EQ(names.size(), QVZipArchive::kMaxEntries);
  EXPECT_EQ(names.back(), "e65534");
  // A new archive starts counting again.
  ASSERT_TRUE(zip.createZipFile2(dir.file("next.zip").string()));
  EXPECT_TRUE(zip.addFileToZip(dir.file("a.txt").string(), "a.txt"));
  EXPECT_TRUE(zip.closeZipFile2());
}

TEST(QVZipArchive, ArchiveInAMissingFolderIsNotCreated) {
  qvtest::TempDir dir;
  QVZipArchive zip;
  EXPECT_FALSE(zip.createZipFile2(dir.file("no/such/out.zip").string()));
}

TEST(QVZipArchive, IsDirectoryDoesNotFollowAFinalLink) {
  qvtest::TempDir dir;
  std::filesystem::create_directories(dir.file("real"));
  std::filesystem::create_directory_symlink(dir.file("real"), dir.file("link"));
  EXPECT_TRUE(QVZipArchive::isDirectory(dir.file("real").string()));
  EXPECT_FALSE(QVZipArchive::isDirectory(dir.file("link").string()));
  EXPECT_FALSE(QVZipArchive::isDirectory(dir.file("none").string()));
}

}  // namespace
