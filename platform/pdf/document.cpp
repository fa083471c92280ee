#include "platform/pdf/document.h"

#include <stringprep.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QUtil.hh>

#include "platform/pdf/page_tree.h"
#include "platform/pdf/recovery.h"

namespace platform {
namespace {

constexpr int kMaxTreeDepth = pdfdetail::kMaxPageTreeDepth;
// Files up to this size are read into memory whole: qpdf then parses objects
// without a system call per token.
constexpr uintmax_t kMaxInMemoryFileBytes = uintmax_t{64} << 20;

// The file's bytes in a buffer owned by the input source, or null when the
// file is large (or unreadable) and should be read from disk as needed.
std::shared_ptr<InputSource> memorySource(const std::string& path) {
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxInMemoryFileBytes) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  auto buffer = std::make_unique<Buffer>(static_cast<size_t>(size));
  size_t got = std::fread(buffer->getBuffer(), 1, static_cast<size_t>(size), f);
  std::fclose(f);
  if (got != size) return nullptr;
  return std::make_shared<BufferInputSource>(path, buffer.release(), true);
}

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

Attempt tryOpen(const std::string& path, const std::string* memory, const std::string& password) {
  Attempt a;
  auto q = std::make_unique<QPDF>();
  q->setSuppressWarnings(true);
  try {
    if (memory) {
      q->processInputSource(std::make_shared<BufferInputSource>(path, *memory), password.c_str());
    } else if (auto source = memorySource(path)) {
      q->processInputSource(source, password.c_str());
    } else {
      q->processFile(path.c_str(), password.c_str());
    }
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
    std::optional<std::string> recovered;
    for (const std::string& candidate : passwordCandidates(password)) {
      Attempt a = tryOpen(path_, recovered ? &*recovered : nullptr, candidate);
      if (a.outcome == Outcome::Damaged && !recovered) {
        recovered = pdfdetail::recoverTruncatedFile(path_);
        if (!recovered) break;
        a = tryOpen(path_, &*recovered, candidate);
      }
      if (a.outcome == Outcome::Password) {
        encrypted_ = true;
        continue;
      }
      if (a.outcome != Outcome::Ok) break;

      // Pages of a file whose trailer had to be rebuilt may be missing
      // without a trace.
      const bool trailerLost = recovered.has_value();
      std::vector<PdfObject> pages =
          guarded([&] { return pdfdetail::readPageList(*a.qpdf, trailerLost); }, std::vector<PdfObject>());
      // Adopt the new document only now, so that a failed unlock leaves the
      // old one as it was.
      pages_.clear();
      qpdf_ = std::move(a.qpdf);
      pages_ = std::move(pages);
      encrypted_ = qpdf_->isEncrypted();
      ownerPasswordMatched_ = encrypted_ && qpdf_->ownerPasswordMatched();
      warnings();
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
