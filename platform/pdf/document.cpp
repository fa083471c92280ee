#include "platform/pdf/document.h"

#include <malloc.h>
#include <stringprep.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <new>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QUtil.hh>

#include "platform/pdf/file_source.h"
#include "platform/pdf/page_tree.h"
#include "platform/pdf/recovery.h"
#include "platform/pdf/stored_objects.h"

namespace platform {
namespace {

constexpr int kMaxTreeDepth = pdfdetail::kMaxPageTreeDepth;
// Bytes read since the file was opened after which reading it afresh lets
// go of what they made, whatever the page count.
constexpr uint64_t kBytesPerReading = uint64_t{16} << 20;

// Processor time of this thread: what reading a file took, whatever else
// the machine does.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// What reading a long page list let go is scattered through the heap among
// what stays: the allocator gives back the pages it freed whole, which it
// would otherwise keep for good. (What the pages let go is taken again by
// the pages after them: walking the heap at every reading would cost more
// than it gives back.)
void giveBackFreedMemory() { malloc_trim(0); }

// Runs `fn`, turning qpdf's complaints about damaged data into `fallback`.
// A handle used after its document closed (PdfError) and allocation
// failures still reach the caller.
template <typename Fn, typename T>
T guarded(Fn&& fn, T fallback) {
  try {
    return fn();
  } catch (const PdfError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return fallback;
  }
}

// A rectangle from a PDF box array [x1 y1 x2 y2] with any two opposite
// corners, normalised; nullopt unless it has four finite numbers.
std::optional<Rect> boxFromArray(const PdfObject& array) {
  if (!array.isArray() || array.size() < 4) return std::nullopt;
  double v[4];
  for (size_t i = 0; i < 4; ++i) {
    auto n = array.at(i).asNumber();
    if (!n || !std::isfinite(*n)) return std::nullopt;
    v[i] = *n;
  }
  double x = std::fmin(v[0], v[2]);
  double y = std::fmin(v[1], v[3]);
  return Rect(x, y, std::fabs(v[2] - v[0]), std::fabs(v[3] - v[1]));
}

bool isAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// The byte strings to try for a UTF-8 password. Revision 6 takes the UTF-8
// of the prepared password; some writers skip the preparation, so the typed
// bytes come next. Revisions up to 4 take PDFDocEncoding, but some writers
// put the UTF-8 bytes in anyway, so both forms are tried. Preparing leaves
// printable ASCII as it is.
std::vector<std::string> passwordCandidates(std::string_view password) {
  std::vector<std::string> out;
  const auto add = [&out](std::string candidate) {
    if (std::find(out.begin(), out.end(), candidate) == out.end()) out.push_back(std::move(candidate));
  };
  if (!isAscii(password))
    if (std::optional<std::string> prepared = saslPreparedPassword(password)) add(std::move(*prepared));
  add(std::string(password));
  if (!isAscii(password)) {
    std::string pdfDoc;
    if (QUtil::utf8_to_pdf_doc(std::string(password), pdfDoc, '?')) add(std::move(pdfDoc));
  }
  return out;
}

// Damaged: worth trying to recover; Unreadable: a feature qpdf does not
// support (an unknown security handler, say), where a rebuilt trailer would
// only hide the problem.
enum class Outcome { Ok, Password, Damaged, Unreadable };

struct Attempt {
  Outcome outcome = Outcome::Damaged;
  std::unique_ptr<QPDF> qpdf;
};

Attempt tryOpen(const std::shared_ptr<pdfdetail::FileSource>& source, const std::string& password,
                bool passwordIsKey = false) {
  Attempt a;
  auto q = std::make_unique<QPDF>();
  q->setSuppressWarnings(true);
  q->setPasswordIsHexKey(passwordIsKey);
  try {
    q->processInputSource(source, password.c_str());
    // A trailer without a usable catalog is as bad as no trailer.
    if (!q->getRoot().isDictionary()) return a;
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() == qpdf_e_password) a.outcome = Outcome::Password;
    if (e.getErrorCode() == qpdf_e_unsupported) a.outcome = Outcome::Unreadable;
    return a;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    // QPDFSystemError (unreadable file), std::range_error (absurd numbers
    // in the trailer) and anything else qpdf gives up with.
    return a;
  }
  a.outcome = Outcome::Ok;
  a.qpdf = std::move(q);
  return a;
}

// Any key: the identity crypt filter uses none.
constexpr char kUnusedKey[] = "00000000000000000000000000000000";

// A file whose security handler leaves its streams and strings as they are
// (/StmF and /StrF name the Identity filter, or one that does nothing) holds
// its pages in the clear: its password guards its attachments alone (an /EFF
// filter that asks for it when one is opened). qpdf refuses such a file
// without the password all the same; opened with a key of its own instead,
// its pages read as written. Answers Password for every other file.
Attempt tryOpenInTheClear(const std::shared_ptr<pdfdetail::FileSource>& source) {
  Attempt a = tryOpen(source, kUnusedKey, true);
  int R = 0, P = 0, V = 0;
  QPDF::encryption_method_e streams = QPDF::e_unknown, strings = QPDF::e_unknown, files = QPDF::e_unknown;
  // Before crypt filters (V 4) everything is encrypted, whatever qpdf
  // answers for the methods.
  if (a.outcome != Outcome::Ok || !a.qpdf->isEncrypted(R, P, V, streams, strings, files) || V < 4 ||
      streams != QPDF::e_none || strings != QPDF::e_none)
    return {Outcome::Password, nullptr};
  return a;
}

}  // namespace

