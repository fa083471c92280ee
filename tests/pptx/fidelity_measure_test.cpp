// How close the decks of the corpus come to their PDFs, as numbers a person
// can compare from one build to the next: for every corpus file, the word F1
// of the slide text against pdftotext's words (whole words, each used once),
// and the mean likeness of each page to LibreOffice's print of its slide.
//
// It converts and prints the whole corpus, so it is not part of the suite:
//
//   build-asan/tests/pptx/test_pptx --gtest_also_run_disabled_tests --gtest_filter='PptxFidelity.*'
//
// QV_FIDELITY_OUT=file also writes the table there (tab separated);
// QV_FIDELITY_OFFICE_IMPORT=1 adds the same numbers for LibreOffice's own
// import of each PDF, for reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "tests/pptx/e2e_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"

namespace {

namespace fs = std::filesystem;

std::string fixed(double v, int digits) { return platform::text::formatFixed(v, digits); }

struct Row {
  std::string file;
  int pages = 0;
  pptxe2e::DeckScore ours;
  std::optional<pptxe2e::DeckScore> office;
};

TEST(PptxFidelity, DISABLED_MeasureCorpus) {
  if (!qvtest::officeAvailable() || std::system("command -v pdftotext > /dev/null 2>&1") != 0 ||
      std::system("command -v pdftoppm > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "LibreOffice, pdftotext or pdftoppm is not installed";
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  const bool withOfficeImport = std::getenv("QV_FIDELITY_OFFICE_IMPORT") != nullptr;

  qvtest::TempDir dir;
  std::vector<fs::path> decks;
  std::map<fs::path, fs::path> deckOf;
  for (const fs::path& f : files) {
    const fs::path deck = dir.file(f.stem().string() + ".pptx");
    try {
      pptxe2e::convertToPptx(f, deck, qvtest::corpusPassword(f));
      decks.push_back(deck);
      deckOf[f] = deck;
    } catch (const std::exception& e) {
      ADD_FAILURE() << f << ": " << e.what();
    }
  }
  const auto printed = pptxe2e::officeConvertAllToPdf(decks, dir.path() / "printed", 1800);

  std::map<fs::path, fs::path> officePrinted, officeDeckOf;
  if (withOfficeImport) {
    std::vector<fs::path> unlocked;
    for (const fs::path& f : files)
      if (qvtest::corpusPassword(f).empty()) unlocked.push_back(f);
    if (pptxe2e::officeImportPdfsAsPptx(unlocked, dir.path() / "imported", 1800)) {
      std::vector<fs::path> imported;
      for (const fs::path& f : unlocked) {
        const fs::path deck = dir.path() / "imported" / (f.stem().string() + ".pptx");
        if (fs::exists(deck)) {
          imported.push_back(deck);
          officeDeckOf[f] = deck;
        }
      }
      officePrinted = pptxe2e::officeConvertAllToPdf(imported, dir.path() / "imported-printed", 1800);
    }
  }

  std::vector<Row> rows;
  for (const fs::path& f : files) {
    Row row;
    row.file = f.filename().string();
    const std::string password = qvtest::corpusPassword(f);
    if (auto document = platform::PdfDocument::open(f.string(), password)) row.pages = document->pageCount();
    if (auto deck = deckOf.find(f); deck != deckOf.end()) {
      auto print = printed.find(deck->second);
      row.ours = pptxe2e::scoreDeck(f, password, deck->second,
                                         print == printed.end() ? fs::path() : print->second);
    }
    if (auto deck = officeDeckOf.find(f); deck != officeDeckOf.end()) {
      auto print = officePrinted.find(deck->second);
      row.office = pptxe2e::scoreDeck(f, password, deck->second,
                                           print == officePrinted.end() ? fs::path() : print->second);
    }
    rows.push_back(row);
  }

  std::ostringstream table;
  table << "file\tpages\tword F1\tvisual" << (withOfficeImport ? "\toffice word F1\toffice visual" : "") << "\n";
  double sumF1 = 0, sumVisual = 0, sumOfficeF1 = 0, sumOfficeVisual = 0;
  int officeCount = 0;
  for (const Row& row : rows) {
    table << row.file << '\t' << row.pages << '\t' << fixed(row.ours.wordF1, 3) << '\t'
          << fixed(row.ours.visual, 3);
    sumF1 += row.ours.wordF1;
    sumVisual += row.ours.visual;
    if (withOfficeImport) {
      if (row.office) {
        table << '\t' << fixed(row.office->wordF1, 3) << '\t' << fixed(row.office->visual, 3);
        sumOfficeF1 += row.office->wordF1;
        sumOfficeVisual += row.office->visual;
        ++officeCount;
      } else {
        table << "\t-\t-";
      }
    }
    table << '\n';
  }
  const double n = rows.empty() ? 1.0 : static_cast<double>(rows.size());
  table << "mean\t\t" << fixed(sumF1 / n, 3) << '\t' << fixed(sumVisual / n, 3);
  if (withOfficeImport && officeCount > 0)
    table << '\t' << fixed(sumOfficeF1 / officeCount, 3) << '\t' << fixed(sumOfficeVisual / officeCount, 3);
  table << '\n';

  std::printf("%s", table.str().c_str());
  if (const char* out = std::getenv("QV_FIDELITY_OUT")) {
    std::ofstream file(out);
    file << table.str();
  }
}

}  // namespace
