#include "docx/QVDocxWriter.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "convert/zip/QVZipPackage.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxUtilities.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"

namespace stdfs = std::filesystem;
namespace types = QVDocxPackageTypes;

namespace {

std::string lastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string relationshipType(std::string_view name) {
  return std::string(types::kRelationshipTypes) + std::string(name);
}

std::string relationshipId(size_t position) {
  return "rId" + platform::text::formatInteger(static_cast<int64_t>(position));
}

void makeFolder(const std::string& path) {
  if (!platform::fs::createFolderIfNeeded(path)) throw std::runtime_error("Cannot create the document folder " + path);
}

// A relationships part: ids rId1, rId2, ... in list order.
template <class List>
void writeRelationships(const std::string& path, const List& relationships) {
  XMLFileWriter w(path);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Relationships");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_Rels());
  size_t position = 0;
  for (const auto& [type, target] : relationships) {
    w.writeStartElement("Relationship");
    w.writeAttribute("Id", relationshipId(++position));
    w.writeAttribute("Type", type);
    w.writeAttribute("Target", target);
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
}

void textElement(XMLFileWriter& w, std::string_view name, std::string_view text) {
  w.writeStartElement(name);
  w.writeCharacters(text);
  w.writeEndElement();
}

void wordElement(XMLFileWriter& w, std::string_view name, std::string_view attribute, std::string_view value) {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, name);
  w.writeAttributeWithNamespace(ns, attribute, value);
  w.writeEndElement();
}

}  // namespace

QVDocxWriter::QVDocxWriter(const std::string& outputPath, int64_t numOfPages, QVDocxConversionContext& context)
    : savedFilePath_(outputPath), docxNumOfPages_(numOfPages), context_(context) {
  const std::string folder =
      platform::fs::freePath(platform::fs::currentWorkFolder() + "/" + lastComponent(outputPath));
  if (!platform::fs::createFolderIfNeeded(folder))
    throw std::runtime_error("Cannot create the document work folder " + folder);
  savedWorkFolder_ = folder;
}

QVDocxWriter::~QVDocxWriter() {
  currentPage_.reset();
  documentWriter_.reset();
  removeWorkFolder();
}

void QVDocxWriter::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  stdfs::remove_all(savedWorkFolder_, ec);
}

void QVDocxWriter::setBegainDocxOptions() {
  context_.setBegainDocxOptions();
  currentDocxPageIndex_ = 0;
}

void QVDocxWriter::begainWriteDocument() {
  setBegainDocxOptions();
  writtenPages_ = 0;
  heldParagraph_.reset();
  documentEnded_ = false;
  bodyBroken_ = false;
  fontTable_ = {{"Times New Roman", "00", "roman", "variable"}, {"Arial", "00", "swiss", "variable"}};
  media_.clear();
  relationships_ = {{relationshipType("styles"), "styles.xml"},
                    {relationshipType("fontTable"), "fontTable.xml"},
                    {relationshipType("theme"), "theme/theme1.xml"},
                    {relationshipType("settings"), "settings.xml"},
                    {relationshipType("webSettings"), "webSettings.xml"}};

  documentWriter_.reset();
  makeFolder(savedWorkFolder_ + "/word");
  documentWriter_ = std::make_unique<XMLFileWriter>(savedWorkFolder_ + "/word/document.xml");
  XMLFileWriter& w = *documentWriter_;
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.setPrefix("w", ns);
  w.setPrefix("v", types::kNamespaceVML);
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("o", types::kNamespaceOffice);
  w.setPrefix("wp", types::kNamespaceWordDrawing);
  w.setPrefix("w10", types::kNamespaceWord10);
  w.setPrefix("ve", types::kNamespaceMarkupCompatibility);
  w.setPrefix("m", types::kNamespaceMath);
  w.setPrefix("wne", types::kNamespaceWordML2006);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(ns, "document");
  w.writeStartElementWithNamespace(ns, "body");
}

void QVDocxWriter::begainWritePage(platform::Size pageSize) {
  context_.begainPage();
  currentPage_.reset();
  ++currentDocxPageIndex_;
  currentPage_ = std::make_unique<QVDocxPage>(pageSize);
  currentPage_->begainWritePage(currentDocxPageIndex_);
}

void QVDocxWriter::writeHeldParagraph(bool last) {
  if (!heldParagraph_) return;
  QVDocxParagraph paragraph = std::move(*heldParagraph_);
  heldParagraph_.reset();
  if (last) {
    // The document's last section is closed by the body itself.
    QVDocx_SectPr body = paragraph.sectProperty;
    body.write = true;
    paragraph.sectProperty.write = false;
    paragraph.writeWithXMLWriter(*documentWriter_);
    QVDocxUtilities::WriteSectProperty(body, *documentWriter_);
  } else {
    paragraph.writeWithXMLWriter(*documentWriter_);
  }
}

