#include "convert/QVPDFExporter.h"

void QVPDFExporter::begainConvertPDF(const std::string&) {}

bool QVPDFExporter::convertPDFPage(const platform::PdfPage&) { return false; }

void QVPDFExporter::endConvertPDF(const platform::PdfDocument&) {}

void QVPDFExporter::cleanConvertPDF() {}
