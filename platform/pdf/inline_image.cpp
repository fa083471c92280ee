#include "platform/pdf/inline_image.h"

#include <limits>
#include <string_view>

#include <qpdf/QPDF.hh>

#include "platform/pdf/scanner.h"

namespace platform::pdfdetail {
namespace {

struct Abbreviation {
  std::string_view shortName;
  std::string_view fullName;
};

constexpr Abbreviation kKeys[] = {
    {"W", "Width"},   {"H", "Height"},      {"BPC", "BitsPerComponent"}, {"CS", "ColorSpace"},
    {"F", "Filter"},  {"DP", "DecodeParms"}, {"D", "Decode"},             {"IM", "ImageMask"},
    {"I", "Interpolate"},
};

constexpr Abbreviation kFilters[] = {
    {"AHx", "ASCIIHexDecode"},  {"A85", "ASCII85Decode"},   {"LZW", "LZWDecode"}, {"Fl", "FlateDecode"},
    {"RL", "RunLengthDecode"}, {"CCF", "CCITTFaxDecode"}, {"DCT", "DCTDecode"},
};

constexpr Abbreviation kColorSpaces[] = {
    {"G", "DeviceGray"}, {"RGB", "DeviceRGB"}, {"CMYK", "DeviceCMYK"}, {"I", "Indexed"},
};

// "/" + name, built without operator+ (GCC 12 warns falsely on it at -O3).
std::string slashed(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 1);
  out.push_back('/');
  out.append(name);
  return out;
}

template <size_t N>
std::string_view expand(std::string_view name, const Abbreviation (&table)[N]) {
  for (const auto& a : table)
    if (a.shortName == name) return a.fullName;
  return name;
}

// A name object (given with its slash) expanded through `table`.
template <size_t N>
QPDFObjectHandle expandName(QPDFObjectHandle value, const Abbreviation (&table)[N]) {
  if (!value.isName()) return value;
  std::string name = value.getName();
  std::string_view bare = std::string_view(name).substr(1);
  return QPDFObjectHandle::newName(slashed(expand(bare, table)));
}

QPDFObjectHandle expandFilter(QPDFObjectHandle filter) {
  if (filter.isName()) return expandName(filter, kFilters);
  if (!filter.isArray()) return filter;
  QPDFObjectHandle out = QPDFObjectHandle::newArray();
  for (int i = 0, n = filter.getArrayNItems(); i < n; ++i) out.appendItem(expandName(filter.getArrayItem(i), kFilters));
  return out;
}

QPDFObjectHandle expandColorSpace(QPDFObjectHandle cs) {
  if (cs.isName()) return expandName(cs, kColorSpaces);
  if (!cs.isArray()) return cs;
  // [/I /RGB 255 <...>]: the family and its base may both be abbreviated.
  QPDFObjectHandle out = QPDFObjectHandle::newArray();
  for (int i = 0, n = cs.getArrayNItems(); i < n; ++i) {
    QPDFObjectHandle item = cs.getArrayItem(i);
    out.appendItem(i < 2 ? expandName(item, kColorSpaces) : item);
  }
  return out;
}

constexpr int kMaxColorSpaceIndirection = 8;

// Number of colour components of a colour space; 0 when unknown.
int componentsOf(const PdfObject& cs, const PdfContentStream& stream, int depth) {
  if (depth > kMaxColorSpaceIndirection) return 0;
  std::string family;
  if (auto name = cs.asName()) {
    family = *name;
  } else if (cs.isArray()) {
    auto name = cs.at(0).asName();
    if (!name) return 0;
    family = *name;
  } else {
    return 0;
  }
  if (family == "DeviceGray" || family == "CalGray" || family == "G" || family == "Indexed" || family == "I" ||
      family == "Separation")
    return 1;
  if (family == "DeviceRGB" || family == "CalRGB" || family == "Lab" || family == "RGB") return 3;
  if (family == "DeviceCMYK" || family == "CMYK") return 4;
  if (cs.isArray()) {
    if (family == "ICCBased") {
      auto n = cs.at(1).getInteger("N");
      return n && (*n == 1 || *n == 3 || *n == 4) ? static_cast<int>(*n) : 0;
    }
    if (family == "DeviceN") {
      size_t n = cs.at(1).size();
      return n > 0 && n <= 32 ? static_cast<int>(n) : 0;
    }
    return 0;
  }
  // A name of the ColorSpace resources.
  return componentsOf(stream.resource("ColorSpace", family), stream, depth + 1);
}

bool hasFilter(const PdfObject& dict) {
  PdfObject f = dict.get("Filter");
  if (f.isNull()) return false;
  if (f.isArray()) return f.size() > 0;
  return true;
}

}  // namespace

QPDFObjectHandle expandInlineImageDictionary(QPDFObjectHandle abbreviated) {
  QPDFObjectHandle out = QPDFObjectHandle::newDictionary();
  if (!abbreviated.isDictionary()) return out;
  for (const std::string& key : abbreviated.getKeys()) {
    std::string full = slashed(expand(std::string_view(key).substr(1), kKeys));
    if (full == "/Length" || full == "/L") continue;
    QPDFObjectHandle value = abbreviated.getKey(key);
    if (full == "/Filter") value = expandFilter(value);
    if (full == "/ColorSpace") value = expandColorSpace(value);
    out.replaceKey(full, value);
  }
  return out;
}

InlineImageInfo inlineImageInfo(const PdfObject& dict, const PdfContentStream& stream) {
  InlineImageInfo info;
  if (hasFilter(dict)) return info;
  auto width = dict.getInteger("Width");
  auto height = dict.getInteger("Height");
  if (!width || !height || *width <= 0 || *height <= 0) return info;
  int64_t bpc = 0;
  int64_t components = 0;
  if (dict.getBoolean("ImageMask").value_or(false)) {
    bpc = 1;
    components = 1;
  } else {
    bpc = dict.getInteger("BitsPerComponent").value_or(0);
    components = componentsOf(dict.get("ColorSpace"), stream, 0);
  }
  if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) return info;
  if (components <= 0) return info;
  // Sizes come from the content: keep every product inside 64 bits.
  constexpr int64_t kMaxSide = int64_t{1} << 30;
  if (*width > kMaxSide || *height > kMaxSide) return info;
  uint64_t rowBits = static_cast<uint64_t>(*width) * static_cast<uint64_t>(components) * static_cast<uint64_t>(bpc);
  uint64_t rowBytes = (rowBits + 7) / 8;
  if (rowBytes > std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(*height)) return info;
  info.expectedLength = rowBytes * static_cast<uint64_t>(*height);
  return info;
}

PdfObject makeInlineImageStream(QPDF& owner, QPDFObjectHandle dict, std::string data) {
  QPDFObjectHandle stream = owner.newStream();
  QPDFObjectHandle filter = dict.getKey("/Filter");
  QPDFObjectHandle parms = dict.getKey("/DecodeParms");
  stream.replaceDict(dict);
  stream.replaceStreamData(data, filter.isNull() ? QPDFObjectHandle::newNull() : filter,
                           parms.isNull() ? QPDFObjectHandle::newNull() : parms);
  return PdfObject(stream);
}

}  // namespace platform::pdfdetail
