#include "xlsx/QVPDFInfo.h"

#include <qpdf/QPDF.hh>

#include <algorithm>
#include <cstdlib>

#include "platform/pdf/document.h"
#include "platform/pdf/object.h"
#include "platform/text/codepages.h"

namespace {

// The program's own document properties.
constexpr const char* kDefaultAuthor = "Korrin";
constexpr const char* kCompany = "Korrin";
constexpr const char* kNotice = "Converted from PDF by Korrin";

}  // namespace

QVPDFInfo::QVPDFInfo(const platform::PdfDocument& document)
    : author(kDefaultAuthor), creator(kCompany), note(kNotice) {
  numPages_ = document.isUnlocked() ? static_cast<uint64_t>(std::max(document.pageCount(), 0)) : 0;
  loadDocumentInfo(document);
}

void QVPDFInfo::loadDocumentInfo(const platform::PdfDocument& document) {
  if (!document.isUnlocked()) return;
  const std::string version = document.qpdf().getPDFVersion();
  const size_t dot = version.find('.');
  if (dot != std::string::npos) {
    majorVersion_ = std::atoi(version.substr(0, dot).c_str());
    minorVersion_ = std::atoi(version.substr(dot + 1).c_str());
  }
  const platform::PdfObject info = document.info();
  if (!info.isDictionary()) return;
  const std::pair<const char*, std::string*> entries[] = {
      {"Title", &title}, {"Author", &author}, {"Subject", &subject}, {"Keywords", &keywords}, {"Producer", &producer}};
  for (const auto& [key, field] : entries)
    if (const std::optional<std::string> bytes = info.getString(key)) *field = platform::text::decodePdfTextString(*bytes);
}
