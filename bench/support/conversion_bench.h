#pragma once
// The corpus conversion benchmark every output shares: each file converted
// through the converter as pdfconvert does (pages per second and peak memory,
// best of N rounds, each run in a child process of its own), pdftotext on the
// same file in the same run, and LibreOffice's own PDF import into the same
// format over all files in one call.
//
//   bench_convert_<type> [--rounds N] [--no-office] [--keep DIR] [corpus folder or PDF files...]
#include <string>

namespace qvbench {

struct ConversionBenchmark {
  std::string type;          // output extension: "pptx", "docx"
  std::string officeFilter;  // LibreOffice's PDF import filter for that format
};

int runConversionBenchmark(int argc, char** argv, const ConversionBenchmark& spec);

}  // namespace qvbench
