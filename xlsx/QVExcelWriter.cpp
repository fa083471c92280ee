#include "xlsx/QVExcelWriter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "convert/QVOutputStaging.h"
#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "convert/zip/QVZipArchive.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"
#include "qvxlsx_resources.h"
#include "xlsx/QVExcelAIOSWriter.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelPackageTypes.h"
#include "xlsx/QVExcelSharedStrings.h"
#include "xlsx/QVPDFInfo.h"

namespace types = QVExcelPackageTypes;

namespace {

// The name the document properties give as the last to modify a workbook.
constexpr const char* kApplicationName = "Korrin";

std::string lastComponent(const std::string& path, const char* fallback) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::string name = std::filesystem::path(trimmed).filename().string();
  return name.empty() ? std::string(fallback) : name;
}

void makeFolder(const std::string& path) {
  if (!platform::fs::createFolderIfNeeded(path))
    throw std::runtime_error("Cannot create the workbook folder " + path);
}

std::string integerText(uint64_t value) { return platform::text::formatInteger(static_cast<int64_t>(value)); }

// Two digits, or four for the year: "2024-03-05T14:05:31Z", in UTC.
std::string utcTimestamp(std::time_t now) {
  std::tm t{};
  gmtime_r(&now, &t);
  auto digits = [](int value, size_t width) {
    std::string s = platform::text::formatInteger(value);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
  };
  return digits(t.tm_year + 1900, 4) + "-" + digits(t.tm_mon + 1, 2) + "-" + digits(t.tm_mday, 2) + "T" +
         digits(t.tm_hour, 2) + ":" + digits(t.tm_min, 2) + ":" + digits(t.tm_sec, 2) + "Z";
}

using QVOpenXMLPackage::Relationship;
using QVOpenXMLPackage::writeTextElement;

void writeRelationshipsPart(const std::string& path, const std::vector<Relationship>& relationships) {
  XMLFileWriter w(path);
  QVOpenXMLPackage::writeRelationships(w, relationships);
}

}  // namespace

QVExcelWriter::QVExcelWriter(const std::string& outputPath, int64_t numOfPages, QVExcelManager& manager,
                             Output output)
    : manager_(manager), output_(output), savedFilePath_(outputPath) {
  (void)numOfPages;
  const std::string folder = platform::fs::freePath(platform::fs::currentWorkFolder() + "/" +
                                                    lastComponent(outputPath, isExcelConvert() ? "xlsx" : "csv"));
  if (!platform::fs::createFolderIfNeeded(folder))
    throw std::runtime_error("Cannot create the work folder " + folder);
  savedWorkFolder_ = folder;
  if (!isExcelConvert()) return;
  try {
    makeFolder(savedWorkFolder_ + "/xl/worksheets");
    sharedStrings_ = std::make_unique<QVExcelSharedStrings>(savedWorkFolder_, manager_);
    aiosWriter_ = std::make_unique<QVExcelAIOSWriter>(savedWorkFolder_);
  } catch (...) {
    removeWorkFolder();
    throw;
  }
}

QVExcelWriter::~QVExcelWriter() {
  // The parts still open close before their folder goes.
  sharedStrings_.reset();
  removeWorkFolder();
}

void QVExcelWriter::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(savedWorkFolder_, ec);
  savedWorkFolder_.clear();
}

uint64_t QVExcelWriter::totalSheetPages() const {
  if (manager_.isAllInOneSheetEnabled()) return 1;
  return std::max<uint64_t>(sheetNumbers_.size(), 1);
}

void QVExcelWriter::begainWriteDocument() { currentPageIndex_ = 0; }

void QVExcelWriter::begainWritePage(platform::Size pageSize) {
  if (slideSize_.width == 0 && slideSize_.height == 0) slideSize_ = pageSize;
  ++currentPageIndex_;
  currentPage_ = std::make_unique<QVExcelPage>(currentPageIndex_, savedWorkFolder_, manager_);
}

