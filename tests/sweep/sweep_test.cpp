// The damaged-file sweep: damaged copies of every corpus PDF are converted to
// a presentation, a Word document, HTML and a workbook by the command-line
// driver in a child process under CPU, wall-clock and memory limits
// (tests/sweep/conversion_check.h says what each run must keep to). A copy
// that ends without error must account for every page of the file:
// converted, or reported as failed; pages that vanish without a word are what
// a user would never notice. Every report names a page by its number in the
// file, in order: a page reported under another's number is a page the user
// is told about wrongly.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "tests/support/fixtures.h"
#include "tests/sweep/conversion_check.h"
#include "tests/sweep/damage.h"

namespace {

namespace fs = std::filesystem;

// The names of the corpus files; "" alone when there is no corpus.
std::vector<std::string> corpusNames() {
  std::vector<std::string> names;
  for (const fs::path& file : qvtest::corpusFilesOrNone()) names.push_back(file.filename().string());
  return names;
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += "\n  " + item;
  return out;
}

// The outputs the sweep converts to: one of each family of exporters.
const std::vector<std::string> kOutputs{"pptx", "docx", "html", "xlsx"};

struct PageReports {
  int converted = 0;
  int failed = 0;
  // The page lines that do not name the next page of the file in order (the
  // converter is given every page, so the n-th report is of page n).
  std::vector<std::string> misnumbered;
};

// Counts the driver's page lines ("page N converted (position P, ...)",
// "page N failed: ...").
PageReports pageReportsOf(const std::string& output) {
  PageReports reports;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    start = end + 1;
    if (line.rfind("page ", 0) != 0) continue;
    const bool converted = line.find(" converted (") != std::string::npos;
    if (!converted && line.find(" failed: ") == std::string::npos) continue;
    const std::string expected = std::to_string(reports.converted + reports.failed + 1);
    const bool named = line.rfind("page " + expected + " ", 0) == 0 &&
                       (!converted || line.find("(position " + expected + ",") != std::string::npos);
    if (!named) reports.misnumbered.push_back(line + " (expected page " + expected + ")");
    ++(converted ? reports.converted : reports.failed);
  }
  return reports;
}

int pageCountOf(const fs::path& file, const std::string& password) {
  auto document = platform::PdfDocument::open(file.string(), password);
  return document ? document->pageCount() : 0;
}

class DamagedCorpusSweep : public testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(DamagedCorpusSweep, EveryDamagedCopyEndsWithAnOutputOrAnErrorReport) {
  const auto& [name, extension] = GetParam();
  if (name.empty()) GTEST_SKIP() << qvtest::noCorpus();
  const fs::path source = qvtest::corpusDir() / name;
  const auto bytes = platform::fs::readFile(source.string());
  ASSERT_TRUE(bytes) << source;
  const std::string password = qvtest::corpusPassword(source);
  const int pages = pageCountOf(source, password);
  ASSERT_GT(pages, 0) << source;

  int failed = 0;
  std::vector<std::string> silentLosses;
  std::vector<std::string> misnumbered;
  for (const sweep::Variant& variant : sweep::sweepVariants(*bytes, sweep::seedForName(name))) {
    qvtest::TempDir dir;
    const fs::path input = dir.file("damaged.pdf");
    ASSERT_TRUE(platform::fs::writeFile(input.string(), variant.bytes));
    const sweep::ConversionRun run =
        sweep::convertAndCheck(input, password, dir.file("run"), {}, sweep::DeckCheck::Full, extension);
    std::printf("[sweep] %-32s %-4s %-34s exit %3d signal %2d %6.1fs %5lld MiB\n", name.c_str(), extension.c_str(),
                variant.name.c_str(), run.child.exitCode, run.child.signal, run.child.seconds,
                static_cast<long long>(run.child.peakResidentBytes >> 20));
    EXPECT_TRUE(run.problems.empty()) << name << " to " << extension << ", " << variant.name << ":"
                                      << joined(run.problems) << "\n"
                                      << run.report;
    const PageReports reports = pageReportsOf(run.child.stdoutText);
    for (const std::string& line : reports.misnumbered) misnumbered.push_back(variant.name + ": " + line);
    if (run.child.exited && run.child.exitCode == 0 && reports.converted < pages && reports.failed == 0)
      silentLosses.push_back(variant.name + " (" + std::to_string(reports.converted) + " of " +
                             std::to_string(pages) + " pages)");
    // A few broken variants are enough to read; the rest would only repeat.
    if (!run.problems.empty() && ++failed == 3) break;
  }
  std::printf("[sweep] %-32s %-4s %zu damaged copies lost pages without a report\n", name.c_str(),
              extension.c_str(), silentLosses.size());
  EXPECT_EQ(silentLosses.size(), 0u) << name << " to " << extension << ": converted fewer pages than the file has, "
                                     << "without a failure report:" << joined(silentLosses);
  EXPECT_TRUE(misnumbered.empty()) << name << " to " << extension << ": pages reported under another number:"
                                   << joined(misnumbered);
}

std::string testName(const testing::TestParamInfo<DamagedCorpusSweep::ParamType>& info) {
  const auto& [file, extension] = info.param;
  std::string name = file.empty() ? "NoCorpus" : file;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name + "_" + extension;
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedCorpusSweep,
                         testing::Combine(testing::ValuesIn(corpusNames()), testing::ValuesIn(kOutputs)), testName);

}  // namespace
