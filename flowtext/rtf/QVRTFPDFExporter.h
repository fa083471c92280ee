#pragma once
// The RTF exporter: the flowing-text exporter writing an RTF document
// (QVRTFPDFConverter).
#include "flowtext/QVFlowTextPDFExporter.h"

class QVRTFPDFExporter : public QVFlowTextPDFExporter {
 protected:
  std::unique_ptr<QVFlowTextConverter> makeConverter(const std::string& outputPath, int64_t numOfPages,
                                                     QVDocxConversionContext& context) override;
};
