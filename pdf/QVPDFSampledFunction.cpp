#include "pdf/QVPDFSampledFunction.h"

#include <cmath>
#include <string>

namespace {

bool isSupportedBitsPerSample(int64_t b) {
  return b == 1 || b == 2 || b == 4 || b == 8 || b == 12 || b == 16 || b == 24 || b == 32;
}

// Unpacks `count` unsigned big-endian values of `bits` bits each, most
// significant bit first, with no padding between them, scaled to 0..1.
void unpackSamples(const std::string& data, int bits, size_t count, std::vector<double>& out) {
  out.resize(count);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const double scale = 1.0 / (std::ldexp(1.0, bits) - 1.0);
  if (bits == 8) {
    for (size_t i = 0; i < count; ++i) out[i] = bytes[i] * scale;
    return;
  }
  if (bits == 16) {
    for (size_t i = 0; i < count; ++i) out[i] = ((uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1]) * scale;
    return;
  }
  if (bits == 32) {
    for (size_t i = 0; i < count; ++i) {
      const unsigned char* p = bytes + 4 * i;
      uint32_t v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
      out[i] = v * scale;
    }
    return;
  }
  // Other widths: carry the bits left over from one sample into the next.
  uint64_t buffer = 0;
  int held = 0;
  size_t pos = 0;
  const uint64_t mask = (uint64_t{1} << bits) - 1;
  for (size_t i = 0; i < count; ++i) {
    while (held < bits) {
      buffer = (buffer << 8) | bytes[pos++];
      held += 8;
    }
    out[i] = static_cast<double>((buffer >> (held - bits)) & mask) * scale;
    held -= bits;
    buffer &= (uint64_t{1} << held) - 1;
  }
}

}  // namespace

bool QVPDFSampledFunction::parse(const platform::PdfObject& object, const platform::PdfObject& dict,
                                 QVPDFParseBudget& budget) {
  samples_.clear();
  nSamples_ = 0;
  ok_ = false;
  if (!QVPDFFunction::parse(object, dict, budget)) return false;
  if (!hasRange_ || m_ > kMaxInputs) return false;
  if (!object.isStream()) return false;

  platform::PdfObject size = dict.get("Size");
  if (!size.isArray() || size.size() != static_cast<size_t>(m_)) return false;
  for (int i = 0; i < m_; ++i) {
    auto s = size.at(i).asInteger();
    if (!s || *s < 1) return false;
    sampleSize_[i] = *s;
  }

  // Grid size in 64 bits, refused as soon as it passes what the file may cost.
  const int64_t cap = std::min<int64_t>(QVPDFParseBudget::kMaxSamples, budget.samples);
  int64_t total = n_;
  for (int i = 0; i < m_ && total > 0; ++i) {
    if (sampleSize_[i] > cap || total > cap / sampleSize_[i]) return false;
    total *= sampleSize_[i];
  }
  if (total > cap) return false;

  if (m_ > 0) idxMul_[0] = n_;
  for (int i = 1; i < m_; ++i) idxMul_[i] = idxMul_[i - 1] * sampleSize_[i - 1];

  auto bits = dict.getInteger("BitsPerSample");
  if (!bits || !isSupportedBitsPerSample(*bits)) return false;
  bitsPerSample_ = static_cast<int>(*bits);

  platform::PdfObject encode = dict.get("Encode");
  if (encode.isArray() && encode.size() == static_cast<size_t>(2 * m_)) {
    for (int i = 0; i < m_; ++i) {
      auto lo = encode.at(2 * i).asNumber();
      auto hi = encode.at(2 * i + 1).asNumber();
      if (!lo || !hi) return false;
      encode_[i] = {*lo, *hi};
    }
  } else {
    for (int i = 0; i < m_; ++i) encode_[i] = {0.0, static_cast<double>(sampleSize_[i] - 1)};
  }
  for (int i = 0; i < m_; ++i) {
    double width = domain_[i].max - domain_[i].min;
    // A zero-width domain maps every input to the encode start.
    inputMul_[i] = width != 0 ? (encode_[i].max - encode_[i].min) / width : 0.0;
    if (!std::isfinite(inputMul_[i])) inputMul_[i] = 0.0;
  }

  platform::PdfObject decode = dict.get("Decode");
  if (decode.isArray() && decode.size() == static_cast<size_t>(2 * n_)) {
    for (int j = 0; j < n_; ++j) {
      auto lo = decode.at(2 * j).asNumber();
      auto hi = decode.at(2 * j + 1).asNumber();
      if (!lo || !hi) return false;
      decode_[j] = {*lo, *hi};
    }
  } else {
    decode_ = range_;
  }

  // The grid's bytes at most are decoded, whatever the stream inflates to.
  const uint64_t neededBytes = (static_cast<uint64_t>(total) * static_cast<uint64_t>(bitsPerSample_) + 7) / 8;
  std::string data;
  try {
    data = object.decodedPrefix(static_cast<size_t>(neededBytes));
  } catch (const std::exception&) {
    return false;
  }
  // Only the samples the data really holds are kept: a grid larger than the
  // stream costs nothing beyond it.
  const uint64_t available = static_cast<uint64_t>(data.size()) * 8 / static_cast<uint64_t>(bitsPerSample_);
  const size_t count = static_cast<size_t>(std::min<uint64_t>(available, static_cast<uint64_t>(total)));
  unpackSamples(data, bitsPerSample_, count, samples_);
  nSamples_ = total;
  budget.samples -= total;
  ok_ = true;
  return true;
}

void QVPDFSampledFunction::evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  if (!ok_) return;
  std::array<int64_t, kMaxInputs> e0{};
  std::array<int64_t, kMaxInputs> e1{};
  std::array<double, kMaxInputs> frac{};
  for (int i = 0; i < m_; ++i) {
    double x = (input[i] - domain_[i].min) * inputMul_[i] + encode_[i].min;
    const double last = static_cast<double>(sampleSize_[i] - 1);
    if (!(x > 0)) x = 0;
    if (x > last) x = last;
    e0[i] = static_cast<int64_t>(x);
    e1[i] = e0[i] + 1 < sampleSize_[i] ? e0[i] + 1 : e0[i];
    frac[i] = x - static_cast<double>(e0[i]);
  }
  // The corners are visited in order and folded input by input as soon as
  // both halves are known, which gives the same sums as folding a table of
  // all 2^m corners level by level, without the table.
  const uint32_t corners = uint32_t{1} << m_;
  for (int j = 0; j < n_; ++j) {
    std::array<double, kMaxInputs + 1> partial{};
    double value = 0;
    for (uint32_t k = 0; k < corners; ++k) {
      int64_t index = j;
      for (int i = 0; i < m_; ++i) index += ((k >> i) & 1 ? e1[i] : e0[i]) * idxMul_[i];
      value = sampleAt(index);
      int level = 0;
      while (level < m_ && ((k >> level) & 1)) {
        value = (1 - frac[level]) * partial[level] + frac[level] * value;
        ++level;
      }
      if (level < m_) partial[level] = value;
    }
    output[j] = decode_[j].min + value * (decode_[j].max - decode_[j].min);
  }
  clipToRange(output);
}
