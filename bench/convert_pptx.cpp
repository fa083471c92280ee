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
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "convert/QVPDFConverter.h"
#include "convert/QVPDFConverterDelegate.h"
#include "exporters/QVBuiltInExporters.h"
#include "platform/dispatch/queue.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Measured {
  bool ok = false;
  double seconds = 0;
  double peakMB = 0;
};

double peakOfThisProcessMB() {
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  return static_cast<double>(std::max(self.ru_maxrss, children.ru_maxrss)) / 1024.0;  // kilobytes on Linux
}

// Runs `work` in a child process; its wall time and peak memory. The child
// answers through a pipe: whether the work succeeded and its peak.
Measured measured(const std::function<bool()>& work) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) {
    close(pipeFds[0]);
    bool ok = false;
    try {
      ok = work();
    } catch (...) {
      ok = false;
    }
    const double report[2] = {ok ? 1.0 : 0.0, peakOfThisProcessMB()};
    ssize_t written = write(pipeFds[1], report, sizeof report);
    (void)written;
    _exit(0);
  }
  close(pipeFds[1]);
  double report[2] = {0, 0};
  const ssize_t got = read(pipeFds[0], report, sizeof report);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Measured m;
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.ok = got == static_cast<ssize_t>(sizeof report) && report[0] == 1.0;
  m.peakMB = report[1];
  return m;
}

bool runTool(std::vector<std::string> args, const std::string& logFile = "/dev/null") {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool toolExists(const char* name) {
  return runTool({"sh", "-c", std::string("command -v ") + name});
}

// Converts through the converter and the registered exporters, as
// pdfconvert does; true when the conversion ended without error.
class EndWatcher : public QVPDFConverterDelegate {
 public:
  bool ended = false;
  bool failed = false;
  void didEndConversion(QVPDFConverter&, const std::optional<QVConversionError>& error) override {
    ended = true;
    failed = error.has_value();
  }
};

bool convertWithOurs(const fs::path& file, const std::string& password, const fs::path& output, int pages) {
  registerBuiltInExporters();
  std::vector<int64_t> list;
  for (int n = 1; n <= pages; ++n) list.push_back(n);
  platform::DrainedMainQueue mainQueue;
  EndWatcher watcher;
  {
    QVPDFConverter converter(mainQueue);
    converter.setDelegate(&watcher);
    converter.convertPDFAtPath(file.string(), password, list, "pptx", output.string(), std::nullopt);
    mainQueue.runUntil([&] { return watcher.ended; });
  }
  return !watcher.failed && fs::exists(output);
}

std::string corpusPassword(const fs::path& file) {
  auto manifest = platform::fs::readFile((file.parent_path() / "manifest.tsv").string());
  if (!manifest) return "";
  const std::string name = file.filename().string();
  size_t pos = 0;
  while (pos < manifest->size()) {
    size_t end = manifest->find('\n', pos);
    if (end == std::string::npos) end = manifest->size();
    const std::string line = manifest->substr(pos, end - pos);
    pos = end + 1;
    if (!line.starts_with(name + "\t")) continue;
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    if (b == std::string::npos) return "";
    std::string password = line.substr(b + 1);
    if (size_t t = password.find('\t'); t != std::string::npos) password.resize(t);
    return password == "-" ? "" : password;
  }
  return "";
}

std::string fixed(double v, int precision) { return platform::text::formatFixed(v, precision); }
std::string rate(double count, double seconds) { return seconds > 0 ? fixed(count / seconds, 1) : "-"; }

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
  if (inputs.empty()) {
    const char* env = std::getenv("QV_CORPUS_DIR");
    inputs.emplace_back(env && *env ? env : QV_CORPUS_DIR_DEFAULT);
  }
  std::vector<fs::path> files;
  for (const auto& in : inputs) {
    if (fs::is_directory(in)) {
      for (const auto& e : fs::directory_iterator(in))
        if (e.path().extension() == ".pdf") files.push_back(e.path());
    } else {
      files.push_back(in);
    }
  }
  std::sort(files.begin(), files.end());

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
      Measured m = measured([&] { return convertWithOurs(file, r.password, output, r.pages); });
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
