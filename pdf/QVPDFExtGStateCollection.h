#pragma once
// The extended graphics states of a content stream's ExtGState resources, by
// resource name: every dictionary entry.
// Every object is built when the collection is made.
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/QVPDFExtGState.h"
#include "platform/pdf/object.h"

class QVPDFExtGStateCollection {
 public:
  using Map = std::map<std::string, std::shared_ptr<const QVPDFExtGState>, std::less<>>;

  QVPDFExtGStateCollection() = default;
  // Builds every entry of the resource sub-dictionary; a null or other object
  // gives an empty collection.
  explicit QVPDFExtGStateCollection(const platform::PdfObject& dictionary);

  // Adds the given entries, replacing entries of the same name.
  void addFromDictionary(const Map& entries);
  // A copy of the name-to-object map.
  Map collectObjectsByName() const { return collectObjects_; }
  // The object stored under the name, or null.
  std::shared_ptr<const QVPDFExtGState> objectNamed(std::string_view name) const;

  const Map& collectObjects() const { return collectObjects_; }
  void setCollectObjects(Map objects) { collectObjects_ = std::move(objects); }

 private:
  Map collectObjects_;
};
