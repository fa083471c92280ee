#include "exporters/QVBuiltInExporters.h"

void registerBuiltInExporters(QVExporterRegistry& registry) {
  // One line per exporter, keyed by the output extensions it writes.
  (void)registry;
}
