#include "app/QVCPDFUtilities.h"

#include "convert/QVPDFConverter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"

namespace {

// The document as it opens with the password (locked when it needs one and
// none was given); null when the file is no readable PDF or the password
// was refused.
std::unique_ptr<platform::PdfDocument> openDocument(const std::string& path, const std::string& password = {}) {
  if (path.empty() || platform::fs::isDirectory(path)) return nullptr;
  try {
    return platform::PdfDocument::open(path, password);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

bool QVCPDFUtilities::isPDFDocumentValidAtPath(const std::string& path) { return openDocument(path) != nullptr; }

bool QVCPDFUtilities::isPDFDocumentLockedAtPath(const std::string& path) {
  const auto document = openDocument(path);
  return !document || !document->isUnlocked();
}

bool QVCPDFUtilities::isPDFDocumentLockPritingAtPath(const std::string& path) {
  const auto document = openDocument(path);
  if (!document || !document->isUnlocked()) return true;
  return !document->allowsPrinting();
}

bool QVCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(const std::string& path, const std::string& password) {
  const auto document = openDocument(path, password);
  return document && document->isUnlocked() && document->allowsPrinting();
}

bool QVCPDFUtilities::isUnlockPDFDcoumentAtPath(const std::string& path, const std::string& password) {
  const auto document = openDocument(path, password);
  return document && document->isUnlocked();
}

bool QVCPDFUtilities::PDFDocumentHasPassword(const std::string& path) {
  const auto document = openDocument(path);
  return document && document->isEncrypted();
}

std::unique_ptr<platform::PdfDocument> QVCPDFUtilities::initPDFDocumentAtPath(const std::string& path,
                                                                             const std::string& password) {
  return QVPDFConverter::initPDFDocumentAtPath(path, password);
}