// Mapped, NFKC-normalised, checked for prohibited and bidirectional text, as
// a query: code points unassigned in Unicode 3.2 pass.
std::optional<std::string> saslPreparedPassword(std::string_view password) {
  const std::string input(password);
  char* prepared = nullptr;
  if (stringprep_profile(input.c_str(), &prepared, "SASLprep", Stringprep_profile_flags(0)) != STRINGPREP_OK) {
    std::free(prepared);
    return std::nullopt;
  }
  std::string out(prepared);
  std::free(prepared);
  return out;
}

// ---------------------------------------------------------------------------
// PdfPage

PdfPage::PdfPage(const PdfDocument* document, PdfObject dictionary, int number)
    : document_(document), dictionary_(std::move(dictionary)), number_(number) {}

PdfObject PdfPage::inheritedAttribute(std::string_view key) const {
  return guarded(
      [&] {
        PdfObject node = dictionary_;
        for (int depth = 0; depth <= kMaxTreeDepth && node.isDictionary(); ++depth) {
          PdfObject value = node.get(key);
          if (!value.isNull()) return value;
          node = node.getDictionary("Parent");
        }
        return PdfObject();
      },
      PdfObject());
}

Rect PdfPage::mediaBox() const {
  return guarded([&] { return boxFromArray(inheritedAttribute("MediaBox")).value_or(Rect()); }, Rect());
}

