#include "pdf/QVPDFFontCollection.h"

#include <exception>

#include "pdf/fonts/QVPDFFont.h"

QVPDFFontCollection::QVPDFFontCollection(const platform::PdfObject& fontDictionary) {
  if (!fontDictionary.isDictionary()) return;
  for (const std::string& name : fontDictionary.keys()) {
    try {
      platform::PdfObject entry = fontDictionary.get(name);
      if (!entry.isDictionary()) continue;
      if (auto font = QVPDFFont::fontWithDictionary(entry, name)) fonts_[name] = std::move(font);
    } catch (const std::exception&) {
      // A damaged font loses only itself.
    }
  }
}

void QVPDFFontCollection::addFromDictionary(const Map& entries) {
  for (const auto& [name, font] : entries) fonts_[name] = font;
}

std::shared_ptr<const QVPDFFont> QVPDFFontCollection::fontNamed(std::string_view name) const {
  auto it = fonts_.find(name);
  return it == fonts_.end() ? nullptr : it->second;
}
