// The command-line driver as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/fixtures.h"

#ifdef QV_PDFCONVERT

namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  bool exitedNormally = false;
  std::string output;
};

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Result run(const std::string& arguments) {
  Result result;
  const std::string command = quoted(QV_PDFCONVERT) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) result.output.append(chunk.data(), n);
  const int status = pclose(pipe);
  result.exitedNormally = WIFEXITED(status);
  result.exitCode = result.exitedNormally ? WEXITSTATUS(status) : -1;
  return result;
}

void makePages(const fs::path& path, int count) {
  qvtest::PdfBuilder b;
  for (int i = 0; i < count; ++i) b.addPage("0 0 m 10 10 l S");
  b.write(path);
}

TEST(PdfConvertTool, HelpDocumentsTheCommand) {
  const Result result = run("--help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"pdfconvert [--password PW] [--pages TEXT] --to EXT INPUT.pdf OUTPUT", "--password",
                           "--pages", "All Pages", "1-3,5", "--to", "docx pptx xlsx csv txt rtf html", "Exit status"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text;
}

TEST(PdfConvertTool, UsageErrors) {
  EXPECT_EQ(run("").exitCode, 2);
  EXPECT_EQ(run("--to pdf a.pdf b.pdf").exitCode, 2);
  EXPECT_EQ(run("--to pptx a.pdf").exitCode, 2);
  EXPECT_EQ(run("--bogus --to pptx a.pdf b.pptx").exitCode, 2);
  EXPECT_EQ(run("--to").exitCode, 2);
}

TEST(PdfConvertTool, PrintsEachReportAndExitsByTheEnd) {
  qvtest::TempDir dir;
  makePages(dir.file("in.pdf"), 3);
  const Result ok = run("--pages '2,7' --to pptx " + quoted(dir.file("in.pdf")) + " " + quoted(dir.file("o.pptx")));
  EXPECT_EQ(ok.exitCode, 0) << ok.output;
  EXPECT_NE(ok.output.find("start\n"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("end: ok\n"), std::string::npos) << ok.output;

  const Result missing = run("--to pptx " + quoted(dir.file("none.pdf")) + " " + quoted(dir.file("o.pptx")));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("end: error 404 Source File isn't exist."), std::string::npos) << missing.output;
}

TEST(PdfConvertTool, RunsOnEveryCorpusFileWithoutACrash) {
  const auto files = qvtest::corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  qvtest::TempDir dir;
  for (const auto& file : files) {
    const std::string password = qvtest::corpusPassword(file);
    // Whether or not the build has an exporter for the type, every file must
    // open (with its password) and the run end without a crash or an error.
    const Result result = run((password.empty() ? "" : "--password " + quoted(password) + " ") + "--to csv " +
                              quoted(file.string()) + " " + quoted(dir.file(file.stem().string() + ".csv")));
    EXPECT_TRUE(result.exitedNormally) << file;
    EXPECT_EQ(result.exitCode, 0) << file << "\n" << result.output;
    EXPECT_NE(result.output.find("end: ok"), std::string::npos) << file << "\n" << result.output;
  }
}

}  // namespace

#endif
