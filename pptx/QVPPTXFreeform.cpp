#include "pptx/QVPPTXFreeform.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXUnits.h"
#include "pptx/QVPPTXUtilities.h"

std::vector<QVPPTXPathElement> QVPPTXFreeform::pointsWithCGPath(const platform::Path& path) {
  std::vector<QVPPTXPathElement> elements;
  elements.reserve(path.elements().size());
  for (const platform::PathElement& e : path.elements()) elements.emplace_back(e);
  return elements;
}

namespace {

bool samePaint(const QVPPTXFreeformInfo& a, const QVPPTXFreeformInfo& b) {
  return a.filled == b.filled && a.stroked == b.stroked && a.fillcolor == b.fillcolor &&
         a.strokecolor == b.strokecolor && a.fillAlpha == b.fillAlpha && a.strokeAlpha == b.strokeAlpha &&
         a.strokeweight == b.strokeweight && a.strokeDashPattern == b.strokeDashPattern &&
         a.strokeDashPhase == b.strokeDashPhase && a.lineCap == b.lineCap;
}

// The box the paint can reach: a line reaches past the path by half its
// width, and a mitred corner by up to the miter limit's 10 times that.
platform::Rect paintedBox(const QVPPTXFreeformInfo& info) {
  const double reach = info.stroked ? std::fabs(info.strokeweight) * 5.0 : 0.0;
  return {info.displayX - reach, info.displayY - reach, info.displayWidth + 2 * reach,
          info.displayHeight + 2 * reach};
}

const std::vector<QVPPTXPathElement>& noElements() {
  static const std::vector<QVPPTXPathElement> none;
  return none;
}

}  // namespace

bool QVPPTXFreeform::join(platform::Path&& path, const QVPPTXFreeformInfo& info) {
  if (!samePaint(spInfo, info)) return false;
  joinedBoxes_.start(paintedBox(spInfo));
  const platform::Rect box = paintedBox(info);
  if (!std::isfinite(box.origin.x) || !std::isfinite(box.origin.y) || !std::isfinite(box.size.width) ||
      !std::isfinite(box.size.height))
    return false;
  if (!joinedBoxes_.take(box)) return false;
  joinedPaths.push_back(std::move(path));
  spInfo.setDisplayRect(spInfo.displayRect().unite(info.displayRect()));
  return true;
}

void QVPPTXFreeform::write_nvSpPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  w.writeStartElementWithNamespace(p, "nvSpPr");
  w.writeStartElementWithNamespace(p, "cNvPr");
  w.writeAttribute("id", std::to_string(shapeId));
  w.writeAttribute("name", shapeName("Freeform"));
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "cNvSpPr");
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "nvPr");
  w.writeEndElement();
  w.writeEndElement();  // p:nvSpPr
}

namespace {

void writeColor(XMLFileWriter& w, std::string_view a, const std::string& hex, float alpha) {
  std::string val = hex;
  val.erase(std::remove(val.begin(), val.end(), '#'), val.end());
  w.writeStartElementWithNamespace(a, "solidFill");
  w.writeStartElementWithNamespace(a, "srgbClr");
  w.writeAttribute("val", val);
  w.writeStartElementWithNamespace(a, "alpha");
  w.writeAttribute("val", QVPPTXUnits::fixedPercentage(alpha));
  w.writeEndElement();
  w.writeEndElement();  // a:srgbClr
  w.writeEndElement();  // a:solidFill
}

// Extent of the path's coordinate space in EMU: never 0, so that the guide
// formulas, which divide by it, stay defined for a straight horizontal or
// vertical line.
std::string pathExtent(double points) {
  return QVPPTXUnits::whole(points * QVPPTXUnits::kEMUPerPoint, 1, QVPPTXUnits::kCoordinateMax);
}

}  // namespace

