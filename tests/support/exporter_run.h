#pragma once
// Drives an exporter over every page of a PDF as the converter does, inside a
// private work folder, for tests that look at what one exporter writes.
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"

namespace qvtest {

// Converts every page of the PDF into the document at `output`; answers the
// number of pages converted and throws what the exporter throws.
template <class Exporter>
int convertWithExporter(const std::filesystem::path& pdf, const std::filesystem::path& output,
                        const std::string& password = {}) {
  auto document = platform::PdfDocument::open(pdf.string(), password);
  if (!document || !document->isUnlocked()) throw std::runtime_error("cannot open " + pdf.string());
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  Exporter exporter;
  const int count = document->pageCount();
  exporter.setNumberOfPagesToConvert(count);
  exporter.begainConvertPDF(output.string());
  int converted = 0;
  for (int n = 1; n <= count; ++n) {
    const auto page = document->page(n);
    if (page && exporter.convertPDFPage(*page)) ++converted;
  }
  exporter.endConvertPDF(*document);
  return converted;
}

}  // namespace qvtest
