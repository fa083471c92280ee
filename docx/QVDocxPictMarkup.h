#pragma once
// What the floating objects of the Word body (pictures, shapes, text boxes
// and text paths, written as VML) share: their colour and dash texts, the
// numbers of their style strings and the run that holds each of them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "docx/QVDocx.h"
#include "platform/image/color.h"

class XMLFileWriter;

namespace QVDocxPictMarkup {

// "#RRGGBB": RGB channels, or a gray level three times, each × 255 rounded
// half away from zero; any other model is black.
std::string colorString(const platform::Color& color);
// The dash lengths as integers joined by single blanks ("3 1").
std::string dashPatternString(const std::vector<int64_t>& pattern);
// A length of a style string with the given decimals (halves to even); a
// value that is not finite counts as 0.
std::string number(double value, int decimals);
// A stacking order as the 32-bit signed value the office applications read.
std::string zIndex32(int64_t z);
// An opacity on the 65792 scale, as "NNNNNf".
std::string opacity(float alpha);

// The fill and outline attributes of a shape: "filled" and, when filled,
// its colour; "stroked" and, when stroked, the weight (points with the
// decimals) and colour.
void writePaint(XMLFileWriter& writer, bool filled, const platform::Color& fillcolor, bool stroked,
                double strokeweight, int weightDecimals, const platform::Color& strokecolor);

// Opens w:r with the run properties and w:pict; closePict ends both.
void openPict(XMLFileWriter& writer, const QVDocx_RPr& rProperty);
void closePict(XMLFileWriter& writer);

}  // namespace QVDocxPictMarkup
