#include "pdf/QVPDFExponentialFunction.h"

#include <cmath>

bool QVPDFExponentialFunction::parse(const platform::PdfObject& object, const platform::PdfObject& dict,
                                     QVPDFParseBudget& budget) {
  ok_ = false;
  if (!QVPDFFunction::parse(object, dict, budget)) return false;
  if (m_ != 1) return false;

  // C0 fixes the output count, which must agree with a Range; arrays longer
  // than the outputs we hold are refused.
  platform::PdfObject c0 = dict.get("C0");
  if (c0.isArray()) {
    if (hasRange_ && c0.size() != static_cast<size_t>(n_)) return false;
    if (c0.size() > static_cast<size_t>(kMaxValues)) return false;
    n_ = static_cast<int>(c0.size());
    if (!QVPDFReadNumbers(c0, c0.size(), c0_.data())) return false;
  } else {
    if (hasRange_ && n_ != 1) return false;
    n_ = 1;
    c0_[0] = 0.0;
  }

  platform::PdfObject c1 = dict.get("C1");
  if (c1.isArray()) {
    if (c1.size() != static_cast<size_t>(n_)) return false;
    if (!QVPDFReadNumbers(c1, c1.size(), c1_.data())) return false;
  } else {
    if (n_ != 1) return false;
    c1_[0] = 1.0;
  }

  auto e = dict.getNumber("N");
  if (!e) return false;
  e_ = *e;
  ok_ = true;
  return true;
}

void QVPDFExponentialFunction::evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  if (!ok_) return;
  double x = input[0];
  if (x < domain_[0].min) x = domain_[0].min;
  else if (x > domain_[0].max) x = domain_[0].max;
  const double t = std::pow(x, e_);
  for (int j = 0; j < n_; ++j) output[j] = c0_[j] + t * (c1_[j] - c0_[j]);
  clipToRange(output);
}
