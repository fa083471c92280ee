#pragma once
#include "pdf/QVPDFColorSpace.h"

// Colours painted by a pattern: no components of its own; the operators
// leave the colour alone when this space is current.
class QVPDFPatternColorSpace : public QVPDFColorSpace {
 public:
  int getMode() const override { return kModePattern; }
};
