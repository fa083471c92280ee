#include "docx/QVDocxWriter.h"

#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "convert/zip/QVZipPackage.h"
#include "docx/QVDocxOfficeFonts.h"
#include "docx/QVDocxPackageTypes.h"
#include "docx/QVDocxRunTextBox.h"
#include "docx/QVDocxUtilities.h"
#include "pdf/QVPDFUtilities.h"
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

std::string relationshipId(size_t position) {
  return "rId" + platform::text::formatInteger(static_cast<int64_t>(position));
}

void makeFolder(const std::string& path) {
  if (!platform::fs::createFolderIfNeeded(path)) throw std::runtime_error("Cannot create the document folder " + path);
}

void writeRelationshipsPart(const std::string& path, const std::vector<types::Relationship>& relationships) {
  XMLFileWriter w(path);
  types::writeRelationships(w, relationships);
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
  mediaParts_ = std::make_unique<QVZipPartStore>(folder + "/media.spill");
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
  fontTable_ = {"Times New Roman", "Arial"};
  fontNames_ = {fontTable_.begin(), fontTable_.end()};
  media_.clear();
  mediaBySource_.clear();
  mediaByBytes_.clear();
  mediaBytes_.clear();
  mediaNames_.clear();
  for (const std::string& name : mediaParts_->names()) mediaParts_->remove(name);
  relationships_ = {{types::kRelStyles, "styles.xml"},
                    {types::kRelFontTable, "fontTable.xml"},
                    {types::kRelTheme, "theme/theme1.xml"},
                    {types::kRelSettings, "settings.xml"},
                    {types::kRelWebSettings, "webSettings.xml"}};

  documentWriter_.reset();
  makeFolder(savedWorkFolder_ + "/word");
  documentWriter_ = std::make_unique<XMLFileWriter>(savedWorkFolder_ + "/word/document.xml");
  XMLFileWriter& w = *documentWriter_;
  // The body of a page of drawings is megabytes of markup: indentation
  // would add a quarter more for the application to read.
  w.setIndentation("");
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
  w.setPrefix("w14", types::kNamespaceWordML2010);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(ns, "document");
  w.writeAttributeWithNamespace(types::kNamespaceMarkupCompatibility, "Ignorable", "w14");
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
    page->paragraphArray.front().bookmark = writtenPages_ + 1;
    for (const QVDocxParagraph& p : page->paragraphArray) collectFonts(p);
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

std::string QVDocxWriter::collectImage(const QVPDFImageFile& image) {
  if (auto known = mediaBySource_.find(image.serial); known != mediaBySource_.end())
    return relationshipId(media_[known->second].relationship);
  if (auto same = mediaByBytes_.find(image.bytes()); same != mediaByBytes_.end()) {
    mediaBySource_.emplace(image.serial, same->second);
    return relationshipId(media_[same->second].relationship);
  }
  const std::optional<QVPDFImageFileType> type = QVPDFImageFile::typeOfData(image.bytes());
  if (!type) return {};

  // The name the file has, with an extension that says its kind.
  const stdfs::path source(lastComponent(image.name));
  std::string stem = source.stem().string();
  std::string extension = source.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (*type == QVPDFImageFileType::PNG)
    extension = ".png";
  else if (extension != ".jpeg" && extension != ".jpg")
    extension = ".jpeg";
  if (stem.empty()) stem = "image";
  std::string name = stem + extension;
  for (int64_t n = 2; mediaNames_.count(name) != 0; ++n) name = stem + platform::text::formatInteger(n) + extension;

  mediaParts_->put("word/media/" + name, image.data);
  relationships_.push_back({types::kRelImage, "media/" + name});
  mediaNames_.insert(name);
  mediaBySource_.emplace(image.serial, media_.size());
  mediaBytes_.push_back(image.data);
  mediaByBytes_.emplace(*mediaBytes_.back(), media_.size());
  media_.push_back({name, relationships_.size()});
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
    writeDocumentRelationships();
    writeFontTable();
    writeSettings();
    writeTemplate("docx-template-styles-2006.xml", "word/styles.xml");
    makeFolder(savedWorkFolder_ + "/word/theme");
    writeTemplate("docx-template-theme1-2006.xml", "word/theme/theme1.xml");
    writeTemplate("docx-template-webSettings-2006.xml", "word/webSettings.xml");
    QVZipPackage::zipFolderItems(savedWorkFolder_, {"_rels", "[Content_Types].xml", "docProps", "word"},
                                 savedFilePath_, mediaParts_.get());
  } catch (...) {
    removeWorkFolder();
    throw;
  }
  removeWorkFolder();
}

