// The corpus fetch script as a user runs it, against a stand-in for apt-get
// that serves Debian packages built here: which files it makes, what it
// checks, what it writes into the manifest the tests read, and what it does
// without a network.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/pdf/document.h"
#include "tests/scripts/script_run.h"
#include "tests/support/corpus_stand_ins.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using scripttest::quoted;
using scripttest::readText;
using scripttest::writeText;

// Answers like apt-get download: the package file of PACKAGE=VERSION, or of
// the version named in REPO/PACKAGE.current, copied into the working folder.
// Every call is logged; FAKE_OFFLINE makes it fail as without a network.
constexpr const char* kFakeAptGet = R"sh(#!/bin/sh
for a in "$@"; do wanted="$a"; done
echo "$wanted" >> "$FAKE_LOG"
if [ -n "$FAKE_OFFLINE" ]; then
  echo "E: Failed to fetch http://deb.example/pool/x.deb  Temporary failure resolving 'deb.example'" >&2
  exit 100
fi
package="${wanted%%=*}"
if [ "$package" != "$wanted" ]; then
  version="${wanted#*=}"
  if [ ! -f "$FAKE_REPO/${package}_${version}_all.deb" ]; then
    echo "E: Version '$version' for '$package' was not found" >&2
    exit 100
  fi
else
  version="$(cat "$FAKE_REPO/$package.current" 2>/dev/null)" || { echo "E: Unable to locate package $package" >&2; exit 100; }
fi
cp "$FAKE_REPO/${package}_${version}_all.deb" .
)sh";

// Points the corpus helpers at another folder while it lives.
class CorpusDirScope {
 public:
  explicit CorpusDirScope(const fs::path& dir) {
    if (const char* previous = std::getenv("QV_CORPUS_DIR")) saved_ = previous;
    setenv("QV_CORPUS_DIR", dir.c_str(), 1);
  }
  ~CorpusDirScope() { setenv("QV_CORPUS_DIR", saved_.c_str(), 1); }
  CorpusDirScope(const CorpusDirScope&) = delete;
  CorpusDirScope& operator=(const CorpusDirScope&) = delete;

 private:
  std::string saved_;
};

std::string onePagePdf(const std::string& words) {
  qvtest::PdfBuilder b;
  b.addPage("BT /F1 12 Tf 72 720 Td (" + words + ") Tj ET",
            b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}}));
  return b.writeToString();
}

class FetchCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(scripts());
    fs::copy_file(fs::path(QV_SOURCE_DIR) / "scripts" / "fetch-corpus.sh", scripts() / "fetch-corpus.sh");
    writeText(root() / "bin" / "apt-get", kFakeAptGet);
    fs::permissions(root() / "bin" / "apt-get", fs::perms::owner_all);
  }

  const fs::path& root() const { return dir_.path(); }
  fs::path scripts() const { return root() / "scripts"; }
  fs::path repo() const { return root() / "repo"; }
  fs::path corpus() const { return root() / "corpus"; }

  // Builds the package fake-docs at `version` holding the files given by
  // their paths in the package; a path ending in .gz is stored gzipped.
  void buildPackage(const std::string& version, const std::vector<std::pair<std::string, std::string>>& files) {
    const fs::path tree = root() / ("tree-" + version);
    writeText(tree / "DEBIAN" / "control", "Package: fake-docs\nVersion: " + version +
                                               "\nArchitecture: all\nMaintainer: Tests <tests@example.org>\n"
                                               "Description: documents for the fetch tests\n");
    for (const auto& [path, bytes] : files) {
      const fs::path file = tree / path.substr(1);
      if (file.extension() == ".gz") {
        fs::path plain = file;
        plain.replace_extension();
        writeText(plain, bytes);
        ASSERT_EQ(scripttest::run("gzip -n " + quoted(plain.string()), root()).exitCode, 0);
      } else {
        writeText(file, bytes);
      }
    }
    fs::create_directories(repo());
    const auto built = scripttest::run("dpkg-deb -Zgzip --build " + quoted(tree.string()) + " " +
                                           quoted((repo() / ("fake-docs_" + version + "_all.deb")).string()),
                                       root());
    ASSERT_EQ(built.exitCode, 0) << built.output;
  }
  void setCurrentVersion(const std::string& version) { writeText(repo() / "fake-docs.current", version + "\n"); }

  std::string sha256(const std::string& bytes) {
    writeText(root() / "hashed", bytes);
    return scripttest::run("sha256sum hashed", root()).output.substr(0, 64);
  }

  // The corpus list the script reads: the pinned version of every file and
  // the hash of its pinned bytes. Two lines made from other files are left
  // for the tests to make.
  void writeList(const std::string& oneSha, const std::string& twoSha) {
    writeText(scripts() / "corpus.tsv",
              "file\tpages\tpassword\torigin\twhat it stresses\tsha256\n"
              "one.pdf\t1\t-\tdeb:fake-docs=1.0-1:/usr/share/doc/fake/one.pdf\tone plain page\t" + oneSha + "\n"
              "two.pdf\t1\tsecret\tdeb:fake-docs=1.0-1:/usr/share/doc/fake/two.pdf.gz\ta gzipped file\t" + twoSha + "\n"
              "printed.pdf\t1\t-\tdeb:fake-docs=1.0-1:/usr/share/doc/fake/letter.docx (libreoffice --convert-to pdf)"
              "\ta printed document\t" + oneSha + "\n"
              "turned.pdf\t1\t-\tderived from one.pdf (qpdf --rotate=+90)\ta turned page\t" + oneSha + "\n");
  }

  scripttest::Run fetch(bool offline = false) {
    std::string env = "PATH=" + quoted((root() / "bin").string()) + ":\"$PATH\" FAKE_REPO=" + quoted(repo().string()) +
                      " FAKE_LOG=" + quoted((root() / "apt.log").string());
    if (offline) env += " FAKE_OFFLINE=1";
    return scripttest::run(env + " scripts/fetch-corpus.sh corpus", root());
  }
  int downloads() {
    const std::string log = readText(root() / "apt.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }
  std::string manifest() { return readText(corpus() / "manifest.tsv"); }

  const std::string one_ = onePagePdf("First file");
  const std::string two_ = onePagePdf("Second file");

 private:
  qvtest::TempDir dir_;
};

constexpr const char* kHeader = "file\tpages\tpassword\torigin\twhat it stresses\n";
constexpr const char* kTwoLine = "two.pdf\t1\tsecret\tdeb:fake-docs=1.0-1:/usr/share/doc/fake/two.pdf.gz\ta gzipped file\n";

TEST_F(FetchCorpus, PinnedFilesAreMadeCheckedAndListedAndASecondRunDownloadsNothing) {
  buildPackage("1.0-1", {{"/usr/share/doc/fake/one.pdf", one_}, {"/usr/share/doc/fake/two.pdf.gz", two_}});
  setCurrentVersion("1.0-1");
  writeList(sha256(one_), sha256(two_));

  const auto first = fetch();
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_EQ(readText(corpus() / "one.pdf"), one_);
  EXPECT_EQ(readText(corpus() / "two.pdf"), two_) << "the .gz file is unpacked";
  EXPECT_FALSE(fs::exists(corpus() / "printed.pdf"));
  EXPECT_FALSE(fs::exists(corpus() / "turned.pdf"));
  EXPECT_EQ(manifest(), std::string(kHeader) +
                            "one.pdf\t1\t-\tdeb:fake-docs=1.0-1:/usr/share/doc/fake/one.pdf\tone plain page\n" +
                            kTwoLine);
  EXPECT_EQ(downloads(), 1) << "one package, downloaded once for both files";

  {
    // The tests read the password from the written manifest.
    const CorpusDirScope fetched(corpus());
    EXPECT_EQ(qvtest::corpusPassword(corpus() / "two.pdf"), "secret");
    EXPECT_EQ(qvtest::corpusFiles().size(), 2u);
    // A test of a file made from others says why a fetched corpus lacks it.
    EXPECT_NE(qvtest::missingCorpusFile(corpus() / "office-calc-generated.pdf").find("made from another file"),
              std::string::npos);
    EXPECT_EQ(qvtest::missingCorpusFile(corpus() / "refcard-en.pdf").find("made from"), std::string::npos);
  }

  const auto second = fetch();
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_EQ(downloads(), 1);
  EXPECT_NE(second.output.find("2 corpus files"), std::string::npos) << second.output;

  // A file changed in the corpus folder is made again from the cached package.
  writeText(corpus() / "one.pdf", "not the file");
  const auto third = fetch();
  ASSERT_EQ(third.exitCode, 0) << third.output;
  EXPECT_EQ(readText(corpus() / "one.pdf"), one_);
  EXPECT_EQ(downloads(), 1);
}

TEST_F(FetchCorpus, AVersionGoneFromTheMirrorIsReplacedByTheCurrentOneAndItsDifferentFileIsMarked) {
  const std::string newerOne = onePagePdf("First file, second edition");
  buildPackage("2.0-1", {{"/usr/share/doc/fake/one.pdf", newerOne}, {"/usr/share/doc/fake/two.pdf.gz", two_}});
  setCurrentVersion("2.0-1");
  writeList(sha256(one_), sha256(two_));

  const auto run = fetch();
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(readText(corpus() / "one.pdf"), newerOne);
  EXPECT_EQ(downloads(), 2) << "the pinned version is asked for once, then the current one";
  EXPECT_NE(run.output.find("one.pdf is from fake-docs 2.0-1, not the pinned 1.0-1"), std::string::npos) << run.output;
  // Its line names the version it came from and gives no page count to assert.
  EXPECT_EQ(manifest(), std::string(kHeader) +
                            "one.pdf\t-\t-\tdeb:fake-docs=2.0-1:/usr/share/doc/fake/one.pdf\t[not the pinned file: "
                            "fake-docs 2.0-1 differs from 1.0-1] one plain page\n" +
                            kTwoLine)
      << "two.pdf has the pinned bytes in the current version too";

  // The kept file stays marked on the next run, which downloads nothing.
  const int before = downloads();
  const std::string listed = manifest();
  ASSERT_EQ(fetch().exitCode, 0);
  EXPECT_EQ(downloads(), before);
  EXPECT_EQ(manifest(), listed);
}

TEST_F(FetchCorpus, APinnedFileWithOtherBytesIsLeftOutAndTheRunFails) {
  buildPackage("1.0-1", {{"/usr/share/doc/fake/one.pdf", one_}, {"/usr/share/doc/fake/two.pdf.gz", two_}});
  setCurrentVersion("1.0-1");
  writeList(sha256("other bytes"), sha256(two_));

  const auto run = fetch();
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("left out"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(corpus() / "one.pdf"));
  EXPECT_EQ(manifest(), std::string(kHeader) + kTwoLine);
}

TEST_F(FetchCorpus, WithoutANetworkOneDownloadIsTriedAndTheFolderHoldsNoFile) {
  writeList(sha256(one_), sha256(two_));

  const auto run = fetch(true);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(downloads(), 1) << "after the network failed once, no other download waits for it";
  EXPECT_NE(run.output.find("for want of a network"), std::string::npos) << run.output;
  EXPECT_EQ(manifest(), kHeader);
  std::vector<fs::path> pdfs;
  for (const auto& entry : fs::directory_iterator(corpus()))
    if (entry.path().extension() == ".pdf") pdfs.push_back(entry.path());
  EXPECT_TRUE(pdfs.empty());
}

// A fetched corpus has the sources of the turned and the scanned pages but
// not those files: the tests that convert every file make them.
TEST_F(FetchCorpus, TheTurnedAndTheScannedPagesAreMadeFromTheirFetchedSources) {
  if (std::system("command -v pdftoppm > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm is not installed";
  auto pages = [](int count) {
    qvtest::PdfBuilder b;
    const auto font = b.standardFont("Helvetica");
    for (int n = 1; n <= count; ++n)
      b.addPage("BT /F1 24 Tf 72 700 Td (Page " + std::to_string(n) + ") Tj ET", b.resources({{"Font", {{"F1", font}}}}));
    return b.writeToString();
  };
  writeText(corpus() / "tables-booktabs.pdf", pages(5));
  writeText(corpus() / "paper2col-aps-revtex.pdf", pages(4));
  std::vector<fs::path> files;
  {
    const CorpusDirScope fetched(corpus());
    files = qvtest::corpusFilesWithStandIns(root() / "made");
  }

  ASSERT_EQ(files, (std::vector<fs::path>{corpus() / "paper2col-aps-revtex.pdf", root() / "made" / "rotated-pages-qpdf.pdf",
                                          root() / "made" / "scan-gray-jpeg.pdf", corpus() / "tables-booktabs.pdf"}));
  const auto turned = platform::PdfDocument::open(files[1].string());
  ASSERT_NE(turned, nullptr);
  ASSERT_EQ(turned->pageCount(), 4);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(turned->page(n)->rotation(), 90 * (n - 1)) << "page " << n;

  const auto scanned = platform::PdfDocument::open(files[2].string());
  ASSERT_NE(scanned, nullptr);
  ASSERT_EQ(scanned->pageCount(), 3);
  // Letter pages at 100 dpi: 850 by 1100 pixels shown at their size.
  EXPECT_NEAR(scanned->page(1)->mediaBox().width(), 612, 1);
  EXPECT_NEAR(scanned->page(1)->mediaBox().height(), 792, 1);
  const auto text = scripttest::run("pdftotext " + quoted(files[2].string()) + " -", root());
  EXPECT_EQ(text.output.find("Page"), std::string::npos) << "a scan holds pictures, not text";
  const auto images = scripttest::run("pdfimages -list " + quoted(files[2].string()), root());
  EXPECT_NE(images.output.find("gray"), std::string::npos) << images.output;
}

TEST_F(FetchCorpus, WrongUseIsTold) {
  const auto run = scripttest::run("scripts/fetch-corpus.sh", root());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("Usage:"), std::string::npos) << run.output;
}

}  // namespace
