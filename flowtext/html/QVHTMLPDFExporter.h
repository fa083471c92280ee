#pragma once
// The HTML exporter: the flowing-text exporter writing an HTML document
// (QVHTMLPDFConverter).
#include "flowtext/QVFlowTextPDFExporter.h"

class QVHTMLPDFExporter : public QVFlowTextPDFExporter {
 protected:
  std::unique_ptr<QVFlowTextConverter> makeConverter(const std::string& outputPath, int64_t numOfPages,
                                                     QVDocxConversionContext& context) override;
};
