#include "tests/pdf/truetype_fixture.h"

#include <algorithm>
#include <map>

namespace truetypefix {

namespace {

void u16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
  out.push_back(static_cast<char>(v & 0xFF));
}

void u32(std::string& out, uint32_t v) {
  u16(out, v >> 16);
  u16(out, v & 0xFFFF);
}

std::string head() {
  std::string t;
  u32(t, 0x00010000);  // version
  u32(t, 0x00010000);  // fontRevision
  u32(t, 0);           // checkSumAdjustment
  u32(t, 0x5F0F3CF5);  // magicNumber
  u16(t, 0x000B);      // flags
  u16(t, 1000);        // unitsPerEm
  for (int i = 0; i < 4; ++i) u32(t, 0);  // created, modified
  u16(t, 0), u16(t, static_cast<uint16_t>(-200)), u16(t, 1000), u16(t, 800);  // bounding box
  u16(t, 0);  // macStyle
  u16(t, 8);  // lowestRecPPEM
  u16(t, 2);  // fontDirectionHint
  u16(t, 0);  // indexToLocFormat: short
  u16(t, 0);  // glyphDataFormat
  return t;
}

std::string hhea(uint16_t glyphs) {
  std::string t;
  u32(t, 0x00010000);
  u16(t, 800), u16(t, static_cast<uint16_t>(-200)), u16(t, 0);  // ascender, descender, lineGap
  u16(t, 600);                                                   // advanceWidthMax
  u16(t, 0), u16(t, 0), u16(t, 600);                             // minLSB, minRSB, xMaxExtent
  u16(t, 1), u16(t, 0), u16(t, 0);                               // caret
  for (int i = 0; i < 4; ++i) u16(t, 0);
  u16(t, 0);       // metricDataFormat
  u16(t, glyphs);  // numberOfHMetrics
  return t;
}

std::string maxp(uint16_t glyphs) {
  std::string t;
  u32(t, 0x00010000);
  u16(t, glyphs);
  for (int i = 0; i < 13; ++i) u16(t, i == 0 || i == 1 ? 0 : 1);
  return t;
}

std::string hmtx(uint16_t glyphs) {
  std::string t;
  for (uint16_t i = 0; i < glyphs; ++i) u16(t, 600), u16(t, 0);
  return t;
}

std::string loca(uint16_t glyphs) {
  std::string t;
  for (uint16_t i = 0; i <= glyphs; ++i) u16(t, 0);
  return t;
}

// Format 4, one segment of the codes and the closing one.
std::string cmap(uint8_t firstCode, uint16_t count) {
  const uint16_t start = static_cast<uint16_t>(0xF000 + firstCode), end = static_cast<uint16_t>(start + count - 1);
  std::string sub;
  u16(sub, 4);
  u16(sub, 16 + 2 * 2 * 4);  // length
  u16(sub, 0);               // language
  u16(sub, 4);               // segCountX2
  u16(sub, 4), u16(sub, 1), u16(sub, 0);
  u16(sub, end), u16(sub, 0xFFFF);
  u16(sub, 0);
  u16(sub, start), u16(sub, 0xFFFF);
  u16(sub, static_cast<uint16_t>(1 - start)), u16(sub, 1);
  u16(sub, 0), u16(sub, 0);
  std::string t;
  u16(t, 0), u16(t, 1);
  u16(t, 3), u16(t, 0), u32(t, 12);
  return t + sub;
}

std::string post(const std::vector<std::string>& names) {
  std::string t;
  u32(t, 0x00020000);
  for (int i = 0; i < 7; ++i) u32(t, 0);
  u16(t, static_cast<uint16_t>(names.size() + 1));
  u16(t, 0);  // .notdef, the first standard name
  for (size_t i = 0; i < names.size(); ++i) u16(t, static_cast<uint16_t>(258 + i));
  for (const std::string& n : names) {
    t.push_back(static_cast<char>(n.size()));
    t += n;
  }
  return t;
}

std::string os2(uint32_t codePages) {
  std::string t;
  u16(t, 1);  // version
  u16(t, 600), u16(t, 400), u16(t, 5), u16(t, 0);
  for (int i = 0; i < 10; ++i) u16(t, 0);  // sub- and superscript, strikeout
  u16(t, 0);                                // family class
  t.append(10, '\0');                       // panose
  for (int i = 0; i < 4; ++i) u32(t, 0);    // unicode ranges
  t += "TEST";
  u16(t, 0x40);                             // fsSelection
  u16(t, 0xF020), u16(t, 0xF0FF);           // first and last char
  u16(t, 800), u16(t, static_cast<uint16_t>(-200)), u16(t, 0);
  u16(t, 800), u16(t, 200);
  u32(t, codePages), u32(t, 0);
  return t;
}

uint32_t checksum(const std::string& data) {
  uint32_t sum = 0;
  for (size_t i = 0; i < data.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k)
      word = (word << 8) | (i + k < data.size() ? static_cast<unsigned char>(data[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

}  // namespace

std::string build(const Program& program) {
  const auto glyphs = static_cast<uint16_t>(program.glyphNames.size() + 1);
  std::map<std::string, std::string> tables{
      {"cmap", cmap(program.firstCode, static_cast<uint16_t>(program.glyphNames.size()))},
      {"glyf", std::string(4, '\0')},
      {"head", head()},
      {"hhea", hhea(glyphs)},
      {"hmtx", hmtx(glyphs)},
      {"loca", loca(glyphs)},
      {"maxp", maxp(glyphs)},
      {"post", post(program.glyphNames)},
  };
  if (program.codePageRange) tables["OS/2"] = os2(*program.codePageRange);

  const auto count = static_cast<uint16_t>(tables.size());
  uint16_t power = 1, log2 = 0;
  while (power * 2 <= count) power *= 2, ++log2;
  std::string out;
  u32(out, 0x00010000);
  u16(out, count), u16(out, power * 16), u16(out, log2), u16(out, count * 16 - power * 16);
  uint32_t offset = 12 + 16 * count;
  std::string body;
  for (const auto& [tag, data] : tables) {  // the map keeps the tags sorted
    out += tag;
    u32(out, checksum(data));
    u32(out, offset + static_cast<uint32_t>(body.size()));
    u32(out, static_cast<uint32_t>(data.size()));
    body += data;
    body.append((4 - data.size() % 4) % 4, '\0');
  }
  return out + body;
}

}  // namespace truetypefix
