#include "bench/support/harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>

#include "convert/QVPDFConverter.h"
#include "convert/QVPDFConverterDelegate.h"
#include "exporters/QVBuiltInExporters.h"
#include "platform/dispatch/queue.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"

extern char** environ;

namespace qvbench {

namespace {

using Clock = std::chrono::steady_clock;

double peakOfThisProcessMB() {
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  return static_cast<double>(std::max(self.ru_maxrss, children.ru_maxrss)) / 1024.0;  // kilobytes on Linux
}

// Notes the end of the conversion and the time between page reports.
class EndWatcher : public QVPDFConverterDelegate {
 public:
  bool ended = false;
  bool failed = false;
  double slowestPage = 0;
  Clock::time_point last = Clock::now();

  void didEndConversion(QVPDFConverter&, const std::optional<QVConversionError>& error) override {
    ended = true;
    failed = error.has_value();
  }
  void convertPDFPageIndex(QVPDFConverter&, uint64_t, uint64_t, uint64_t) override { lap(); }
  void convertPDFPageIndexFaildWithError(QVPDFConverter&, uint64_t, const QVConversionError&) override { lap(); }

 private:
  void lap() {
    const Clock::time_point now = Clock::now();
    slowestPage = std::max(slowestPage, std::chrono::duration<double>(now - last).count());
    last = now;
  }
};

}  // namespace

Measured measured(const std::function<bool()>& work) {
  return measured(std::function<bool(Measured&)>([&](Measured&) { return work(); }));
}

Measured measured(const std::function<bool(Measured&)>& work) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) {
    close(pipeFds[0]);
    Measured inChild;
    bool ok = false;
    try {
      ok = work(inChild);
    } catch (...) {
      ok = false;
    }
    const double report[3] = {ok ? 1.0 : 0.0, peakOfThisProcessMB(), inChild.slowestPageSeconds};
    ssize_t written = write(pipeFds[1], report, sizeof report);
    (void)written;
    _exit(0);
  }
  close(pipeFds[1]);
  double report[3] = {0, 0, 0};
  const ssize_t got = read(pipeFds[0], report, sizeof report);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Measured m;
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.ok = got == static_cast<ssize_t>(sizeof report) && report[0] == 1.0;
  m.peakMB = report[1];
  m.slowestPageSeconds = report[2];
  return m;
}

Measured measuredRun(std::vector<std::string> args, const std::string& logFile) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  Measured m;
  const auto start = Clock::now();
  pid_t pid;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return m;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return m;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  m.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

bool runTool(std::vector<std::string> args, const std::string& logFile) {
  return measuredRun(std::move(args), logFile).ok;
}

bool toolExists(const char* name) { return runTool({"sh", "-c", std::string("command -v ") + name}); }

bool programsRunnable(const std::vector<std::string>& programs, const std::string& bench) {
  for (const std::string& program : programs)
    if (!program.empty() && !toolExists(program.c_str())) {
      std::cerr << bench << ": cannot run " << program << " (give --pdfconvert PATH)\n";
      return false;
    }
  return true;
}

std::vector<std::string> commaList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

bool convertWithOurs(const fs::path& file, const std::string& password, const fs::path& output, int pages,
                     const std::string& type, double* slowestPageSeconds) {
  registerBuiltInExporters();
  std::vector<int64_t> list;
  for (int n = 1; n <= pages; ++n) list.push_back(n);
  platform::DrainedMainQueue mainQueue;
  EndWatcher watcher;
  {
    QVPDFConverter converter(mainQueue);
    converter.setDelegate(&watcher);
    converter.convertPDFAtPath(file.string(), password, list, type, output.string(), std::nullopt);
    mainQueue.runUntil([&] { return watcher.ended; });
  }
  if (slowestPageSeconds) *slowestPageSeconds = watcher.slowestPage;
  return !watcher.failed && fs::exists(output);
}

std::vector<fs::path> pdfFiles(std::vector<fs::path> inputs) {
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
  return files;
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

int pageCount(const fs::path& file, const std::string& password) {
  auto document = platform::PdfDocument::open(file.string(), password);
  return document && document->isUnlocked() ? document->pageCount() : 0;
}

std::vector<std::string> pdftotextCommand(const fs::path& file, const std::string& password, const fs::path& output,
                                          bool layout) {
  std::vector<std::string> args{"pdftotext", "-q"};
  if (layout) args.push_back("-layout");
  if (!password.empty()) args.insert(args.end(), {"-upw", password});
  args.insert(args.end(), {file.string(), output.string()});
  return args;
}

void keepBest(Measured& best, const Measured& m, bool first) {
  if (first || (m.ok && (!best.ok || m.seconds < best.seconds))) best = m;
}

bool readProgramOption(int argc, char** argv, int& i, std::string& keep, std::string& pdfconvert,
                       std::string& baseline) {
  const std::string a = argv[i];
  std::string* value = a == "--keep" ? &keep : a == "--pdfconvert" ? &pdfconvert : a == "--baseline" ? &baseline : nullptr;
  if (!value || i + 1 >= argc) return false;
  *value = argv[++i];
  return true;
}

}  // namespace qvbench
