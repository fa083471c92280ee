#include "docx/QVDocxRunImage.h"

#include <cmath>
#include <numbers>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPictMarkup.h"

namespace markup = QVDocxPictMarkup;
namespace types = QVDocxPackageTypes;

std::unique_ptr<QVDocxRun> QVDocxRunImage::copy() const {
  auto run = std::make_unique<QVDocxRunImage>();
  run->rProperty = rProperty;
  run->pictInfo = pictInfo;
  run->runImageID = runImageID;
  run->runImageTitle = runImageTitle;
  run->pageBackground = pageBackground;
  return run;
}

platform::Rect QVDocxRunImage::displayRect() const {
  const QVDocxImageInfo& i = pictInfo;
  const platform::Rect box(i.displayX, i.displayY, i.displayWidth, i.displayHeight);
  if (i.rotation == 0.0f) return box;
  // Mirroring keeps the area; turning about the centre moves its corners.
  const double radians = static_cast<double>(i.rotation) * std::numbers::pi / 180.0;
  const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
  const double w = i.displayWidth * c + i.displayHeight * s;
  const double h = i.displayWidth * s + i.displayHeight * c;
  const double cx = i.displayX + i.displayWidth / 2, cy = i.displayY + i.displayHeight / 2;
  return platform::Rect(cx - w / 2, cy - h / 2, w, h);
}

void QVDocxRunImage::writeWithXMLWriter(XMLFileWriter& w) const {
  markup::openPict(w, rProperty);
  _writeImage2006(w);
  markup::closePict(w);
}

void QVDocxRunImage::_writeImage2006(XMLFileWriter& w) const {
  const QVDocxImageInfo& i = pictInfo;
  std::string style = "position:absolute;";
  style += "margin-left:" + markup::number(i.displayX, 2) + "pt;";
  style += "margin-top:" + markup::number(i.displayY, 2) + "pt;";
  style += "width:" + markup::number(i.displayWidth, 2) + "pt;";
  style += "height:" + markup::number(i.displayHeight, 2) + "pt;";
  if (i.rotation != 0.0f) style += "rotation:" + markup::number(i.rotation, 0) + ";";
  if (i.flipX && i.flipY)
    style += "flip:x y;";
  else if (i.flipX)
    style += "flip:x;";
  else if (i.flipY)
    style += "flip:y;";
  style += "z-index:" + markup::zIndex32(pictZIndex) + ";";
  style += "mso-position-horizontal-relative:page;mso-position-vertical-relative:page";

  const std::string title = runImageTitle.empty() ? "Untitled" : runImageTitle;
  if (pageBackground) {
    w.writeStartElementWithNamespace(types::kNamespaceVML, "rect");
    w.writeAttribute("style", style);
    w.writeAttribute("stroked", "f");
    // The image stretched over the whole rectangle, as the picture shows it.
    w.writeStartElementWithNamespace(types::kNamespaceVML, "fill");
    w.writeAttributeWithNamespace(QVOpenXMLNameSpace::nameSpace_r(), "id", runImageID);
    w.writeAttributeWithNamespace(types::kNamespaceOffice, "title", title);
    w.writeAttribute("type", "frame");
    if (i.opacity < 1.0f) w.writeAttribute("opacity", markup::opacity(i.opacity));
    w.writeEndElement();
    w.writeEndElement();
    return;
  }
  w.writeStartElementWithNamespace(types::kNamespaceVML, "shape");
  w.writeAttribute("type", "#_x0000_t75");
  w.writeAttribute("style", style);
  // A shape is outlined unless it says otherwise, and no definition of the
  // picture type says it here: without this every picture gets a frame.
  w.writeAttribute("stroked", "f");
  w.writeStartElementWithNamespace(types::kNamespaceVML, "imagedata");
  w.writeAttributeWithNamespace(QVOpenXMLNameSpace::nameSpace_r(), "id", runImageID);
  w.writeAttributeWithNamespace(types::kNamespaceOffice, "title", title);
  w.writeEndElement();
  if (i.opacity < 1.0f) {
    w.writeStartElementWithNamespace(types::kNamespaceVML, "fill");
    w.writeAttribute("opacity", markup::opacity(i.opacity));
    w.writeEndElement();
  }
  w.writeEndElement();
}
