#include "pdf/QVPDFExtGState.h"

#include <array>

namespace {

struct BlendModeName {
  std::string_view name;
  int32_t value;
};

constexpr std::array<BlendModeName, 17> kBlendModes = {{
    {"Normal", 0},     {"Compatible", 0}, {"Multiply", 1},    {"Screen", 2},      {"Overlay", 3},
    {"Darken", 4},     {"Lighten", 5},    {"ColorDodge", 6},  {"ColorBurn", 7},   {"HardLight", 8},
    {"SoftLight", 9},  {"Difference", 10}, {"Exclusion", 11}, {"Hue", 12},        {"Saturation", 13},
    {"Color", 14},     {"Luminosity", 15},
}};

std::optional<int32_t> blendModeNamed(std::string_view name) {
  for (const auto& entry : kBlendModes)
    if (entry.name == name) return entry.value;
  return std::nullopt;
}

std::optional<float> floatValue(const platform::PdfObject& dict, std::string_view key) {
  if (auto v = dict.getNumber(key)) return static_cast<float>(*v);
  return std::nullopt;
}

}  // namespace

std::optional<int32_t> QVPDFExtGState::parseBlendMode(const platform::PdfObject& object) {
  if (auto name = object.asName()) return blendModeNamed(*name);
  if (!object.isArray()) return std::nullopt;
  const size_t count = object.size();
  for (size_t i = 0; i < count; ++i) {
    auto name = object.at(i).asName();
    if (!name) return std::nullopt;
    if (auto value = blendModeNamed(*name)) return value;
  }
  return kBlendNormal;
}

QVPDFExtGState::QVPDFExtGState(const platform::PdfObject& dictionary, std::string objectKey)
    : objectKey_(std::move(objectKey)) {
  try {
    const platform::PdfObject& d = dictionary;
    if (!d.isDictionary()) return;
    QVPDFExtGStateValue& v = gStateValue_;
    v.lineWidth = floatValue(d, "LW");
    v.lineCap = d.getInteger("LC");
    v.lineJoin = d.getInteger("LJ");
    v.miterLimit = floatValue(d, "ML");

    platform::PdfObject dash = d.getArray("D");
    if (dash.isArray()) {
      platform::PdfObject array = dash.at(0);
      if (array.isArray()) {
        std::vector<int64_t> values;
        const size_t count = array.size();
        values.reserve(count);
        for (size_t i = 0; i < count; ++i)
          if (auto e = array.at(i).asInteger()) values.push_back(*e);
        v.dashArray = std::move(values);
      }
    }

    v.renderingIntent = d.getName("RI");
    if (d.hasKey("BM")) v.blendMode = parseBlendMode(d.get("BM"));
    v.strokeAlpha = floatValue(d, "CA");
    v.fillAlpha = floatValue(d, "ca");
    v.alphaIsShape = d.getBoolean("AIS");
    v.fillOverprint = d.getBoolean("op");
    v.strokeOverprint = d.getBoolean("OP");
    v.strokeAdjust = d.getBoolean("SA");
    // TR, TR2 and SMask are not applied to the state, so they are not read.

    platform::PdfObject font = d.getArray("Font");
    if (font.isArray()) {
      QVPDFExtGStateValue::Font f;
      if (auto size = font.at(1).asNumber()) f.size = static_cast<float>(*size);
      f.name = font.at(0).asName();
      v.font = std::move(f);
    }
  } catch (const std::exception&) {
    // A damaged dictionary: the parameters read so far stand.
  }
}
