#pragma once
// The workbook's shared strings ("xl/sharedStrings.xml"): one rich-text
// entry per text cell, in the order the cells were made over the whole
// conversion, so that the index a cell holds is the number of entries
// written before it. The part is begun when the table is made, filled once
// per page and ended when the package is assembled.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xlsx/QVExcelStringItem.h"

class QVExcelManager;
class XMLFileWriter;

class QVExcelSharedStrings {
 public:
  // Begins the part below the work folder, whose "xl" folder must exist.
  // Throws XMLWriterException when the file cannot be made.
  QVExcelSharedStrings(const std::string& workFolder, const QVExcelManager& manager);
  ~QVExcelSharedStrings();
  QVExcelSharedStrings(const QVExcelSharedStrings&) = delete;
  QVExcelSharedStrings& operator=(const QVExcelSharedStrings&) = delete;

  // Writes the entries waiting in stringItems, in order, and empties it.
  void writeStringItems();
  // Ends the part and closes its file; throws when it did not reach the disk.
  void endWrite();

  // Entries written so far.
  uint64_t amountOfStringItems() const { return amountOfStringItems_; }
  // Entries waiting to be written.
  std::vector<QVExcelStringItemPtr> stringItems;

 private:
  const QVExcelManager& manager_;
  std::unique_ptr<XMLFileWriter> xmlWriter_;
  uint64_t amountOfStringItems_ = 0;
};
