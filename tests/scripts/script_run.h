#pragma once
// Runs the project's shell scripts as a user does, for their tests.
#include <filesystem>
#include <string>

namespace scripttest {

struct Run {
  int exitCode = -1;
  std::string output;  // standard output and error, interleaved
};

// The text quoted for the shell.
std::string quoted(const std::string& text);
// Runs a command line with bash, in `folder`.
Run run(const std::string& command, const std::filesystem::path& folder);

void writeText(const std::filesystem::path& file, const std::string& text);
std::string readText(const std::filesystem::path& file);

}  // namespace scripttest
