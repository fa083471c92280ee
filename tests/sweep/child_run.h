#pragma once
// Runs a program in a child process under limits: CPU time (setrlimit), wall
// clock (killed when over), memory (an address-space limit, or under
// AddressSanitizer, whose shadow memory needs a huge address space, the peak
// resident size measured instead), output file size, and no core files.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace sweep {

struct ChildLimits {
  int cpuSeconds = 120;
  int wallSeconds = 180;
  // Address space without sanitizers; peak resident size with them.
  int64_t memoryBytes = int64_t{2} << 30;
  int64_t fileBytes = int64_t{1} << 30;
};

struct ChildResult {
  bool started = false;
  bool exited = false;     // ended by exit(); else by a signal
  int exitCode = -1;
  int signal = 0;
  bool killedForTime = false;  // the wall-clock limit ran out
  int64_t peakResidentBytes = 0;
  double seconds = 0;
  std::string stdoutText;
  std::string stderrText;
};

// True when this process (and so the programs of the same build) runs under
// AddressSanitizer.
bool underAddressSanitizer();

// Runs argv[0] with the arguments in `workingFolder`, the environment of this
// process with `environment` laid over it, standard input from /dev/null and
// standard output and error captured through files in `logFolder`.
ChildResult runChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
                     const std::filesystem::path& workingFolder, const std::filesystem::path& logFolder,
                     const ChildLimits& limits);

}  // namespace sweep
