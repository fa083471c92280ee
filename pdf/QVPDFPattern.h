#pragma once
// Patterns as the graphics state refers to them (its fill and stroke
// pattern). Only the resource name is kept: pattern painting is not part of
// what the interpreter reports.
#include <string>

#include "platform/pdf/object.h"

class QVPDFPattern {
 public:
  QVPDFPattern() = default;
  // The dictionary is not read.
  QVPDFPattern(const platform::PdfObject& dictionary, std::string objectKey);

  const std::string& objectKey() const { return objectKey_; }
  void setObjectKey(std::string key) { objectKey_ = std::move(key); }

 private:
  std::string objectKey_;
};

// A tiling pattern (PatternType 1), likewise known only by name.
class QVPDFTilingPattern {
 public:
  QVPDFTilingPattern() = default;
  QVPDFTilingPattern(const platform::PdfObject& dictionary, std::string objectKey);

  const std::string& objectKey() const { return objectKey_; }
  void setObjectKey(std::string key) { objectKey_ = std::move(key); }

 private:
  std::string objectKey_;
};
