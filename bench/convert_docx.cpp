// Times the conversion of the corpus to Word (pages per second and peak
// memory) through the converter as the program runs it, and, on the same
// files in the same run, pdftotext and LibreOffice's own PDF import saved as
// DOCX (soffice --infilter=writer_pdf_import --convert-to docx).
//
//   bench_convert_docx [--rounds N] [--no-office] [--keep DIR] [corpus folder or PDF files...]
//
// Each run is measured as bench_convert_pptx measures it.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) { return qvbench::runConversionBenchmark(argc, argv, {"docx", "writer_pdf_import"}); }
