#pragma once
// The colour spaces of a content stream's ColorSpace resources, by resource
// name: every entry, of any type, that names or describes a colour space.
// Every object is built when the collection is made.
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/QVPDFColorSpace.h"
#include "platform/pdf/object.h"

class QVPDFColorSpaceCollection {
 public:
  using Map = std::map<std::string, std::shared_ptr<const QVPDFColorSpace>, std::less<>>;

  QVPDFColorSpaceCollection() = default;
  // Builds every entry of the resource sub-dictionary; a null or other object
  // gives an empty collection.
  explicit QVPDFColorSpaceCollection(const platform::PdfObject& dictionary);

  // Adds the given entries, replacing entries of the same name.
  void addFromDictionary(const Map& entries);
  // A copy of the name-to-object map.
  Map colorSpacesByName() const { return colorSpaces_; }
  // The object stored under the name, or null.
  std::shared_ptr<const QVPDFColorSpace> colorSpaceNamed(std::string_view name) const;

  const Map& colorSpaces() const { return colorSpaces_; }
  void setColorSpaces(Map objects) { colorSpaces_ = std::move(objects); }

 private:
  Map colorSpaces_;
};
