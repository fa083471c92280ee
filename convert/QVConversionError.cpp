#include "convert/QVConversionError.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <typeinfo>

#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"

namespace {

std::string withPageNumber(std::string_view text, int64_t pageNumber) {
  return std::string(text) + "(" + platform::text::formatInteger(pageNumber) + ")";
}

std::string typeName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                    std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

}  // namespace

QVConversionError QVConversionError::unknown() {
  return make(kQVConversionErrorUnknown, "Unknow error while converting.");
}

QVConversionError QVConversionError::outOfPageRange(int64_t pageNumber) {
  return make(kQVConversionErrorPage, withPageNumber("Out of PDF Page Range", pageNumber));
}

QVConversionError QVConversionError::cannotReadPage(int64_t pageNumber) {
  return make(kQVConversionErrorPage, withPageNumber("Can't read the PDF Page.", pageNumber));
}

QVConversionError QVConversionError::cannotConvertPage(int64_t pageNumber) {
  return make(kQVConversionErrorPage, withPageNumber("Can't convert the PDF Page.", pageNumber));
}

QVConversionError QVConversionError::sourceMissing() {
  return make(kQVConversionErrorSourceMissing, "Source File isn't exist.");
}

QVConversionError QVConversionError::cannotLoad() {
  return make(kQVConversionErrorCannotLoad, "Can't load the PDF Document.");
}

QVConversionError QVConversionError::canceled() {
  return make(kQVConversionErrorCanceled, "Conversion has been canceled.");
}

QVConversionError QVConversionError::noPageToConvert() {
  return make(kQVConversionErrorNoPage, "No PDF Page to convert.");
}

QVConversionException QVDescribeCurrentException() {
  try {
    throw;
  } catch (const XMLWriterException& e) {
    return {XMLWriterException::name(), e.reason()};
  } catch (const std::exception& e) {
    return {typeName(typeid(e)), e.what()};
  } catch (...) {
    return {"unknown exception", ""};
  }
}
