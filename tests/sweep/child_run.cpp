#include "tests/sweep/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>

extern char** environ;

namespace sweep {
namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_SWEEP_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QV_SWEEP_ASAN 1
#endif

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void setLimit(int resource, rlim_t soft, rlim_t hard) {
  struct rlimit limit;
  limit.rlim_cur = soft;
  limit.rlim_max = hard;
  setrlimit(resource, &limit);
}

// The peak resident size of a running process (VmHWM), 0 when unknown. The
// rusage of a finished child cannot be used: a forked child's high-water
// mark starts at its parent's resident size and survives exec.
int64_t peakResident(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  return 0;
}

// Waits for the child up to `deadline`, sampling its peak resident size;
// true when it ended (status filled in).
bool waitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status, int64_t& peak) {
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    peak = std::max(peak, peakResident(pid));
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (pidfd >= 0) close(pidfd);
      return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      if (pidfd >= 0) close(pidfd);
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    if (pidfd >= 0) {
      // Readable when the child has ended; until then, a sample every 20 ms.
      struct pollfd fd = {pidfd, POLLIN, 0};
      poll(&fd, 1, static_cast<int>(std::min<long long>(left, 20)));
    } else {
      struct timespec pause = {0, 20 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
  }
}

}  // namespace

bool underAddressSanitizer() {
#ifdef QV_SWEEP_ASAN
  return true;
#else
  return false;
#endif
}

ChildResult runChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
                     const std::filesystem::path& workingFolder, const std::filesystem::path& logFolder,
                     const ChildLimits& limits) {
  ChildResult result;
  const std::filesystem::path outPath = logFolder / "stdout.txt";
  const std::filesystem::path errPath = logFolder / "stderr.txt";

  // Everything the child needs is made before fork: after it, the child
  // calls only async-signal-safe functions.
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) merged[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [key, value] : environment) merged[key] = value;
  std::vector<std::string> envStrings;
  for (const auto& [key, value] : merged) envStrings.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& s : args) argp.push_back(s.data());
  argp.push_back(nullptr);
  const std::string cwd = workingFolder.string();

  const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  // Closed by a successful exec: until then the child is a copy of this
  // process and its resident size says nothing.
  int execPipe[2];
  if (outFd < 0 || errFd < 0 || nullFd < 0 || pipe2(execPipe, O_CLOEXEC) != 0) return result;

  const bool asan = underAddressSanitizer();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    dup2(nullFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    setLimit(RLIMIT_CPU, static_cast<rlim_t>(limits.cpuSeconds), static_cast<rlim_t>(limits.cpuSeconds + 5));
    setLimit(RLIMIT_FSIZE, static_cast<rlim_t>(limits.fileBytes), static_cast<rlim_t>(limits.fileBytes));
    setLimit(RLIMIT_CORE, 0, 0);
    if (!asan) setLimit(RLIMIT_AS, static_cast<rlim_t>(limits.memoryBytes), static_cast<rlim_t>(limits.memoryBytes));
    execve(argp[0], argp.data(), envp.data());
    const char failed = 1;
    (void)!write(execPipe[1], &failed, 1);
    _exit(127);
  }
  close(outFd);
  close(errFd);
  close(nullFd);
  close(execPipe[1]);
  char failed = 0;
  while (pid > 0 && read(execPipe[0], &failed, 1) < 0 && errno == EINTR) {
  }
  close(execPipe[0]);
  if (pid < 0) return result;
  result.started = failed == 0;

  int status = 0;
  int64_t peak = 0;
  if (!waitUntil(pid, start + std::chrono::seconds(limits.wallSeconds), status, peak)) {
    result.killedForTime = true;
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peakResidentBytes = peak;
  if (WIFEXITED(status)) {
    result.exited = true;
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  result.stdoutText = readWhole(outPath);
  result.stderrText = readWhole(errPath);
  return result;
}

}  // namespace sweep
