// Every real-world PDF of the corpus opens, and every page of it (with its
// forms and images) scans to the end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfContentStream;
using platform::PdfDocument;
using platform::PdfError;
using platform::PdfObject;
using platform::PdfOperatorTable;
using platform::PdfScanner;

// The page count the manifest gives for a corpus file (0 when not listed).
int manifestPages(const std::filesystem::path& file) {
  std::ifstream manifest(qvtest::corpusDir() / "manifest.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string name, pages;
    std::getline(fields, name, '\t');
    std::getline(fields, pages, '\t');
    if (name == file.filename().string()) return std::atoi(pages.c_str());
  }
  return 0;
}

// The files the manifest lists.
std::vector<std::string> manifestFiles() {
  std::ifstream manifest(qvtest::corpusDir() / "manifest.tsv");
  std::vector<std::string> names;
  std::string line;
  std::getline(manifest, line);  // the header
  while (std::getline(manifest, line))
    if (!line.empty()) names.push_back(line.substr(0, line.find('\t')));
  return names;
}

struct Tally {
  uint64_t operators = 0;
  int inlineImages = 0;
  int images = 0;
  int forms = 0;
};

// Reads an image's data the way the interpreter will; a PdfError is an
// acceptable answer for data the layer cannot decode, anything else is not.
void readImage(const PdfObject& image, Tally& tally) {
  ++tally.images;
  try {
    auto data = image.streamData();
    (void)data;
  } catch (const PdfError&) {
  }
}

void scanWithForms(std::shared_ptr<const PdfContentStream> stream, int depth, std::set<int>& formsSeen,
                   Tally& tally) {
  std::vector<std::string> xobjects;
  PdfOperatorTable table;
  table.set("Do", [&](PdfScanner& s) {
    if (auto name = s.popName()) xobjects.push_back(*name);
  });
  table.set("EI", [&](PdfScanner& s) {
    ++tally.inlineImages;
    if (auto image = s.popStream()) readImage(*image, tally);
  });
  PdfScanner scanner(stream, table);
  scanner.scan();
  tally.operators += scanner.operatorCount();
  if (depth >= 8) return;
  for (const std::string& name : xobjects) {
    PdfObject x = stream->resource("XObject", name);
    if (!x.isStream()) continue;
    auto subtype = x.getName("Subtype");
    if (subtype == "Image") {
      if (formsSeen.insert(-x.objectNumber()).second) readImage(x, tally);
    } else if (subtype == "Form" && formsSeen.insert(x.objectNumber()).second) {
      ++tally.forms;
      scanWithForms(PdfContentStream::forForm(x, x.getDictionary("Resources"), stream), depth + 1, formsSeen,
                    tally);
    }
  }
}

class PdfCorpus : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(PdfCorpus, OpensAndEveryPageScansToTheEnd) {
  const std::filesystem::path& file = GetParam();
  if (file.empty()) GTEST_SKIP() << qvtest::noCorpus();
  std::string password = qvtest::corpusPassword(file);
  PdfDocument::OpenStatus status = PdfDocument::OpenStatus::NotAPdf;
  auto doc = PdfDocument::open(file.string(), password, &status);
  ASSERT_NE(doc, nullptr) << static_cast<int>(status);
  ASSERT_TRUE(doc->isUnlocked());
  int expected = manifestPages(file);
  if (expected > 0) {
    EXPECT_EQ(doc->pageCount(), expected);
  }
  ASSERT_GT(doc->pageCount(), 0);

  Tally tally;
  std::set<int> seen;
  for (int n = 1; n <= doc->pageCount(); ++n) {
    auto page = doc->page(n);
    ASSERT_TRUE(page.has_value());
    EXPECT_FALSE(page->mediaBox().isEmpty()) << "page " << n;
    EXPECT_EQ(page->rotation() % 90, 0);
    auto stream = PdfContentStream::forPage(*page);
    EXPECT_FALSE(stream->isDamaged()) << "page " << n;
    scanWithForms(stream, 0, seen, tally);
  }
  EXPECT_GT(tally.operators, static_cast<uint64_t>(doc->pageCount()));
}

