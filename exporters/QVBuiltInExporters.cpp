#include "exporters/QVBuiltInExporters.h"

#include <memory>

#include "pptx/QVPPTXPDFExporter.h"
#include "docx/QVDocxPDFExporter.h"
#include "flowtext/html/QVHTMLPDFExporter.h"
#include "flowtext/rtf/QVRTFPDFExporter.h"
#include "flowtext/text/QVTextPDFExporter.h"
#include "xlsx/QVExcelPDFExporter.h"

void registerBuiltInExporters(QVExporterRegistry& registry) {
  // One line per exporter, keyed by the output extensions it writes.
  registry.registerFactory("pptx", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVPPTXPDFExporter>();
  });
  registry.registerFactory("docx", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVDocxPDFExporter>();
  });
  registry.registerFactory("html", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVHTMLPDFExporter>();
  });
  registry.registerFactory("rtf", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVRTFPDFExporter>();
  });
  registry.registerFactory("txt", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVTextPDFExporter>();
  });
  registry.registerFactory("csv", [](const std::optional<QVPDFOptions>& moreOptions) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVExcelPDFExporter>(moreOptions ? std::optional(moreOptions->excelOptions) : std::nullopt);
  });
  registry.registerFactory("xlsx", [](const std::optional<QVPDFOptions>& moreOptions) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVExcelPDFExporter>(moreOptions ? std::optional(moreOptions->excelOptions) : std::nullopt,
                                                true);
  });
}
