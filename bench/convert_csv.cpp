// The corpus to CSV files against pdftotext (see support/spreadsheet_bench.h).
#include "bench/support/spreadsheet_bench.h"

int main(int argc, char** argv) { return qvbench::runSpreadsheetBenchmark(argc, argv, "csv"); }
