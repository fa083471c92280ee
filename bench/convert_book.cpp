// Watches how time and peak memory grow with the length of a document, in
// every output: books of 200 and 2,000 pages are made in the run from corpus
// pages (bench/support/made_book.h: chapters with fonts and images of their
// own, text and a picture on every page), and each is converted by the
// pdfconvert program to every output type, beside the corpus converted the
// same way.
//
//   bench_convert_book [--small N] [--large N] [--types pptx,docx,...] [--keep DIR] [--pdfconvert PATH]
//                      [--baseline PATH] [--corpus DIR] [--no-corpus]
//
// With --baseline, a second pdfconvert program (an earlier build) converts
// the same files in the same turns, and its figures stand beside ours.
//
// Each run is a process of its own, timed from outside: wall time and peak
// resident memory from the kernel's accounting of the finished child. The
// targets: the large book's peak under 150 MB in every output, and under
// 1.5 times the small book's.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/made_book.h"
#include "platform/fs/files.h"

namespace {

namespace fs = std::filesystem;
using namespace qvbench;

constexpr double kTargetPeakMB = 150.0;
constexpr double kTargetGrowth = 1.5;

const std::vector<std::string> kAllTypes{"pptx", "docx", "xlsx", "csv", "html", "rtf", "txt"};

Measured convert(const std::string& pdfconvert, const fs::path& file, const std::string& password,
                 const std::string& type, const fs::path& outFolder) {
  // A CSV output is a folder, never replaced: each run starts without it.
  const fs::path output = outFolder / (file.stem().string() + (type == "csv" ? "" : "." + type));
  fs::remove_all(output);
  std::vector<std::string> args{pdfconvert, "--to", type};
  if (!password.empty()) args.insert(args.end(), {"--password", password});
  args.insert(args.end(), {file.string(), output.string()});
  const Measured m = measuredRun(args);
  fs::remove_all(output);
  return m;
}

// What one program does with one output type.
struct Figures {
  double corpusSeconds = 0, corpusPeak = 0;
  std::string corpusPeakFile;
  int corpusFailed = 0;
  Measured small, large;
};

struct Row {
  std::string type;
  Figures ours, baseline;
};

void printFigures(const std::string& label, const std::string& type, const Figures& f, bool withCorpus,
                  bool& allMet) {
  const double growth = f.small.peakMB > 0 ? f.large.peakMB / f.small.peakMB : 0;
  const bool met = f.small.ok && f.large.ok && f.large.peakMB < kTargetPeakMB && growth < kTargetGrowth;
  allMet = allMet && met;
  std::cout << label << "\t" << type << "\t" << (withCorpus ? fixed(f.corpusSeconds, 3) : "-") << "\t"
            << (withCorpus ? fixed(f.corpusPeak, 1) : "-") << "\t" << (withCorpus ? f.corpusPeakFile : "-")
            << (f.corpusFailed ? " (" + std::to_string(f.corpusFailed) + " failed)" : "") << "\t"
            << (f.small.ok ? fixed(f.small.seconds, 3) : "failed") << "\t" << fixed(f.small.peakMB, 1) << "\t"
            << (f.large.ok ? fixed(f.large.seconds, 3) : "failed") << "\t" << fixed(f.large.peakMB, 1) << "\t"
            << fixed(growth, 2) << "\t" << (met ? "met" : "MISSED") << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  int smallPages = 200, largePages = 2000;
  std::vector<std::string> types = kAllTypes;
  std::string keep, corpus;
  std::string pdfconvert = QV_PDFCONVERT_DEFAULT;
  std::string baseline;
  bool withCorpus = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--small" && i + 1 < argc) {
      smallPages = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--large" && i + 1 < argc) {
      largePages = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--types" && i + 1 < argc) {
      types = commaList(argv[++i]);
    } else if (readProgramOption(argc, argv, i, keep, pdfconvert, baseline)) {
    } else if (a == "--corpus" && i + 1 < argc) {
      corpus = argv[++i];
    } else if (a == "--no-corpus") {
      withCorpus = false;
    } else {
      std::cout << "Usage: bench_convert_book [--small N] [--large N] [--types pptx,docx,...] [--keep DIR] "
                   "[--pdfconvert PATH] [--baseline PATH] [--corpus DIR] [--no-corpus]\n";
      return a == "-h" || a == "--help" ? 0 : 2;
    }
  }
  if (!programsRunnable({pdfconvert, baseline}, "bench_convert_book")) return 2;
  const std::vector<fs::path> corpusFiles = pdfFiles(corpus.empty() ? std::vector<fs::path>{} : std::vector<fs::path>{corpus});
  if (corpusFiles.empty()) {
    std::cerr << "bench_convert_book: no corpus files to make the books from\n";
    return 2;
  }
  const std::vector<fs::path> sources = bookSources(corpusFiles.front().parent_path());

  platform::fs::WorkFolder scratch;
  const fs::path outFolder = keep.empty() ? fs::path(scratch.path()) : fs::path(keep);
  fs::create_directories(outFolder);
  const fs::path smallBook = outFolder / ("made-book-" + std::to_string(smallPages) + ".pdf");
  const fs::path largeBook = outFolder / ("made-book-" + std::to_string(largePages) + ".pdf");
  // Made in a child process: a parent grown by the books would count in the
  // peak of every program it starts (the kernel charges a spawned program
  // with the memory of the process it was spawned from until it runs).
  const Measured made = measured([&] { return makeBook(sources, smallPages, smallBook) && makeBook(sources, largePages, largeBook); });
  if (!made.ok) {
    std::cerr << "bench_convert_book: the books cannot be made from " << corpusFiles.front().parent_path() << "\n";
    return 2;
  }
  std::cout << "books: " << smallPages << " pages (" << fixed(fs::file_size(smallBook) / 1048576.0, 1) << " MB), "
            << largePages << " pages (" << fixed(fs::file_size(largeBook) / 1048576.0, 1) << " MB), from "
            << sources.size() << " corpus files; pdfconvert: " << pdfconvert
            << (baseline.empty() ? "" : ", baseline: " + baseline) << "\n\n";

  std::vector<Row> rows;
  for (const std::string& type : types) {
    Row row;
    row.type = type;
    // Both programs in turn on each file, so that they meet the same load.
    auto both = [&](const fs::path& file, const std::string& password, auto&& keep) {
      keep(row.ours, convert(pdfconvert, file, password, type, outFolder));
      if (!baseline.empty()) keep(row.baseline, convert(baseline, file, password, type, outFolder));
    };
    if (withCorpus)
      for (const fs::path& file : corpusFiles)
        both(file, corpusPassword(file), [&](Figures& f, const Measured& m) {
          if (!m.ok) ++f.corpusFailed;
          f.corpusSeconds += m.seconds;
          if (m.peakMB > f.corpusPeak) {
            f.corpusPeak = m.peakMB;
            f.corpusPeakFile = file.filename().string();
          }
        });
    both(smallBook, "", [](Figures& f, const Measured& m) { f.small = m; });
    both(largeBook, "", [](Figures& f, const Measured& m) { f.large = m; });
    rows.push_back(row);
  }

  std::cout << "program\ttype\tcorpus_s\tcorpus_peak_MB\tcorpus_peak_file\t" << smallPages << "p_s\t" << smallPages
            << "p_peak_MB\t" << largePages << "p_s\t" << largePages << "p_peak_MB\tgrowth\tverdict\n";
  bool allMet = true;
  for (const Row& row : rows) {
    printFigures("ours", row.type, row.ours, withCorpus, allMet);
    if (!baseline.empty()) {
      bool ignored = true;
      printFigures("baseline", row.type, row.baseline, withCorpus, ignored);
    }
  }
  std::cout << "\ntargets: " << largePages << " pages under " << fixed(kTargetPeakMB, 0) << " MB and under "
            << fixed(kTargetGrowth, 1) << " x the peak of " << smallPages << " pages, in every output: "
            << (allMet ? "met" : "missed") << "\n";
  return 0;
}
