#pragma once
// The spreadsheet outputs' benchmark: times the conversion of the corpus to
// one output type (pages per second, the slowest page and peak memory)
// through the converter as the program runs it, against pdftotext -layout on
// the same files in the same run: the same text, read without tables.
//
//   bench_convert_<type> [--rounds N] [--keep DIR] [corpus folder or PDF files...]
//
// Every measured run happens in a child process of its own, so that its peak
// resident memory is its own; each file is timed best of N rounds. The
// targets: within 3 times pdftotext's time per page over the corpus, and no
// page taking a second.
#include <string>

namespace qvbench {

int runSpreadsheetBenchmark(int argc, char** argv, const std::string& type);

}  // namespace qvbench
