#include "tests/support/pdf_damage.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <qpdf/QPDF.hh>

namespace qvtest {
namespace {

std::pair<size_t, size_t> objectSpan(const std::string& pdf, int number) {
  const std::string header = "\n" + std::to_string(number) + " 0 obj";
  const size_t begin = pdf.find(header);
  const size_t end = begin == std::string::npos ? begin : pdf.find("endobj", begin);
  if (end == std::string::npos) throw std::runtime_error("object " + std::to_string(number) + " not found");
  return {begin + 1, end + 6};
}

}  // namespace

int pageObjectNumber(const std::string& pdf, int page) {
  QPDF q;
  q.processMemoryFile("intact.pdf", pdf.data(), pdf.size());
  return q.getAllPages().at(static_cast<size_t>(page - 1)).getObjectID();
}

int pageTreeRootObjectNumber(const std::string& pdf) {
  QPDF q;
  q.processMemoryFile("intact.pdf", pdf.data(), pdf.size());
  return q.getRoot().getKey("/Pages").getObjectID();
}

std::string withObjectBlanked(std::string pdf, int objectNumber) {
  const auto [begin, end] = objectSpan(pdf, objectNumber);
  pdf.replace(begin, end - begin, std::string(end - begin, ' '));
  return pdf;
}

std::string withStreamDataZeroed(std::string pdf, int objectNumber) {
  const auto [begin, end] = objectSpan(pdf, objectNumber);
  const size_t keyword = pdf.find("stream", begin);
  const size_t dataEnd = pdf.rfind("endstream", end);
  if (keyword >= end || dataEnd == std::string::npos || dataEnd < keyword)
    throw std::runtime_error("object " + std::to_string(objectNumber) + " is not a stream");
  size_t data = keyword + 6;
  if (data < dataEnd && pdf[data] == '\r') ++data;
  if (data < dataEnd && pdf[data] == '\n') ++data;
  // The end-of-line before "endstream" stays.
  size_t last = dataEnd;
  if (last > data && pdf[last - 1] == '\n') --last;
  if (last > data && pdf[last - 1] == '\r') --last;
  std::fill(pdf.begin() + static_cast<std::ptrdiff_t>(data), pdf.begin() + static_cast<std::ptrdiff_t>(last), '\0');
  return pdf;
}

std::string withDictionaryEntry(std::string pdf, int objectNumber, const std::string& entry) {
  const auto [begin, end] = objectSpan(pdf, objectNumber);
  const size_t dictionary = pdf.find("<<", begin);
  if (dictionary >= end) throw std::runtime_error("object " + std::to_string(objectNumber) + " holds no dictionary");
  pdf.insert(dictionary + 2, " " + entry + " ");
  return pdf;
}

}  // namespace qvtest
