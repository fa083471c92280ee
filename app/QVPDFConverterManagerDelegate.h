#pragma once
// The reports of a conversion run, each about the queued item it concerns.
// Every method has an empty default. All arrive on the Qt thread: the
// item's start report inside the call that starts it, the others from the
// main queue, in the order the converter made them.
//
// For a run of items A and B: willStartConversion; didStartConversion(A);
// a page report per listed page of A (convertPDFPageIndex, or
// convertPDFPageIndexFaildWithError for a failed page, preceded by
// catchException when the page threw); willSaveDoc(A) unless A was stopped
// or could not be opened; didEndConversion(A); then the same for B; and
// didEndConversion() for the run.
#include <cstdint>
#include <memory>
#include <optional>

#include "convert/QVConversionError.h"

class QVPDFConverterManager;
class QVSourceFileItem;

class QVPDFConverterManagerDelegate {
 public:
  using Item = std::shared_ptr<QVSourceFileItem>;
  virtual ~QVPDFConverterManagerDelegate() = default;

  // A run begins, before its first item.
  virtual void willStartConversion(QVPDFConverterManager& manager) { (void)manager; }
  // The run is over: every item done, or the run stopped.
  virtual void didEndConversion(QVPDFConverterManager& manager) { (void)manager; }
  // The converter has taken the item.
  virtual void didStartConversion(QVPDFConverterManager& manager, const Item& item) { (void)manager, (void)item; }
  // The item is done, failed or stopped; its error is also stored in it.
  virtual void didEndConversion(QVPDFConverterManager& manager, const Item& item,
                                const std::optional<QVConversionError>& error) {
    (void)manager, (void)item, (void)error;
  }
  // A page was converted: its number, its 1-based position in the item's
  // page list and the pages converted so far, this one included.
  virtual void convertPDFPageIndex(QVPDFConverterManager& manager, const Item& item, uint64_t pageNumber,
                                   uint64_t writeWordPageIndex, uint64_t finshedWordPageCount) {
    (void)manager, (void)item, (void)pageNumber, (void)writeWordPageIndex, (void)finshedWordPageCount;
  }
  // A page failed.
  virtual void convertPDFPageIndexFaildWithError(QVPDFConverterManager& manager, const Item& item,
                                                 uint64_t pageNumber, const QVConversionError& error) {
    (void)manager, (void)item, (void)pageNumber, (void)error;
  }
  // The pages are done; the output is about to be written.
  virtual void willSaveDoc(QVPDFConverterManager& manager, const Item& item) { (void)manager, (void)item; }
  // The exporter threw while the item was converted.
  virtual void catchException(QVPDFConverterManager& manager, const Item& item,
                              const QVConversionException& exception) {
    (void)manager, (void)item, (void)exception;
  }
};
