// The corpus to workbooks against pdftotext -layout: the same text, read
// without tables (see support/conversion_bench.h). LibreOffice has no import
// of a PDF into a spreadsheet.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) { return qvbench::runConversionBenchmark(argc, argv, {"xlsx", "", true, false}); }
