// Interpreted pages per second over the corpus, with pdftotext timed on the
// same files in the same run as the reference floor.
//
//   bench_interpret_corpus [rounds] [corpus folder]
//
// Each round interprets every page of every file (opening included) with a
// delegate that only counts what it is told; then each file goes through
// pdftotext once per round. The best round of each counts.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/QVPDFConentParser.h"
#include "pdf/RenderingStateStack.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "platform/text/text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct CorpusFile {
  fs::path path;
  std::string password;
};

std::vector<CorpusFile> corpus(const fs::path& dir) {
  std::vector<CorpusFile> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.path().extension() == ".pdf") files.push_back({entry.path(), ""});
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  std::ifstream manifest(dir / "manifest.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string name, pages, password;
    std::getline(fields, name, '\t');
    std::getline(fields, pages, '\t');
    std::getline(fields, password, '\t');
    for (auto& f : files)
      if (f.path.filename() == name && password != "-") f.password = password;
  }
  return files;
}

class CountingDelegate : public QVPDFConentParserDelegate {
 public:
  void didScanText(QVPDFConentParser&, const std::string&, platform::Size) override { ++texts; }
  void didScanPath(QVPDFConentParser&, const platform::Path& path, bool, bool) override {
    ++paths;
    elements += path.elements().size();
  }
  void didScanXObjectImage(QVPDFConentParser&, const std::shared_ptr<QVPDFImageXObject>&) override { ++images; }
  uint64_t texts = 0, paths = 0, elements = 0, images = 0;
};

struct Totals {
  uint64_t pages = 0;
  uint64_t cutOff = 0;
  CountingDelegate counts;
};

// Every page of every file, the way an exporter drives the interpreter.
Totals interpretAll(const std::vector<CorpusFile>& files) {
  Totals totals;
  for (const auto& file : files) {
    auto document = platform::PdfDocument::open(file.path.string(), file.password);
    if (!document || !document->isUnlocked()) {
      std::cerr << "cannot open " << file.path << "\n";
      continue;
    }
    for (int n = 1; n <= document->pageCount(); ++n) {
      auto page = document->page(n);
      if (!page) continue;
      auto stack = std::make_shared<RenderingStateStack>();
      QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
      parser.setDelegate(&totals.counts);
      parser.setRenderingStateStack(stack);
      parser.startParser();
      ++totals.pages;
      if (parser.wasCutOff()) ++totals.cutOff;
    }
  }
  return totals;
}

// pdftotext on one file, its text thrown away; false when it failed.
bool runPdftotext(const CorpusFile& file) {
  std::vector<std::string> args = {"pdftotext", "-q"};
  if (!file.password.empty()) {
    args.push_back("-upw");
    args.push_back(file.password);
  }
  args.push_back(file.path.string());
  args.push_back("/dev/null");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "pdftotext", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string fixed(double v, int decimals) { return platform::text::formatFixed(v, decimals); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path dir = argc > 2 ? fs::path(argv[2]) : fs::path(QV_CORPUS_DIR_DEFAULT);
  const auto files = corpus(dir);
  if (files.empty()) {
    std::cerr << "no PDF files in " << dir << "\n";
    return 1;
  }
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);

  double bestInterpret = 1e300;
  Totals totals;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    totals = interpretAll(files);
    bestInterpret = std::min(bestInterpret, std::chrono::duration<double>(Clock::now() - start).count());
  }

  double bestReference = 1e300;
  bool referenceOk = true;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    for (const auto& file : files) referenceOk = runPdftotext(file) && referenceOk;
    bestReference = std::min(bestReference, std::chrono::duration<double>(Clock::now() - start).count());
  }

  const double pages = static_cast<double>(totals.pages);
  std::cout << "corpus: " << files.size() << " files, " << totals.pages << " pages (" << dir.string() << ")\n";
  std::cout << "reported: " << totals.counts.texts << " strings, " << totals.counts.paths << " paths ("
            << totals.counts.elements << " elements), " << totals.counts.images << " images; " << totals.cutOff
            << " pages cut off\n";
  std::cout << "interpreter: " << fixed(bestInterpret, 3) << " s, " << fixed(pages / bestInterpret, 1)
            << " pages/s (best of " << rounds << ")\n";
  if (!referenceOk) std::cout << "pdftotext: failed on at least one file\n";
  std::cout << "pdftotext:   " << fixed(bestReference, 3) << " s, " << fixed(pages / bestReference, 1)
            << " pages/s (reference floor)\n";
  std::cout << "ratio: " << fixed(bestReference / bestInterpret, 2) << "x the reference speed\n";
  return 0;
}