void QVExcelWriter::endWritePage() {
  if (!currentPage_) return;
  if (isExcelConvert()) {
    endWriteSheet();
  } else if (std::optional<std::string> text = currentPage_->creatCSV()) {
    writeCSVFile(*text);
  }
}

void QVExcelWriter::endWriteSheet() {
  QVExcelPage& page = *currentPage_;
  try {
    page.creatSheet();
  } catch (...) {
    // The cells made before the failure took indexes that no entry of the
    // shared strings will hold: the next page takes them again.
    manager_.setAmountOfStringItems(sharedStrings_->amountOfStringItems());
    throw;
  }
  sharedStrings_->stringItems.insert(sharedStrings_->stringItems.end(), page.stringItems.begin(),
                                     page.stringItems.end());
  sharedStrings_->writeStringItems();
  if (manager_.isAllInOneSheetEnabled()) {
    if (manager_.isAllInOneSheetAddToRow()) aiosWriter_->collectPageXMLToRow(page);
    else aiosWriter_->collectPageXMLToColumn(page);
    return;
  }
  try {
    page.writeSheetXML(sheetNumbers_.empty());
  } catch (...) {
    std::remove(page.sheetXMLPath().c_str());
    throw;
  }
  sheetNumbers_.push_back(page.pageNumber());
}

std::string QVExcelWriter::csvFileData(std::string_view utf8) {
  const std::u16string units = platform::text::utf16FromUtf8(utf8);
  std::string data;
  data.reserve(2 + units.size() * 2);
  data += "\xFF\xFE";
  for (char16_t u : units) {
    data += static_cast<char>(u & 0xFF);
    data += static_cast<char>(u >> 8);
  }
  return data;
}

void QVExcelWriter::writeCSVFile(const std::string& text) {
  std::string name = "Table ";
  platform::text::appendInteger(name, static_cast<int64_t>(currentPageIndex_));
  name += ".csv";
  const std::string path = savedWorkFolder_ + "/" + name;
  // Written beside its name first, so that no half-written table ever
  // stands under it.
  const std::string temporary = savedWorkFolder_ + "/." + name + ".part";
  if (!platform::fs::writeFile(temporary, csvFileData(text)) || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw std::runtime_error("Cannot write " + path);
  }
}

void QVExcelWriter::packetExcelFile(const platform::PdfDocument& document) {
  if (savedWorkFolder_.empty()) throw std::runtime_error("The work folder of " + savedFilePath_ + " is gone");
  if (isExcelConvert()) packetWorkbook(document);
  else packetCSVFolder();
}

void QVExcelWriter::packetCSVFolder() {
  if (!QVOutputStaging::moveIntoPlace(savedWorkFolder_, savedFilePath_))
    throw std::runtime_error("Cannot move the CSV files to " + savedFilePath_);
  savedWorkFolder_.clear();
}

void QVExcelWriter::packetWorkbook(const platform::PdfDocument& document) {
  try {
    if (manager_.isAllInOneSheetEnabled()) {
      aiosWriter_->writeSheetXML(manager_);
      sheetNumbers_ = {1};
    } else if (sheetNumbers_.empty()) {
      // A workbook holds at least one sheet.
      std::vector<QVExcelColumn> noColumns;
      std::vector<QVExcelRow> noRows;
      QVExcelPage::writeWorksheet(savedWorkFolder_ + "/xl/worksheets/sheet1.xml", noColumns, noRows, {}, manager_, true);
      sheetNumbers_ = {1};
    }
    const QVPDFInfo info(document);
    writeRootRelationships();
    writeContentTypes();
    writeAppProperties(info);
    writeCoreProperties(info);
    writeWorkbookRelationships();
    sharedStrings_->endWrite();
    manager_.excelStyle().writeStyleTo(savedWorkFolder_, manager_.isNeedWrapText());
    writeTheme();
    writeWorkbook();
    zipPackage();
  } catch (...) {
    sharedStrings_.reset();
    removeWorkFolder();
    throw;
  }
  sharedStrings_.reset();
  removeWorkFolder();
}