Rect PdfPage::cropBox() const {
  Rect media = mediaBox();
  auto crop = guarded([&] { return boxFromArray(inheritedAttribute("CropBox")); }, std::optional<Rect>());
  if (!crop) return media;
  if (media.isEmpty()) return *crop;
  // What is shown is the part of the crop box inside the media box.
  double x0 = std::fmax(crop->minX(), media.minX());
  double y0 = std::fmax(crop->minY(), media.minY());
  double x1 = std::fmin(crop->maxX(), media.maxX());
  double y1 = std::fmin(crop->maxY(), media.maxY());
  if (x1 <= x0 || y1 <= y0) return media;
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

int PdfPage::rotation() const {
  return guarded(
      [&] {
        PdfObject r = inheritedAttribute("Rotate");
        if (auto i = r.asInteger()) {
          if (*i >= std::numeric_limits<int>::min() && *i <= std::numeric_limits<int>::max())
            return static_cast<int>(*i);
          return static_cast<int>(*i % 360);
        }
        if (auto d = r.asNumber(); d && std::isfinite(*d)) {
          double t = std::trunc(*d);
          if (std::fabs(t) < 1e9) return static_cast<int>(t);
          return static_cast<int>(std::fmod(t, 360.0));
        }
        return 0;
      },
      0);
}

PdfObject PdfPage::resources() const {
  return guarded(
      [&] {
        PdfObject r = inheritedAttribute("Resources");
        return r.isDictionary() ? r : PdfObject();
      },
      PdfObject());
}

// ---------------------------------------------------------------------------
// PdfDocument

PdfDocument::~PdfDocument() {
  // Handles into the document die before the document itself.
  stored_.reset();
  pages_.clear();
  qpdf_.reset();
}

std::unique_ptr<PdfDocument> PdfDocument::open(const std::string& path, std::string_view password,
                                               OpenStatus* status) {
  OpenStatus local = OpenStatus::Ok;
  OpenStatus& result = status ? *status : local;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    result = OpenStatus::NotFound;
    return nullptr;
  }
  std::unique_ptr<PdfDocument> doc(new PdfDocument());
  doc->path_ = path;
  if (doc->load(password, &result)) {
    result = OpenStatus::Ok;
    return doc;
  }
  // Without a password an encrypted file opens locked; a password that was
  // given and refused is a failure.
  if (result == OpenStatus::PasswordRequired) return doc;
  return nullptr;
}

bool PdfDocument::load(std::string_view password, OpenStatus* status) {
  OpenStatus local = OpenStatus::Ok;
  OpenStatus& result = status ? *status : local;
  try {
    Reading reading;
    reading.file = pdfdetail::FileSource::open(path_);
    bool recovered = false;
    if (reading.file) {
      if (auto trailer = trailerIfCutOff(*reading.file)) {
        reading.file = reading.file->withSuffix(std::move(*trailer));
        recovered = true;
      }
    }
    const std::vector<std::string> candidates = passwordCandidates(password);
    for (const std::string& candidate : candidates) {
      if (!reading.file) break;
      reading.source = reading.file->again();
      double attemptStarted = threadSeconds();
      Attempt a = tryOpen(reading.source, candidate);
      if (a.outcome == Outcome::Damaged && !recovered) {
        recovered = true;
        auto trailer = trailerForTruncatedFile(*reading.file);
        if (!trailer) break;
        reading.file = reading.file->withSuffix(std::move(*trailer));
        reading.source = reading.file->again();
        attemptStarted = threadSeconds();
        a = tryOpen(reading.source, candidate);
      }
      bool inTheClear = false;
      if (a.outcome == Outcome::Password) {
        encrypted_ = true;
        if (&candidate != &candidates.back()) continue;
        // No password opens it: its pages may need none.
        reading.source = reading.file->again();
        attemptStarted = threadSeconds();
        a = tryOpenInTheClear(reading.source);
        if (a.outcome != Outcome::Ok) continue;
        inTheClear = true;
      }
      if (a.outcome != Outcome::Ok) break;
      reading.password = inTheClear ? std::string(kUnusedKey) : candidate;
      reading.passwordIsKey = inTheClear;
      reading.openingBytes = reading.source->bytesRead();
      reading.openedAt = threadSeconds();
      reading.openingSeconds = reading.openedAt - attemptStarted;

      // Pages of a file whose trailer had to be rebuilt may be missing
      // without a trace. The page tree of a long document reads many
      // objects: the file is read afresh on the way to let them go.
      std::vector<std::string> openingWarnings;
      int readingsOfTheList = 0;
      std::unique_ptr<QPDF> current = std::move(a.qpdf);
      const pdfdetail::ReadAgain readAgain = [&](uint64_t read) -> QPDF* {
        if (!worthReadingAgain(reading, read, kObjectsPerReading)) return nullptr;
        std::unique_ptr<QPDF> fresh = readAfresh(reading);
        if (!fresh) return nullptr;
        for (const QPDFExc& w : current->getWarnings()) openingWarnings.emplace_back(w.what());
        current = std::move(fresh);
        ++readingsOfTheList;
        return current.get();
      };
      pdfdetail::PageList pages =
          guarded([&] { return pdfdetail::readPageList(*current, recovered, readAgain); }, pdfdetail::PageList());
      if (readingsOfTheList > 0) giveBackFreedMemory();
      // Adopt the new document only now, so that a failed unlock leaves the
      // old one as it was.
      pages_.clear();
      stored_.reset();
      qpdf_ = std::move(current);
      pages_ = std::move(pages.pages);
      pageIds_ = std::move(pages.ids);
      readableAgain_ = pages.allFindable;
      encrypted_ = qpdf_->isEncrypted();
      ownerPasswordMatched_ = encrypted_ && qpdf_->ownerPasswordMatched();
      warnings_.insert(warnings_.end(), openingWarnings.begin(), openingWarnings.end());
      warnings();
      reading_ = std::move(reading);
      pagesSinceReading_ = 0;
      return true;
    }
    if (encrypted_) {
      result = password.empty() ? OpenStatus::PasswordRequired : OpenStatus::WrongPassword;
      return false;
    }
  } catch (const std::bad_alloc&) {
    // Not enough memory for this file: it cannot be read.
  } catch (const std::exception&) {
  }
  result = OpenStatus::NotAPdf;
  return false;
}

