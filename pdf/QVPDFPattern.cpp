#include "pdf/QVPDFPattern.h"

QVPDFPattern::QVPDFPattern(const platform::PdfObject&, std::string objectKey) : objectKey_(std::move(objectKey)) {}

QVPDFTilingPattern::QVPDFTilingPattern(const platform::PdfObject&, std::string objectKey)
    : objectKey_(std::move(objectKey)) {}
