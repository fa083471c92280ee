#pragma once
#include "pdf/QVPDFFunction.h"

// Type 2: out_j = C0_j + x^N × (C1_j − C0_j) for one input x.
class QVPDFExponentialFunction : public QVPDFFunction {
 public:
  int getType() const override { return 2; }

  const std::array<double, kMaxValues>& c0() const { return c0_; }
  const std::array<double, kMaxValues>& c1() const { return c1_; }
  double e() const { return e_; }

 protected:
  bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget) override;
  void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const override;

 private:
  std::array<double, kMaxValues> c0_{};
  std::array<double, kMaxValues> c1_{};
  double e_ = 0;
};
