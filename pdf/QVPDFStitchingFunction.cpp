#include "pdf/QVPDFStitchingFunction.h"

bool QVPDFStitchingFunction::parse(const platform::PdfObject& object, const platform::PdfObject& dict,
                                   QVPDFParseBudget& budget) {
  ok_ = false;
  if (!QVPDFFunction::parse(object, dict, budget)) return false;
  if (m_ != 1) return false;

  platform::PdfObject functions = dict.get("Functions");
  const size_t k = functions.size();
  if (!functions.isArray() || k == 0) return false;
  // The array length comes from the file; the budget bounds the work.
  if (k > static_cast<size_t>(budget.objects)) return false;
  platform::PdfObject bounds = dict.get("Bounds");
  platform::PdfObject encode = dict.get("Encode");
  if (!bounds.isArray() || bounds.size() != k - 1) return false;
  if (!encode.isArray() || encode.size() != 2 * k) return false;

  std::vector<double> boundValues(k - 1);
  if (!QVPDFReadNumbers(bounds, k - 1, boundValues.data())) return false;
  std::vector<double> encodeValues(2 * k);
  if (!QVPDFReadNumbers(encode, 2 * k, encodeValues.data())) return false;

  std::vector<std::shared_ptr<const QVPDFFunction>> subFunctions;
  subFunctions.reserve(k);
  for (size_t i = 0; i < k; ++i) {
    // A piece that cannot be evaluated would leave a hole in the gradient.
    auto f = funtionWithObject(functions.at(i), budget);
    if (!f || !f->ok()) return false;
    subFunctions.push_back(std::move(f));
  }

  if (!hasRange_) n_ = subFunctions.front()->n();
  functions_ = std::move(subFunctions);
  bounds_ = std::move(boundValues);
  encode_.resize(k);
  for (size_t i = 0; i < k; ++i) encode_[i] = {encodeValues[2 * i], encodeValues[2 * i + 1]};
  ok_ = true;
  return true;
}

void QVPDFStitchingFunction::evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  if (!ok_) return;
  double x = input[0];
  if (x < domain_[0].min) x = domain_[0].min;
  else if (x > domain_[0].max) x = domain_[0].max;

  // Piece i covers [Bounds[i-1], Bounds[i]); the last one also takes the
  // domain's end.
  const size_t k = functions_.size();
  size_t i = 0;
  while (i + 1 < k && !(x < bounds_[i])) ++i;
  const double low = i == 0 ? domain_[0].min : bounds_[i - 1];
  const double high = i + 1 == k ? domain_[0].max : bounds_[i];
  const Interval& e = encode_[i];
  double t = e.min;
  if (high != low) t = e.min + (x - low) * (e.max - e.min) / (high - low);

  QVPDFFunctionValues in{};
  in[0] = t;
  functions_[i]->transformInput(in, output);
  clipToRange(output);
}
