#pragma once
// The state of one spreadsheet conversion: its options and the questions the
// layout and the writers ask of them, and the running count of shared-string
// entries. One manager lives in each spreadsheet exporter, so two
// conversions never share it; the exporter resets it when a document begins.
//
// Option questions are asked here, never of the options record; a
// conversion without options answers as if every option were 0.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/QVExcelOptions.h"

class QVExcelManager {
 public:
  QVExcelManager() = default;

  // Takes the conversion's options (none: every option 0) and the thousands
  // separator they ask for.
  void setOptions(const std::optional<QVExcelOptions>& options);
  // Starts a new document: no shared-string entry given out yet.
  void reset();

  const std::optional<QVExcelOptions>& excelOptions() const { return excelOptions_; }
  // "," or ".": the thousands separator recognised numbers use.
  const std::string& thousandSepartor() const { return thousandSepartor_; }
  // Shared-string entries given to text cells so far in this document.
  uint64_t amountOfStringItems() const { return amountOfStringItems_; }
  void setAmountOfStringItems(uint64_t count) { amountOfStringItems_ = count; }

  // Layout option 0 keeps the page layout, 1 is the middle way, 2 plain data.
  bool isNeedValidNumbers() const { return formatOption() != 2; }
  bool isNeedDefaultFontName() const { return formatOption() == 2; }
  bool isNeedDefaultFontSize() const { return formatOption() != 0; }
  bool isNeedDefaultRowHeight() const { return formatOption() != 0; }
  bool isNeedWrapText() const { return formatOption() == 0; }
  bool isNeedMergeCells() const { return formatOption() == 0; }
  bool isSpecialVersion() const { return formatOption() == 2; }
  bool isNeedCollectCGPaths() const { return excelOptions_ && excelOptions_->collectCGPaths; }
  bool isNeedCollectFills() const { return isNeedCollectCGPaths() && excelOptions_->collectFills; }
  bool isAllInOneSheetEnabled() const { return excelOptions_ && excelOptions_->allInOneSheet; }
  bool isAllInOneSheetAddToRow() const { return excelOptions_ && excelOptions_->aiosAddToRow; }

  // True when every character is a blank (U+0020), the empty text included:
  // such texts make no cell.
  static bool isBlankSpace(std::string_view text);

 private:
  uint64_t formatOption() const { return excelOptions_ ? excelOptions_->excelFormatOption : 0; }

  std::optional<QVExcelOptions> excelOptions_;
  std::string thousandSepartor_ = ",";
  uint64_t amountOfStringItems_ = 0;
};
