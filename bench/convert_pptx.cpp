// Times the conversion of the corpus to PowerPoint by the pdfconvert program,
// against pdftotext on the same files in the same run, and, once over all
// files, LibreOffice's own PDF import saved as PPTX
// (soffice --infilter=impress_pdf_import --convert-to pptx).
//
//   bench_convert_pptx [--rounds N] [--no-office] [--no-made] [--keep DIR] [--pdfconvert PATH]
//                      [--baseline PATH] [corpus folder or PDF files...]
//
// Over the corpus (no files given), pages of the slow kinds the corpus lacks
// are made in the run and timed with it (bench/support/made_pages.h), unless
// --no-made.
//
// Each run is a process of its own, timed from outside as a user would see
// it: wall time, CPU time (user + system) and peak resident memory, all from
// the kernel's accounting of the finished child. pdfconvert and pdftotext run
// in turn on each file, N rounds of the pair, and each keeps its fastest
// round, so that both meet the same machine load. The summary gives the ratio
// of the total times (pdfconvert / pdftotext), the slowest file per page and
// the highest peak memory. With --baseline, a second pdfconvert program (an
// earlier build) runs in the same turns, and the summary compares the two
// builds' times and peak memory as measured under the same load. LibreOffice runs once over all files in one call
// (one start-up, as a user converting a folder would), and over the files
// without a password, since it cannot be given one.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/made_pages.h"
#include "platform/fs/files.h"