void QVDocxWriter::writeRootRelationships() {
  makeFolder(savedWorkFolder_ + "/_rels");
  writeRelationshipsPart(savedWorkFolder_ + "/_rels/.rels", {{types::kRelExtendedProperties, "docProps/app.xml"},
                                                              {types::kRelCoreProperties, "docProps/core.xml"},
                                                              {types::kRelOfficeDocument, "word/document.xml"}});
}

void QVDocxWriter::writeAppProperties() {
  makeFolder(savedWorkFolder_ + "/docProps");
  XMLFileWriter w(savedWorkFolder_ + "/docProps/app.xml");
  types::beginAppProperties(w);
  auto text = [&w](std::string_view name, std::string_view value) { types::writeTextElement(w, {}, name, value); };
  text("Template", "Normal.dotm");
  text("TotalTime", "0");
  text("Application", "Microsoft Office Word");
  text("DocSecurity", "0");
  text("ScaleCrop", "false");
  w.writeStartElement("Company");
  w.writeEndElement();
  text("LinksUpToDate", "false");
  text("SharedDoc", "false");
  text("HyperlinksChanged", "false");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVDocxWriter::writeCoreProperties() {
  // The document claims no title, author or dates of its own.
  XMLFileWriter w(savedWorkFolder_ + "/docProps/core.xml");
  types::writeCoreProperties(w, {}, {});
}

void QVDocxWriter::writeContentTypes() {
  XMLFileWriter w(savedWorkFolder_ + "/[Content_Types].xml");
  types::writeContentTypes(w,
                           {{"/docProps/app.xml", types::kTypeExtendedProperties},
                            {"/docProps/core.xml", types::kTypeCoreProperties},
                            {"/word/document.xml", types::kTypeDocument},
                            {"/word/styles.xml", types::kTypeStyles},
                            {"/word/settings.xml", types::kTypeSettings},
                            {"/word/theme/theme1.xml", types::kTypeTheme},
                            {"/word/fontTable.xml", types::kTypeFontTable},
                            {"/word/webSettings.xml", types::kTypeWebSettings}},
                           {{"jpg", types::kTypeJpg}});
}

void QVDocxWriter::writeDocumentRelationships() {
  makeFolder(savedWorkFolder_ + "/word/_rels");
  writeRelationshipsPart(savedWorkFolder_ + "/word/_rels/document.xml.rels", relationships_);
}

void QVDocxWriter::collectFont(const QVDocx_FontName& name) {
  if (!name || name->empty()) return;
  if (fontNames_.insert(*name).second) fontTable_.push_back(*name);
}

void QVDocxWriter::collectFonts(const QVDocx_RPr& r) {
  collectFont(r.rFonts.ascii);
  collectFont(r.rFonts.hAnsi);
  if (r.cs) collectFont(r.rFonts.cs);
  collectFont(r.rFonts.eastAsia);
}

void QVDocxWriter::collectFonts(const QVDocxParagraph& paragraph) {
  collectFonts(paragraph.rProperty);
  for (const auto& run : paragraph.runArray) {
    collectFonts(run->rProperty);
    if (const auto* box = dynamic_cast<const QVDocxRunTextBox*>(run.get()))
      for (const QVDocxParagraph& inner : box->paragraphArray) collectFonts(inner);
  }
}

void QVDocxWriter::writeFontTable() {
  XMLFileWriter w(savedWorkFolder_ + "/word/fontTable.xml");
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("w", ns);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(ns, "fonts");
  // Each family with what an application that lacks it needs to find the
  // closest substitute, in the element order of the schema.
  for (const std::string& name : fontTable_) {
    const std::string_view written = QVDocxUtilities::LocalFontName(name);
    const QVDocxOfficeFonts::TableEntry entry = QVDocxOfficeFonts::tableEntry(name);
    w.writeStartElementWithNamespace(ns, "font");
    w.writeAttributeWithNamespace(ns, "name", written);
    wordElement(w, "altName", "val", written);
    if (!entry.panose.empty()) wordElement(w, "panose1", "val", entry.panose);
    wordElement(w, "charset", "val", entry.charset);
    wordElement(w, "family", "val", entry.family);
    wordElement(w, "pitch", "val", entry.pitch);
    if (!entry.sig[0].empty()) {
      static constexpr std::string_view kSig[] = {"usb0", "usb1", "usb2", "usb3", "csb0", "csb1"};
      w.writeStartElementWithNamespace(ns, "sig");
      for (size_t i = 0; i < 6; ++i) w.writeAttributeWithNamespace(ns, kSig[i], entry.sig[i]);
      w.writeEndElement();
    }
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
