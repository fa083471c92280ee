#pragma once
// PDF functions: m input numbers to n output numbers. Used as the tint
// transforms of Separation and DeviceN colour spaces and as the colour
// function of shadings. A function is immutable once parsed and shared
// between the objects that use it (std::shared_ptr<const QVPDFFunction>);
// evaluation touches no state of the function, so it is safe from any thread.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/pdf/object.h"

// Inputs and outputs of an evaluation. Callers always provide room for 32
// values; slots a function does not write are 0.
using QVPDFFunctionValues = std::array<double, 32>;

// What one object graph read from a file may cost. Functions and colour
// spaces nest (a stitching function holds functions, an Indexed space holds
// its base, a Separation space its alternate and tint transform), and a
// damaged file can make that nesting circular or explode it by sharing, so
// every factory call of one top-level build draws on a single budget.
struct QVPDFParseBudget {
  static constexpr int kMaxDepth = 12;
  static constexpr int64_t kMaxObjects = 4096;
  // Sample values (doubles) of every sampled function in the graph together.
  static constexpr int64_t kMaxSamples = int64_t{1} << 22;

  int depth = 0;
  int64_t objects = kMaxObjects;
  int64_t samples = kMaxSamples;

  // Enters one more nested object; false (and nothing changed) when the
  // graph is already too deep or has too many objects.
  bool enter();
  void leave() { --depth; }
};

class QVPDFFunction {
 public:
  static constexpr int kMaxValues = 32;

  struct Interval {
    double min = 0, max = 0;
    bool operator==(const Interval&) const = default;
  };

  virtual ~QVPDFFunction() = default;

  // The function for a PDF object: the name Identity, or a dictionary or
  // stream by its FunctionType (0 sampled, 2 exponential, 3 stitching, 4
  // PostScript calculator). Null for anything else. A function whose
  // parameters are malformed is still returned; it then evaluates to zeros.
  static std::shared_ptr<const QVPDFFunction> funtionWithObject(const platform::PdfObject& object);
  static std::shared_ptr<const QVPDFFunction> funtionWithObject(const platform::PdfObject& object,
                                                                QVPDFParseBudget& budget);

  // -1 identity, 0 sampled, 2 exponential, 3 stitching, 4 PostScript.
  virtual int getType() const { return 0; }

  // Evaluates the function on the first m() inputs (32 for the identity).
  // Every output slot is written: the function's n() outputs, zeros beyond.
  // Inputs that are not finite read as 0 and results that are not finite
  // come out as 0, so callers never see NaN.
  void transformInput(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const;

  // What evaluations may cost on one thread until the next reset, in units
  // of roughly one calculator instruction or one sample read: a page of a
  // hostile file can ask for millions of evaluations of a program of tens of
  // thousands of instructions (an image whose colours defeat every cache).
  // The interpreter resets it when a page begins; once it is spent,
  // functions evaluate to zeros for the rest of the page. (Tests give a
  // smaller budget to spend it quickly.)
  static constexpr uint64_t kMaxEvaluationWorkPerPage = uint64_t{1} << 31;
  static void resetEvaluationWork(uint64_t work = kMaxEvaluationWorkPerPage);
  static uint64_t evaluationWorkLeft();

  int m() const { return m_; }
  // Outputs: the Range pairs when there is a Range, else what the type
  // defines (C0/C1 for exponential, the sub-functions for stitching).
  int n() const { return n_; }
  const std::array<Interval, kMaxValues>& domain() const { return domain_; }
  const std::array<Interval, kMaxValues>& range() const { return range_; }
  bool hasRange() const { return hasRange_; }
  // The parameters were read in full; a function that is not ok outputs zeros.
  bool ok() const { return ok_; }

 protected:
  QVPDFFunction() = default;

  // Reads the function from the object (a name, dictionary or stream) and its
  // dictionary; answers whether the parameters were read. The base reads
  // Domain and Range.
  virtual bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget);
  // Writes the outputs of finite inputs; `output` arrives zeroed.
  virtual void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const;
  // The work of one evaluation in the units of the evaluation budget.
  virtual uint64_t evaluationCost() const { return 1 + static_cast<uint64_t>(n_ > 0 ? n_ : 0); }

  // Limits each of the first n() outputs to its Range pair when there is one.
  void clipToRange(QVPDFFunctionValues& output) const;

  int m_ = 0;
  int n_ = 0;
  std::array<Interval, kMaxValues> domain_{};
  std::array<Interval, kMaxValues> range_{};
  bool hasRange_ = false;
  bool ok_ = false;
};

// Reads an array of exactly `count` numbers into `out`; false when the object
// is not such an array.
bool QVPDFReadNumbers(const platform::PdfObject& array, size_t count, double* out);
