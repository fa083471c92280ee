#include "flowtext/rtf/QVRTFPDFExporter.h"

#include "flowtext/rtf/QVRTFPDFConverter.h"

std::unique_ptr<QVFlowTextConverter> QVRTFPDFExporter::makeConverter(const std::string& outputPath,
                                                                     int64_t numOfPages,
                                                                     QVDocxConversionContext& context) {
  return std::make_unique<QVRTFPDFConverter>(outputPath, numOfPages, context);
}
