#include "pdf/QVPDFPathUtilities.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/fs/files.h"

namespace {

constexpr std::string_view kCMapFolder = "PDFEncodings/CMap/";
constexpr std::string_view kCollectionMapFolder = "PDFEncodings/CIDToUnicode/";

// Names come from PDF files (an /Encoding or a usecmap name); a name that
// could climb out of the data folder or name a folder is no resource.
bool isPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

bool isRegularFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// <poppler>/cMap holds a few CMaps at its top and the rest in one folder per
// character collection (Adobe-GB1, Adobe-Japan1, ...); the collection Unicode
// maps Adobe-*-UCS2 are among them.
std::optional<std::string> findInPopplerCMaps(std::string_view name) {
  if (!isPlainFileName(name)) return std::nullopt;
  const std::filesystem::path root = std::filesystem::path(platform::fs::popplerDataDir()) / "cMap";
  if (isRegularFile(root / name)) return (root / name).string();
  std::vector<std::filesystem::path> collections;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec)) collections.push_back(it->path());
  // Sorted so that a name found in two collections resolves the same way on
  // every machine.
  std::sort(collections.begin(), collections.end());
  for (const auto& folder : collections)
    if (isRegularFile(folder / name)) return (folder / name).string();
  return std::nullopt;
}

std::string tempName() { return platform::fs::currentWorkFolder() + "/Temp-" + platform::fs::newUuid(); }

}  // namespace

std::optional<std::string> QVPDFPathUtilities::PathInLibBundleForResource(std::string_view resource) {
  if (resource.starts_with(kCMapFolder)) return findInPopplerCMaps(resource.substr(kCMapFolder.size()));
  if (resource.starts_with(kCollectionMapFolder)) {
    const std::string_view name = resource.substr(kCollectionMapFolder.size());
    // Only the collection maps belong here, not every CMap of the data folder.
    if (!name.ends_with("-UCS2")) return std::nullopt;
    return findInPopplerCMaps(name);
  }
  // The library has no other resources to look up by path.
  return std::nullopt;
}

bool QVPDFPathUtilities::isDirectoryAtPath(const std::string& path) { return platform::fs::isDirectory(path); }

std::string QVPDFPathUtilities::getNewPathby(const std::string& path) { return platform::fs::freePath(path); }

bool QVPDFPathUtilities::createFolderIfNeed(const std::string& path) {
  return platform::fs::createFolderIfNeeded(path);
}

std::string QVPDFPathUtilities::tempFolder() { return tempName(); }

std::string QVPDFPathUtilities::tempFolder0() { return tempName(); }

std::string QVPDFPathUtilities::tempFile() { return tempName() + ".png"; }
