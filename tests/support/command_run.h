#pragma once
// Runs a shell command as a user would type it and keeps what it printed.
#include <string>

namespace qvtest {

struct CommandResult {
  int exitCode = -1;   // -1 when it did not run or did not exit normally
  std::string output;  // standard output and standard error together
};

CommandResult runCommand(const std::string& command);

}  // namespace qvtest