void QVExcelWriter::writeRootRelationships() {
  makeFolder(savedWorkFolder_ + "/_rels");
  writeRelationshipsPart(savedWorkFolder_ + "/_rels/.rels", {{types::kRelOfficeDocument, "xl/workbook.xml"},
                                                             {types::kRelCoreProperties, "docProps/core.xml"},
                                                             {types::kRelExtendedProperties, "docProps/app.xml"}});
}

void QVExcelWriter::writeContentTypes() {
  std::vector<QVOpenXMLPackage::PartType> parts = {{"/xl/sharedStrings.xml", types::kTypeSharedStrings},
                                                   {"/xl/styles.xml", types::kTypeStyles},
                                                   {"/xl/theme/theme1.xml", types::kTypeTheme},
                                                   {"/xl/workbook.xml", types::kTypeWorkbook},
                                                   {"/docProps/core.xml", types::kTypeCoreProperties},
                                                   {"/docProps/app.xml", types::kTypeExtendedProperties}};
  for (uint64_t number : sheetNumbers_)
    parts.push_back({"/xl/worksheets/sheet" + integerText(number) + ".xml", types::kTypeWorksheet});
  XMLFileWriter w(savedWorkFolder_ + "/[Content_Types].xml");
  QVOpenXMLPackage::writeContentTypes(w, parts);
}

void QVExcelWriter::writeAppProperties(const QVPDFInfo& info) {
  makeFolder(savedWorkFolder_ + "/docProps");
  XMLFileWriter w(savedWorkFolder_ + "/docProps/app.xml");
  const std::string_view vt = QVOpenXMLNameSpace::nameSpace_vt();
  QVOpenXMLPackage::beginAppProperties(w);
  auto text = [&w](std::string_view name, std::string_view value) { writeTextElement(w, {}, name, value); };
  const std::string sheets = integerText(sheetNumbers_.size());
  text("Application", "Microsoft Excel");
  text("DocSecurity", "0");
  text("ScaleCrop", "false");
  w.writeStartElement("HeadingPairs");
  w.writeStartElementWithNamespace(vt, "vector");
  w.writeAttribute("size", "2");
  w.writeAttribute("baseType", "variant");
  w.writeStartElementWithNamespace(vt, "variant");
  writeTextElement(w, vt, "lpstr", "worksheet");
  w.writeEndElementWithNamespace(vt, "variant");
  w.writeStartElementWithNamespace(vt, "variant");
  writeTextElement(w, vt, "i4", sheets);
  w.writeEndElementWithNamespace(vt, "variant");
  w.writeEndElementWithNamespace(vt, "vector");
  w.writeEndElement("HeadingPairs");
  w.writeStartElement("TitlesOfParts");
  w.writeStartElementWithNamespace(vt, "vector");
  w.writeAttribute("size", sheets);
  w.writeAttribute("baseType", "lpstr");
  for (size_t k = 1; k <= sheetNumbers_.size(); ++k) writeTextElement(w, vt, "lpstr", "Sheet " + integerText(k));
  w.writeEndElementWithNamespace(vt, "vector");
  w.writeEndElement("TitlesOfParts");
  text("Company", info.creator);
  text("Manager", info.producer);
  text("LinksUpToDate", "false");
  text("SharedDoc", "false");
  text("HyperlinksChanged", "false");
  text("AppVersion", "12.0000");
  w.writeEndElement("Properties");
  w.writeEndDocument();
}

void QVExcelWriter::writeCoreProperties(const QVPDFInfo& info) {
  const std::string_view cp = QVOpenXMLNameSpace::nameSpace_cp();
  const std::string_view dc = QVOpenXMLNameSpace::nameSpace_dc();
  XMLFileWriter w(savedWorkFolder_ + "/docProps/core.xml");
  QVOpenXMLPackage::writeCoreProperties(w,
                                        {{dc, "title", info.title},
                                         {dc, "subject", info.subject},
                                         {dc, "creator", info.author},
                                         {cp, "keywords", info.keywords},
                                         {dc, "description", info.note},
                                         {cp, "lastModifiedBy", kApplicationName}},
                                        utcTimestamp(std::time(nullptr)));
}

