#include "pdf/QVPDFFunction.h"

#include <cmath>

#include "pdf/QVPDFExponentialFunction.h"
#include "pdf/QVPDFIdentityFunction.h"
#include "pdf/QVPDFPostScriptFunction.h"
#include "pdf/QVPDFSampledFunction.h"
#include "pdf/QVPDFStitchingFunction.h"

bool QVPDFParseBudget::enter() {
  if (depth >= kMaxDepth || objects <= 0) return false;
  ++depth;
  --objects;
  return true;
}

bool QVPDFReadNumbers(const platform::PdfObject& array, size_t count, double* out) {
  if (!array.isArray() || array.size() != count) return false;
  for (size_t i = 0; i < count; ++i) {
    auto v = array.at(i).asNumber();
    if (!v) return false;
    out[i] = *v;
  }
  return true;
}

namespace {

// FunctionType as an integer, or a real truncated toward zero.
std::optional<int64_t> functionType(const platform::PdfObject& dict) {
  platform::PdfObject type = dict.get("FunctionType");
  if (auto i = type.asInteger()) return *i;
  if (auto r = type.asNumber()) {
    if (!(std::fabs(*r) < 1e9)) return std::nullopt;
    return static_cast<int64_t>(*r);
  }
  return std::nullopt;
}

std::shared_ptr<QVPDFFunction> newFunctionOfType(int64_t type) {
  switch (type) {
    case 0: return std::make_shared<QVPDFSampledFunction>();
    case 2: return std::make_shared<QVPDFExponentialFunction>();
    case 3: return std::make_shared<QVPDFStitchingFunction>();
    case 4: return std::make_shared<QVPDFPostScriptFunction>();
    default: return nullptr;
  }
}

// Reads `array` as pairs of numbers into `pairs`; the pair count, or nullopt
// when the array holds more pairs than fit or a pair is not two numbers.
std::optional<int> readPairs(const platform::PdfObject& array,
                             std::array<QVPDFFunction::Interval, QVPDFFunction::kMaxValues>& pairs) {
  size_t count = array.size() / 2;
  if (count > QVPDFFunction::kMaxValues) return std::nullopt;
  for (size_t i = 0; i < count; ++i) {
    auto lo = array.at(2 * i).asNumber();
    auto hi = array.at(2 * i + 1).asNumber();
    if (!lo || !hi) return std::nullopt;
    pairs[i] = {*lo, *hi};
  }
  return static_cast<int>(count);
}

}  // namespace

std::shared_ptr<const QVPDFFunction> QVPDFFunction::funtionWithObject(const platform::PdfObject& object) {
  QVPDFParseBudget budget;
  return funtionWithObject(object, budget);
}

std::shared_ptr<const QVPDFFunction> QVPDFFunction::funtionWithObject(const platform::PdfObject& object,
                                                                      QVPDFParseBudget& budget) {
  try {
    if (object.isName()) {
      if (object.asName() == "Identity") return std::make_shared<QVPDFIdentityFunction>();
      return nullptr;
    }
    if (!object.isDictionary() && !object.isStream()) return nullptr;
    platform::PdfObject dict = object.dictionary();
    auto type = functionType(dict);
    if (!type) return nullptr;
    std::shared_ptr<QVPDFFunction> function = newFunctionOfType(*type);
    if (!function) return nullptr;
    // Too deep or in too large a graph (a stitching function that holds
    // itself): not built, which fails the owner's parse.
    if (!budget.enter()) return nullptr;
    try {
      function->parse(object, dict, budget);
    } catch (const std::exception&) {
      // A damaged object: a fresh function of the type, with its defaults.
      function = newFunctionOfType(*type);
    }
    budget.leave();
    return function;
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool QVPDFFunction::parse(const platform::PdfObject&, const platform::PdfObject& dict, QVPDFParseBudget&) {
  platform::PdfObject domain = dict.get("Domain");
  if (!domain.isArray()) return false;
  auto m = readPairs(domain, domain_);
  if (!m) return false;
  m_ = *m;
  hasRange_ = false;
  n_ = 0;
  platform::PdfObject range = dict.get("Range");
  if (!range.isArray()) return true;
  hasRange_ = true;
  auto n = readPairs(range, range_);
  if (!n) return false;
  n_ = *n;
  return true;
}

void QVPDFFunction::evaluate(const QVPDFFunctionValues&, QVPDFFunctionValues&) const {}

namespace {

thread_local uint64_t evaluationWork = QVPDFFunction::kMaxEvaluationWorkPerPage;

}  // namespace

void QVPDFFunction::resetEvaluationWork(uint64_t work) { evaluationWork = work; }

uint64_t QVPDFFunction::evaluationWorkLeft() { return evaluationWork; }

void QVPDFFunction::transformInput(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  QVPDFFunctionValues finite;
  for (size_t i = 0; i < finite.size(); ++i) finite[i] = std::isfinite(input[i]) ? input[i] : 0.0;
  output.fill(0.0);
  const uint64_t cost = evaluationCost();
  if (cost > evaluationWork) {
    evaluationWork = 0;
    return;
  }
  evaluationWork -= cost;
  evaluate(finite, output);
  for (double& v : output)
    if (!std::isfinite(v)) v = 0.0;
}

void QVPDFFunction::clipToRange(QVPDFFunctionValues& output) const {
  if (!hasRange_) return;
  for (int j = 0; j < n_; ++j) {
    if (output[j] < range_[j].min) output[j] = range_[j].min;
    else if (output[j] > range_[j].max) output[j] = range_[j].max;
  }
}
