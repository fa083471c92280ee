#include "pdf/QVPDFExtGStateCollection.h"

QVPDFExtGStateCollection::QVPDFExtGStateCollection(const platform::PdfObject& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const std::string& name : dictionary.keys()) {
    platform::PdfObject entry = dictionary.get(name);
    if (!entry.isDictionary()) continue;
    collectObjects_[name] = std::make_shared<const QVPDFExtGState>(entry, name);
  }
}

void QVPDFExtGStateCollection::addFromDictionary(const Map& entries) {
  for (const auto& [name, state] : entries) collectObjects_[name] = state;
}

std::shared_ptr<const QVPDFExtGState> QVPDFExtGStateCollection::objectNamed(std::string_view name) const {
  auto it = collectObjects_.find(name);
  return it == collectObjects_.end() ? nullptr : it->second;
}