void QVPPTXFreeform::write_spPr() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.writeStartElementWithNamespace(p, "spPr");
  w.writeStartElementWithNamespace(a, "xfrm");
  w.writeStartElementWithNamespace(a, "off");
  w.writeAttribute("x", QVPPTXUnits::coordinate(spInfo.displayX));
  w.writeAttribute("y", QVPPTXUnits::coordinate(spInfo.displayY));
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "ext");
  w.writeAttribute("cx", QVPPTXUnits::positiveCoordinate(spInfo.displayWidth));
  w.writeAttribute("cy", QVPPTXUnits::positiveCoordinate(spInfo.displayHeight));
  w.writeEndElement();
  w.writeEndElement();  // a:xfrm
  write_SpPr_custGeom();
  writeColor(w, a, spInfo.fillcolorString(), spInfo.effectiveFillAlpha());
  writeLine();
  w.writeEndElement();  // p:spPr
}

void QVPPTXFreeform::writeLine() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  // A mirroring transform gives a negative width; the line is as wide.
  const double width = std::fabs(spInfo.strokeweight);
  w.writeStartElementWithNamespace(a, "ln");
  w.writeAttribute("w", QVPPTXUnits::whole(width * QVPPTXUnits::kEMUPerPoint, 0, QVPPTXUnits::kLineWidthMax));
  if (auto cap = spInfo.lineCapString()) w.writeAttribute("cap", *cap);
  writeColor(w, a, spInfo.strokecolorString(), spInfo.effectiveStrokeAlpha());

  const std::vector<double> pattern = spInfo.dashGapPattern();
  const size_t n = pattern.size();
  if (n == 0 || n == 2 || n == 6) {
    w.writeStartElementWithNamespace(a, "prstDash");
    w.writeAttribute("val", n == 6 ? "lgDashDotDot" : n == 2 ? "dash" : "solid");
    w.writeEndElement();
  } else {
    // Dash stops are lengths relative to the line width, in thousandths of a
    // percent. A hairline (width 0) is dashed as if it were one point wide.
    const double base = width > 0 && std::isfinite(width) ? width : 1.0;
    auto percent = [&](double length) {
      return QVPPTXUnits::whole(length / base * 100000.0, 0, QVPPTXUnits::kPositivePercentageMax);
    };
    w.writeStartElementWithNamespace(a, "custDash");
    for (size_t i = 0; i + 1 < n; i += 2) {
      w.writeStartElementWithNamespace(a, "ds");
      w.writeAttribute("d", percent(pattern[i]));
      w.writeAttribute("sp", percent(pattern[i + 1]));
      w.writeEndElement();
    }
    w.writeEndElement();  // a:custDash
  }
  w.writeEndElement();  // a:ln
}

