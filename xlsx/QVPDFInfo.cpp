#include "xlsx/QVPDFInfo.h"

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
  loadDocumentInfo(document);
}

void QVPDFInfo::loadDocumentInfo(const platform::PdfDocument& document) {
  if (!document.isUnlocked()) return;
  const platform::PdfObject info = document.info();
  if (!info.isDictionary()) return;
  const std::pair<const char*, std::string*> entries[] = {
      {"Title", &title}, {"Author", &author}, {"Subject", &subject}, {"Keywords", &keywords}, {"Producer", &producer}};
  for (const auto& [key, field] : entries)
    if (const std::optional<std::string> bytes = info.getString(key)) *field = platform::text::decodePdfTextString(*bytes);
}
