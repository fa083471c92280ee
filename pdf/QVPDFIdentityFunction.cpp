#include "pdf/QVPDFIdentityFunction.h"

QVPDFIdentityFunction::QVPDFIdentityFunction() {
  m_ = kMaxValues;
  n_ = kMaxValues;
  for (auto& d : domain_) d = {0.0, 1.0};
  hasRange_ = false;
  ok_ = true;
}

bool QVPDFIdentityFunction::parse(const platform::PdfObject&, const platform::PdfObject&, QVPDFParseBudget&) {
  return true;
}

void QVPDFIdentityFunction::evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  output = input;
}
