#include "bench/support/spreadsheet_bench.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"

namespace {

namespace fs = std::filesystem;
using namespace qvbench;

constexpr double kTargetRatio = 3.0;
constexpr double kTargetSlowestPageSeconds = 1.0;

struct FileResult {
  fs::path file;
  int pages = 0;
  Measured ours;
  Measured pdftotext;
};

// Keeps the better of two measurements of the same work.
void keepBest(Measured& best, const Measured& m, int round) {
  if (round == 0 || (m.ok && m.seconds < best.seconds)) best = m;
}

}  // namespace

namespace qvbench {

int runSpreadsheetBenchmark(int argc, char** argv, const std::string& type) {
  int rounds = 3;
  std::string keep;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (a == "-h" || a == "--help") {
      std::cout << "Usage: bench_convert_" << type << " [--rounds N] [--keep DIR] [folder or PDF files...]\n";
      return 0;
    } else {
      inputs.emplace_back(a);
    }
  }
  const std::vector<fs::path> files = pdfFiles(inputs);
  platform::fs::WorkFolder scratch;
  const fs::path outFolder = keep.empty() ? fs::path(scratch.path()) : fs::path(keep);
  fs::create_directories(outFolder);
  const bool havePdftotext = toolExists("pdftotext");

  std::vector<FileResult> results;
  std::cout << "file\tpages\tours_s\tours_pages/s\tslowest_page_s\tours_peak_MB\tpdftotext_s\tpdftotext_peak_MB\n";
  for (const fs::path& file : files) {
    FileResult r;
    r.file = file;
    const std::string password = corpusPassword(file);
    {
      auto document = platform::PdfDocument::open(file.string(), password);
      r.pages = document && document->isUnlocked() ? document->pageCount() : 0;
    }
    if (r.pages == 0) {
      std::cout << file.filename().string() << "\tcannot be opened\n";
      continue;
    }
    const fs::path output = outFolder / (file.stem().string() + (type == "csv" ? "" : "." + type));
    for (int round = 0; round < rounds; ++round) {
      fs::remove_all(output);
      keepBest(r.ours,
               measured([&](Measured& m) {
                 return convertWithOurs(file, password, output, r.pages, type, &m.slowestPageSeconds);
               }),
               round);
      if (havePdftotext) {
        std::vector<std::string> args{"pdftotext", "-q", "-layout"};
        if (!password.empty()) args.insert(args.end(), {"-upw", password});
        args.insert(args.end(), {file.string(), (fs::path(scratch.path()) / "text.txt").string()});
        keepBest(r.pdftotext, measured([&] { return runTool(args); }), round);
      }
    }
    std::cout << file.filename().string() << "\t" << r.pages << "\t"
              << (r.ours.ok ? fixed(r.ours.seconds, 3) : "failed") << "\t" << rate(r.pages, r.ours.seconds) << "\t"
              << fixed(r.ours.slowestPageSeconds, 3) << "\t" << fixed(r.ours.peakMB, 1) << "\t"
              << (havePdftotext ? fixed(r.pdftotext.seconds, 3) : "-") << "\t"
              << (havePdftotext ? fixed(r.pdftotext.peakMB, 1) : "-") << "\n";
    results.push_back(r);
  }

  int pages = 0;
  double ours = 0, text = 0, oursPeak = 0, textPeak = 0, slowestPage = 0;
  std::string slowestFile;
  for (const FileResult& r : results) {
    pages += r.pages;
    ours += r.ours.seconds;
    text += r.pdftotext.seconds;
    oursPeak = std::max(oursPeak, r.ours.peakMB);
    textPeak = std::max(textPeak, r.pdftotext.peakMB);
    if (r.ours.slowestPageSeconds > slowestPage) {
      slowestPage = r.ours.slowestPageSeconds;
      slowestFile = r.file.filename().string();
    }
  }
  std::cout << "\nours (pdf -> " << type << "): " << pages << " pages in " << fixed(ours, 3) << " s: " << rate(pages, ours)
            << " pages/s, peak " << fixed(oursPeak, 1) << " MB; slowest page " << fixed(slowestPage, 3) << " s ("
            << slowestFile << "), target under " << fixed(kTargetSlowestPageSeconds, 0) << " s\n";
  if (havePdftotext && text > 0) {
    std::cout << "pdftotext -layout (pdf -> text): " << fixed(text, 3) << " s: " << rate(pages, text)
              << " pages/s, peak " << fixed(textPeak, 1) << " MB\n";
    std::cout << "time per page: " << fixed(ours / text, 2) << " x pdftotext's, target at most "
              << fixed(kTargetRatio, 0) << " x\n";
  } else {
    std::cout << "pdftotext not available\n";
  }
  return 0;
}

}  // namespace qvbench
