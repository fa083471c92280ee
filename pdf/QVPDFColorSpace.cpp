#include "pdf/QVPDFColorSpace.h"

#include <array>

#include "pdf/QVPDFCalGrayColorSpace.h"
#include "pdf/QVPDFCalRGBColorSpace.h"
#include "pdf/QVPDFDeviceCMYKColorSpace.h"
#include "pdf/QVPDFDeviceGrayColorSpace.h"
#include "pdf/QVPDFDeviceNColorSpace.h"
#include "pdf/QVPDFDeviceRGBColorSpace.h"
#include "pdf/QVPDFICCBasedColorSpace.h"
#include "pdf/QVPDFIndexedColorSpace.h"
#include "pdf/QVPDFLabColorSpace.h"
#include "pdf/QVPDFPatternColorSpace.h"
#include "pdf/QVPDFSeparationColorSpace.h"

namespace {

constexpr std::array<std::string_view, 12> kModeNames = {
    "Unknow", "DeviceGray", "CalGray",    "DeviceRGB", "CalRGB",  "DeviceCMYK",
    "Lab",    "ICCBased",   "Indexed",    "Separation", "DeviceN", "Pattern",
};

// The space a bare name stands for; the short names Cs1 and Cs2 count only here.
std::shared_ptr<QVPDFColorSpace> spaceForName(const std::string& name) {
  if (name == "DeviceGray" || name == "G" || name == "Cs1") return std::make_shared<QVPDFDeviceGrayColorSpace>();
  if (name == "DeviceRGB" || name == "RGB" || name == "Cs2") return std::make_shared<QVPDFDeviceRGBColorSpace>();
  if (name == "DeviceCMYK" || name == "CMYK") return std::make_shared<QVPDFDeviceCMYKColorSpace>();
  if (name == "Pattern") return std::make_shared<QVPDFPatternColorSpace>();
  return nullptr;
}

// The space of the family named by an array's first element.
std::shared_ptr<QVPDFColorSpace> spaceForFamily(const std::string& family) {
  if (family == "DeviceGray" || family == "G") return std::make_shared<QVPDFDeviceGrayColorSpace>();
  if (family == "DeviceRGB" || family == "RGB") return std::make_shared<QVPDFDeviceRGBColorSpace>();
  if (family == "DeviceCMYK" || family == "CMYK") return std::make_shared<QVPDFDeviceCMYKColorSpace>();
  if (family == "CalGray") return std::make_shared<QVPDFCalGrayColorSpace>();
  if (family == "CalRGB") return std::make_shared<QVPDFCalRGBColorSpace>();
  if (family == "Lab") return std::make_shared<QVPDFLabColorSpace>();
  if (family == "ICCBased") return std::make_shared<QVPDFICCBasedColorSpace>();
  if (family == "Indexed" || family == "I") return std::make_shared<QVPDFIndexedColorSpace>();
  if (family == "Separation") return std::make_shared<QVPDFSeparationColorSpace>();
  if (family == "DeviceN") return std::make_shared<QVPDFDeviceNColorSpace>();
  if (family == "Pattern") return std::make_shared<QVPDFPatternColorSpace>();
  return nullptr;
}

}  // namespace

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpace::colorSpaceWithObject(const platform::PdfObject& object) {
  QVPDFParseBudget budget;
  return colorSpaceWithObject(object, budget);
}

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpace::colorSpaceWithObject(const platform::PdfObject& object,
                                                                             QVPDFParseBudget& budget) {
  try {
    std::string family;
    bool fromName = false;
    if (auto name = object.asName()) {
      family = *name;
      fromName = true;
    } else if (object.isArray()) {
      auto first = object.at(0).asName();
      if (!first) return nullptr;
      family = *first;
    } else {
      return nullptr;
    }
    auto make = [&] { return fromName ? spaceForName(family) : spaceForFamily(family); };
    std::shared_ptr<QVPDFColorSpace> space = make();
    if (!space || fromName) return space;
    // A space nested too deep or in too large a graph (a base or alternate
    // that leads back to itself) is not built: its owner then does without,
    // as for any base or alternate that gives no space.
    if (!budget.enter()) return nullptr;
    try {
      space->parse(object, budget);
    } catch (const std::exception&) {
      space = make();
    }
    budget.leave();
    return space;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string_view QVPDFColorSpace::colorSpaceModeName(int mode) {
  if (mode < 0 || mode >= static_cast<int>(kModeNames.size())) return {};
  return kModeNames[static_cast<size_t>(mode)];
}

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpace::deviceGray() {
  static const std::shared_ptr<const QVPDFColorSpace> space = std::make_shared<QVPDFDeviceGrayColorSpace>();
  return space;
}

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpace::deviceRGB() {
  static const std::shared_ptr<const QVPDFColorSpace> space = std::make_shared<QVPDFDeviceRGBColorSpace>();
  return space;
}

std::shared_ptr<const QVPDFColorSpace> QVPDFColorSpace::deviceCMYK() {
  static const std::shared_ptr<const QVPDFColorSpace> space = std::make_shared<QVPDFDeviceCMYKColorSpace>();
  return space;
}

int32_t QVPDFColorSpace::getGray(const QVPDFColor&) const { return 0; }
QVPDFRGB QVPDFColorSpace::getRGB(const QVPDFColor&) const { return {}; }
QVPDFCMYK QVPDFColorSpace::getCMYK(const QVPDFColor&) const { return {}; }

QVPDFFunction::Interval QVPDFColorSpace::componentRange(int) const { return {0.0, 1.0}; }

bool QVPDFColorSpace::parse(const platform::PdfObject&, QVPDFParseBudget&) { return true; }

QVPDFCMYK QVPDFColorSpace::cmykFromRGB(const QVPDFRGB& rgb) {
  const int32_t c = QVPDFClampComponent(255 - int64_t{rgb.r});
  const int32_t m = QVPDFClampComponent(255 - int64_t{rgb.g});
  const int32_t y = QVPDFClampComponent(255 - int64_t{rgb.b});
  const int32_t k = std::min({c, m, y});
  return {c - k, m - k, y - k, k};
}
