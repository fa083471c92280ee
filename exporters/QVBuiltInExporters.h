#pragma once
// Registers the exporter of every output type this build has with the
// registry the converter creates its exporters from. Call once at start-up,
// before the first conversion. Output types without an exporter in the build
// stay unregistered and convert nothing.
#include "convert/QVExporterRegistry.h"

void registerBuiltInExporters(QVExporterRegistry& registry = QVExporterRegistry::shared());
