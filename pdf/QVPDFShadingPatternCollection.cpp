#include "pdf/QVPDFShadingPatternCollection.h"

QVPDFShadingPatternCollection::QVPDFShadingPatternCollection(const platform::PdfObject& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const std::string& name : dictionary.keys()) {
    platform::PdfObject entry = dictionary.get(name);
    // The mesh types (4 to 7) are streams; they are known by name like the rest.
    if (!entry.isDictionary() && !entry.isStream()) continue;
    collectObjects_[name] = std::make_shared<const QVPDFShadingPattern>(entry, name);
  }
}

void QVPDFShadingPatternCollection::addFromDictionary(const Map& entries) {
  for (const auto& [name, pattern] : entries) collectObjects_[name] = pattern;
}

std::shared_ptr<const QVPDFShadingPattern> QVPDFShadingPatternCollection::objectNamed(std::string_view name) const {
  auto it = collectObjects_.find(name);
  return it == collectObjects_.end() ? nullptr : it->second;
}
