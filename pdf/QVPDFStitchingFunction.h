#pragma once
#include <vector>

#include "pdf/QVPDFFunction.h"

// Type 3: one input, its domain cut by Bounds into k pieces, each mapped by
// its Encode pair onto the domain of one of k sub-functions.
class QVPDFStitchingFunction : public QVPDFFunction {
 public:
  int getType() const override { return 3; }

  const std::vector<std::shared_ptr<const QVPDFFunction>>& functions() const { return functions_; }
  const std::vector<double>& bounds() const { return bounds_; }
  const std::vector<Interval>& encode() const { return encode_; }

 protected:
  bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget) override;
  void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const override;

 private:
  std::vector<std::shared_ptr<const QVPDFFunction>> functions_;
  std::vector<double> bounds_;
  std::vector<Interval> encode_;
};
