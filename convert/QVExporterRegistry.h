#pragma once
// Exporter factories keyed by output extension. The converter sits below the
// exporters, so it creates them only through this registry; the program
// registers the exporters it has at start-up (registerBuiltInExporters in
// exporters/). An extension without a factory converts nothing.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDFOptions.h"

class QVExporterRegistry {
 public:
  // Makes a new exporter for one conversion. It receives the conversion's
  // further options and applies what concerns it before the document begins.
  using Factory = std::function<std::unique_ptr<QVPDFExporter>(const std::optional<QVPDFOptions>& moreOptions)>;

  QVExporterRegistry() = default;
  QVExporterRegistry(const QVExporterRegistry&) = delete;
  QVExporterRegistry& operator=(const QVExporterRegistry&) = delete;

  // The registry of the process.
  static QVExporterRegistry& shared();

  // Registers (or replaces) the factory of an extension; case-sensitive.
  void registerFactory(const std::string& extension, Factory factory);
  void removeFactory(std::string_view extension);
  bool hasFactory(std::string_view extension) const;
  // A new exporter, or null when the extension has no factory.
  std::unique_ptr<QVPDFExporter> createExporter(std::string_view extension,
                                                const std::optional<QVPDFOptions>& moreOptions) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Factory, std::less<>> factories_;
};
