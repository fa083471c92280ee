#include "docx/QVDocxRunPath.h"

#include <algorithm>

#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPictMarkup.h"
#include "platform/text/text.h"

namespace markup = QVDocxPictMarkup;
namespace types = QVDocxPackageTypes;

using platform::PathElementType;
using platform::Point;

namespace {

void appendPoint(std::string& text, Point p) {
  text += markup::number(p.x * 20.0, 0);
  text += ',';
  text += markup::number(p.y * 20.0, 0);
}

}  // namespace

std::unique_ptr<QVDocxRun> QVDocxRunPath::copy() const {
  auto run = std::make_unique<QVDocxRunPath>();
  run->rProperty = rProperty;
  run->runCGPath = runCGPath;
  run->pictInfo = pictInfo;
  run->paint = paint;
  return run;
}

platform::Rect QVDocxRunPath::displayRect() const {
  return platform::Rect(pictInfo.displayX, pictInfo.displayY, pictInfo.displayWidth, pictInfo.displayHeight);
}

std::string QVDocxRunPath::pathText(const platform::Path& path) {
  std::string text;
  text.reserve(path.elements().size() * 24 + 2);
  Point pending, start;
  bool movePending = false, drawn = false;
  // A segment begins with the move that precedes it; a move that nothing
  // follows is not written.
  auto beginSegment = [&]() {
    if (!movePending) return;
    text += 'm';
    appendPoint(text, pending);
    movePending = false;
  };
  for (const platform::PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::MoveTo:
        pending = start = e.points[0];
        movePending = true;
        drawn = false;
        break;
      case PathElementType::LineTo:
        beginSegment();
        text += 'l';
        appendPoint(text, e.points[0]);
        drawn = true;
        break;
      case PathElementType::QuadCurveTo: {
        // The interpreter makes none; written as a cubic pulled twice
        // towards the one control point.
        beginSegment();
        text += 'c';
        appendPoint(text, e.points[0]);
        text += ',';
        appendPoint(text, e.points[0]);
        text += ',';
        appendPoint(text, e.points[1]);
        drawn = true;
        break;
      }
      case PathElementType::CurveTo:
        beginSegment();
        text += 'c';
        appendPoint(text, e.points[0]);
        text += ',';
        appendPoint(text, e.points[1]);
        text += ',';
        appendPoint(text, e.points[2]);
        drawn = true;
        break;
      case PathElementType::CloseSubpath:
        // Every closed subpath is closed in the shape too (boxes drawn as
        // several rectangles stay boxes); a segment that follows starts
        // again where the subpath began.
        if (drawn) text += 'x';
        drawn = false;
        pending = start;
        movePending = true;
        break;
    }
  }
  text += 'e';
  return text;
}

namespace {

bool samePaint(const QVDocxPathInfo& a, const QVDocxPathInfo& b) {
  return a.filled == b.filled && a.stroked == b.stroked && a.fillcolor == b.fillcolor &&
         a.strokecolor == b.strokecolor && a.fillAlpha == b.fillAlpha && a.strokeAlpha == b.strokeAlpha &&
         a.strokeweight == b.strokeweight && a.strokeDashPattern == b.strokeDashPattern &&
         a.strokeDashPhase == b.strokeDashPhase;
}

// Whether every subpath that draws something is closed.
bool closedThroughout(const platform::Path& path) {
  bool open = false;
  for (const platform::PathElement& e : path.elements()) {
    if (e.type == PathElementType::CloseSubpath) {
      open = false;
    } else if (e.type == PathElementType::MoveTo) {
      if (open) return false;
    } else {
      open = true;
    }
  }
  return !open;
}

// The path with every open subpath closed: the same area to fill.
platform::Path closedForFill(const platform::Path& path) {
  platform::Path closed;
  bool open = false;
  for (const platform::PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::MoveTo:
        if (open) closed.closeSubpath();
        closed.moveTo(e.points[0]);
        open = false;
        break;
      case PathElementType::LineTo:
        closed.lineTo(e.points[0]);
        open = true;
        break;
      case PathElementType::QuadCurveTo:
        closed.quadCurveTo(e.points[0], e.points[1]);
        open = true;
        break;
      case PathElementType::CurveTo:
        closed.curveTo(e.points[0], e.points[1], e.points[2]);
        open = true;
        break;
      case PathElementType::CloseSubpath:
        closed.closeSubpath();
        open = false;
        break;
    }
  }
  if (open) closed.closeSubpath();
  return closed;
}

bool thinFill(const QVDocxPathInfo& info) {
  return info.filled && !info.stroked && (info.displayWidth < 1.0 || info.displayHeight < 1.0);
}

platform::Rect boxOf(const QVDocxPathInfo& info) {
  return platform::Rect(info.displayX, info.displayY, info.displayWidth, info.displayHeight);
}

}  // namespace

