// Scans every page of the corpus with the content-stream scanner and prints
// pages and operators per second; runs `qpdf --check` on the same files in
// the same run as the reference.
//
//   bench_scan_corpus [--rounds N] [--no-reference] [CORPUS_DIR]
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct CorpusFile {
  std::filesystem::path path;
  std::string password;
};

std::vector<CorpusFile> corpus(const std::filesystem::path& dir) {
  std::map<std::string, std::string> passwords;
  std::ifstream manifest(dir / "manifest.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string name, pages, password;
    std::getline(fields, name, '\t');
    std::getline(fields, pages, '\t');
    std::getline(fields, password, '\t');
    if (!password.empty() && password != "-") passwords[name] = password;
  }
  std::vector<CorpusFile> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() != ".pdf") continue;
    auto it = passwords.find(entry.path().filename().string());
    files.push_back({entry.path(), it == passwords.end() ? "" : it->second});
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  return files;
}

struct ScanTotals {
  uint64_t pages = 0;
  uint64_t operators = 0;
  uint64_t contentBytes = 0;
  int failedFiles = 0;
  Clock::duration openTime{};    // opening the documents
  Clock::duration decodeTime{};  // decoding the content streams
  Clock::duration scanTime{};    // tokenizing and dispatching
};

// Opens each file and scans every page with a table that takes the operands
// of the common operators, as the interpreter's table does.
void scanCorpus(const std::vector<CorpusFile>& files, ScanTotals& totals) {
  platform::PdfOperatorTable table;
  double sink = 0;
  for (const char* op : {"cm", "m", "l", "c", "re", "Td", "Tm", "rg", "RG", "g", "G", "w"})
    table.set(op, [&sink](platform::PdfScanner& s) {
      while (s.operandCount() > 0) sink += s.popNumber().value_or(0);
    });
  for (const char* op : {"Tj", "'", "Tf", "Do", "gs", "cs", "CS"})
    table.set(op, [&sink](platform::PdfScanner& s) {
      while (s.operandCount() > 0) sink += static_cast<double>(s.popObject().has_value());
    });
  table.set("TJ", [&sink](platform::PdfScanner& s) {
    if (auto a = s.popArray()) sink += static_cast<double>(a->size());
  });
  table.set("EI", [&sink](platform::PdfScanner& s) { sink += s.popStream().has_value(); });

  for (const auto& file : files) {
    auto t0 = Clock::now();
    auto doc = platform::PdfDocument::open(file.path.string(), file.password);
    totals.openTime += Clock::now() - t0;
    if (!doc || !doc->isUnlocked()) {
      ++totals.failedFiles;
      continue;
    }
    for (int n = 1; n <= doc->pageCount(); ++n) {
      auto page = doc->page(n);
      auto t1 = Clock::now();
      auto stream = platform::PdfContentStream::forPage(*page);
      auto t2 = Clock::now();
      platform::PdfScanner scanner(stream, table);
      scanner.scan();
      totals.decodeTime += t2 - t1;
      totals.scanTime += Clock::now() - t2;
      ++totals.pages;
      totals.operators += scanner.operatorCount();
      totals.contentBytes += stream->data().size();
    }
  }
  if (sink == 0.123456789) std::cout << "";  // keeps the callbacks' work observable
}

// Runs `qpdf --check` on the file with its output discarded; answers whether
// it could be run.
bool qpdfCheck(const CorpusFile& file) {
  std::vector<std::string> args = {"qpdf", "--check"};
  if (!file.password.empty()) args.push_back("--password=" + file.password);
  args.push_back(file.path.string());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "qpdf", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) != 127;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  bool reference = true;
  std::filesystem::path dir;
  if (const char* env = std::getenv("QV_CORPUS_DIR"); env && *env) dir = env;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--no-reference") == 0) {
      reference = false;
    } else {
      dir = argv[i];
    }
  }
  if (dir.empty()) dir = QV_CORPUS_DIR_DEFAULT;
  auto files = corpus(dir);
  if (files.empty()) {
    std::cerr << "no PDF files in " << dir << "\n";
    return 1;
  }

  // One round to warm the page cache, then the timed rounds.
  ScanTotals warm;
  scanCorpus(files, warm);
  ScanTotals totals;
  auto start = Clock::now();
  for (int r = 0; r < rounds; ++r) scanCorpus(files, totals);
  double scanTime = seconds(Clock::now() - start);

  int checked = 0;
  auto checkStart = Clock::now();
  for (int r = 0; r < rounds && reference; ++r)
    for (const auto& file : files) checked += qpdfCheck(file) ? 1 : 0;
  double checkTime = seconds(Clock::now() - checkStart);

  std::printf("corpus: %zu files, %llu pages, %llu operators, %.1f MiB of content per round (%s)\n", files.size(),
              static_cast<unsigned long long>(warm.pages), static_cast<unsigned long long>(warm.operators),
              static_cast<double>(warm.contentBytes) / (1024.0 * 1024.0), dir.string().c_str());
  if (warm.failedFiles > 0) std::printf("files that did not open: %d\n", warm.failedFiles);
  std::printf("scan (open, decode, tokenize, dispatch), %d rounds: %.3f s, %.0f pages/s, %.0f operators/s\n", rounds,
              scanTime, static_cast<double>(totals.pages) / scanTime, static_cast<double>(totals.operators) / scanTime);
  double tokenize = seconds(totals.scanTime);
  std::printf("  of which: open %.3f s, decode %.3f s, tokenize and dispatch %.3f s (%.0f operators/s, %.1f MiB/s)\n",
              seconds(totals.openTime), seconds(totals.decodeTime), tokenize,
              static_cast<double>(totals.operators) / tokenize,
              static_cast<double>(totals.contentBytes) / (1024.0 * 1024.0) / tokenize);
  if (checked == 0) {
    std::printf("qpdf --check: not run%s\n", reference ? " (qpdf not found)" : "");
    return 0;
  }
  std::printf("qpdf --check (reference), %d rounds: %.3f s, %.0f pages/s\n", rounds, checkTime,
              static_cast<double>(totals.pages) / checkTime);
  std::printf("scan time / qpdf --check time: %.2f\n", scanTime / checkTime);
  return 0;
}
