// Times the conversion of the corpus to RTF (pages per second and peak
// memory) through the converter as the program runs it, and pdftotext on the
// same files in the same run.
//
//   bench_convert_rtf [--rounds N] [--keep DIR] [corpus folder or PDF files...]
//
// Each run is measured as bench_convert_pptx measures it.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) {
  qvbench::ConversionBenchmark benchmark;
  benchmark.type = "rtf";
  return qvbench::runConversionBenchmark(argc, argv, benchmark);
}