namespace {

namespace fs = std::filesystem;
using namespace qvbench;

std::string ratio(double a, double b) { return b > 0 ? fixed(a / b, 2) : "-"; }

struct FileResult {
  fs::path file;
  std::string password;
  int pages = 0;
  Measured ours;
  Measured pdftotext;
  Measured baseline;
};

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  bool office = true;
  bool made = true;
  std::string keep;
  std::string pdfconvert = QV_PDFCONVERT_DEFAULT;
  std::string baseline;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--no-office") {
      office = false;
    } else if (a == "--no-made") {
      made = false;
    } else if (readProgramOption(argc, argv, i, keep, pdfconvert, baseline)) {
    } else if (a == "-h" || a == "--help") {
      std::cout << "Usage: bench_convert_pptx [--rounds N] [--no-office] [--no-made] [--keep DIR] [--pdfconvert PATH] "
                   "[--baseline PATH] [folder or PDF files...]\n";
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
  if (!toolExists(pdfconvert.c_str())) {
    std::cerr << "bench_convert_pptx: cannot run " << pdfconvert << " (give --pdfconvert PATH)\n";
    return 2;
  }
  if (!baseline.empty() && !toolExists(baseline.c_str())) {
    std::cerr << "bench_convert_pptx: cannot run the baseline " << baseline << "\n";
    return 2;
  }
  const bool havePdftotext = toolExists("pdftotext");
  office = office && toolExists("soffice");

  std::cout << "pdfconvert: " << pdfconvert << ", best of " << rounds << " rounds, pdfconvert and pdftotext in turn\n";
  if (!baseline.empty()) std::cout << "baseline: " << baseline << ", in the same turns\n";
  std::vector<FileResult> results;
  std::cout << "file\tpages\tours_s\tours_s/page\tours_cpu_s\tours_peak_MB\tpdftotext_s\tpdftotext_cpu_s\t"
               "pdftotext_peak_MB\tratio"
            << (baseline.empty() ? "" : "\tbaseline_s\tbaseline_peak_MB") << "\n";
  for (const fs::path& file : files) {
    FileResult r;
    r.file = file;
    r.password = corpusPassword(file);
    r.pages = pageCount(file, r.password);
    if (r.pages == 0) {
      std::cout << file.filename().string() << "\tcannot be opened\n";
      continue;
    }
    const fs::path output = outFolder / (file.stem().string() + ".pptx");
    std::vector<std::string> ours{pdfconvert, "--to", "pptx"};
    if (!r.password.empty()) ours.insert(ours.end(), {"--password", r.password});
    ours.insert(ours.end(), {file.string(), output.string()});
    const std::vector<std::string> text = pdftotextCommand(file, r.password, fs::path(scratch.path()) / "text.txt");
    std::vector<std::string> before = ours;
    if (!baseline.empty()) {
      before.front() = baseline;
      before.back() = (outFolder / (file.stem().string() + ".baseline.pptx")).string();
    }
    for (int round = 0; round < rounds; ++round) {
      keepBest(r.ours, measuredRun(ours), round == 0);
      if (havePdftotext) keepBest(r.pdftotext, measuredRun(text), round == 0);
      if (!baseline.empty()) keepBest(r.baseline, measuredRun(before), round == 0);
    }
    std::cout << file.filename().string() << "\t" << r.pages << "\t"
              << (r.ours.ok ? fixed(r.ours.seconds, 3) : "failed") << "\t" << fixed(r.ours.seconds / r.pages, 4)
              << "\t" << fixed(r.ours.cpuSeconds, 3) << "\t" << fixed(r.ours.peakMB, 1) << "\t"
              << (havePdftotext ? fixed(r.pdftotext.seconds, 3) : "-") << "\t"
              << (havePdftotext ? fixed(r.pdftotext.cpuSeconds, 3) : "-") << "\t"
              << (havePdftotext ? fixed(r.pdftotext.peakMB, 1) : "-") << "\t"
              << (havePdftotext ? ratio(r.ours.seconds, r.pdftotext.seconds) : "-");
    if (!baseline.empty())
      std::cout << "\t" << (r.baseline.ok ? fixed(r.baseline.seconds, 3) : "failed") << "\t"
                << fixed(r.baseline.peakMB, 1);
    std::cout << "\n";
    results.push_back(r);
  }

  int pages = 0, officePages = 0, failed = 0;
  double ours = 0, oursCpu = 0, text = 0, textCpu = 0, oursPeak = 0, textPeak = 0;
  double before = 0, beforeCpu = 0, beforePeak = 0, slowestBefore = 0;
  int peakHigher = 0;
  const FileResult* slowest = nullptr;
  std::vector<fs::path> officeFiles;
  for (const FileResult& r : results) {
    pages += r.pages;
    ours += r.ours.seconds;
    oursCpu += r.ours.cpuSeconds;
    text += r.pdftotext.seconds;
    textCpu += r.pdftotext.cpuSeconds;
    oursPeak = std::max(oursPeak, r.ours.peakMB);
    textPeak = std::max(textPeak, r.pdftotext.peakMB);
    before += r.baseline.seconds;
    beforeCpu += r.baseline.cpuSeconds;
    beforePeak = std::max(beforePeak, r.baseline.peakMB);
    slowestBefore = std::max(slowestBefore, r.baseline.seconds / r.pages);
    if (r.ours.peakMB > r.baseline.peakMB) ++peakHigher;
    if (!r.ours.ok) ++failed;
    if (!slowest || r.ours.seconds / r.pages > slowest->ours.seconds / slowest->pages) slowest = &r;
    if (r.password.empty()) {
      officeFiles.push_back(r.file);
      officePages += r.pages;
    }
  }
  std::cout << "\npdfconvert (pdf -> pptx): " << pages << " pages in " << fixed(ours, 3) << " s (cpu "
            << fixed(oursCpu, 3) << " s): " << rate(pages, ours) << " pages/s, peak " << fixed(oursPeak, 1) << " MB";
  if (failed) std::cout << ", " << failed << " files failed";
  std::cout << "\n";
  if (slowest)
    std::cout << "slowest file per page: " << slowest->file.filename().string() << ", "
              << fixed(slowest->ours.seconds / slowest->pages, 4) << " s per page (" << slowest->pages
              << (slowest->pages == 1 ? " page)\n" : " pages)\n");
  if (havePdftotext) {
    std::cout << "pdftotext (pdf -> text): " << fixed(text, 3) << " s (cpu " << fixed(textCpu, 3)
              << " s): " << rate(pages, text) << " pages/s, peak " << fixed(textPeak, 1) << " MB\n";
    std::cout << "ratio of total times (pdfconvert / pdftotext): wall " << ratio(ours, text) << ", cpu "
              << ratio(oursCpu, textCpu) << "\n";
  } else {
    std::cout << "pdftotext not available\n";
  }
  if (!baseline.empty()) {
    std::cout << "baseline (pdf -> pptx): " << fixed(before, 3) << " s (cpu " << fixed(beforeCpu, 3)
              << " s), peak " << fixed(beforePeak, 1) << " MB, slowest file " << fixed(slowestBefore, 4)
              << " s per page\n";
    std::cout << "pdfconvert / baseline: wall " << ratio(ours, before) << ", cpu " << ratio(oursCpu, beforeCpu)
              << ", highest peak " << ratio(oursPeak, beforePeak) << "; " << peakHigher << " of " << results.size()
              << " files with a higher peak than the baseline's\n";
    if (havePdftotext)
      std::cout << "baseline / pdftotext: wall " << ratio(before, text) << ", cpu " << ratio(beforeCpu, textCpu)
                << "\n";
  }

  if (office && !officeFiles.empty()) {
    const fs::path officeOut = outFolder / "libreoffice";
    fs::create_directories(officeOut);
    platform::fs::WorkFolder profile;
    std::vector<std::string> args{"timeout",
                                  "1800",
                                  "soffice",
                                  "-env:UserInstallation=file://" + profile.path(),
                                  "--headless",
                                  "--norestore",
                                  "--infilter=impress_pdf_import",
                                  "--convert-to",
                                  "pptx",
                                  "--outdir",
                                  officeOut.string()};
    for (const fs::path& f : officeFiles) args.push_back(f.string());
    const Measured m = measuredRun(args, (officeOut / "soffice.log").string());
    int converted = 0, convertedPages = 0;
    for (const FileResult& r : results)
      if (r.password.empty() && fs::exists(officeOut / (r.file.stem().string() + ".pptx"))) {
        ++converted;
        convertedPages += r.pages;
      }
    std::cout << "LibreOffice (impress_pdf_import -> pptx, one call): " << converted << " of " << officeFiles.size()
              << " files, " << convertedPages << " of " << officePages << " pages in " << fixed(m.seconds, 3)
              << " s: " << rate(convertedPages, m.seconds) << " pages/s, peak " << fixed(m.peakMB, 1) << " MB\n";
    if (m.seconds > 0 && ours > 0) {
      double oursSame = 0;
      for (const FileResult& r : results)
        if (r.password.empty()) oursSame += r.ours.seconds;
      std::cout << "pdfconvert on the same files: " << rate(officePages, oursSame) << " pages/s ("
                << fixed(m.seconds / std::max(oursSame, 1e-9), 1) << " x LibreOffice's speed)\n";
    }
  } else {
    std::cout << "LibreOffice not run\n";
  }
  return 0;
}
