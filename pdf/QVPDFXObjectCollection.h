#pragma once
// The XObjects of a content stream's XObject resources, by resource name:
// every stream entry whose subtype is Image, Form or PS. Every object is
// built when the collection is made (an image is decoded only when it is
// first drawn).
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/QVPDFXObject.h"
#include "platform/pdf/object.h"

class QVPDFXObjectCollection {
 public:
  using Map = std::map<std::string, std::shared_ptr<QVPDFXObject>, std::less<>>;

  QVPDFXObjectCollection() = default;
  // Builds every entry of the resource sub-dictionary; a null or other object
  // gives an empty collection. `colorSpaceResources` is the ColorSpace
  // resource dictionary of the same resources, where images find the colour
  // spaces they name.
  explicit QVPDFXObjectCollection(const platform::PdfObject& dictionary,
                                  const platform::PdfObject& colorSpaceResources = {});

  // Adds the given entries, replacing entries of the same name.
  void addFromDictionary(const Map& entries);
  // A copy of the name-to-object map.
  Map xObjectsByName() const { return xObjects_; }
  // The object stored under the name, or null.
  std::shared_ptr<QVPDFXObject> xObjectWithNamed(std::string_view name) const;

  const Map& xObjects() const { return xObjects_; }
  void setXObjects(Map objects) { xObjects_ = std::move(objects); }

 private:
  Map xObjects_;
};
