#include "pptx/QVPPTXTextBoxInfo.h"

#include "convert/QVHexColor.h"
#include "pptx/QVPPTXUnits.h"

std::optional<std::string> QVPPTXTextBoxInfo::fillcolorString() const {
  return QVHexColor::getHexColorFromCGColor(fillcolor);
}

std::optional<std::string> QVPPTXTextBoxInfo::strokecolorString() const {
  return QVHexColor::getHexColorFromCGColor(strokecolor);
}

std::string QVPPTXTextBoxInfo::strokeDashPhaseString() const { return QVPPTXUnits::dashPhaseString(strokeDashPhase); }

std::optional<std::string> QVPPTXTextBoxInfo::strokeDashPatternString() const {
  return QVPPTXUnits::dashPatternString(strokeDashPattern);
}
