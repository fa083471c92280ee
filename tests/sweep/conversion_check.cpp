#include "tests/sweep/conversion_check.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "convert/QVExporterRegistry.h"
#include "exporters/QVBuiltInExporters.h"
#include "tests/support/package_checker.h"
#include "tests/support/workbook_checker.h"

#ifndef QV_PDFCONVERT
#error "the conversion checks run the pdfconvert driver: define QV_PDFCONVERT as its path"
#endif

namespace sweep {
namespace {

namespace fs = std::filesystem;

// Exit status the sanitizers use in the child, told apart from the driver's
// own 1 (conversion error) and 2 (usage).
constexpr int kSanitizerExitCode = 86;

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    names.push_back(fs::relative(it->path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::string tail(const std::string& text, size_t bytes = 3000) {
  return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

std::string withOptions(const char* variable, const std::string& extra) {
  const char* current = std::getenv(variable);
  return std::string(current ? current : "") + ":abort_on_error=0:halt_on_error=1" + extra;
}

// What is wrong with a written output, by the checker of its kind.
std::vector<std::string> outputProblems(const fs::path& output, std::string_view extension, DeckCheck deckCheck) {
  try {
    if (extension == "pptx" && deckCheck == DeckCheck::OpensWithSlide) {
      if (!qvtest::ZipPackage(output).contains("ppt/slides/slide1.xml")) return {"no first slide"};
      return {};
    }
    if (extension == "pptx") return qvtest::checkPresentationPackage(output);
    if (extension == "docx") return qvtest::checkWordPackage(output);
    if (extension == "xlsx") return qvtest::checkWorkbookPackage(output);
    // A text file of pages that show no text is empty; any other file is not.
    std::error_code ec;
    if (extension != "txt" && fs::is_regular_file(output, ec) && fs::file_size(output, ec) == 0)
      return {"an empty file"};
    return {};
  } catch (const std::exception& e) {
    return {e.what()};
  }
}

}  // namespace

bool exporterRegistered(std::string_view extension) {
  static QVExporterRegistry registry;
  static const bool registered = (registerBuiltInExporters(registry), true);
  (void)registered;
  return registry.hasFactory(extension);
}

ConversionRun convertAndCheck(const fs::path& pdf, const std::string& password, const fs::path& workRoot,
                              const ChildLimits& limits, DeckCheck deckCheck, std::string_view extension) {
  ConversionRun run;
  const fs::path out = workRoot / "out", tmp = workRoot / "tmp", home = workRoot / "home", cwd = workRoot / "cwd",
                 log = workRoot / "log";
  for (const fs::path& p : {out, tmp, home, cwd, log}) fs::create_directories(p);
  const fs::path output = out / (pdf.stem().string() + "." + std::string(extension));

  std::vector<std::string> argv{QV_PDFCONVERT, "--to", std::string(extension)};
  if (!password.empty()) argv.insert(argv.end(), {"--password", password});
  argv.insert(argv.end(), {pdf.string(), output.string()});
  const std::string exitCode = ":exitcode=" + std::to_string(kSanitizerExitCode);
  // The driver's temporary files and anything it might put in the home
  // folder land in folders of this run, where the checks below look.
  const std::map<std::string, std::string> environment{
      {"TMPDIR", tmp.string()},
      {"HOME", home.string()},
      {"ASAN_OPTIONS", withOptions("ASAN_OPTIONS", ":detect_leaks=1" + exitCode)},
      {"UBSAN_OPTIONS", withOptions("UBSAN_OPTIONS", ":print_stacktrace=1" + exitCode)},
      {"LSAN_OPTIONS", withOptions("LSAN_OPTIONS", exitCode)},
  };
  run.child = runChild(argv, environment, cwd, log, limits);
  const ChildResult& c = run.child;
  run.report = "stdout:\n" + tail(c.stdoutText) + "\nstderr:\n" + tail(c.stderrText);
  auto problem = [&](std::string text) { run.problems.push_back(std::move(text)); };

  if (!c.started) {
    problem("the driver did not start");
    return run;
  }
  if (c.killedForTime) problem("still running after " + std::to_string(limits.wallSeconds) + " s");
  else if (!c.exited) problem("ended by signal " + std::to_string(c.signal));
  else if (c.exitCode == kSanitizerExitCode) problem("sanitizer report");
  else if (c.exitCode != 0 && c.exitCode != 1) problem("exit status " + std::to_string(c.exitCode));
  if (underAddressSanitizer() && c.peakResidentBytes > limits.memoryBytes)
    problem("peak resident size " + std::to_string(c.peakResidentBytes >> 20) + " MiB over the limit");

  run.outputWritten = fs::exists(output);
  if (c.exited && c.exitCode == 0) {
    if (c.stdoutText.find("end: ok") == std::string::npos) problem("exit 0 without \"end: ok\"");
    if (exporterRegistered(extension)) {
      if (!run.outputWritten) problem("ended without error but wrote no output");
      else
        for (const std::string& p : outputProblems(output, extension, deckCheck)) problem("output: " + p);
    }
  } else if (c.exited && c.exitCode == 1) {
    if (c.stdoutText.find("end: error ") == std::string::npos) problem("exit 1 without an error report");
    if (run.outputWritten) problem("a failed conversion left its output");
  }

  // Nothing may stay behind but the output itself: the work folder and the
  // pictures in the temporary folder are removed, nothing is written to the
  // home or working folder.
  std::vector<std::string> expectedOut;
  if (run.outputWritten) expectedOut.push_back(output.filename().string());
  if (filesIn(out) != expectedOut) problem("output folder holds: " + joined(filesIn(out)));
  for (const auto& [name, folder] : {std::pair{"temporary", tmp}, {"home", home}, {"working", cwd}}) {
    if (!filesIn(folder).empty()) problem(std::string("left in the ") + name + " folder: " + joined(filesIn(folder)));
  }
  return run;
}

}  // namespace sweep
