#pragma once
// Internal to platform/pdf: rebuilding a loadable file from one that was cut
// off before its trailer.
#include <optional>
#include <string>
#include <string_view>

namespace platform::pdfdetail {

// Files larger than this are not read into memory for recovery.
inline constexpr size_t kMaxRecoveryFileBytes = size_t{1} << 30;

// A trailer to append to the file that names the last catalog object found
// in it (`N G obj << ... /Type /Catalog ... >>`), so that qpdf's own xref
// reconstruction can load what is left. An encrypted file's trailer also
// names its encryption dictionary and, when one is left, its file
// identifier (the key of the older revisions depends on it). nullopt when
// the bytes hold no catalog object.
std::optional<std::string> trailerForCatalog(std::string_view bytes);

// Exposed for tests: the object number and generation of the last
// top-level object whose dictionary has /Type /Catalog.
struct ObjectId {
  long long number = 0;
  long long generation = 0;
};
std::optional<ObjectId> findCatalogObject(std::string_view bytes);
// The encryption dictionary: the last "/Encrypt N G R", else the last object
// holding /Filter /Standard.
std::optional<ObjectId> findEncryptionObject(std::string_view bytes);
// The last "/ID [<...> <...>]" array, as written.
std::optional<std::string> findFileId(std::string_view bytes);

}  // namespace platform::pdfdetail
