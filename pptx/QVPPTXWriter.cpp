#include "pptx/QVPPTXWriter.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "convert/QVOutputStaging.h"
#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/QVOpenXMLPackage.h"
#include "convert/xml/XMLFileWriter.h"
#include "convert/zip/QVZipArchive.h"
#include "pdf/QVPDFUtilities.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXPackageTypes.h"
#include "pptx/QVPPTXUnits.h"
#include "pptx/QVPPTXUtilities.h"

namespace stdfs = std::filesystem;
namespace types = QVPPTXPackageTypes;

namespace {

constexpr int kLayoutCount = 11;
// 10 x 7.5 inches.
constexpr double kDefaultSlideWidthEMU = 9144000;
constexpr double kDefaultSlideHeightEMU = 6858000;
constexpr const char* kApplicationName = "Valdrim";

std::string lastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string mediaPart(const std::string& fileName) { return "ppt/media/" + fileName; }

std::string parentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

using QVOpenXMLPackage::Relationship;
using QVOpenXMLPackage::writeTextElement;

// A relationships part: ids rId1, rId2, ... in list order.
void writeRelationshipsPart(std::string* part, const std::vector<Relationship>& relationships) {
  XMLFileWriter w(part);
  QVOpenXMLPackage::writeRelationships(w, relationships);
}

// The media extension of JPEG or PNG bytes by their signature; empty for
// any other.
std::string imageExtension(std::string_view bytes) {
  const std::optional<QVPDFImageFileType> type = QVPDFImageFile::typeOfData(bytes);
  if (!type) return {};
  return *type == QVPDFImageFileType::JPEG ? "jpeg" : "png";
}

std::string twoDigits(int value) {
  std::string s = platform::text::formatInteger(value);
  return s.size() < 2 ? "0" + s : s;
}

// Local time in the W3CDTF form of dcterms: 2024-03-05T14:05:31+01:00.
std::string w3cTimestamp(std::time_t now) {
  std::tm local{};
  if (!localtime_r(&now, &local)) {
    gmtime_r(&now, &local);
    local.tm_gmtoff = 0;
  }
  std::string year = platform::text::formatInteger(local.tm_year + 1900);
  while (year.size() < 4) year.insert(year.begin(), '0');
  const long offset = local.tm_gmtoff;
  const long minutes = std::labs(offset) / 60;
  return year + "-" + twoDigits(local.tm_mon + 1) + "-" + twoDigits(local.tm_mday) + "T" + twoDigits(local.tm_hour) +
         ":" + twoDigits(local.tm_min) + ":" + twoDigits(local.tm_sec) + (offset < 0 ? "-" : "+") +
         twoDigits(static_cast<int>(minutes / 60)) + ":" + twoDigits(static_cast<int>(minutes % 60));
}

// A slide size in EMU from points: truncated toward zero, then kept inside
// the range of ST_SlideSizeCoordinate.
std::string slideCoordinate(double points) {
  double emu = points * QVPPTXUnits::kEMUPerPoint;
  emu = std::isfinite(emu) ? std::trunc(emu) : QVPPTXUnits::kSlideSizeMin;
  return QVPPTXUnits::whole(emu, QVPPTXUnits::kSlideSizeMin, QVPPTXUnits::kSlideSizeMax);
}

}  // namespace

QVPPTXWriter::QVPPTXWriter(const std::string& outputPath, int64_t numOfPages, size_t memoryBound)
    : savedFilePath_(outputPath), totalPPTXPages_(numOfPages > 0 ? static_cast<uint64_t>(numOfPages) : 0) {
  const std::string folder = platform::fs::freePath(platform::fs::currentWorkFolder() + "/" + lastComponent(outputPath));
  if (!platform::fs::createFolderIfNeeded(folder))
    throw std::runtime_error("Cannot create the presentation work folder " + folder);
  savedWorkFolder_ = folder;
  parts_ = std::make_unique<QVZipPartStore>(folder + "/parts.spill", memoryBound);
}

QVPPTXWriter::~QVPPTXWriter() { removeWorkFolder(); }

void QVPPTXWriter::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  stdfs::remove_all(savedWorkFolder_, ec);
}

