#include "exporters/QVBuiltInExporters.h"

#include <memory>

#include "pptx/QVPPTXPDFExporter.h"
#include "docx/QVDocxPDFExporter.h"

void registerBuiltInExporters(QVExporterRegistry& registry) {
  // One line per exporter, keyed by the output extensions it writes.
  registry.registerFactory("pptx", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVPPTXPDFExporter>();
  });
  registry.registerFactory("docx", [](const std::optional<QVPDFOptions>&) -> std::unique_ptr<QVPDFExporter> {
    return std::make_unique<QVDocxPDFExporter>();
  });
}
