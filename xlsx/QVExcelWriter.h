#pragma once
// The output of one spreadsheet conversion: a folder of CSV files at the
// output path, one per page that holds text, named "Table N.csv" after the
// page's number in the conversion (a page without text leaves its number
// unused).
//
// The exporter drives it page by page:
//
//   QVExcelWriter writer(outputPath, pageCount, manager);
//   writer.begainWriteDocument();
//   for each page:
//     writer.begainWritePage({width, height});
//     writer.currentPage()->allRunTextArray.push_back(run);   // the exporter's runs
//     writer.endWritePage();                                  // Table N.csv in the work folder
//   writer.packetExcelFile(document);                         // the folder at the output path
//
// Files are written into a work folder inside the conversion's work folder
// and the whole folder is moved to the output path at the end; a writer that
// is destroyed before (a cancelled or failed conversion) removes its folder.
// A file, the folder or the move that fails throws std::runtime_error.
//
// Each CSV file is UTF-16 little-endian with a byte-order mark, lines ended
// by a line feed, fields separated by tabs (see QVExcelPage::creatCSV).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelPage.h"

class QVExcelManager;

namespace platform {
class PdfDocument;
}

class QVExcelWriter {
 public:
  // Makes the work folder (throws std::runtime_error when it cannot). The
  // manager must outlive the writer.
  QVExcelWriter(const std::string& outputPath, int64_t numOfPages, const QVExcelManager& manager);
  ~QVExcelWriter();
  QVExcelWriter(const QVExcelWriter&) = delete;
  QVExcelWriter& operator=(const QVExcelWriter&) = delete;

  void begainWriteDocument();
  void endWriteDocument() {}
  // Starts the next page (its number is the count of pages begun).
  void begainWritePage(platform::Size pageSize);
  // Lays the current page out and writes its CSV file when it holds text.
  void endWritePage();
  // Moves the folder of CSV files to the output path.
  void packetExcelFile(const platform::PdfDocument& document);

  // The page being converted (null before the first page).
  QVExcelPage* currentPage() { return currentPage_.get(); }
  const std::string& savedFilePath() const { return savedFilePath_; }
  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  uint64_t currentPageIndex() const { return currentPageIndex_; }
  uint64_t totalSheetPages() const { return totalSheetPages_; }
  // The size of the first page begun; (0, 0) before.
  platform::Size slideSize() const { return slideSize_; }

  // The bytes of a CSV file for the text: a byte-order mark, then the text
  // in UTF-16 little-endian.
  static std::string csvFileData(std::string_view utf8);

 private:
  void writeCSVFile(const std::string& text);
  void removeWorkFolder();

  const QVExcelManager& manager_;
  std::string savedFilePath_;
  std::string savedWorkFolder_;
  uint64_t currentPageIndex_ = 0;
  uint64_t totalSheetPages_ = 0;
  platform::Size slideSize_;
  std::unique_ptr<QVExcelPage> currentPage_;
};