void QVPPTXWriter::begainWriteDocument() {
  packageParts_.clear();
  media_.clear();
  mediaBySource_.clear();
  mediaByBytes_.clear();
  for (const std::string& name : parts_->names()) parts_->remove(name);
  completed_.clear();
  currentPageIndex_ = 0;
}

void QVPPTXWriter::begainWritePage(platform::Size pageSize) {
  if (pageOpen_) discardCurrentPage();
  currentPageIndex_ = completed_.size() + 1;
  currentPage_ = std::make_unique<QVPPTXPage>(currentPageIndex_);
  currentPage_->setPartSink(
      [this](const std::string& part, std::string_view bytes) { parts_->append(part, bytes); });
  currentPage_->begainWritePage(currentPageIndex_);
  openPageSize_ = pageSize;
  pageOpen_ = true;
}

std::string QVPPTXWriter::collectImage(const QVPDFImageFile& image) {
  if (!pageOpen_ || !currentPage_ || image.empty()) return {};
  const uint64_t slide = currentPageIndex_;
  if (auto known = mediaBySource_.find(image.serial); known != mediaBySource_.end()) {
    MediaRecord& record = media_[known->second];
    if (auto id = currentPage_->findExistRelsWithImagePath(record.fileName)) return *id;
    record.slides.insert(slide);
    return currentPage_->addNewRelsWithImagePath(record.fileName);
  }
  if (auto same = mediaByBytes_.find(image.bytes()); same != mediaByBytes_.end()) {
    mediaBySource_.emplace(image.serial, same->second);
    return collectImage(image);
  }
  // Only JPEG and PNG have a content type in the package.
  const std::string extension = imageExtension(image.bytes());
  if (extension.empty()) return {};
  MediaRecord record;
  record.source = image.serial;
  record.fileName = "image" + std::to_string(++mediaCounter_) + "." + extension;
  record.bytes = image.data;
  parts_->put(mediaPart(record.fileName), image.data);
  record.slides.insert(slide);
  mediaBySource_.emplace(image.serial, media_.size());
  mediaByBytes_.emplace(*record.bytes, media_.size());
  media_.push_back(std::move(record));
  return currentPage_->addNewRelsWithImagePath(media_.back().fileName);
}

void QVPPTXWriter::endWritePage() {
  if (!pageOpen_ || !currentPage_) return;
  try {
    currentPage_->endWritePage(currentPageIndex_);
  } catch (...) {
    discardCurrentPage();
    throw;
  }
  completed_.push_back({currentPageIndex_, openPageSize_});
  pageOpen_ = false;
}

void QVPPTXWriter::discardCurrentPage() {
  if (!pageOpen_ || !currentPage_) return;
  const uint64_t slide = currentPageIndex_;
  parts_->remove(currentPage_->slidePartName());
  parts_->remove(currentPage_->relsPartName());
  currentPage_.reset();
  pageOpen_ = false;
  currentPageIndex_ = completed_.size();
  for (auto it = media_.begin(); it != media_.end();) {
    it->slides.erase(slide);
    if (it->slides.empty()) {
      parts_->remove(mediaPart(it->fileName));
      it = media_.erase(it);
    } else {
      ++it;
    }
  }
  indexMedia();
}

void QVPPTXWriter::indexMedia() {
  mediaBySource_.clear();
  mediaByBytes_.clear();
  for (size_t i = 0; i < media_.size(); ++i) {
    mediaBySource_.emplace(media_[i].source, i);
    mediaByBytes_.emplace(*media_[i].bytes, i);
  }
}

platform::Size QVPPTXWriter::slideSize() const { return completed_.empty() ? platform::Size{} : completed_[0].pageSize; }

std::string* QVPPTXWriter::packagePart(const std::string& name) {
  std::string& part = packageParts_[name];
  part.clear();
  return &part;
}

void QVPPTXWriter::packetPPTXFile() {
  if (pageOpen_) discardCurrentPage();
  packageParts_.clear();
  try {
    std::vector<std::string> slideIdsList;
    writeRootRelationships();
    writeContentTypes();
    writeAppProperties();
    writeCoreProperties();
    writeThumbnail();
    writePresentationRelationships(slideIdsList);
    checkMedia();
    writePresentation(slideIdsList);
    writePresProps();
    writeSlideLayouts();
    writeSlideMaster();
    writeTableStyles();
    writeTheme();
    writeViewProps();
    zipPackage();
  } catch (...) {
    removeWorkFolder();
    throw;
  }
  removeWorkFolder();
}

