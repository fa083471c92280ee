#pragma once
// Internal to platform/pdf: rebuilding a loadable file from one that was cut
// off before its trailer.
#include <optional>
#include <string>
#include <string_view>

namespace platform::pdfdetail {

// Files larger than this are not read into memory for recovery.
inline constexpr size_t kMaxRecoveryFileBytes = size_t{1} << 30;

// The file's bytes with a trailer appended that names the last catalog object
// found in it (`N G obj << ... /Type /Catalog ... >>`), so that qpdf's own
// xref reconstruction can load what is left. nullopt when the file cannot be
// read or holds no catalog object.
std::optional<std::string> recoverTruncatedFile(const std::string& path);
std::optional<std::string> appendTrailerForCatalog(std::string bytes);

// Exposed for tests: the object number and generation of the last
// top-level object whose dictionary has /Type /Catalog.
struct ObjectId {
  long long number = 0;
  long long generation = 0;
};
std::optional<ObjectId> findCatalogObject(std::string_view bytes);

}  // namespace platform::pdfdetail