void QVExcelWriter::writeWorkbookRelationships() {
  makeFolder(savedWorkFolder_ + "/xl/_rels");
  std::vector<Relationship> relationships;
  for (uint64_t number : sheetNumbers_)
    relationships.push_back(
        {QVOpenXMLNameSpace::nameSpace_Rels_WorkSheet(), "worksheets/sheet" + integerText(number) + ".xml"});
  relationships.push_back({types::kRelTheme, "theme/theme1.xml"});
  relationships.push_back({types::kRelStyles, "styles.xml"});
  relationships.push_back({types::kRelSharedStrings, "sharedStrings.xml"});
  writeRelationshipsPart(savedWorkFolder_ + "/xl/_rels/workbook.xml.rels", relationships);
}

void QVExcelWriter::writeTheme() {
  makeFolder(savedWorkFolder_ + "/xl/theme");
  const auto theme = qvxlsx::findResource("theme1.xml");
  if (!theme) throw std::runtime_error("The workbook theme is missing");
  const std::string path = savedWorkFolder_ + "/xl/theme/theme1.xml";
  if (!platform::fs::writeFile(path, std::string_view(reinterpret_cast<const char*>(theme->data()), theme->size())))
    throw std::runtime_error("Cannot write the workbook part " + path);
}

void QVExcelWriter::writeWorkbook() {
  XMLFileWriter w(savedWorkFolder_ + "/xl/workbook.xml");
  const std::string_view r = QVOpenXMLNameSpace::nameSpace_r();
  w.setPrefix("r", r);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("workbook");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
  w.writeStartElement("fileVersion");
  w.writeAttribute("appName", "xl");
  w.writeAttribute("lastEdited", "4");
  w.writeAttribute("lowestEdited", "4");
  w.writeAttribute("rupBuild", "4506");
  w.writeEndElement("fileVersion");
  w.writeStartElement("workbookPr");
  w.writeAttribute("defaultThemeVersion", "124226");
  w.writeEndElement("workbookPr");
  w.writeStartElement("bookViews");
  w.writeStartElement("workbookView");
  for (const auto& [name, value] : {std::pair{"xWindow", "240"},
                                    {"yWindow", "15"},
                                    {"windowWidth", "11670"},
                                    {"windowHeight", "9480"},
                                    {"activeTab", "0"}})
    w.writeAttribute(name, value);
  w.writeEndElement();
  w.writeEndElement("bookViews");
  w.writeStartElement("sheets");
  // The sheets' relationships come first in the workbook's relationships.
  for (size_t k = 1; k <= sheetNumbers_.size(); ++k) {
    w.writeStartElement("sheet");
    w.writeAttribute("name", "Sheet " + integerText(k));
    w.writeAttribute("sheetId", integerText(k));
    w.writeAttributeWithNamespace(r, "id", "rId" + integerText(k));
    w.writeEndElement();
  }
  w.writeEndElement("sheets");
  w.writeStartElement("calcPr");
  w.writeAttribute("calcId", "125725");
  w.writeEndElement();
  w.writeEndElement("workbook");
  w.writeEndDocument();
}

void QVExcelWriter::zipPackage() {
  bool complete = false;
  {
    QVZipArchive archive;
    if (archive.createZipFile2(savedFilePath_)) {
      complete = true;
      for (const char* item : {"_rels", "[Content_Types].xml", "docProps", "xl"}) {
        const std::string path = savedWorkFolder_ + "/" + item;
        complete = QVZipArchive::isDirectory(path) ? archive.addFolderToZip(path, item)
                                                   : archive.addFileToZip(path, item);
        if (!complete) break;
      }
      complete = archive.closeZipFile2() && complete;
    }
  }
  if (complete) return;
  std::remove(savedFilePath_.c_str());
  throw std::runtime_error("Cannot write the workbook file " + savedFilePath_);
}
