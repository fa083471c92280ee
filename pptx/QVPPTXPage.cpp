#include "pptx/QVPPTXPage.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "pptx/QVPPTXPackageTypes.h"

namespace {

std::string relationshipId(size_t position) { return "rId" + std::to_string(position); }

std::string mediaTarget(std::string_view path) {
  const size_t slash = path.rfind('/');
  return "../media/" + std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

QVPPTXPage::QVPPTXPage(uint64_t number) : pageNumber(number) {
  const std::string n = std::to_string(number);
  slidePartName_ = "ppt/slides/slide" + n + ".xml";
  relsPartName_ = "ppt/slides/_rels/slide" + n + ".xml.rels";
}

void QVPPTXPage::begainWritePage(uint64_t) {
  sharepsArr.clear();
  pageRelsArr.clear();
  imageRelsByTarget.clear();
  setDefaultRels();
}

void QVPPTXPage::setDefaultRels() {
  pageRelsArr.push_back({std::string(QVPPTXPackageTypes::kRelSlideLayout), "../slideLayouts/slideLayout1.xml"});
}

std::optional<std::string> QVPPTXPage::findExistRelsWithImagePath(std::string_view path) const {
  const auto known = imageRelsByTarget.find(mediaTarget(path));
  if (known == imageRelsByTarget.end()) return std::nullopt;
  return relationshipId(known->second);
}

std::string QVPPTXPage::addNewRelsWithImagePath(std::string_view path) {
  pageRelsArr.push_back({std::string(QVPPTXPackageTypes::kRelImage), mediaTarget(path)});
  imageRelsByTarget.emplace(pageRelsArr.back().Target, pageRelsArr.size());
  return relationshipId(pageRelsArr.size());
}

void QVPPTXPage::endWritePage(uint64_t) { writePage(); }

std::unique_ptr<XMLFileWriter> QVPPTXPage::partWriter(const std::string& partName, std::string* kept) {
  kept->clear();
  if (!partSink_) return std::make_unique<XMLFileWriter>(kept);
  return std::make_unique<XMLFileWriter>(
      [this, &partName](std::string_view bytes) { partSink_(partName, bytes); });
}

void QVPPTXPage::writePage() {
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const std::string_view r = QVOpenXMLNameSpace::nameSpace_r();
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  {
    std::unique_ptr<XMLFileWriter> writer = partWriter(slidePartName_, &slidePart_);
    XMLFileWriter& w = *writer;
    // Tabs are a quarter of a drawn page's slide part and mean nothing to
    // its readers; the line breaks stay, so that the part still reads a tag
    // a line.
    w.setIndentation("");
    w.setPrefix("a", a);
    w.setPrefix("r", r);
    w.setPrefix("p", p);
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.writeStartElementWithNamespace(p, "sld");
    w.writeStartElementWithNamespace(p, "cSld");
    w.writeStartElementWithNamespace(p, "spTree");

    w.writeStartElementWithNamespace(p, "nvGrpSpPr");
    w.writeStartElementWithNamespace(p, "cNvPr");
    w.writeAttribute("id", "1");
    w.writeAttribute("name", "");
    w.writeEndElement();
    w.writeStartElementWithNamespace(p, "cNvGrpSpPr");
    w.writeEndElement();
    w.writeStartElementWithNamespace(p, "nvPr");
    w.writeEndElement();
    w.writeEndElement();  // p:nvGrpSpPr

    w.writeStartElementWithNamespace(p, "grpSpPr");
    w.writeStartElementWithNamespace(a, "xfrm");
    struct Child {
      const char* name;
      const char* first;
      const char* second;
    };
    for (const Child& child : {Child{"off", "x", "y"}, Child{"ext", "cx", "cy"}, Child{"chOff", "x", "y"},
                               Child{"chExt", "cx", "cy"}}) {
      w.writeStartElementWithNamespace(a, child.name);
      w.writeAttribute(child.first, "0");
      w.writeAttribute(child.second, "0");
      w.writeEndElement();
    }
    w.writeEndElement();  // a:xfrm
    w.writeEndElement();  // p:grpSpPr

    // Drawing-object ids must be unique within the slide; the group is 1.
    uint32_t nextId = 2;
    for (const std::unique_ptr<QVPPTXShape>& shape : sharepsArr) {
      shape->shapeId = nextId++;
      shape->writeShapeWith(w);
    }

    w.writeEndElement();  // p:spTree
    w.writeEndElement();  // p:cSld
    w.writeStartElementWithNamespace(p, "clrMapOvr");
    w.writeStartElementWithNamespace(a, "masterClrMapping");
    w.writeEndElement();
    w.writeEndElement();  // p:clrMapOvr
    w.writeEndElement();  // p:sld
    w.writeEndDocument();
  }
  writeRels();
}

void QVPPTXPage::writeRels() {
  std::unique_ptr<XMLFileWriter> writer = partWriter(relsPartName_, &relsPart_);
  XMLFileWriter& w = *writer;
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Relationships");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_Rels());
  for (size_t i = 0; i < pageRelsArr.size(); ++i) {
    w.writeStartElement("Relationship");
    w.writeAttribute("Id", relationshipId(i + 1));
    w.writeAttribute("Type", pageRelsArr[i].Type);
    w.writeAttribute("Target", pageRelsArr[i].Target);
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
}

QVPPTXParagraph& QVPPTXPage::lastTextBoxParagraph() {
  if (cachedTextBoxParagraphs.empty()) cachedTextBoxParagraphs.emplace_back();
  return cachedTextBoxParagraphs.back();
}

QVPPTXParagraph& QVPPTXPage::newTextBoxParagraph() {
  QVPPTXParagraph paragraph;
  paragraph.pProperty = lastTextBoxParagraph().pProperty;
  cachedTextBoxParagraphs.push_back(std::move(paragraph));
  return cachedTextBoxParagraphs.back();
}

double QVPPTXPage::maxTextBoxWidth() const {
  double width = 0;
  for (const QVPPTXParagraph& paragraph : cachedTextBoxParagraphs) {
    const double candidate = static_cast<double>(paragraph.pProperty.marL) + paragraph.textWidth();
    if (static_cast<float>(candidate) > static_cast<float>(width)) width = candidate;
  }
  return width;
}

double QVPPTXPage::totalTextBoxHeight() const {
  double height = 0;
  for (const QVPPTXParagraph& paragraph : cachedTextBoxParagraphs) height += paragraph.pProperty.lnSpc;
  return height;
}