void QVDocxWriter::endWritePage() {
  if (!currentPage_ || !documentWriter_ || documentEnded_ || bodyBroken_) return;
  std::unique_ptr<QVDocxPage> page = std::move(currentPage_);
  // Everything that can fail short of the disk happens before the body is
  // touched, so a page that fails leaves no trace in it.
  page->endWritePage(writtenPages_ == 0);

  XMLFileWriter& w = *documentWriter_;
  try {
    writeHeldParagraph(false);
    const std::string number = platform::text::formatInteger(writtenPages_ + 1);
    const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
    w.writeStartElementWithNamespace(ns, "bookmarkStart");
    w.writeAttributeWithNamespace(ns, "id", number);
    w.writeAttributeWithNamespace(ns, "name", number);
    w.writeEndElement();
    wordElement(w, "bookmarkEnd", "id", number);
    const size_t count = page->paragraphArray.size();
    page->_writeParagraphs(w, 0, count - 1);
    heldParagraph_ = std::move(page->paragraphArray.back());
    ++writtenPages_;
  } catch (...) {
    // A body cut off in the middle of an element cannot be completed.
    bodyBroken_ = true;
    throw;
  }
}

void QVDocxWriter::endWriteDocument() {
  if (bodyBroken_) throw std::runtime_error("The body of the document could not be written");
  if (!documentWriter_ || documentEnded_) return;
  currentPage_.reset();
  if (!heldParagraph_) {
    // No page reached the body: one empty page keeps the document whole.
    QVDocxParagraph empty;
    empty.sectProperty = QVDocxUtilities::defaultSectProperty();
    heldParagraph_ = std::move(empty);
  }
  writeHeldParagraph(true);
  documentWriter_->writeEndDocument();
  documentWriter_.reset();
  documentEnded_ = true;
}

std::string QVDocxWriter::collectImageWithPath(const std::string& path) {
  const std::string target = "media/" + lastComponent(path);
  for (const std::string& known : media_) {
    if (known != path) continue;
    for (size_t i = 0; i < relationships_.size(); ++i)
      if (relationships_[i].target == target) return relationshipId(i + 1);
  }
  media_.push_back(path);
  relationships_.push_back({relationshipType("image"), target});
  return relationshipId(relationships_.size());
}

void QVDocxWriter::packetDocxFile() {
  if (!documentEnded_) endWriteDocument();
  try {
    makeFolder(savedWorkFolder_ + "/word");
    writeRootRelationships();
    writeAppProperties();
    writeCoreProperties();
    writeContentTypes();
    moveMedia();
    writeDocumentRelationships();
    writeFontTable();
    writeSettings();
    writeTemplate("docx-template-styles-2006.xml", "word/styles.xml");
    makeFolder(savedWorkFolder_ + "/word/theme");
    writeTemplate("docx-template-theme1-2006.xml", "word/theme/theme1.xml");
    writeTemplate("docx-template-webSettings-2006.xml", "word/webSettings.xml");
    QVZipPackage::zipFolderItems(savedWorkFolder_, {"_rels", "[Content_Types].xml", "docProps", "word"},
                                 savedFilePath_);
  } catch (...) {
    removeWorkFolder();
    throw;
  }
  removeWorkFolder();
}

void QVDocxWriter::writeRootRelationships() {
  makeFolder(savedWorkFolder_ + "/_rels");
  const std::vector<std::pair<std::string, std::string>> relationships = {
      {relationshipType("extended-properties"), "docProps/app.xml"},
      {std::string(types::kRelCoreProperties), "docProps/core.xml"},
      {relationshipType("officeDocument"), "word/document.xml"}};
  writeRelationships(savedWorkFolder_ + "/_rels/.rels", relationships);
}

