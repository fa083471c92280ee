#include "convert/QVExporterRegistry.h"

QVExporterRegistry& QVExporterRegistry::shared() {
  static QVExporterRegistry registry;
  return registry;
}

void QVExporterRegistry::registerFactory(const std::string& extension, Factory factory) {
  std::lock_guard lock(mutex_);
  factories_[extension] = std::move(factory);
}

void QVExporterRegistry::removeFactory(std::string_view extension) {
  std::lock_guard lock(mutex_);
  if (auto it = factories_.find(extension); it != factories_.end()) factories_.erase(it);
}

bool QVExporterRegistry::hasFactory(std::string_view extension) const {
  std::lock_guard lock(mutex_);
  return factories_.find(extension) != factories_.end();
}

std::unique_ptr<QVPDFExporter> QVExporterRegistry::createExporter(std::string_view extension,
                                                                  const std::optional<QVPDFOptions>& moreOptions) const {
  Factory factory;
  {
    std::lock_guard lock(mutex_);
    auto it = factories_.find(extension);
    if (it == factories_.end() || !it->second) return nullptr;
    factory = it->second;
  }
  return factory(moreOptions);
}
