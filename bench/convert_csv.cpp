// The corpus to CSV files against pdftotext -layout: the same text, read
// without tables (see support/conversion_bench.h). The output of a file is a
// folder of one file per page.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) { return qvbench::runConversionBenchmark(argc, argv, {"csv", "", true, true}); }
