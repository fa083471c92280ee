#pragma once
// The errors and caught exceptions that a conversion reports.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// The program's bundle identifier: the domain of every conversion error.
inline constexpr std::string_view kQVBundleIdentifier = "org.pdfconverter.PDFConverter";

enum QVConversionErrorCode : int64_t {
  kQVConversionErrorUnknown = 400,        // an exception while converting
  kQVConversionErrorPage = 401,           // one page could not be converted
  kQVConversionErrorSourceMissing = 404,  // no file at the source path, or a folder
  kQVConversionErrorCannotLoad = 405,     // not a readable PDF, or the password was refused
  kQVConversionErrorCanceled = 406,       // the conversion was stopped
  kQVConversionErrorNoPage = 407,         // not one listed page is a page of the document
};

struct QVConversionError {
  std::string domain;
  int64_t code = 0;
  std::string failureReason;

  bool operator==(const QVConversionError&) const = default;

  static QVConversionError make(int64_t code, std::string failureReason) {
    return {std::string(kQVBundleIdentifier), code, std::move(failureReason)};
  }
  // 400 "Unknow error while converting."
  static QVConversionError unknown();
  // 401 "Out of PDF Page Range(n)"
  static QVConversionError outOfPageRange(int64_t pageNumber);
  // 401 "Can't read the PDF Page.(n)"
  static QVConversionError cannotReadPage(int64_t pageNumber);
  // 401 "Can't convert the PDF Page.(n)"
  static QVConversionError cannotConvertPage(int64_t pageNumber);
  // 404 "Source File isn't exist."
  static QVConversionError sourceMissing();
  // 405 "Can't load the PDF Document."
  static QVConversionError cannotLoad();
  // 406 "Conversion has been canceled."
  static QVConversionError canceled();
  // 407 "No PDF Page to convert."
  static QVConversionError noPageToConvert();
};

// An exception caught while a page was converted or the document was begun
// or saved: the exception's name (its type, e.g. "XMLWriterException") and
// its reason text.
struct QVConversionException {
  std::string name;
  std::string reason;

  bool operator==(const QVConversionException&) const = default;
};

// Describes the exception being handled; call from inside a catch block.
QVConversionException QVDescribeCurrentException();
