#include "docx/QVDocxRunTextBox.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxPictMarkup.h"

namespace markup = QVDocxPictMarkup;
namespace types = QVDocxPackageTypes;

platform::Rect QVDocxRunTextBox::textBoxRect(const QVDocxTextBoxInfo& i) {
  double left = i.displayX, top = i.displayY;
  if (i.rotation == 90.0)
    left = i.displayX - i.displayWidth;
  else if (i.rotation == 270.0)
    top = i.displayY - i.displayHeight;
  return platform::Rect(left, top, i.displayWidth, i.displayHeight);
}

platform::Rect QVDocxRunTextBox::displayRect() const { return textBoxRect(pictInfo); }

void QVDocxRunTextBox::writeWithXMLWriter(XMLFileWriter& w) const {
  markup::openPict(w, rProperty);
  _writeTextBox(w);
  markup::closePict(w);
}

void QVDocxRunTextBox::_writeTextBox(XMLFileWriter& w) const {
  const QVDocxTextBoxInfo& i = pictInfo;
  const platform::Rect box = textBoxRect(i);
  auto length = [](double v) { return markup::number(v, 0) + "pt;"; };
  std::string style = "position:absolute;left:0;text-align:left;";
  style += "margin-left:" + length(box.minX());
  style += "margin-top:" + length(box.minY());
  style += "width:" + length(i.displayWidth);
  style += "height:" + length(i.displayHeight);
  style += "z-index:" + markup::zIndex32(pictZIndex) + ";";
  style += "mso-wrap-style:square;";
  // Nothing sets wrap distances: every box is written with none.
  style += "mso-wrap-distance-left:0pt;mso-wrap-distance-top:0pt;mso-wrap-distance-right:0pt;"
           "mso-wrap-distance-bottom:0pt;";
  style += "mso-position-horizontal:absolute;mso-position-horizontal-relative:page;";
  style += "mso-position-vertical:absolute;mso-position-vertical-relative:page;";
  style += "v-text-anchor:top";

  const std::string_view v = types::kNamespaceVML;
  w.writeStartElementWithNamespace(v, "shape");
  w.writeAttribute("id", "TextBox 1");
  w.writeAttributeWithNamespace(types::kNamespaceOffice, "spid", "_x0000_t202");
  w.writeAttribute("type", "#_x0000_t202");
  w.writeAttribute("style", style);
  markup::writePaint(w, i.filled, i.fillcolor, i.stroked, i.strokeweight, 0, i.strokecolor);
  w.writeStartElementWithNamespace(v, "textbox");
  if (i.rotation == 90.0)
    w.writeAttribute("style", "layout-flow:vertical;mso-layout-flow-alt:right-to-left");
  else if (i.rotation == 270.0)
    w.writeAttribute("style", "layout-flow:vertical;mso-layout-flow-alt:bottom-to-top");
  else
    w.writeAttribute("style", "mso-fit-shape-to-text:t");
  w.writeAttribute("inset", "0pt,0pt,0pt,0pt");
  w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_w(), "txbxContent");
  _writeParagraphs(w);
  w.writeEndElement();
  w.writeEndElement();
  w.writeStartElementWithNamespace(types::kNamespaceWord10, "wrap");
  w.writeAttribute("anchorx", "page");
  w.writeAttribute("anchory", "page");
  w.writeEndElement();
  w.writeEndElement();
}

void QVDocxRunTextBox::_writeParagraphs(XMLFileWriter& w) const {
  for (const QVDocxParagraph& p : paragraphArray) p.writeWithXMLWriter(w);
}
