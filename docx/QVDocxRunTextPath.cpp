#include "docx/QVDocxRunTextPath.h"

#include <cmath>

#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPictMarkup.h"
#include "docx/QVDocxUtilities.h"

namespace markup = QVDocxPictMarkup;
namespace types = QVDocxPackageTypes;

void QVDocxRunTextPath::writeWithXMLWriter(XMLFileWriter& w) const {
  markup::openPict(w, rProperty);
  _writeTextPath(w);
  markup::closePict(w);
}

void QVDocxRunTextPath::_writeTextPath(XMLFileWriter& w) const {
  const QVDocxTextPathInfo& i = pictInfo;
  std::string style = "position:absolute;left:0.00;text-align:left;";
  style += "margin-left:" + markup::number(i.displayX, 2) + "pt;";
  style += "margin-top:" + markup::number(i.displayY, 2) + "pt;";
  style += "width:" + markup::number(std::fabs(i.displayWidth), 2) + "pt;";
  style += "height:" + markup::number(std::fabs(i.displayHeight), 2) + "pt;";
  style += "mso-position-horizontal-relative:page;mso-position-vertical-relative:page;";
  if (i.rotation != 0.0f) style += "rotation:" + markup::number(i.rotation, 0) + ";";
  if (i.flipY) style += "flip:y;";
  style += "z-index:" + markup::zIndex32(pictZIndex);

  const std::string_view v = types::kNamespaceVML;
  w.writeStartElementWithNamespace(v, "shape");
  w.writeAttribute("id", "TextPath 1");
  w.writeAttributeWithNamespace(types::kNamespaceOffice, "spid", "_x0000_t136");
  w.writeAttribute("type", "#_x0000_t136");
  // The shape type number as well: without it (the document holds no
  // shape types) LibreOffice does not show the word-art.
  w.writeAttributeWithNamespace(types::kNamespaceOffice, "spt", "136");
  w.writeAttribute("style", style);
  markup::writePaint(w, i.filled, i.fillcolor, i.stroked, i.strokeweight, 0, i.strokecolor);
  w.writeStartElementWithNamespace(types::kNamespaceOffice, "extrusion");
  w.writeAttributeWithNamespace(v, "ext", "view");
  w.writeAttribute("autorotationcenter", "t");
  w.writeEndElement();
  w.writeStartElementWithNamespace(v, "textpath");
  w.writeAttribute("style", QVDocxUtilities::TextPathStyleForRProperty(rProperty));
  w.writeAttribute("string", runText);
  w.writeEndElement();
  w.writeStartElementWithNamespace(types::kNamespaceWord10, "wrap");
  w.writeAttribute("anchorx", "page");
  w.writeAttribute("anchory", "page");
  w.writeEndElement();
  w.writeEndElement();
}
