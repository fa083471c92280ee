// Decoded pages per second over the corpus: every page interpreted with the
// pdftext delegate, its strings decoded through the fonts and joined into
// words, against pdftotext timed on the same files in the same run.
//
//   bench_decode_text [rounds] [corpus folder]
//
// Fonts are built once per document, as in a conversion. The best of the
// rounds counts for each side.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "tools/pdftext/PdfTextCollector.h"

extern char** environ;

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Source {
  stdfs::path path;
  std::string password;
};

// The corpus PDFs with the passwords its manifest lists.
std::vector<Source> corpusSources(const stdfs::path& folder) {
  std::vector<Source> sources;
  std::error_code ec;
  for (const auto& entry : stdfs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".pdf") sources.push_back({entry.path(), {}});
  std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.path < b.path; });
  std::ifstream manifest(folder / "manifest.tsv");
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (fields.size() < 3 || fields[2] == "-") continue;
    for (Source& s : sources)
      if (s.path.filename() == fields[0]) s.password = fields[2];
  }
  return sources;
}

struct Tally {
  uint64_t pages = 0;
  uint64_t strings = 0;
  uint64_t bytes = 0;  // UTF-8 of the joined page text
};

Tally decodeAll(const std::vector<Source>& sources) {
  Tally tally;
  for (const Source& source : sources) {
    auto document = platform::PdfDocument::open(source.path.string(), source.password);
    if (!document || !document->isUnlocked()) {
      std::cerr << "cannot open " << source.path << "\n";
      continue;
    }
    for (const auto& pieces : pdftext::collectDocument(*document)) {
      ++tally.pages;
      tally.strings += pieces.size();
      tally.bytes += pdftext::assemblePageText(pieces).size();
    }
  }
  return tally;
}

bool pdftotext(const Source& source) {
  std::vector<std::string> args = {"pdftotext", "-q", "-enc", "UTF-8"};
  if (!source.password.empty()) args.insert(args.end(), {"-upw", source.password});
  args.insert(args.end(), {source.path.string(), "/dev/null"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "pdftotext", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const stdfs::path folder = argc > 2 ? stdfs::path(argv[2]) : stdfs::path(QV_CORPUS_DIR_DEFAULT);
  const auto sources = corpusSources(folder);
  if (sources.empty()) {
    std::cerr << "no PDF files in " << folder << "\n";
    return 1;
  }
  // Images the pages list are written into a private work folder.
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);

  Tally tally;
  double ours = 1e300;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    tally = decodeAll(sources);
    ours = std::min(ours, seconds(start));
  }
  double reference = 1e300;
  bool referenceRan = true;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    for (const Source& s : sources) referenceRan = pdftotext(s) && referenceRan;
    reference = std::min(reference, seconds(start));
  }

  using platform::text::formatFixed;
  std::cout << "files " << sources.size() << ", pages " << tally.pages << ", strings " << tally.strings
            << ", text bytes " << tally.bytes << "\n";
  std::cout << "decode_text: " << formatFixed(ours, 3) << " s, " << formatFixed(tally.pages / ours, 1)
            << " pages/s\n";
  if (referenceRan) {
    std::cout << "pdftotext:   " << formatFixed(reference, 3) << " s, " << formatFixed(tally.pages / reference, 1)
              << " pages/s\n";
    std::cout << "ratio (ours / pdftotext pages per second): " << formatFixed(reference / ours, 2) << "\n";
  } else {
    std::cout << "pdftotext: not available or failed on a file\n";
  }
  return 0;
}
