#pragma once
// The plain-text exporter: the flowing-text exporter writing a UTF-8 text
// file (QVTextPDFConverter) of each page's upright text in reading order.
#include "flowtext/QVFlowTextPDFExporter.h"

class QVTextPDFExporter : public QVFlowTextPDFExporter {
 protected:
  std::unique_ptr<QVFlowTextConverter> makeConverter(const std::string& outputPath, int64_t numOfPages,
                                                     QVDocxConversionContext& context) override;
};
