#pragma once
// The reports of a conversion. Every method has an empty default. The start
// report is sent synchronously inside QVPDFConverter::convertPDFAtPath on the
// caller's thread; every other report is posted to the converter's main queue
// and arrives there in this order: the page reports in page-list order (an
// exception report right before the failure report of its page), the
// will-save report, the exception report of the save if any, the end report.
#include <cstdint>
#include <optional>

#include "convert/QVConversionError.h"

class QVPDFConverter;

class QVPDFConverterDelegate {
 public:
  virtual ~QVPDFConverterDelegate() = default;

  // The conversion has started.
  virtual void didStartConversion(QVPDFConverter& converter) { (void)converter; }
  // The conversion has ended, last of all: no error, or 400 (the document
  // could not be begun or saved), 404, 405 or 406. Page failures never reach
  // this report.
  virtual void didEndConversion(QVPDFConverter& converter, const std::optional<QVConversionError>& error) {
    (void)converter, (void)error;
  }
  // A page was converted: its number, its 1-based position in the page list
  // and the number of pages converted so far, this one included.
  virtual void convertPDFPageIndex(QVPDFConverter& converter, uint64_t pageNumber, uint64_t writeWordPageIndex,
                                   uint64_t finshedWordPageCount) {
    (void)converter, (void)pageNumber, (void)writeWordPageIndex, (void)finshedWordPageCount;
  }
  // A page failed: 401 with the page's text, or 400 after an exception.
  virtual void convertPDFPageIndexFaildWithError(QVPDFConverter& converter, uint64_t pageNumber,
                                                 const QVConversionError& error) {
    (void)converter, (void)pageNumber, (void)error;
  }
  // The page loop ended without a cancel; the document is about to be saved.
  virtual void willSaveDoc(QVPDFConverter& converter) { (void)converter; }
  // An exception was caught while the document was begun, a page was
  // converted, or the document was saved.
  virtual void catchException(QVPDFConverter& converter, const QVConversionException& exception) {
    (void)converter, (void)exception;
  }
};
