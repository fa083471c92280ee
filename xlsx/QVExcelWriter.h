#pragma once
// The output of one spreadsheet conversion: a workbook, or a folder of CSV
// files at the output path.
//
// The exporter drives it page by page:
//
//   QVExcelWriter writer(outputPath, pageCount, manager, QVExcelWriter::Output::Workbook);
//   writer.begainWriteDocument();
//   for each page:
//     writer.begainWritePage({width, height});
//     writer.currentPage()->allRunTextArray.push_back(run);   // the exporter's runs
//     writer.endWritePage();                                  // the page's sheet or CSV file
//   writer.packetExcelFile(document);                         // the output
//
// Workbook: each page becomes a worksheet when it ends (or, when the options
// put all pages into one sheet, joins the one sheet), its text cells' items
// join the shared strings; packing writes the remaining parts (relationships,
// content types, document properties, styles, theme, workbook) and zips
// them into the output file. The workbook lists exactly the sheets that were
// written; with none, it holds one empty sheet.
//
// CSV: one file per page that holds text, named "Table N.csv" after the
// page's number in the conversion (a page without text leaves its number
// unused); each is UTF-16 little-endian with a byte-order mark, lines ended
// by a line feed, fields separated by tabs (see QVExcelPage::creatCSV); the
// folder of them is moved to the output path at the end.
//
// Everything is written into a work folder inside the conversion's work
// folder first; a writer that is destroyed before packing (a cancelled or
// failed conversion) removes it, as packing does. A part, a file, the
// archive or the move that fails throws (std::runtime_error or
// XMLWriterException), and leaves nothing at the output path.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelPage.h"

class QVExcelAIOSWriter;
class QVExcelManager;
class QVExcelSharedStrings;
class QVPDFInfo;

namespace platform {
class PdfDocument;
}

class QVExcelWriter {
 public:
  enum class Output { Workbook, CSV };

  // Makes the work folder (throws std::runtime_error when it cannot). The
  // manager must outlive the writer.
  QVExcelWriter(const std::string& outputPath, int64_t numOfPages, QVExcelManager& manager, Output output);
  ~QVExcelWriter();
  QVExcelWriter(const QVExcelWriter&) = delete;
  QVExcelWriter& operator=(const QVExcelWriter&) = delete;

  void begainWriteDocument();
  void endWriteDocument() {}
  // Starts the next page (its number is the count of pages begun).
  void begainWritePage(platform::Size pageSize);
  // Lays the current page out and writes its sheet, or its CSV file when it
  // holds text.
  void endWritePage();
  // Writes the workbook, or moves the folder of CSV files, to the output path.
  void packetExcelFile(const platform::PdfDocument& document);

  bool isExcelConvert() const { return output_ == Output::Workbook; }
  // The page being converted (null before the first page).
  QVExcelPage* currentPage() { return currentPage_.get(); }
  const std::string& savedFilePath() const { return savedFilePath_; }
  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  uint64_t currentPageIndex() const { return currentPageIndex_; }
  // The number of worksheets the workbook lists when it is packed now.
  uint64_t totalSheetPages() const;
  // The size of the first page begun; (0, 0) before.
  platform::Size slideSize() const { return slideSize_; }

  // The bytes of a CSV file for the text: a byte-order mark, then the text
  // in UTF-16 little-endian.
  static std::string csvFileData(std::string_view utf8);

 private:
  void endWriteSheet();
  void writeCSVFile(const std::string& text);
  void packetWorkbook(const platform::PdfDocument& document);
  void packetCSVFolder();
  void removeWorkFolder();

  // The parts of the package, each into the work folder.
  void writeRootRelationships();
  void writeContentTypes();
  void writeAppProperties(const QVPDFInfo& info);
  void writeCoreProperties(const QVPDFInfo& info);
  void writeWorkbookRelationships();
  void writeTheme();
  void writeWorkbook();
  void zipPackage();

  QVExcelManager& manager_;
  Output output_;
  std::string savedFilePath_;
  std::string savedWorkFolder_;
  uint64_t currentPageIndex_ = 0;
  platform::Size slideSize_;
  std::unique_ptr<QVExcelPage> currentPage_;
  std::unique_ptr<QVExcelSharedStrings> sharedStrings_;
  std::unique_ptr<QVExcelAIOSWriter> aiosWriter_;
  // The numbers of the worksheet parts written, in order.
  std::vector<uint64_t> sheetNumbers_;
};
