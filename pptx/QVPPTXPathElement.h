#pragma once
// One element of a freeform's path, able to write its DrawingML guides and
// drawing command. Points are in display space.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"

class XMLFileWriter;

class QVPPTXPathElement {
 public:
  QVPPTXPathElement() = default;
  explicit QVPPTXPathElement(const platform::PathElement& element) { setWithCGPathElement(element); }

  // 0 move, 1 line, 2 quadratic curve, 3 cubic curve, 4 close subpath.
  int32_t type = 0;
  int64_t numberOfPoints = 0;
  std::vector<platform::Point> points;

  void setWithCGPathElement(const platform::PathElement& element);

  // Two a:gd guides "connsiteX<i>" and "connsiteY<i>" placing the element's
  // last point relative to origin, scaled by the path size W x H (EMU
  // strings); nothing for an element without points.
  void writeGuideList(XMLFileWriter& writer, std::string_view ns, platform::Point origin, size_t index,
                      std::string_view widthStr, std::string_view heightStr) const;
  // The element's drawing command appended to `markup`, its tags with the
  // DrawingML prefix given: a:moveTo / a:lnTo / a:quadBezTo / a:cubicBezTo
  // with its points in EMU relative to origin, or an empty a:close; nothing
  // for an element without points. A shape's paths hold most of a slide's
  // bytes, so they are composed here and handed to the writer whole.
  void writePathList(std::string& markup, std::string_view prefix, platform::Point origin) const;
};