void QVPPTXWriter::writeRootRelationships() {
  writeRelationshipsPart(packagePart("_rels/.rels"), {{types::kRelOfficeDocument, "ppt/presentation.xml"},
                                                      {types::kRelThumbnail, "docProps/thumbnail.jpeg"},
                                                      {types::kRelCoreProperties, "docProps/core.xml"},
                                                      {types::kRelExtendedProperties, "docProps/app.xml"}});
}

void QVPPTXWriter::writeContentTypes() {
  std::vector<QVOpenXMLPackage::PartType> parts = {
      {"/ppt/presentation.xml", types::kTypePresentation}, {"/ppt/slideMasters/slideMaster1.xml", types::kTypeSlideMaster},
      {"/ppt/presProps.xml", types::kTypePresProps},       {"/ppt/viewProps.xml", types::kTypeViewProps},
      {"/ppt/theme/theme1.xml", types::kTypeTheme},         {"/ppt/tableStyles.xml", types::kTypeTableStyles}};
  for (int n = 1; n <= kLayoutCount; ++n)
    parts.push_back({"/ppt/slideLayouts/slideLayout" + std::to_string(n) + ".xml", types::kTypeSlideLayout});
  parts.push_back({"/docProps/core.xml", types::kTypeCoreProperties});
  parts.push_back({"/docProps/app.xml", types::kTypeExtendedProperties});
  for (const CompletedSlide& slide : completed_)
    parts.push_back({"/ppt/slides/slide" + std::to_string(slide.number) + ".xml", types::kTypeSlide});
  XMLFileWriter w(packagePart("[Content_Types].xml"));
  QVOpenXMLPackage::writeContentTypes(w, parts);
}

