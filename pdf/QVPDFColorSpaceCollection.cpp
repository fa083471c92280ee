#include "pdf/QVPDFColorSpaceCollection.h"

QVPDFColorSpaceCollection::QVPDFColorSpaceCollection(const platform::PdfObject& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const std::string& name : dictionary.keys()) {
    if (auto space = QVPDFColorSpace::colorSpaceWithObject(dictionary.get(name))) colorSpaces_[name] = std::move(space);
  }
}

void QVPDFColorSpaceCollection::addFromDictionary(const Map& entries) {
  for (const auto& [name, space] : entries) colorSpaces_[name] = space;
}

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpaceCollection::colorSpaceNamed(std::string_view name) const {
  auto it = colorSpaces_.find(name);
  return it == colorSpaces_.end() ? nullptr : it->second;
}
