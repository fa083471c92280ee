#pragma once
// A PDF document opened from a file, with its encryption facts and pages.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

class QPDF;

namespace platform {

namespace pdfdetail {
class FileSource;
class StoredObjects;
}

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
  // until unlock() succeeds. A file whose encryption leaves its streams and
  // strings in the clear (only its attachments need the password) opens
  // unlocked, with any password or none. Damaged files are repaired where
  // qpdf can, and a truncated file without a trailer is recovered from its
  // catalog object.
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
  // The document that the inline images of this document's pages are made
  // in: one of their own, made when first asked for and renewed when the
  // file is read afresh. (Asked to make an object, qpdf first reads every
  // object of its file: the file's own document would hold them all from
  // the first inline image on.)
  std::shared_ptr<QPDF> inlineImageDocument() const;

  // Whether the dictionary that the indirect object `object` is has `key`
  // (without its slash) of its own, told from the bytes the file stores for
  // it without qpdf making it (nor, for an object of an object stream, every
  // other object of that stream). Nullopt when the bytes do not tell: not an
  // indirect object of the file's cross-reference table, not a dictionary
  // written whole, or the document is locked; ask the object itself then.
  std::optional<bool> storedDictionaryHasKey(const PdfObject& object, std::string_view key) const;

  // qpdf keeps every object it has read until the document is closed: a
  // document read page after page would hold the objects of all its pages.
  // Called between pages, this lets them go once the pages read since the
  // file was (re)opened are enough of them (kPagesPerReading, or 16 MiB
  // read), by reading the file afresh; reading it afresh must not take more
  // than a quarter of the time spent since (a repaired file is scanned
  // whole each time, a cross-reference stream of millions of entries is
  // read whole).
  // A conversion then holds the objects of its last pages only. Every page
  // and object handle taken from the document before is dead afterwards (it
  // throws PdfError when used), and so is qpdf(). True when the file was
  // read afresh. Reading the page list when the file is opened lets go of
  // what it read the same way, every kObjectsPerReading page tree entries.
  static constexpr uint64_t kPagesPerReading = 128;
  static constexpr uint64_t kObjectsPerReading = 256;
  bool releaseObjectsRead();
  // Reads the file afresh now, as releaseObjectsRead does when it is worth
  // it. False when it cannot be (a page given as a direct object, a file
  // that cannot be read again): the document then stays as it is.
  bool readAfreshNow();

 private:
  // What reading the file afresh takes: the open file (with the trailer a
  // repair appended), the password that opened it, the source qpdf reads
  // now, what opening it read, and the time opening it took (the thread's
  // processor time) and when it was done.
  struct Reading {
    std::shared_ptr<pdfdetail::FileSource> file;
    std::shared_ptr<pdfdetail::FileSource> source;
    std::string password;
    // The password is the key itself (hexadecimal): a file whose pages are
    // in the clear opens without its password.
    bool passwordIsKey = false;
    uint64_t openingBytes = 0;
    double openingSeconds = 0;
    double openedAt = 0;
  };

  PdfDocument() = default;
  bool load(std::string_view password, OpenStatus* status);
  // Whether what was read since the file was opened is worth reading it
  // afresh for, after `read` pages (or page tree entries) of `per`.
  static bool worthReadingAgain(const Reading& reading, uint64_t read, uint64_t per);
  // The file read afresh (reading then tells of the new source); null when
  // it cannot be.
  static std::unique_ptr<QPDF> readAfresh(Reading& reading);
  static std::optional<std::string> trailerForTruncatedFile(pdfdetail::FileSource& file);
  // The trailer to append when the file was cut off before any trailer
  // (nullopt when it has one, or no catalogue to name).
  static std::optional<std::string> trailerIfCutOff(pdfdetail::FileSource& file);
  // The bytes of the file (with what follows them); nullopt for an empty
  // file or one too large to recover.
  static std::optional<std::string> wholeFile(pdfdetail::FileSource& file);

  std::string path_;
  std::unique_ptr<QPDF> qpdf_;
  std::vector<PdfObject> pages_;
  bool encrypted_ = false;
  bool ownerPasswordMatched_ = false;
  mutable std::vector<std::string> warnings_;

  Reading reading_;
  mutable std::shared_ptr<QPDF> inlineImages_;
  // What storedDictionaryHasKey read of the file qpdf reads now.
  mutable std::unique_ptr<pdfdetail::StoredObjects> stored_;
  // The objects that are the pages (number and generation; 0 for an entry
  // that cannot be read), to find them again in the file read afresh. A
  // page given as a direct object cannot be: such a document is never read
  // afresh.
  std::vector<std::pair<int, int>> pageIds_;
  bool readableAgain_ = false;
  uint64_t pagesSinceReading_ = 0;
};

}  // namespace platform
