#include "docx/QVDocxRunShapeGroup.h"

#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPictMarkup.h"

namespace markup = QVDocxPictMarkup;
namespace types = QVDocxPackageTypes;

platform::Rect QVDocxRunShapeGroup::displayRect() const {
  platform::Rect box;
  bool first = true;
  for (const auto& member : members) {
    const platform::Rect r = member->displayRect();
    box = first ? r : box.unite(r);
    first = false;
  }
  return box;
}

void QVDocxRunShapeGroup::writeWithXMLWriter(XMLFileWriter& w) const {
  // A member drawn as a line is as wide as its stroke: the group reaches
  // that far beyond the boxes.
  platform::Rect box = displayRect();
  double reach = 0;
  for (const auto& member : members) reach = std::max(reach, member->pictInfo.strokeweight);
  box = platform::Rect(box.minX() - reach, box.minY() - reach, box.width() + 2 * reach, box.height() + 2 * reach);

  markup::openPict(w, rProperty);
  std::string style = "position:absolute;left:0;text-align:left;";
  style += "margin-left:" + markup::number(box.minX(), 2) + "pt;";
  style += "margin-top:" + markup::number(box.minY(), 2) + "pt;";
  style += "width:" + markup::number(box.width(), 2) + "pt;";
  style += "height:" + markup::number(box.height(), 2) + "pt;";
  style += "mso-position-horizontal-relative:page;mso-position-vertical-relative:page;";
  style += "z-index:" + markup::zIndex32(pictZIndex);
  w.writeStartElementWithNamespace(types::kNamespaceVML, "group");
  w.writeAttribute("style", style);
  w.writeAttribute("coordorigin", markup::number(box.minX() * 20, 0) + "," + markup::number(box.minY() * 20, 0));
  w.writeAttribute("coordsize", markup::number(box.width() * 20, 0) + "," + markup::number(box.height() * 20, 0));
  for (const auto& member : members) member->writeInGroup(w);
  w.writeStartElementWithNamespace(types::kNamespaceWord10, "wrap");
  w.writeAttribute("type", "none");
  w.writeEndElement();
  w.writeEndElement();
  markup::closePict(w);
}