void QVPPTXFreeform::write_SpPr_custGeom() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const std::string width = pathExtent(spInfo.displayWidth);
  const std::string height = pathExtent(spInfo.displayHeight);
  const platform::Point origin = spInfo.displayOrigin();
  // All paths share the shape's coordinate space.
  std::vector<std::vector<QVPPTXPathElement>> paths;
  paths.reserve(1 + joinedPaths.size());
  paths.push_back(pointsWithCGPath(runCGPath));
  for (const platform::Path& path : joinedPaths) paths.push_back(pointsWithCGPath(path));
  // A path's points are its connection sites, placed by its guides. A shape
  // of joined paths (outlined text, mostly) has none: a site at every corner
  // of hundreds of outlines helps no one attach a connector, and the two
  // lists would be most of the slide's bytes.
  const std::vector<QVPPTXPathElement>& sites = joinedPaths.empty() ? paths.front() : noElements();

  w.writeStartElementWithNamespace(a, "custGeom");
  w.writeStartElementWithNamespace(a, "avLst");
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "gdLst");
  for (size_t i = 0; i < sites.size(); ++i) sites[i].writeGuideList(w, a, origin, i, width, height);
  w.writeEndElementWithNamespace(a, "gdLst");
  w.writeStartElementWithNamespace(a, "ahLst");
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "cxnLst");
  for (size_t i = 0; i < sites.size(); ++i) {
    if (sites[i].points.empty()) continue;
    const std::string index = std::to_string(i);
    w.writeStartElementWithNamespace(a, "cxn");
    w.writeAttribute("ang", index);
    w.writeStartElementWithNamespace(a, "pos");
    w.writeAttribute("x", "connsiteX" + index);
    w.writeAttribute("y", "connsiteY" + index);
    w.writeEndElement();
    w.writeEndElement();  // a:cxn
  }
  w.writeEndElementWithNamespace(a, "cxnLst");
  w.writeStartElementWithNamespace(a, "rect");
  w.writeAttribute("l", "l");
  w.writeAttribute("t", "t");
  w.writeAttribute("r", "r");
  w.writeAttribute("b", "b");
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "pathLst");
  const std::string prefix = w.getPrefix(a);
  std::string markup;
  for (const std::vector<QVPPTXPathElement>& elements : paths) {
    w.writeStartElementWithNamespace(a, "path");
    w.writeAttribute("w", width);
    w.writeAttribute("h", height);
    markup.clear();
    for (const QVPPTXPathElement& e : elements) e.writePathList(markup, prefix, origin);
    w.writeMarkup(markup);
    w.writeEndElement();  // a:path
  }
  w.writeEndElement();  // a:pathLst
  w.writeEndElement();  // a:custGeom
}

void QVPPTXFreeform::write_style() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  struct Ref {
    const char* name;
    const char* idx;
    const char* color;
  };
  static constexpr Ref kRefs[] = {{"lnRef", "1", "accent1"},
                                  {"fillRef", "1", "accent1"},
                                  {"effectRef", "0", "accent1"},
                                  {"fontRef", "minor", "lt1"}};
  w.writeStartElementWithNamespace(p, "style");
  for (const Ref& ref : kRefs) {
    w.writeStartElementWithNamespace(a, ref.name);
    w.writeAttribute("idx", ref.idx);
    w.writeStartElementWithNamespace(a, "schemeClr");
    w.writeAttribute("val", ref.color);
    if (std::string_view(ref.name) == "lnRef") {
      w.writeStartElementWithNamespace(a, "shade");
      w.writeAttribute("val", "50000");
      w.writeEndElement();
    }
    w.writeEndElement();  // a:schemeClr
    w.writeEndElement();
  }
  w.writeEndElement();  // p:style
}

void QVPPTXFreeform::write_txBody() {
  XMLFileWriter& w = *xmlWriter;
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const QVPPTX_PPr pPr = paragraphs.empty() ? QVPPTXUtilities::defaultPProperty() : paragraphs.back().pProperty;
  w.writeStartElementWithNamespace(p, "txBody");
  w.writeStartElementWithNamespace(a, "bodyPr");
  w.writeAttribute("rtlCol", platform::text::formatInteger(bodyPr.rtlCol));
  w.writeAttribute("anchor", bodyPr.anchor);
  w.writeEndElementWithNamespace(a, "bodyPr");
  w.writeStartElementWithNamespace(a, "lstStyle");
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "p");
  w.writeStartElementWithNamespace(a, "pPr");
  // An empty value is no value: the attribute is left out.
  if (!pPr.algn.empty()) w.writeAttribute("algn", pPr.algn);
  w.writeEndElement();
  w.writeStartElementWithNamespace(a, "endParaRPr");
  if (!pPr.endParaRPr.lang.empty()) w.writeAttribute("lang", pPr.endParaRPr.lang);
  if (!pPr.endParaRPr.altLang.empty()) w.writeAttribute("altLang", pPr.endParaRPr.altLang);
  w.writeEndElement();
  w.writeEndElementWithNamespace(a, "p");
  w.writeEndElementWithNamespace(p, "txBody");
}
