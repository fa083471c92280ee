// Colour spaces, functions and shadings read from a PDF body, and the
// conversions and evaluations the interpreter makes with them.
#include <cmath>
#include <exception>
#include <limits>

#include "fuzz/support.h"
#include "fuzz/targets.h"
#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFFunction.h"
#include "pdf/QVPDFShading.h"
#include "pdf/QVPDFShadingAxial.h"

namespace qvfuzz {
namespace {

constexpr int kObjectsTried = 4;

// Components as the colour operators can leave them: operands × 255,
// saturated to 32 bits, so anything from the ordinary to the extreme.
int32_t componentValue(uint64_t& state) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  const uint32_t pick = static_cast<uint32_t>(state >> 33);
  switch (pick % 8) {
    case 0: return 0;
    case 1: return 255;
    case 2: return std::numeric_limits<int32_t>::max();
    case 3: return std::numeric_limits<int32_t>::min();
    case 4: return -1;
    case 5: return 256;
    default: return static_cast<int32_t>(pick >> 3) % 512;
  }
}

double inputValue(uint64_t& state) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  const uint32_t pick = static_cast<uint32_t>(state >> 33);
  switch (pick % 8) {
    case 0: return 0;
    case 1: return 1;
    case 2: return -1e300;
    case 3: return 1e300;
    case 4: return std::numeric_limits<double>::quiet_NaN();
    case 5: return std::numeric_limits<double>::infinity();
    default: return static_cast<double>(pick >> 3) / 1e6;
  }
}

void useColorSpace(const QVPDFColorSpace& space, uint64_t state) {
  (void)space.getModeName();
  const int n = space.getNComps();
  if (n < 0 || n > QVPDFColor::kMaxComponents) __builtin_trap();
  for (int round = 0; round < 4; ++round) {
    QVPDFColor color = round == 0 ? space.getDefaultColor() : QVPDFColor{};
    if (round > 0)
      for (int i = 0; i < QVPDFColor::kMaxComponents; ++i) color.c[static_cast<size_t>(i)] = componentValue(state);
    (void)space.getGray(color);
    (void)space.getRGB(color);
    (void)space.getCMYK(color);
  }
  for (int i = -1; i <= n; ++i) {
    auto range = space.componentRange(i);
    (void)range;
  }
}

void useFunction(const QVPDFFunction& function, uint64_t state) {
  (void)function.getType();
  (void)function.ok();
  for (int round = 0; round < 6; ++round) {
    QVPDFFunctionValues in{}, out{};
    for (double& v : in) v = inputValue(state);
    function.transformInput(in, out);
    for (double v : out)
      if (!std::isfinite(v)) __builtin_trap();  // promised: callers never see NaN
  }
}

void useShading(const QVPDFShading& shading, uint64_t state) {
  (void)shading.shadingType();
  if (auto axial = dynamic_cast<const QVPDFShadingAxial*>(&shading)) {
    for (int round = 0; round < 6; ++round) (void)axial->colorAt(inputValue(state));
  }
}

}  // namespace

int fuzzColor(const uint8_t* data, size_t size) {
  const uint64_t hash = inputHash(data, size);
  // Each input is a page of its own.
  QVPDFFunction::resetEvaluationWork();
  try {
    auto document = documentFromBody(asText(data, size));
    if (!document) return 0;
    for (int number = 1; number <= kObjectsTried; ++number) {
      platform::PdfObject object = objectNumbered(*document, number);
      if (object.isNull()) continue;
      if (auto space = QVPDFColorSpace::colorSpaceWithObject(object)) useColorSpace(*space, hash + number);
      if (auto function = QVPDFFunction::funtionWithObject(object)) useFunction(*function, hash + number);
      if (auto shading = QVPDFShading::shadingWithDictionary(object)) useShading(*shading, hash + number);
    }
  } catch (const std::exception&) {
  }
  return 0;
}

}  // namespace qvfuzz