void QVDocxWriter::writeAppProperties() {
  makeFolder(savedWorkFolder_ + "/docProps");
  XMLFileWriter w(savedWorkFolder_ + "/docProps/app.xml");
  w.setPrefix("vt", QVOpenXMLNameSpace::nameSpace_vt());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Properties");
  w.writeAttribute("xmlns", types::kNamespaceExtendedProperties);
  textElement(w, "Template", "Normal.dotm");
  textElement(w, "TotalTime", "0");
  textElement(w, "Application", "Microsoft Office Word");
  textElement(w, "DocSecurity", "0");
  textElement(w, "ScaleCrop", "false");
  w.writeStartElement("Company");
  w.writeEndElement();
  textElement(w, "LinksUpToDate", "false");
  textElement(w, "SharedDoc", "false");
  textElement(w, "HyperlinksChanged", "false");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::writeCoreProperties() {
  XMLFileWriter w(savedWorkFolder_ + "/docProps/core.xml");
  const std::string_view cp = QVOpenXMLNameSpace::nameSpace_cp();
  w.setPrefix("cp", cp);
  w.setPrefix("dc", QVOpenXMLNameSpace::nameSpace_dc());
  w.setPrefix("dcterms", QVOpenXMLNameSpace::nameSpace_dcterms());
  w.setPrefix("dcmitype", QVOpenXMLNameSpace::nameSpace_dcmitype());
  w.setPrefix("xsi", QVOpenXMLNameSpace::nameSpace_xsi());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(cp, "coreProperties");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::writeContentTypes() {
  XMLFileWriter w(savedWorkFolder_ + "/[Content_Types].xml");
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("Types");
  w.writeAttribute("xmlns", types::kNamespaceContentTypes);
  auto entry = [&w](std::string_view element, std::string_view keyName, std::string_view key,
                    std::string_view contentType) {
    w.writeStartElement(element);
    w.writeAttribute(keyName, key);
    w.writeAttribute("ContentType", contentType);
    w.writeEndElement();
  };
  entry("Default", "Extension", "rels", types::kTypeRelationships);
  entry("Default", "Extension", "xml", types::kTypeXml);
  entry("Override", "PartName", "/docProps/app.xml", types::kTypeExtendedProperties);
  entry("Override", "PartName", "/docProps/core.xml", types::kTypeCoreProperties);
  entry("Override", "PartName", "/word/document.xml", types::kTypeDocument);
  entry("Override", "PartName", "/word/styles.xml", types::kTypeStyles);
  entry("Override", "PartName", "/word/settings.xml", types::kTypeSettings);
  entry("Override", "PartName", "/word/theme/theme1.xml", types::kTypeTheme);
  entry("Override", "PartName", "/word/fontTable.xml", types::kTypeFontTable);
  entry("Override", "PartName", "/word/webSettings.xml", types::kTypeWebSettings);
  entry("Default", "Extension", "jpg", "image/jpg");
  entry("Default", "Extension", "jpeg", "image/jpeg");
  entry("Default", "Extension", "png", "image/png");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::moveMedia() {
  if (media_.empty()) return;
  const std::string folder = savedWorkFolder_ + "/word/media";
  makeFolder(folder);
  for (const std::string& path : media_) {
    const std::string destination = folder + "/" + lastComponent(path);
    std::error_code ec;
    stdfs::rename(path, destination, ec);
    if (ec) {
      // Another file system: copy, then remove the source.
      ec.clear();
      stdfs::copy_file(path, destination, stdfs::copy_options::overwrite_existing, ec);
      if (ec) throw std::runtime_error("Cannot take the image " + path + " into the document");
      stdfs::remove(path, ec);
    }
  }
}

void QVDocxWriter::writeDocumentRelationships() {
  makeFolder(savedWorkFolder_ + "/word/_rels");
  std::vector<std::pair<std::string, std::string>> list;
  list.reserve(relationships_.size());
  for (const Relationship& r : relationships_) list.emplace_back(r.type, r.target);
  writeRelationships(savedWorkFolder_ + "/word/_rels/document.xml.rels", list);
}

void QVDocxWriter::writeFontTable() {
  XMLFileWriter w(savedWorkFolder_ + "/word/fontTable.xml");
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("w", ns);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(ns, "fonts");
  for (const Font& font : fontTable_) {
    w.writeStartElementWithNamespace(ns, "font");
    w.writeAttributeWithNamespace(ns, "name", font.altName);
    wordElement(w, "altName", "val", font.altName);
    wordElement(w, "charset", "val", font.charset);
    wordElement(w, "family", "val", font.family);
    wordElement(w, "pitch", "val", font.pitch);
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::writeSettings() {
  XMLFileWriter w(savedWorkFolder_ + "/word/settings.xml");
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.setPrefix("o", types::kNamespaceOffice);
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("m", types::kNamespaceMath);
  w.setPrefix("v", types::kNamespaceVML);
  w.setPrefix("w10", types::kNamespaceWord10);
  w.setPrefix("w", ns);
  w.setPrefix("sl", types::kNamespaceSchemaLibrary);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(ns, "settings");
  wordElement(w, "zoom", "percent", platform::text::formatFixed(docxProperty_.zoom, 0));
  wordElement(w, "defaultTabStop", "val", "720");
  wordElement(w, "drawingGridHorizontalSpacing", "val", "110");
  wordElement(w, "displayHorizontalDrawingGridEvery", "val", "2");
  wordElement(w, "characterSpacingControl", "val", "doNotCompress");
  w.writeStartElementWithNamespace(ns, "compat");
  w.writeStartElementWithNamespace(ns, "ulTrailSpace");
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::writeTemplate(const std::string& name, const std::string& part) {
  const auto data = QVDocxUtilities::PathInLibBundleForResource(name);
  if (!data) throw std::runtime_error("The document template part " + name + " is missing");
  const std::string destination = savedWorkFolder_ + "/" + part;
  const std::string_view bytes(reinterpret_cast<const char*>(data->data()), data->size());
  if (!platform::fs::writeFile(destination, bytes))
    throw std::runtime_error("Cannot write the document part " + destination);
}
