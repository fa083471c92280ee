#include "pdf/QVPDFShadingPattern.h"

QVPDFShadingPattern::QVPDFShadingPattern(const platform::PdfObject& dictionary, std::string objectKey)
    : objectKey_(std::move(objectKey)), shading_(QVPDFShading::shadingWithDictionary(dictionary)) {}
