#pragma once
#include <vector>

#include "pdf/QVPDFFunction.h"

// Type 0: a table of samples on a grid, interpolated multilinearly.
class QVPDFSampledFunction : public QVPDFFunction {
 public:
  static constexpr int kMaxInputs = 16;

  int getType() const override { return 0; }

  const std::array<int64_t, kMaxValues>& sampleSize() const { return sampleSize_; }
  const std::array<Interval, kMaxValues>& encode() const { return encode_; }
  const std::array<Interval, kMaxValues>& decode() const { return decode_; }
  int bitsPerSample() const { return bitsPerSample_; }
  // Samples the grid calls for; those beyond the stream's data read as 0.
  int64_t nSamples() const { return nSamples_; }
  // Samples present in the stream, each scaled to 0..1.
  const std::vector<double>& samples() const { return samples_; }

 protected:
  bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget) override;
  void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const override;
  // Every output folds the 2^m corners of the input's grid cell.
  uint64_t evaluationCost() const override {
    return (uint64_t{1} << (m_ > 0 ? m_ : 0)) * static_cast<uint64_t>(n_ > 0 ? n_ : 1);
  }

 private:
  double sampleAt(int64_t index) const {
    return index < static_cast<int64_t>(samples_.size()) ? samples_[static_cast<size_t>(index)] : 0.0;
  }

  std::array<int64_t, kMaxValues> sampleSize_{};
  std::array<Interval, kMaxValues> encode_{};
  std::array<Interval, kMaxValues> decode_{};
  std::array<double, kMaxValues> inputMul_{};
  std::array<int64_t, kMaxValues> idxMul_{};
  int bitsPerSample_ = 0;
  int64_t nSamples_ = 0;
  std::vector<double> samples_;
};
