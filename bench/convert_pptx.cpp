// Times the conversion of the corpus to PowerPoint (pages per second and peak
// memory) through the converter as the program runs it, and, on the same
// files in the same run, pdftotext and LibreOffice's own PDF import saved as
// PPTX (soffice --infilter=impress_pdf_import --convert-to pptx).
//
//   bench_convert_pptx [--rounds N] [--no-office] [--keep DIR] [corpus folder or PDF files...]
//
// Every measured run happens in a child process of its own, so that its peak
// resident memory (of the child and of everything it waited for) is its own.
// Our conversion and pdftotext are timed per file, best of N rounds;
// LibreOffice runs once over all files in one call (one start-up, as a user
// converting a folder would), and over the files without a password, since
// it cannot be given one.
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

struct FileResult {
  fs::path file;
  std::string password;
  int pages = 0;
  Measured ours;
  Measured pdftotext;
};

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  bool office = true;
  std::string keep;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--no-office") {
      office = false;
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (a == "-h" || a == "--help") {
      std::cout << "Usage: bench_convert_pptx [--rounds N] [--no-office] [--keep DIR] [folder or PDF files...]\n";
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
  office = office && toolExists("soffice");

  std::vector<FileResult> results;
  std::cout << "file\tpages\tours_s\tours_pages/s\tours_peak_MB\tpdftotext_s\tpdftotext_peak_MB\n";
  for (const fs::path& file : files) {
    FileResult r;
    r.file = file;
    r.password = corpusPassword(file);
    {
      auto document = platform::PdfDocument::open(file.string(), r.password);
      r.pages = document && document->isUnlocked() ? document->pageCount() : 0;
    }
    if (r.pages == 0) {
      std::cout << file.filename().string() << "\tcannot be opened\n";
      continue;
    }
    const fs::path output = outFolder / (file.stem().string() + ".pptx");
    for (int round = 0; round < rounds; ++round) {
      Measured m = measured([&] { return convertWithOurs(file, r.password, output, r.pages, "pptx"); });
      if (round == 0 || (m.ok && m.seconds < r.ours.seconds)) r.ours = m;
      if (havePdftotext) {
        std::vector<std::string> args{"pdftotext", "-q"};
        if (!r.password.empty()) args.insert(args.end(), {"-upw", r.password});
        args.insert(args.end(), {file.string(), (fs::path(scratch.path()) / "text.txt").string()});
        Measured t = measured([&] { return runTool(args); });
        if (round == 0 || (t.ok && t.seconds < r.pdftotext.seconds)) r.pdftotext = t;
      }
    }
    std::cout << file.filename().string() << "\t" << r.pages << "\t"
              << (r.ours.ok ? fixed(r.ours.seconds, 3) : "failed") << "\t" << rate(r.pages, r.ours.seconds) << "\t"
              << fixed(r.ours.peakMB, 1) << "\t" << (havePdftotext ? fixed(r.pdftotext.seconds, 3) : "-") << "\t"
              << (havePdftotext ? fixed(r.pdftotext.peakMB, 1) : "-") << "\n";
    results.push_back(r);
  }

  int pages = 0, officePages = 0;
  double ours = 0, text = 0, oursPeak = 0, textPeak = 0;
  std::vector<fs::path> officeFiles;
  for (const FileResult& r : results) {
    pages += r.pages;
    ours += r.ours.seconds;
    text += r.pdftotext.seconds;
    oursPeak = std::max(oursPeak, r.ours.peakMB);
    textPeak = std::max(textPeak, r.pdftotext.peakMB);
    if (r.password.empty()) {
      officeFiles.push_back(r.file);
      officePages += r.pages;
    }
  }
  std::cout << "\nours (pdf -> pptx): " << pages << " pages in " << fixed(ours, 3) << " s: " << rate(pages, ours)
            << " pages/s, peak " << fixed(oursPeak, 1) << " MB\n";
  if (havePdftotext)
    std::cout << "pdftotext (pdf -> text): " << fixed(text, 3) << " s: " << rate(pages, text) << " pages/s, peak "
              << fixed(textPeak, 1) << " MB\n";
  else
    std::cout << "pdftotext not available\n";

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
    const Measured m = measured([&] { return runTool(args, (officeOut / "soffice.log").string()); });
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
      std::cout << "ours on the same files: " << rate(officePages, oursSame) << " pages/s ("
                << fixed(m.seconds / std::max(oursSame, 1e-9), 1) << " x LibreOffice's speed)\n";
    }
  } else {
    std::cout << "LibreOffice not run\n";
  }
  return 0;
}
