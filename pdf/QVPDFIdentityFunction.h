#pragma once
#include "pdf/QVPDFFunction.h"

// The function named Identity: every input passes through unchanged.
class QVPDFIdentityFunction : public QVPDFFunction {
 public:
  QVPDFIdentityFunction();
  int getType() const override { return -1; }

 protected:
  bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget) override;
  void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const override;
};
