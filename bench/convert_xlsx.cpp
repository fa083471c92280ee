// The corpus to workbooks against pdftotext (see support/spreadsheet_bench.h).
#include "bench/support/spreadsheet_bench.h"

int main(int argc, char** argv) { return qvbench::runSpreadsheetBenchmark(argc, argv, "xlsx"); }
