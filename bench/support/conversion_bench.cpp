#include "bench/support/conversion_bench.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/made_pages.h"
#include "platform/fs/files.h"

namespace qvbench {

namespace {

constexpr double kTargetRatio = 3.0;
constexpr double kTargetSlowestPageSeconds = 1.0;

struct FileResult {
  fs::path file;
  std::string password;
  int pages = 0;
  Measured ours;
  Measured pdftotext;
  Measured pdftohtml;
};

// Keeps the better of two measurements of the same work.
void runOffice(const ConversionBenchmark& benchmark, const fs::path& outFolder, const std::vector<FileResult>& results) {
  std::vector<fs::path> officeFiles;
  int officePages = 0;
  double oursSame = 0;
  for (const FileResult& r : results)
    if (r.password.empty()) {
      officeFiles.push_back(r.file);
      officePages += r.pages;
      oursSame += r.ours.seconds;
    }
  if (officeFiles.empty()) {
    std::cout << "LibreOffice not run\n";
    return;
  }
  const fs::path officeOut = outFolder / "libreoffice";
  fs::create_directories(officeOut);
  platform::fs::WorkFolder profile;
  std::vector<std::string> args{"timeout",
                                "1800",
                                "soffice",
                                "-env:UserInstallation=file://" + profile.path(),
                                "--headless",
                                "--norestore",
                                "--infilter=" + benchmark.officeFilter,
                                "--convert-to",
                                benchmark.type,
                                "--outdir",
                                officeOut.string()};
  for (const fs::path& f : officeFiles) args.push_back(f.string());
  const Measured m = measured([&] { return runTool(args, (officeOut / "soffice.log").string()); });
  int converted = 0, convertedPages = 0;
  for (const FileResult& r : results)
    if (r.password.empty() && fs::exists(officeOut / (r.file.stem().string() + "." + benchmark.type))) {
      ++converted;
      convertedPages += r.pages;
    }
  std::cout << "LibreOffice (" << benchmark.officeFilter << " -> " << benchmark.type << ", one call): " << converted << " of "
            << officeFiles.size() << " files, " << convertedPages << " of " << officePages << " pages in "
            << fixed(m.seconds, 3) << " s: " << rate(convertedPages, m.seconds) << " pages/s, peak "
            << fixed(m.peakMB, 1) << " MB\n";
  if (m.seconds > 0 && oursSame > 0)
    std::cout << "ours on the same files: " << rate(officePages, oursSame) << " pages/s ("
              << fixed(m.seconds / oursSame, 1) << " x LibreOffice's speed)\n";
}

}  // namespace

int runConversionBenchmark(int argc, char** argv, const ConversionBenchmark& benchmark) {
  int rounds = 3;
  bool office = !benchmark.officeFilter.empty();
  bool made = true;
  std::string keep;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--no-office") {
      office = false;
    } else if (a == "--no-made") {
      made = false;
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (a == "-h" || a == "--help") {
      std::cout << "Usage: bench_convert_" << benchmark.type
                << " [--rounds N] [--no-office] [--no-made] [--keep DIR] [folder or PDF files...]\n";
      return 0;
    } else {
      inputs.emplace_back(a);
    }
  }
  std::vector<fs::path> files = pdfFiles(inputs);

  platform::fs::WorkFolder scratch;
  const fs::path outFolder = keep.empty() ? fs::path(scratch.path()) : fs::path(keep);
  fs::create_directories(outFolder);
  if (made && inputs.empty())
    for (const fs::path& page : makeSlowPages(outFolder / "made")) files.push_back(page);
  const bool havePdftotext = toolExists("pdftotext");
  const bool havePdftohtml = benchmark.pdftohtml && toolExists("pdftohtml");
  office = office && toolExists("soffice");

