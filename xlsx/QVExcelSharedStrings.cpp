#include "xlsx/QVExcelSharedStrings.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"

QVExcelSharedStrings::QVExcelSharedStrings(const std::string& workFolder, const QVExcelManager& manager)
    : manager_(manager), xmlWriter_(std::make_unique<XMLFileWriter>(workFolder + "/xl/sharedStrings.xml")) {
  xmlWriter_->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  xmlWriter_->writeStartElement("sst");
  xmlWriter_->writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
}

QVExcelSharedStrings::~QVExcelSharedStrings() = default;

void QVExcelSharedStrings::writeStringItems() {
  for (const QVExcelStringItemPtr& item : stringItems) {
    item->writeXMLWith(*xmlWriter_, manager_);
    ++amountOfStringItems_;
  }
  stringItems.clear();
}

void QVExcelSharedStrings::endWrite() {
  // An empty table still needs its element closed as an element of its own.
  xmlWriter_->writeEndElement("sst");
  xmlWriter_->writeEndDocument();
}
