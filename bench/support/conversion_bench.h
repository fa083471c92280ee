#pragma once
// The corpus conversion benchmark every output shares: each file converted
// through the converter as pdfconvert does (pages per second, the slowest
// page and peak memory, best of N rounds, each run in a child process of its
// own), pdftotext on the same file in the same run, and, for the outputs
// LibreOffice can import a PDF into, its own import into the same format over
// all files in one call.
//
//   bench_convert_<type> [--rounds N] [--no-office] [--no-made] [--keep DIR] [corpus folder or PDF files...]
//
// Over the corpus (no files given), pages of the slow kinds the corpus lacks
// are made in the run and timed with it (made_pages.h), unless --no-made.
//
// The targets: within 3 times pdftotext's time per page over the corpus, and
// no page taking a second.
#include <string>

namespace qvbench {

struct ConversionBenchmark {
  // Output extension: "pptx", "docx", "xlsx", "csv", "html".
  std::string type;
  // LibreOffice's PDF import filter for that format; empty where it has none.
  std::string officeFilter;
  // pdftotext keeps the page's layout (the text a table output reads).
  bool pdftotextLayout = false;
  // The output is a folder, named without an extension.
  bool folderOutput = false;
  // pdftohtml (one HTML file, no images) is timed on each file as well.
  bool pdftohtml = false;
};

int runConversionBenchmark(int argc, char** argv, const ConversionBenchmark& benchmark);

}  // namespace qvbench