bool QVDocxRunPath::join(const platform::Path& path, const QVDocxPathInfo& info, const QVPDFPathPaint& paint) {
  if (!samePaint(pictInfo, info) || thinFill(pictInfo) || thinFill(info)) return false;
  if (paint.fillRule != this->paint.fillRule) return false;
  // An application may leave a shape of several subpaths unfilled where one
  // of them is open: a fill closes them all (the area is the same), a stroke
  // joins only closed outlines.
  const bool fillOnly = info.filled && !info.stroked;
  if (!fillOnly && !closedThroughout(path)) return false;
  if (joinedBoxes_.empty()) {
    if (!fillOnly && !closedThroughout(runCGPath)) return false;
    if (fillOnly) runCGPath = closedForFill(runCGPath);
    joinedBoxes_.start(displayRect());
  }
  const platform::Rect box = boxOf(info);
  if (!joinedBoxes_.take(box, info.filled)) return false;
  runCGPath.addPath(fillOnly ? closedForFill(path) : path);
  const platform::Rect whole = displayRect().unite(box);
  pictInfo.displayX = whole.minX();
  pictInfo.displayY = whole.minY();
  pictInfo.displayWidth = whole.width();
  pictInfo.displayHeight = whole.height();
  return true;
}

void QVDocxRunPath::writeWithXMLWriter(XMLFileWriter& w) const {
  markup::openPict(w, rProperty);
  _writePath2006(w);
  w.writeStartElementWithNamespace(types::kNamespaceWord10, "wrap");
  w.writeAttribute("type", "none");
  w.writeEndElement();
  markup::closePict(w);
}

void QVDocxRunPath::_writePath2006(XMLFileWriter& w) const { writeShape(w, false); }

void QVDocxRunPath::writeInGroup(XMLFileWriter& w) const { writeShape(w, true); }

void QVDocxRunPath::writeShape(XMLFileWriter& w, bool inGroup) const {
  QVDocxPathInfo info = pictInfo;
  const platform::Path* path = &runCGPath;
  platform::Path line;
  // A filled area thinner than a point would vanish: it becomes a line
  // along its left or top edge, as wide as the area, in its fill colour.
  if (!info.stroked && info.filled && (info.displayWidth < 1.0 || info.displayHeight < 1.0)) {
    line.moveTo({info.displayX, info.displayY});
    if (info.displayWidth < 1.0) {
      line.lineTo({info.displayX, info.displayY + info.displayHeight});
      info.strokeweight = info.displayWidth;
    } else {
      line.lineTo({info.displayX + info.displayWidth, info.displayY});
      info.strokeweight = info.displayHeight;
    }
    info.stroked = true;
    info.filled = false;
    info.strokecolor = info.fillcolor;
    info.strokeAlpha = info.fillAlpha;
    path = &line;
  }
  // The box takes the line's width, so that a straight line has an area.
  const float weight = static_cast<float>(info.strokeweight);
  info.displayWidth = std::max(static_cast<float>(info.displayWidth), weight);
  info.displayHeight = std::max(static_cast<float>(info.displayHeight), weight);

  std::string style;
  if (inGroup) {
    style = "position:absolute;left:" + markup::number(info.displayX * 20, 0);
    style += ";top:" + markup::number(info.displayY * 20, 0);
    style += ";width:" + markup::number(info.displayWidth * 20, 0);
    style += ";height:" + markup::number(info.displayHeight * 20, 0);
  } else {
    style = "position:absolute;left:0;text-align:left;";
    style += "margin-left:" + markup::number(info.displayX, 2) + "pt;";
    style += "margin-top:" + markup::number(info.displayY, 2) + "pt;";
    style += "width:" + markup::number(info.displayWidth, 2) + "pt;";
    style += "height:" + markup::number(info.displayHeight, 2) + "pt;";
    style += "mso-position-horizontal-relative:page;mso-position-vertical-relative:page;";
    style += "z-index:" + platform::text::formatInteger(pictZIndex);
  }

  const std::string_view v = types::kNamespaceVML;
  w.writeStartElementWithNamespace(v, "shape");
  w.writeAttribute("id", "WS_Shape12");
  w.writeAttribute("type", "Shape12");
  w.writeAttribute("style", style);
  w.writeAttribute("coordorigin", markup::number(info.displayX * 20, 2) + "," + markup::number(info.displayY * 20, 2));
  w.writeAttribute("coordsize",
                   markup::number(info.displayWidth * 20, 2) + "," + markup::number(info.displayHeight * 20, 2));
  w.writeAttribute("path", pathText(*path));
  markup::writePaint(w, info.filled, info.fillcolor, info.stroked, std::max(weight, 0.01f), 2, info.strokecolor);
  w.writeStartElementWithNamespace(v, "path");
  w.writeAttribute("arrowok", "t");
  w.writeEndElement();
  if (info.filled) {
    w.writeStartElementWithNamespace(v, "fill");
    w.writeAttribute("type", "solid");
    w.writeEndElement();
    if (info.fillAlpha < 1.0f) {
      w.writeStartElementWithNamespace(v, "fill");
      w.writeAttribute("opacity", markup::opacity(info.fillAlpha));
      w.writeEndElement();
    }
  }
  if (info.stroked) {
    if (info.strokeAlpha < 1.0f) {
      w.writeStartElementWithNamespace(v, "stroke");
      w.writeAttribute("opacity", markup::opacity(info.strokeAlpha));
      w.writeEndElement();
    }
    if (!info.strokeDashPattern.empty()) {
      w.writeStartElementWithNamespace(v, "stroke");
      w.writeAttribute("dashstyle", markup::dashPatternString(info.strokeDashPattern));
      if (info.strokeDashPhase > 0) w.writeAttribute("dashPhase", markup::number(info.strokeDashPhase, 0));
      w.writeEndElement();
    }
  }
  w.writeEndElement();
}
