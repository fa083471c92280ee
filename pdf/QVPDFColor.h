#pragma once
// Colour records shared by the interpreter, the graphics state and the
// exporters. Components of a colour live on a 0..255 integer scale: the
// colour operators store each operand multiplied by 255, whatever the colour
// space, and the colour spaces convert on that scale.
#include <array>
#include <cstdint>

// The components of one colour in its colour space; only the first
// getNComps() of the space are meaningful.
struct QVPDFColor {
  static constexpr int kMaxComponents = 32;
  std::array<int32_t, kMaxComponents> c{};

  bool operator==(const QVPDFColor&) const = default;
};

struct QVPDFRGB {
  int32_t r = 0, g = 0, b = 0;
  bool operator==(const QVPDFRGB&) const = default;
};

struct QVPDFCMYK {
  int32_t c = 0, m = 0, y = 0, k = 0;
  bool operator==(const QVPDFCMYK&) const = default;
};

// A device colour with components 0..1, for the places that hand a colour to
// drawing or to an output format (the state's current fill and stroke colour).
struct QVPDFRGBA {
  double r = 0, g = 0, b = 0, a = 1;
  bool operator==(const QVPDFRGBA&) const = default;

  // Each channel divided by 255 in single precision and widened, opaque: the
  // state's colours never carry the alpha, which is read separately.
  static QVPDFRGBA fromRGB(const QVPDFRGB& rgb);
};

// Truncation toward zero into 32 bits that never overflows: NaN gives 0 and
// values beyond the 32-bit range saturate. Every double that becomes a colour
// component goes through here, since a damaged file can feed any number.
int32_t QVPDFTruncate(double value);

// The component a colour operator stores for an operand: operand × 255,
// truncated toward zero.
inline int32_t QVPDFColorComponent(double operand) { return QVPDFTruncate(operand * 255.0); }

// 0 when negative, else at most 255.
inline int32_t QVPDFClampComponent(int64_t value) {
  return value < 0 ? 0 : (value > 255 ? 255 : static_cast<int32_t>(value));
}
