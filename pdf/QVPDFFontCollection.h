#pragma once
// The fonts of a page's or a form's Font resource dictionary, by resource
// name. Every entry is built when the collection is made.
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/pdf/object.h"

class QVPDFFont;

class QVPDFFontCollection {
 public:
  using Map = std::map<std::string, std::shared_ptr<const QVPDFFont>, std::less<>>;

  QVPDFFontCollection() = default;
  // Builds a font for every dictionary entry of `fontDictionary` (a null
  // object gives an empty collection). Entries of another type, and those no
  // font is made for, are left out.
  explicit QVPDFFontCollection(const platform::PdfObject& fontDictionary);

  // Adds the given entries, replacing entries of the same name.
  void addFromDictionary(const Map& entries);

  // The font stored under the name, or none.
  std::shared_ptr<const QVPDFFont> fontNamed(std::string_view name) const;
  const Map& fonts() const { return fonts_; }
  Map fontsByName() const { return fonts_; }
  void setFonts(Map fonts) { fonts_ = std::move(fonts); }

 private:
  Map fonts_;
};
