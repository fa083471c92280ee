#pragma once
// One extended graphics state of a page's resources (gs operator): the
// parameters its dictionary gives, each kept only when present and of the
// right type, so that applying it changes only what the file set.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/object.h"

// The parameters, named after the fields of the graphics state they set; the
// comment gives the dictionary key.
struct QVPDFExtGStateValue {
  struct Font {
    std::optional<float> size;         // element 1, when a number
    std::optional<std::string> name;   // element 0, when a name (an indirect font is not kept)
    bool operator==(const Font&) const = default;
  };

  std::optional<float> lineWidth;                 // LW
  std::optional<int64_t> lineCap;                 // LC
  std::optional<int64_t> lineJoin;                // LJ
  std::optional<float> miterLimit;                // ML
  std::optional<std::vector<int64_t>> dashArray;  // D: the integer elements of the dash array; the phase is not kept
  std::optional<std::string> renderingIntent;     // RI
  std::optional<int32_t> blendMode;               // BM, a value of the blend-mode table
  std::optional<float> strokeAlpha;               // CA
  std::optional<float> fillAlpha;                 // ca
  std::optional<bool> alphaIsShape;               // AIS
  std::optional<bool> fillOverprint;              // op
  std::optional<bool> strokeOverprint;            // OP
  std::optional<bool> strokeAdjust;               // SA
  std::optional<Font> font;                       // Font

  bool operator==(const QVPDFExtGStateValue&) const = default;
};

class QVPDFExtGState {
 public:
  // Blend modes by value: Normal and Compatible 0, Multiply 1, Screen 2,
  // Overlay 3, Darken 4, Lighten 5, ColorDodge 6, ColorBurn 7, HardLight 8,
  // SoftLight 9, Difference 10, Exclusion 11, Hue 12, Saturation 13,
  // Color 14, Luminosity 15.
  enum BlendMode : int32_t {
    kBlendNormal = 0,
    kBlendMultiply = 1,
    kBlendScreen = 2,
    kBlendOverlay = 3,
    kBlendDarken = 4,
    kBlendLighten = 5,
    kBlendColorDodge = 6,
    kBlendColorBurn = 7,
    kBlendHardLight = 8,
    kBlendSoftLight = 9,
    kBlendDifference = 10,
    kBlendExclusion = 11,
    kBlendHue = 12,
    kBlendSaturation = 13,
    kBlendColor = 14,
    kBlendLuminosity = 15,
  };

  QVPDFExtGState() = default;
  // Reads the parameters of an ExtGState dictionary (a null or other object
  // gives none) kept under the resource name `objectKey`.
  QVPDFExtGState(const platform::PdfObject& dictionary, std::string objectKey);

  // The blend mode of a BM entry: a name of the table, or an array whose
  // first name of the table counts (names not in it are passed over; an
  // empty array or one of unknown names only gives Normal). nullopt for an
  // unknown name, an array holding a non-name before any known name, or any
  // other object.
  static std::optional<int32_t> parseBlendMode(const platform::PdfObject& object);

  const std::string& objectKey() const { return objectKey_; }
  void setObjectKey(std::string key) { objectKey_ = std::move(key); }
  const QVPDFExtGStateValue& gStateValue() const { return gStateValue_; }
  void setGStateValue(QVPDFExtGStateValue value) { gStateValue_ = std::move(value); }

 private:
  std::string objectKey_;
  QVPDFExtGStateValue gStateValue_;
};
