// pdfconvert --to docx as a user runs it: the document it writes, the pages
// it reports, and a document that cannot be saved.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "tests/docx/docx_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

#ifdef QV_PDFCONVERT

namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  std::string output;
};

Result pdfconvert(const std::string& arguments) {
  Result result;
  const std::string command = qvtest::shellQuote(QV_PDFCONVERT) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) result.output.append(chunk.data(), n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

const fs::path kSample = fs::path(QV_SOURCE_DIR) / "resources" / "sample" / "sample.pdf";

TEST(PdfConvertDocx, WritesTheSampleDocument) {
  qvtest::TempDir dir;
  const fs::path out = dir.file("sample.docx");
  const Result r = pdfconvert("--to docx " + qvtest::shellQuote(kSample) + " " + qvtest::shellQuote(out));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, testing::HasSubstr("page 3 converted"));
  EXPECT_THAT(r.output, testing::HasSubstr("end: ok"));
  EXPECT_THAT(qvtest::checkWordPackage(out), testing::IsEmpty());
  EXPECT_THAT(docxtest::Document(out).text(), testing::HasSubstr("The Tide Garden Almanac"));
}

TEST(PdfConvertDocx, APageListConvertsItsPagesOnly) {
  qvtest::TempDir dir;
  const fs::path out = dir.file("part.docx");
  const Result r =
      pdfconvert("--pages '2,9' --to docx " + qvtest::shellQuote(kSample) + " " + qvtest::shellQuote(out));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, testing::HasSubstr("page 2 converted"));
  EXPECT_THAT(qvtest::checkWordPackage(out), testing::IsEmpty());
  const docxtest::Document d(out);
  EXPECT_EQ(docxtest::findAll(*d.body, "bookmarkStart").size(), 1u);
}

TEST(PdfConvertDocx, ADocumentThatCannotBeSavedIsAnErrorAndLeavesNothing) {
  qvtest::TempDir dir;
  const fs::path out = dir.file("no-such-folder") / "out.docx";
  const Result r = pdfconvert("--to docx " + qvtest::shellQuote(kSample) + " " + qvtest::shellQuote(out));
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_THAT(r.output, testing::HasSubstr("end: error 400"));
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace

#endif
