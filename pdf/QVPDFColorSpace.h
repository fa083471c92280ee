#pragma once
// Colour spaces: they interpret the components the colour operators set (on
// the 0..255 scale of QVPDFColor) and convert a colour to gray, RGB or CMYK
// on the same scale. A colour space is immutable once parsed and shared
// (std::shared_ptr<const QVPDFColorSpace>) by the graphics states that use it;
// saving a state shares the pointer instead of copying the space.
#include <cstdint>
#include <memory>
#include <string_view>

#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFFunction.h"
#include "platform/pdf/object.h"

class QVPDFColorSpace {
 public:
  // Family numbers as getMode() answers them; they index the name table of
  // colorSpaceModeName().
  enum Mode : int {
    kModeUnknown = 0,
    kModeDeviceGray = 1,
    kModeCalGray = 2,
    kModeDeviceRGB = 3,
    kModeCalRGB = 4,
    kModeDeviceCMYK = 5,
    kModeLab = 6,
    kModeICCBased = 7,
    kModeIndexed = 8,
    kModeSeparation = 9,
    kModeDeviceN = 10,
    kModePattern = 11,
  };

  QVPDFColorSpace() = default;
  virtual ~QVPDFColorSpace() = default;

  // The colour space of a PDF name (DeviceGray, G, Cs1; DeviceRGB, RGB, Cs2;
  // DeviceCMYK, CMYK; Pattern) or array (first element the family name). Null
  // for another name, another family or another object type. A space whose
  // parameters are malformed is still returned with its defaults; one that
  // lost its base or alternate converts every colour to zeros.
  static std::shared_ptr<const QVPDFColorSpace> colorSpaceWithObject(const platform::PdfObject& object);
  static std::shared_ptr<const QVPDFColorSpace> colorSpaceWithObject(const platform::PdfObject& object,
                                                                     QVPDFParseBudget& budget);
  // "Unknow", "DeviceGray", ... "Pattern" for the modes 0..11; "" outside.
  static std::string_view colorSpaceModeName(int mode);
  static int getNumColorSpaceModes() { return 12; }

  // Shared instances of the parameterless device spaces, for the operators
  // that install them (g, rg, k and their stroking forms) and new states.
  static std::shared_ptr<const QVPDFColorSpace> deviceGray();
  static std::shared_ptr<const QVPDFColorSpace> deviceRGB();
  static std::shared_ptr<const QVPDFColorSpace> deviceCMYK();

  std::string_view getModeName() const { return colorSpaceModeName(getMode()); }
  virtual int getMode() const { return kModeUnknown; }
  virtual int getNComps() const { return 0; }
  // The colour that cs / CS install with the space.
  virtual QVPDFColor getDefaultColor() const { return {}; }
  virtual int32_t getGray(const QVPDFColor& color) const;
  virtual QVPDFRGB getRGB(const QVPDFColor& color) const;
  virtual QVPDFCMYK getCMYK(const QVPDFColor& color) const;

  // The values that component i spans when a byte (of an Indexed lookup
  // table) scales 0..255 onto it: 0..1 for most families.
  virtual QVPDFFunction::Interval componentRange(int component) const;

 protected:
  // Reads the parameters from the object the factory was given; answers
  // whether they were read. Families without parameters accept anything.
  virtual bool parse(const platform::PdfObject& object, QVPDFParseBudget& budget);

  // The DeviceRGB rules, shared with the spaces that convert through RGB.
  static QVPDFCMYK cmykFromRGB(const QVPDFRGB& rgb);
};
