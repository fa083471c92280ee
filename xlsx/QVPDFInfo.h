#pragma once
// The document properties a workbook carries: the PDF's title, author,
// subject, keywords and producer from its Info dictionary (text strings in
// either PDF encoding), with the program's own defaults where it has none.
#include <string>

namespace platform {
class PdfDocument;
}

class QVPDFInfo {
 public:
  explicit QVPDFInfo(const platform::PdfDocument& document);

  std::string title;
  // The PDF's author, else the program's name.
  std::string author;
  std::string subject;
  std::string keywords;
  // The program's maker (the PDF's own Creator entry is not read).
  std::string creator;
  std::string producer;
  // The program's notice.
  std::string note;

 private:
  void loadDocumentInfo(const platform::PdfDocument& document);
};
