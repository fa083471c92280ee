// Times the conversion of the corpus to HTML (pages per second and peak
// memory) through the converter as the program runs it, and, on the same
// files in the same run, pdftotext and pdftohtml (one file, no images).
//
//   bench_convert_html [--rounds N] [--keep DIR] [corpus folder or PDF files...]
//
// Each run is measured as bench_convert_pptx measures it.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) {
  qvbench::ConversionBenchmark benchmark;
  benchmark.type = "html";
  benchmark.pdftohtml = true;
  return qvbench::runConversionBenchmark(argc, argv, benchmark);
}
