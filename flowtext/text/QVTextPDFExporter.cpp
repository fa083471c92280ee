#include "flowtext/text/QVTextPDFExporter.h"

#include "flowtext/text/QVTextPDFConverter.h"

std::unique_ptr<QVFlowTextConverter> QVTextPDFExporter::makeConverter(const std::string& outputPath,
                                                                      int64_t numOfPages,
                                                                      QVDocxConversionContext& context) {
  return std::make_unique<QVTextPDFConverter>(outputPath, numOfPages, context);
}
