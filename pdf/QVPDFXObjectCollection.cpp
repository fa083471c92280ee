#include "pdf/QVPDFXObjectCollection.h"

#include <exception>

QVPDFXObjectCollection::QVPDFXObjectCollection(const platform::PdfObject& dictionary,
                                               const platform::PdfObject& colorSpaceResources) {
  if (!dictionary.isDictionary()) return;
  for (const std::string& name : dictionary.keys()) {
    try {
      platform::PdfObject entry = dictionary.get(name);
      if (!entry.isStream()) continue;
      if (auto xObject = QVPDFXObject::xObjectWithStream(entry, name, colorSpaceResources))
        xObjects_[name] = std::move(xObject);
    } catch (const std::exception&) {
      // A damaged entry loses only itself.
    }
  }
}

void QVPDFXObjectCollection::addFromDictionary(const Map& entries) {
  for (const auto& [name, xObject] : entries) xObjects_[name] = xObject;
}

std::shared_ptr<QVPDFXObject> QVPDFXObjectCollection::xObjectWithNamed(std::string_view name) const {
  auto it = xObjects_.find(name);
  return it == xObjects_.end() ? nullptr : it->second;
}
