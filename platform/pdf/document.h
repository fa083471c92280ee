#pragma once
// A PDF document opened from a file, with its encryption facts and pages.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

class QPDF;

namespace platform {

class PdfDocument;

// The password as AES-256 (revision 6) files hash it: prepared with SASLprep
// (RFC 4013). Nothing when the preparation refuses it (prohibited
// characters); printable ASCII comes back as it is. PdfDocument tries this
// form itself.
std::optional<std::string> saslPreparedPassword(std::string_view password);

// One page of an open document. Cheap to copy; must not outlive its document.
class PdfPage {
 public:
  PdfPage(const PdfDocument* document, PdfObject dictionary, int number);

  int number() const { return number_; }  // 1-based
  const PdfObject& dictionary() const { return dictionary_; }
  const PdfDocument& document() const { return *document_; }

  // /MediaBox looked up through the page tree, normalised (positive width and
  // height, origin at the lower-left corner). Empty when missing or invalid.
  Rect mediaBox() const;
  // /CropBox, inherited; falls back to the media box.
  Rect cropBox() const;
  // /Rotate looked up through the page tree, as written (may be negative or
  // not a multiple of 90); 0 when missing.
  int rotation() const;
  // /Resources looked up through every /Parent level; null when there is none.
  PdfObject resources() const;
  // Inherited look-up of any page attribute (bounded walk up /Parent).
  PdfObject inheritedAttribute(std::string_view key) const;

 private:
  const PdfDocument* document_;
  PdfObject dictionary_;
  int number_;
};

class PdfDocument {
 public:
  enum class OpenStatus { Ok, NotFound, NotAPdf, PasswordRequired, WrongPassword };

  // Opens the file. Without a password (empty), an encrypted file that needs a
  // user password opens locked: isUnlocked() is false and it has no pages
  // until unlock() succeeds. Damaged files are repaired where qpdf can, and a
  // truncated file without a trailer is recovered from its catalog object.
  // Answers null when the file cannot be read as a PDF, or when a password
  // was given and refused (WrongPassword); status says why.
  static std::unique_ptr<PdfDocument> open(const std::string& path, std::string_view password = {},
                                           OpenStatus* status = nullptr);

  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Reopens the file with the password (UTF-8). True when the password opens
  // the document (a user or an owner password). A failed unlock leaves the
  // document as it was.
  bool unlock(std::string_view password);

  const std::string& path() const { return path_; }
  bool isEncrypted() const { return encrypted_; }
  bool isUnlocked() const { return qpdf_ != nullptr; }
  // Permissions: an owner password grants everything.
  bool allowsPrinting() const;
  bool allowsCopying() const;
  bool ownerPasswordMatched() const { return ownerPasswordMatched_; }

  // Every page the page tree names, readable or not: a page that cannot be
  // read keeps its number, so the pages after it keep theirs.
  int pageCount() const;
  // Page by 1-based number; nullopt when out of range, locked, or when the
  // page's object cannot be read.
  std::optional<PdfPage> page(int number) const;
  // False when not a single page can be read (or the document is locked):
  // there is nothing to convert.
  bool hasReadablePage() const;

  PdfObject trailer() const;
  PdfObject catalog() const;
  PdfObject info() const;

  // qpdf's warnings about repaired damage, collected since opening.
  std::vector<std::string> warnings() const;

  QPDF& qpdf() const { return *qpdf_; }

 private:
  PdfDocument() = default;
  bool load(std::string_view password, OpenStatus* status);

  std::string path_;
  std::unique_ptr<QPDF> qpdf_;
  std::vector<PdfObject> pages_;
  bool encrypted_ = false;
  bool ownerPasswordMatched_ = false;
  mutable std::vector<std::string> warnings_;
};

}  // namespace platform
