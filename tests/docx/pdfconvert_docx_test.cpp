// pdfconvert --to docx as a user runs it: the document it writes, the pages
// it reports, and a document that cannot be saved.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/docx/docx_test_support.h"
#include "tests/support/command_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_checker.h"
#include "tests/support/text_coverage.h"

#ifdef QV_PDFCONVERT

namespace {

namespace fs = std::filesystem;

using Result = qvtest::CommandResult;

Result pdfconvert(const std::string& arguments) {
  return qvtest::runCommand(qvtest::shellQuote(QV_PDFCONVERT) + " " + arguments);
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
