#pragma once
// What the end-to-end tests of the flowing-text outputs (HTML, RTF, plain
// text) share: a drawn sample document, and the corpus files whose words
// pdftotext reads in a way a page's upright text cannot give.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/fixtures.h"

namespace flowtest {

// The lines of the sample's two columns, top to bottom.
extern const std::vector<std::string> kLeftColumn;
extern const std::vector<std::string> kRightColumn;

// Page 1: a heading, a line beside a large initial, bold and italic runs, two
// columns, a label at 45 degrees ("DIAGONAL STAMP") and one turned a quarter
// ("SIDEWAYS NOTE"). Page 2: one line ("closing remark on the second page").
std::filesystem::path drawSample(const qvtest::TempDir& dir);

// A corpus file whose words pdftotext reads in a way the page's upright text
// cannot give, with why and the share of words the output must hold.
struct TextException {
  const char* file;
  int onlyPage;  // compare with this page's words only (0: all pages)
  double coverage;
  const char* reason;
};
// The share of pdftotext's words every other corpus file keeps.
constexpr double kCoverage = 0.95;
const TextException* textException(const std::filesystem::path& pdf);
bool pdftotextAvailable();

}  // namespace flowtest
