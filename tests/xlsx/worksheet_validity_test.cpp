// Worksheets that open whatever the page: text set anywhere, in any size,
// overlapping or not, gives rows and cells in order, merged ranges that
// neither overlap nor hide a cell, and sizes a spreadsheet accepts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/fixtures.h"
#include "tests/support/workbook_checker.h"
#include "tests/xlsx/csv_support.h"

namespace {

std::string scatteredText(std::mt19937& random) {
  std::uniform_real_distribution<double> x(20, 560), y(20, 800), size(4, 40);
  std::uniform_int_distribution<int> count(20, 160), word(0, 5);
  static const char* const kWords[] = {"cell", "1,234", "(56)", "7.5%", "$ 12.00", "Total"};
  std::string content;
  const int n = count(random);
  for (int i = 0; i < n; ++i)
    content += "BT /F1 " + std::to_string(size(random)) + " Tf " + std::to_string(x(random)) + " " +
               std::to_string(y(random)) + " Td (" + kWords[word(random)] + ") Tj ET\n";
  return content;
}

TEST(WorksheetValidity, ScatteredTextGivesWorksheetsThatOpen) {
  qvtest::TempDir dir;
  std::mt19937 random(20240611);
  qvtest::PdfBuilder b;
  const auto font = b.resources({{"Font", {{"F1", b.standardFont("Helvetica")}}}});
  for (int page = 0; page < 12; ++page) b.addPage(scatteredText(random), font);
  b.write(dir.file("scattered.pdf"));
  for (uint64_t layout : {0, 1}) {
    for (int aios = 0; aios < 3; ++aios) {
      SCOPED_TRACE("layout " + std::to_string(layout) + ", one sheet " + std::to_string(aios));
      QVExcelOptions options;
      options.excelFormatOption = layout;
      options.allInOneSheet = aios > 0;
      options.aiosAddToRow = aios == 1;
      const auto out = dir.file("out" + std::to_string(layout) + std::to_string(aios) + ".xlsx");
      xlsxtest::convertToXlsx(dir.file("scattered.pdf"), out, options);
      EXPECT_THAT(qvtest::checkWorkbookPackage(out), testing::IsEmpty());
    }
  }
}

}  // namespace