std::optional<std::string> PdfDocument::trailerIfCutOff(pdfdetail::FileSource& file) {
  // qpdf looks for "startxref" near the end; without it, it rebuilds the
  // cross-reference table from the objects and takes the first "trailer"
  // it meets. A file with neither would be scanned whole only to be given
  // up: its trailer is made at once instead.
  constexpr size_t kTail = 1100;
  std::shared_ptr<pdfdetail::FileSource> reading = file.again();
  std::string tail(static_cast<size_t>(std::min<uint64_t>(file.size(), kTail)), '\0');
  reading->seek(static_cast<qpdf_offset_t>(file.size() - tail.size()), SEEK_SET);
  if (reading->read(tail.data(), tail.size()) != tail.size()) return std::nullopt;
  if (tail.find("startxref") != std::string::npos) return std::nullopt;
  const std::optional<std::string> bytes = wholeFile(file);
  if (!bytes || memmem(bytes->data(), bytes->size(), "trailer", 7) != nullptr) return std::nullopt;
  return pdfdetail::trailerForCatalog(*bytes);
}

std::optional<std::string> PdfDocument::trailerForTruncatedFile(pdfdetail::FileSource& file) {
  const std::optional<std::string> bytes = wholeFile(file);
  if (!bytes) return std::nullopt;
  return pdfdetail::trailerForCatalog(*bytes);
}

