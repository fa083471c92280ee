#pragma once
// What the corpus benchmarks share: measuring work in a child process of its
// own (wall time and peak resident memory), running external tools,
// converting through the converter as pdfconvert does, and the corpus files
// with their passwords.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qvbench {

namespace fs = std::filesystem;

struct Measured {
  bool ok = false;
  double seconds = 0;
  double peakMB = 0;
  // The longest a single page took, where the work reports it.
  double slowestPageSeconds = 0;
  // User and system time, where the kernel's accounting gives it.
  double cpuSeconds = 0;
};

// Runs `work` in a child process: its wall time, the peak memory of the
// child (and of everything it waited for), and whether it succeeded. The
// second form lets the work report its slowest page.
Measured measured(const std::function<bool()>& work);
Measured measured(const std::function<bool(Measured&)>& work);

// Runs a program with its output sent to logFile; true when it exits 0.
bool runTool(std::vector<std::string> args, const std::string& logFile = "/dev/null");
// The same, timed from outside as a user would see it: wall time, and CPU
// time and peak memory from the kernel's accounting of the finished
// process (wait4); ok when it exits 0.
Measured measuredRun(std::vector<std::string> args, const std::string& logFile = "/dev/null");
bool toolExists(const char* name);
// True when every program named (empty names aside) can be run; says which
// cannot on standard error, as `bench` tells it.
bool programsRunnable(const std::vector<std::string>& programs, const std::string& bench);
// Reads one of the options every conversion benchmark takes (--keep DIR,
// --pdfconvert PATH, --baseline PATH) at argv[i], moving i past its value;
// false when argv[i] is another argument.
bool readProgramOption(int argc, char** argv, int& i, std::string& keep, std::string& pdfconvert,
                       std::string& baseline);
// The items of a comma-separated list, empty ones left out.
std::vector<std::string> commaList(const std::string& text);

// Converts every page of the file to `type` through the converter and the
// registered exporters, as pdfconvert does; true when the conversion ended
// without error. With `slowestPageSeconds`, the longest time from one page
// report to the next (the first from the start).
bool convertWithOurs(const fs::path& file, const std::string& password, const fs::path& output, int pages,
                     const std::string& type, double* slowestPageSeconds = nullptr);

// The PDF files of the inputs (folders are listed, files taken as they are),
// sorted; the corpus (QV_CORPUS_DIR, or the configured one) when there are
// no inputs.
std::vector<fs::path> pdfFiles(std::vector<fs::path> inputs);
// The password of a corpus file from the manifest beside it ("" for none).
std::string corpusPassword(const fs::path& file);
// The file's page count, opened with the password; 0 when it cannot be opened.
int pageCount(const fs::path& file, const std::string& password);
// pdftotext's command line for the file (with its password), writing the text
// to `output`, in its layout mode when asked.
std::vector<std::string> pdftotextCommand(const fs::path& file, const std::string& password, const fs::path& output,
                                          bool layout = false);
// Keeps the fastest of the rounds: the first is kept whatever it was, a later
// one replaces it when it succeeded and was faster or the kept one failed.
void keepBest(Measured& best, const Measured& m, bool first);

std::string fixed(double v, int precision);
// count / seconds with one decimal, "-" without time.
std::string rate(double count, double seconds);

}  // namespace qvbench