TEST(PdfCorpusFiles, EncryptedSampleNeedsItsPassword) {
  auto path = qvtest::corpusDir() / "gofpdf-encrypted-userpw.pdf";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << qvtest::missingCorpusFile(path);
  PdfDocument::OpenStatus status = PdfDocument::OpenStatus::Ok;
  auto locked = PdfDocument::open(path.string(), "", &status);
  ASSERT_NE(locked, nullptr);
  EXPECT_EQ(status, PdfDocument::OpenStatus::PasswordRequired);
  EXPECT_FALSE(locked->isUnlocked());
  EXPECT_TRUE(locked->unlock("123"));
  EXPECT_EQ(locked->pageCount(), 1);
  EXPECT_TRUE(locked->allowsPrinting());
  EXPECT_FALSE(locked->allowsCopying());
}

// Every file the manifest lists is there: a corpus folder that lost files
// would make every test over the corpus quietly thinner.
TEST(PdfCorpusFiles, EveryFileOfTheManifestIsPresent) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << qvtest::noCorpus();
  const std::set<std::filesystem::path> present(files.begin(), files.end());
  const auto listed = manifestFiles();
  EXPECT_FALSE(listed.empty()) << "no manifest.tsv in " << qvtest::corpusDir();
  for (const std::string& name : listed) EXPECT_TRUE(present.count(qvtest::corpusDir() / name)) << name;
}

// Opens and scans a damaged copy of a corpus file; nothing may crash, hang
// or throw anything but PdfError.
void openAndScanEverything(const std::filesystem::path& path, const std::string& password) {
  auto doc = PdfDocument::open(path.string(), password);
  if (!doc || !doc->isUnlocked()) return;
  Tally tally;
  std::set<int> seen;
  for (int n = 1; n <= doc->pageCount(); ++n) {
    auto page = doc->page(n);
    if (!page) continue;  // a page that cannot be read keeps its number
    page->mediaBox();
    page->cropBox();
    page->rotation();
    scanWithForms(PdfContentStream::forPage(*page), 0, seen, tally);
  }
}

TEST(PdfCorpusFiles, DamagedCopiesNeverCrash) {
  // QV_DAMAGE_ROUNDS raises the number of damaged copies for a longer hunt.
  if (qvtest::corpusFiles().empty()) GTEST_SKIP() << qvtest::noCorpus();
  int rounds = 6;
  if (const char* env = std::getenv("QV_DAMAGE_ROUNDS")) rounds = std::max(1, std::atoi(env));
  qvtest::TempDir dir;
  std::mt19937 random(20240611);
  for (const auto& file : qvtest::corpusFiles()) {
    std::ifstream in(file, std::ios::binary);
    std::string original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (original.size() > 200000) continue;  // keep the test quick
    std::string password = qvtest::corpusPassword(file);
    for (int round = 0; round < rounds; ++round) {
      std::string bytes = original;
      std::uniform_int_distribution<size_t> pos(0, bytes.size() - 1);
      switch (round % 3) {
        case 0:  // scattered byte changes
          for (int k = 0; k < 20; ++k) bytes[pos(random)] = static_cast<char>(random());
          break;
        case 1:  // cut short
          bytes.resize(pos(random));
          break;
        case 2:  // digits widened into absurd numbers
          for (int k = 0; k < 20; ++k) {
            size_t at = pos(random);
            if (std::isdigit(static_cast<unsigned char>(bytes[at]))) bytes.insert(at, "99999999999999999999");
          }
          break;
      }
      auto path = dir.file("damaged.pdf");
      std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      SCOPED_TRACE(file.filename().string() + " round " + std::to_string(round));
      EXPECT_NO_THROW(openAndScanEverything(path, password));
    }
  }
}

std::string testName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  if (info.param.empty()) return "NoCorpus";
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, PdfCorpus, ::testing::ValuesIn(qvtest::corpusFilesOrNone()), testName);

}  // namespace
