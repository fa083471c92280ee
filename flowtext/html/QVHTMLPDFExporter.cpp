#include "flowtext/html/QVHTMLPDFExporter.h"

#include "flowtext/html/QVHTMLPDFConverter.h"

std::unique_ptr<QVFlowTextConverter> QVHTMLPDFExporter::makeConverter(const std::string& outputPath,
                                                                      int64_t numOfPages,
                                                                      QVDocxConversionContext& context) {
  return std::make_unique<QVHTMLPDFConverter>(outputPath, numOfPages, context);
}
