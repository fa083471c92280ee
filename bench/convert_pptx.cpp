// Times the conversion of the corpus to PowerPoint (pages per second and peak
// memory) through the converter as the program runs it, and, on the same
// files in the same run, pdftotext and LibreOffice's own PDF import saved as
// PPTX (soffice --infilter=impress_pdf_import --convert-to pptx).
//
//   bench_convert_pptx [--rounds N] [--no-office] [--keep DIR] [corpus folder or PDF files...]
//
// Every measured run happens in a child process of its own, so that its peak
// resident memory (of the child and of everything it waited for) is its own.
// Our conversion and pdftotext are timed per file, best of N rounds;
// LibreOffice runs once over all files in one call (one start-up, as a user
// converting a folder would), and over the files without a password, since
// it cannot be given one.
#include "bench/support/conversion_bench.h"

int main(int argc, char** argv) { return qvbench::runConversionBenchmark(argc, argv, {"pptx", "impress_pdf_import"}); }
