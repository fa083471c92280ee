#pragma once
// The base of every exporter, as the converter drives it.
//
// Per conversion the converter creates one exporter through the exporter
// registry and calls, from its one conversion queue and never two at once:
//   setNumberOfPagesToConvert (entries of the page list, invalid ones too),
//   begainConvertPDF (the output path),
//   convertPDFPage once per valid entry, in list order (a page may repeat),
//   then endConvertPDF after a page loop that was not cancelled, or
//   cleanConvertPDF after a cancel,
// and destroys it. The converter catches whatever these calls throw and
// reports it; an exporter signals a failed save by throwing, never by
// leaving a partial file behind as if it were complete.
#include <cstdint>
#include <string>

namespace platform {
class PdfDocument;
class PdfPage;
}  // namespace platform

class QVPDFExporter {
 public:
  QVPDFExporter() = default;
  virtual ~QVPDFExporter() = default;
  QVPDFExporter(const QVPDFExporter&) = delete;
  QVPDFExporter& operator=(const QVPDFExporter&) = delete;

  int64_t numberOfPagesToConvert() const { return numberOfPagesToConvert_; }
  void setNumberOfPagesToConvert(int64_t count) { numberOfPagesToConvert_ = count; }

  // Begins the output document at the path. The base does nothing.
  virtual void begainConvertPDF(const std::string& outputPath);
  // Converts one page into the document; true when it was converted. The
  // base converts nothing and answers false.
  virtual bool convertPDFPage(const platform::PdfPage& page);
  // Finishes the document and writes the output. The base does nothing.
  virtual void endConvertPDF(const platform::PdfDocument& document);
  // After a cancel, instead of saving. The base does nothing.
  virtual void cleanConvertPDF();

 private:
  int64_t numberOfPagesToConvert_ = 0;
};