void QVPPTXWriter::writeAppProperties() {
  XMLFileWriter w(packagePart("docProps/app.xml"));
  const std::string_view vt = QVOpenXMLNameSpace::nameSpace_vt();
  QVOpenXMLPackage::beginAppProperties(w);
  auto text = [&w](std::string_view name, std::string_view value) { writeTextElement(w, {}, name, value); };
  text("TotalTime", "7");
  text("Words", "0");
  text("Application", "Microsoft Office PowerPoint");
  text("PresentationFormat", "On-screen Show (4:3)");
  text("Paragraphs", "0");
  text("Slides", std::to_string(completed_.size()));
  text("Notes", "0");
  text("HiddenSlides", "0");
  text("MMClips", "0");
  text("ScaleCrop", "false");
  w.writeStartElement("HeadingPairs");
  w.writeStartElementWithNamespace(vt, "vector");
  w.writeAttribute("size", "4");
  w.writeAttribute("baseType", "variant");
  const std::pair<const char*, const char*> pairs[] = {{"lpstr", "Theme"}, {"i4", "1"}, {"lpstr", "Slide Titles"},
                                                       {"i4", "1"}};
  for (const auto& [type, value] : pairs) {
    w.writeStartElementWithNamespace(vt, "variant");
    writeTextElement(w, vt, type, value);
    w.writeEndElementWithNamespace(vt, "variant");
  }
  w.writeEndElementWithNamespace(vt, "vector");
  w.writeEndElement("HeadingPairs");
  w.writeStartElement("TitlesOfParts");
  w.writeStartElementWithNamespace(vt, "vector");
  w.writeAttribute("size", "2");
  w.writeAttribute("baseType", "lpstr");
  writeTextElement(w, vt, "lpstr", "Office Theme");
  writeTextElement(w, vt, "lpstr", "Slide 1");
  w.writeEndElementWithNamespace(vt, "vector");
  w.writeEndElement("TitlesOfParts");
  w.writeStartElement("Company");
  w.writeEndElement();
  text("LinksUpToDate", "false");
  text("SharedDoc", "false");
  text("HyperlinksChanged", "false");
  text("AppVersion", "12.0000");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVPPTXWriter::writeCoreProperties() {
  const std::string_view cp = QVOpenXMLNameSpace::nameSpace_cp();
  const std::string_view dc = QVOpenXMLNameSpace::nameSpace_dc();
  XMLFileWriter w(packagePart("docProps/core.xml"));
  QVOpenXMLPackage::writeCoreProperties(
      w, {{dc, "title", "Slide 1"}, {dc, "creator", ""}, {cp, "lastModifiedBy", kApplicationName}, {cp, "revision", "3"}},
      w3cTimestamp(std::time(nullptr)));
}

void QVPPTXWriter::writeThumbnail() { *packagePart("docProps/thumbnail.jpeg") = QVPPTXUtilities::thumbnailJPEG(); }

void QVPPTXWriter::writePresentationRelationships(std::vector<std::string>& slideIdsList) {
  std::vector<Relationship> relationships = {{types::kRelSlideMaster, "slideMasters/slideMaster1.xml"},
                                             {types::kRelPresProps, "presProps.xml"},
                                             {types::kRelViewProps, "viewProps.xml"},
                                             {types::kRelTheme, "theme/theme1.xml"},
                                             {types::kRelTableStyles, "tableStyles.xml"}};
  slideIdsList.clear();
  for (const CompletedSlide& slide : completed_) {
    relationships.push_back({types::kRelSlide, "slides/slide" + std::to_string(slide.number) + ".xml"});
    slideIdsList.push_back("rId" + std::to_string(relationships.size()));
  }
  writeRelationshipsPart(packagePart("ppt/_rels/presentation.xml.rels"), relationships);
}

void QVPPTXWriter::checkMedia() {
  // Every image a slide refers to must be in the package.
  for (const MediaRecord& record : media_)
    if (!parts_->contains(mediaPart(record.fileName)))
      throw std::runtime_error("The presentation lost its image " + record.fileName);
}

void QVPPTXWriter::writePresentation(const std::vector<std::string>& slideIdsList) {
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const std::string_view r = QVOpenXMLNameSpace::nameSpace_r();
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  XMLFileWriter w(packagePart("ppt/presentation.xml"));
  w.setPrefix("a", a);
  w.setPrefix("r", r);
  w.setPrefix("p", p);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(p, "presentation");
  w.writeAttribute("saveSubsetFonts", "1");

  w.writeStartElementWithNamespace(p, "sldMasterIdLst");
  w.writeStartElementWithNamespace(p, "sldMasterId");
  w.writeAttribute("id", "2147483648");
  w.writeAttributeWithNamespace(r, "id", "rId1");
  w.writeEndElement();
  w.writeEndElementWithNamespace(p, "sldMasterIdLst");

  w.writeStartElementWithNamespace(p, "sldIdLst");
  for (size_t i = 0; i < slideIdsList.size(); ++i) {
    w.writeStartElementWithNamespace(p, "sldId");
    w.writeAttribute("id", std::to_string(256 + i));
    w.writeAttributeWithNamespace(r, "id", slideIdsList[i]);
    w.writeEndElement();
  }
  w.writeEndElementWithNamespace(p, "sldIdLst");

  w.writeStartElementWithNamespace(p, "sldSz");
  if (completed_.empty()) {
    w.writeAttribute("cx", QVPPTXUnits::whole(kDefaultSlideWidthEMU, 0, kDefaultSlideWidthEMU));
    w.writeAttribute("cy", QVPPTXUnits::whole(kDefaultSlideHeightEMU, 0, kDefaultSlideHeightEMU));
  } else {
    w.writeAttribute("cx", slideCoordinate(slideSize().width));
    w.writeAttribute("cy", slideCoordinate(slideSize().height));
  }
  w.writeAttribute("type", "screen4x3");
  w.writeEndElement();

  w.writeStartElementWithNamespace(p, "notesSz");
  w.writeAttribute("cx", "6858000");
  w.writeAttribute("cy", "9144000");
  w.writeEndElement();

  w.writeStartElementWithNamespace(p, "defaultTextStyle");
  w.writeStartElementWithNamespace(a, "defPPr");
  w.writeStartElementWithNamespace(a, "defRPr");
  w.writeAttribute("lang", "en-US");
  w.writeEndElement();
  w.writeEndElementWithNamespace(a, "defPPr");
  for (int level = 1; level <= 9; ++level) {
    const std::string name = "lvl" + std::to_string(level) + "pPr";
    w.writeStartElementWithNamespace(a, name);
    w.writeAttribute("marL", std::to_string((level - 1) * 457200));
    w.writeAttribute("algn", "l");
    w.writeAttribute("defTabSz", "914400");
    w.writeAttribute("rtl", "0");
    w.writeAttribute("eaLnBrk", "1");
    w.writeAttribute("latinLnBrk", "0");
    w.writeAttribute("hangingPunct", "1");
    w.writeStartElementWithNamespace(a, "defRPr");
    w.writeAttribute("sz", "1800");
    w.writeAttribute("kern", "1200");
    w.writeStartElementWithNamespace(a, "solidFill");
    w.writeStartElementWithNamespace(a, "schemeClr");
    w.writeAttribute("val", "tx1");
    w.writeEndElement();
    w.writeEndElementWithNamespace(a, "solidFill");
    for (const auto& [font, typeface] : {std::pair{"latin", "+mn-lt"}, {"ea", "+mn-ea"}, {"cs", "+mn-cs"}}) {
      w.writeStartElementWithNamespace(a, font);
      w.writeAttribute("typeface", typeface);
      w.writeEndElement();
    }
    w.writeEndElementWithNamespace(a, "defRPr");
    w.writeEndElementWithNamespace(a, name);
  }
  w.writeEndElementWithNamespace(p, "defaultTextStyle");
  w.writeEndElementWithNamespace(p, "presentation");
  w.writeEndDocument();
}

void QVPPTXWriter::writePresProps() {
  XMLFileWriter w(packagePart("ppt/presProps.xml"));
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  w.setPrefix("a", QVOpenXMLNameSpace::nameSpace_a());
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("p", p);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(p, "presentationPr");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVPPTXWriter::writeSlideLayouts() {
  const std::string folder = "ppt/slideLayouts";
  for (int n = 1; n <= kLayoutCount; ++n) {
    const std::string name = "slideLayout" + std::to_string(n) + ".xml";
    writeRelationshipsPart(packagePart(folder + "/_rels/" + name + ".rels"),
                           {{types::kRelSlideMaster, "../slideMasters/slideMaster1.xml"}});
    copyTemplate(name, folder + "/" + name);
  }
}

void QVPPTXWriter::writeSlideMaster() {
  const std::string folder = "ppt/slideMasters";
  std::vector<Relationship> relationships;
  for (int n = 1; n <= kLayoutCount; ++n)
    relationships.push_back({types::kRelSlideLayout, "../slideLayouts/slideLayout" + std::to_string(n) + ".xml"});
  relationships.push_back({types::kRelTheme, "../theme/theme1.xml"});
  writeRelationshipsPart(packagePart(folder + "/_rels/slideMaster1.xml.rels"), relationships);
  copyTemplate("slideMaster1.xml", folder + "/slideMaster1.xml");
}

void QVPPTXWriter::writeTableStyles() {
  XMLFileWriter w(packagePart("ppt/tableStyles.xml"));
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  w.setPrefix("a", a);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(a, "tblStyleLst");
  w.writeAttribute("def", "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}");
  w.writeEndElement();
  w.writeEndDocument();
}

void QVPPTXWriter::writeTheme() {
  copyTemplate("theme1.xml", "ppt/theme/theme1.xml");
}

void QVPPTXWriter::writeViewProps() {
  XMLFileWriter w(packagePart("ppt/viewProps.xml"));
  const std::string_view a = QVOpenXMLNameSpace::nameSpace_a();
  const std::string_view p = QVOpenXMLNameSpace::nameSpace_p();
  w.setPrefix("a", a);
  w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
  w.setPrefix("p", p);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  auto empty = [&w](std::string_view ns, std::string_view name,
                    std::initializer_list<std::pair<std::string_view, std::string_view>> attributes) {
    w.writeStartElementWithNamespace(ns, name);
    for (const auto& [key, value] : attributes) w.writeAttribute(key, value);
    w.writeEndElement();
  };
  auto scale = [&]() {
    w.writeStartElementWithNamespace(p, "scale");
    empty(a, "sx", {{"n", "100"}, {"d", "100"}});
    empty(a, "sy", {{"n", "100"}, {"d", "100"}});
    w.writeEndElementWithNamespace(p, "scale");
  };
  w.writeStartElementWithNamespace(p, "viewPr");

  w.writeStartElementWithNamespace(p, "normalViewPr");
  w.writeAttribute("showOutlineIcons", "0");
  empty(p, "restoredLeft", {{"sz", "15620"}});
  empty(p, "restoredTop", {{"sz", "94660"}});
  w.writeEndElementWithNamespace(p, "normalViewPr");

  w.writeStartElementWithNamespace(p, "slideViewPr");
  w.writeStartElementWithNamespace(p, "cSldViewPr");
  w.writeStartElementWithNamespace(p, "cViewPr");
  w.writeAttribute("varScale", "1");
  scale();
  empty(p, "origin", {{"x", "-252"}, {"y", "-84"}});
  w.writeEndElementWithNamespace(p, "cViewPr");
  w.writeStartElementWithNamespace(p, "guideLst");
  empty(p, "guide", {{"orient", "horz"}, {"pos", "2160"}});
  empty(p, "guide", {{"pos", "2880"}});
  w.writeEndElementWithNamespace(p, "guideLst");
  w.writeEndElementWithNamespace(p, "cSldViewPr");
  w.writeEndElementWithNamespace(p, "slideViewPr");

  w.writeStartElementWithNamespace(p, "notesTextViewPr");
  w.writeStartElementWithNamespace(p, "cViewPr");
  scale();
  empty(p, "origin", {{"x", "0"}, {"y", "0"}});
  w.writeEndElementWithNamespace(p, "cViewPr");
  w.writeEndElementWithNamespace(p, "notesTextViewPr");

  empty(p, "gridSpacing", {{"cx", "78028800"}, {"cy", "78028800"}});
  w.writeEndElementWithNamespace(p, "viewPr");
  w.writeEndDocument();
}

void QVPPTXWriter::copyTemplate(const std::string& name, const std::string& partName) {
  const auto data = QVPPTXUtilities::templatePart(name);
  if (!data) throw std::runtime_error("The presentation template part " + name + " is missing");
  packagePart(partName)->assign(reinterpret_cast<const char*>(data->data()), data->size());
}

// The package's entries in archive order: the four top items in the order
// readers expect them, and below each, the parts by name, folder by folder
// (the parts made at the end among the slides and pictures).
std::vector<QVPPTXWriter::PackageEntry> QVPPTXWriter::packageEntries() const {
  std::vector<PackageEntry> entries;
  for (const auto& [name, data] : packageParts_) entries.push_back({name, &data});
  for (const std::string& name : parts_->names())
    if (!packageParts_.count(name)) entries.push_back({name, nullptr});
  static constexpr std::string_view kTopOrder[] = {"_rels", "[Content_Types].xml", "docProps", "ppt"};
  auto key = [](const std::string& name) {
    const std::string_view top = std::string_view(name).substr(0, name.find('/'));
    const size_t rank = std::find(std::begin(kTopOrder), std::end(kTopOrder), top) - std::begin(kTopOrder);
    std::vector<std::string_view> components;
    for (size_t start = 0; start <= name.size();) {
      const size_t slash = std::min(name.find('/', start), name.size());
      components.push_back(std::string_view(name).substr(start, slash - start));
      start = slash + 1;
    }
    return std::make_pair(rank, components);
  };
  std::sort(entries.begin(), entries.end(),
            [&](const PackageEntry& a, const PackageEntry& b) { return key(a.name) < key(b.name); });
  return entries;
}

void QVPPTXWriter::zipPackage() {
  // The archive is written under a temporary name beside the output and
  // renamed into place only when complete.
  const std::string temporary =
      parentFolder(savedFilePath_) + "/." + lastComponent(savedFilePath_) + "." + platform::fs::newUuid() + ".part";
  const std::vector<PackageEntry> entries = packageEntries();
  bool complete = false;
  {
    QVZipArchive archive;
    if (archive.createZipFile2(temporary)) {
      complete = true;
      for (const PackageEntry& entry : entries) {
        complete = entry.data ? archive.addDataToZip(*entry.data, entry.name) : parts_->addToZip(archive, entry.name);
        if (!complete) break;
      }
      complete = archive.closeZipFile2() && complete;
    }
  }
  if (complete && QVOutputStaging::moveIntoPlace(temporary, savedFilePath_)) return;
  std::error_code ec;
  stdfs::remove(temporary, ec);
  throw std::runtime_error("Cannot write the presentation file " + savedFilePath_);
}