  std::vector<FileResult> results;
  std::cout << "file\tpages\tours_s\tours_pages/s\tslowest_page_s\tours_peak_MB\tpdftotext_s\tpdftotext_peak_MB"
            << (havePdftohtml ? "\tpdftohtml_s\tpdftohtml_peak_MB" : "") << "\n";
  for (const fs::path& file : files) {
    FileResult r;
    r.file = file;
    r.password = corpusPassword(file);
    r.pages = pageCount(file, r.password);
    if (r.pages == 0) {
      std::cout << file.filename().string() << "\tcannot be opened\n";
      continue;
    }
    const fs::path output = outFolder / (file.stem().string() + (benchmark.folderOutput ? "" : "." + benchmark.type));
    for (int round = 0; round < rounds; ++round) {
      // A folder output is never replaced: each round starts without it.
      if (benchmark.folderOutput) fs::remove_all(output);
      keepBest(r.ours,
               measured([&](Measured& m) {
                 return convertWithOurs(file, r.password, output, r.pages, benchmark.type, &m.slowestPageSeconds);
               }),
               round == 0);
      if (havePdftotext) {
        const auto args = pdftotextCommand(file, r.password, fs::path(scratch.path()) / "text.txt",
                                           benchmark.pdftotextLayout);
        keepBest(r.pdftotext, measured([&] { return runTool(args); }), round == 0);
      }
      if (havePdftohtml) {
        std::vector<std::string> args{"pdftohtml", "-q", "-s", "-i", "-noframes"};
        if (!r.password.empty()) args.insert(args.end(), {"-upw", r.password});
        args.insert(args.end(), {file.string(), (fs::path(scratch.path()) / "pdftohtml.html").string()});
        keepBest(r.pdftohtml, measured([&] { return runTool(args); }), round == 0);
      }
    }
    std::cout << file.filename().string() << "\t" << r.pages << "\t"
              << (r.ours.ok ? fixed(r.ours.seconds, 3) : "failed") << "\t" << rate(r.pages, r.ours.seconds) << "\t"
              << fixed(r.ours.slowestPageSeconds, 3) << "\t" << fixed(r.ours.peakMB, 1) << "\t"
              << (havePdftotext ? fixed(r.pdftotext.seconds, 3) : "-") << "\t"
              << (havePdftotext ? fixed(r.pdftotext.peakMB, 1) : "-");
    if (havePdftohtml) std::cout << "\t" << fixed(r.pdftohtml.seconds, 3) << "\t" << fixed(r.pdftohtml.peakMB, 1);
    std::cout << "\n";
    results.push_back(r);
  }

  int pages = 0;
  double ours = 0, text = 0, html = 0, oursPeak = 0, textPeak = 0, htmlPeak = 0, slowestPage = 0;
  std::string slowestFile;
  for (const FileResult& r : results) {
    pages += r.pages;
    ours += r.ours.seconds;
    text += r.pdftotext.seconds;
    oursPeak = std::max(oursPeak, r.ours.peakMB);
    textPeak = std::max(textPeak, r.pdftotext.peakMB);
    html += r.pdftohtml.seconds;
    htmlPeak = std::max(htmlPeak, r.pdftohtml.peakMB);
    if (r.ours.slowestPageSeconds > slowestPage) {
      slowestPage = r.ours.slowestPageSeconds;
      slowestFile = r.file.filename().string();
    }
  }
  std::cout << "\nours (pdf -> " << benchmark.type << "): " << pages << " pages in " << fixed(ours, 3)
            << " s: " << rate(pages, ours) << " pages/s, peak " << fixed(oursPeak, 1) << " MB; slowest page "
            << fixed(slowestPage, 3) << " s (" << slowestFile << "), target under "
            << fixed(kTargetSlowestPageSeconds, 0) << " s\n";
  if (havePdftotext && text > 0)
    std::cout << "pdftotext" << (benchmark.pdftotextLayout ? " -layout" : "") << " (pdf -> text): " << fixed(text, 3)
              << " s: " << rate(pages, text) << " pages/s, peak " << fixed(textPeak, 1) << " MB\n"
              << "time per page: " << fixed(ours / text, 2) << " x pdftotext's, target at most "
              << fixed(kTargetRatio, 0) << " x\n";
  else
    std::cout << "pdftotext not available\n";
  if (havePdftohtml && html > 0)
    std::cout << "pdftohtml -s -i (pdf -> html): " << fixed(html, 3) << " s: " << rate(pages, html)
              << " pages/s, peak " << fixed(htmlPeak, 1) << " MB; ours take " << fixed(ours / html, 2)
              << " x its time per page\n";

  if (office)
    runOffice(benchmark, outFolder, results);
  else if (!benchmark.officeFilter.empty())
    std::cout << "LibreOffice not run\n";
  return 0;
}

}  // namespace qvbench
