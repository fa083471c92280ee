#pragma once
#include <memory>
#include <string>

#include "pdf/QVPDFShading.h"

// A shading resource under its resource name, as the sh operator looks it up.
class QVPDFShadingPattern {
 public:
  QVPDFShadingPattern() = default;
  // The shading built from the dictionary (none for an unknown type).
  QVPDFShadingPattern(const platform::PdfObject& dictionary, std::string objectKey);

  const std::string& objectKey() const { return objectKey_; }
  void setObjectKey(std::string key) { objectKey_ = std::move(key); }
  const std::shared_ptr<const QVPDFShading>& shading() const { return shading_; }
  void setShading(std::shared_ptr<const QVPDFShading> shading) { shading_ = std::move(shading); }

 private:
  std::string objectKey_;
  std::shared_ptr<const QVPDFShading> shading_;
};
