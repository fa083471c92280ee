#include "tests/scripts/script_run.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/command_run.h"
#include "tests/support/text_coverage.h"

namespace scripttest {

std::string quoted(const std::string& text) { return qvtest::shellQuote(text); }

Run run(const std::string& command, const std::filesystem::path& folder) {
  const qvtest::CommandResult r = qvtest::runCommand("cd " + quoted(folder.string()) + " && bash -c " + quoted(command));
  return {r.exitCode, r.output};
}

void writeText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace scripttest