std::optional<std::string> PdfDocument::wholeFile(pdfdetail::FileSource& file) {
  if (file.size() == 0 || file.size() > pdfdetail::kMaxRecoveryFileBytes) return std::nullopt;
  std::string bytes(static_cast<size_t>(file.size()), '\0');
  std::shared_ptr<pdfdetail::FileSource> reading = file.again();
  if (reading->read(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

bool PdfDocument::worthReadingAgain(const Reading& reading, uint64_t read, uint64_t per) {
  if (!reading.file || !reading.source) return false;
  const uint64_t bytes = reading.source->bytesRead() - reading.openingBytes;
  if (read < per && bytes < kBytesPerReading) return false;
  // Reading the file afresh takes what opening it took: at most a quarter
  // of the time spent since.
  return threadSeconds() - reading.openedAt >= 4 * reading.openingSeconds;
}

std::unique_ptr<QPDF> PdfDocument::readAfresh(Reading& reading) {
  const double started = threadSeconds();
  std::shared_ptr<pdfdetail::FileSource> source = reading.file->again();
  auto q = std::make_unique<QPDF>();
  q->setSuppressWarnings(true);
  q->setPasswordIsHexKey(reading.passwordIsKey);
  try {
    q->processInputSource(source, reading.password.c_str());
    if (!q->getRoot().isDictionary()) return nullptr;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return nullptr;
  }
  // Its warnings about damage were told when it was first opened.
  q->getWarnings();
  reading.source = std::move(source);
  reading.openingBytes = reading.source->bytesRead();
  reading.openedAt = threadSeconds();
  reading.openingSeconds = reading.openedAt - started;
  return q;
}

std::shared_ptr<QPDF> PdfDocument::inlineImageDocument() const {
  if (!inlineImages_) {
    auto document = std::make_shared<QPDF>();
    document->setSuppressWarnings(true);
    document->emptyPDF();
    inlineImages_ = std::move(document);
  }
  return inlineImages_;
}

std::optional<bool> PdfDocument::storedDictionaryHasKey(const PdfObject& object, std::string_view key) const {
  if (!qpdf_ || !object.isIndirect() || object.handle().getOwningQPDF() != qpdf_.get()) return std::nullopt;
  try {
    if (!stored_)
      stored_ = std::make_unique<pdfdetail::StoredObjects>(*qpdf_,
                                                           reading_.source ? reading_.source->again() : nullptr);
    return stored_->dictionaryHasKey(object.handle().getObjGen(), key);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool PdfDocument::releaseObjectsRead() {
  // A file of one page holds nothing another page could let go of.
  if (pages_.size() <= 1) return false;
  ++pagesSinceReading_;
  if (!worthReadingAgain(reading_, pagesSinceReading_, kPagesPerReading)) return false;
  return readAfreshNow();
}

bool PdfDocument::readAfreshNow() {
  if (!qpdf_ || !readableAgain_ || !reading_.file) return false;
  std::unique_ptr<QPDF> fresh = readAfresh(reading_);
  if (!fresh) return false;
  std::vector<PdfObject> pages;
  pages.reserve(pageIds_.size());
  for (const auto& [number, generation] : pageIds_)
    pages.push_back(number > 0 ? PdfObject(fresh->getObjectByObjGen(QPDFObjGen(number, generation))) : PdfObject());
  warnings();
  // Handles into the old document die before the document itself.
  pages_ = std::move(pages);
  stored_.reset();
  qpdf_ = std::move(fresh);
  inlineImages_.reset();
  pagesSinceReading_ = 0;
  return true;
}

bool PdfDocument::unlock(std::string_view password) { return load(password, nullptr); }

bool PdfDocument::allowsPrinting() const {
  if (!qpdf_) return false;
  if (!encrypted_ || ownerPasswordMatched_) return true;
  return guarded([&] { return qpdf_->allowPrintLowRes(); }, false);
}

bool PdfDocument::allowsCopying() const {
  if (!qpdf_) return false;
  if (!encrypted_ || ownerPasswordMatched_) return true;
  return guarded([&] { return qpdf_->allowExtractAll(); }, false);
}

int PdfDocument::pageCount() const {
  if (!qpdf_) return 0;
  if (pages_.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(pages_.size());
}

std::optional<PdfPage> PdfDocument::page(int number) const {
  if (!qpdf_ || number < 1 || number > pageCount()) return std::nullopt;
  const PdfObject& dictionary = pages_[static_cast<size_t>(number - 1)];
  if (dictionary.isNull()) return std::nullopt;
  return PdfPage(this, dictionary, number);
}

bool PdfDocument::hasReadablePage() const { return qpdf_ && pdfdetail::hasReadablePage(pages_); }

PdfObject PdfDocument::trailer() const {
  if (!qpdf_) return {};
  return guarded([&] { return PdfObject(qpdf_->getTrailer()); }, PdfObject());
}

PdfObject PdfDocument::catalog() const {
  if (!qpdf_) return {};
  return guarded([&] { return PdfObject(qpdf_->getRoot()); }, PdfObject());
}

PdfObject PdfDocument::info() const { return trailer().getDictionary("Info"); }

std::vector<std::string> PdfDocument::warnings() const {
  if (qpdf_) {
    for (const QPDFExc& w : qpdf_->getWarnings()) warnings_.emplace_back(w.what());
  }
  return warnings_;
}

}  // namespace platform
