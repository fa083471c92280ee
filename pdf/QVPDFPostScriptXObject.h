#pragma once
#include "pdf/QVPDFXObject.h"

// A PostScript XObject: kept so that the resource name resolves, never run.
class QVPDFPostScriptXObject : public QVPDFXObject {
 public:
  explicit QVPDFPostScriptXObject(platform::PdfObject stream) : QVPDFXObject(std::move(stream)) {}
  int getType() const override { return kTypePostScript; }
};
