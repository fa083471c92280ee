#include "pptx/QVPPTXFreeformInfo.h"

#include "convert/QVHexColor.h"
#include "pptx/QVPPTXUnits.h"

void QVPPTXFreeformInfo::setDisplayRect(const platform::Rect& rect) {
  displayX = rect.origin.x;
  displayY = rect.origin.y;
  displayWidth = rect.size.width;
  displayHeight = rect.size.height;
}

std::string QVPPTXFreeformInfo::fillcolorString() const {
  return QVHexColor::getHexColorFromCGColor(filled ? fillcolor : QVHexColor::whiteCGColor());
}

std::string QVPPTXFreeformInfo::strokecolorString() const {
  return QVHexColor::getHexColorFromCGColor(stroked ? strokecolor : QVHexColor::whiteCGColor());
}

std::optional<std::string> QVPPTXFreeformInfo::lineCapString() const {
  switch (lineCap) {
    case 0:
      return "flat";
    case 1:
      return "rnd";
    case 2:
      return "sq";
    default:
      return std::nullopt;
  }
}

std::string QVPPTXFreeformInfo::prstDashString() const {
  switch (strokeDashPattern.size() / 2) {
    case 1:
      return "dash";
    case 2:
      return "dashDot";
    case 3:
      return "lgDashDotDot";
    default:
      return "solid";
  }
}

std::vector<double> QVPPTXFreeformInfo::dashGapPattern() const {
  bool dashes = false;
  for (double v : strokeDashPattern) dashes = dashes || v > 0;
  if (!dashes) return {};
  std::vector<double> pattern = strokeDashPattern;
  if (pattern.size() % 2 == 1) pattern.insert(pattern.end(), strokeDashPattern.begin(), strokeDashPattern.end());
  return pattern;
}

std::string QVPPTXFreeformInfo::strokeDashPhaseString() const { return QVPPTXUnits::dashPhaseString(strokeDashPhase); }

std::optional<std::string> QVPPTXFreeformInfo::strokeDashPatternString() const {
  return QVPPTXUnits::dashPatternString(strokeDashPattern);
}
