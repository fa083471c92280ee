#include "pdf/fonts/QVPDFMapTool.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/fs/files.h"

namespace {

namespace stdfs = std::filesystem;

struct CMapIndex {
  std::string directory;
  std::map<std::string, std::string, std::less<>> paths;  // name → path
};

void addFolder(CMapIndex& index, const stdfs::path& folder) {
  std::error_code ec;
  for (stdfs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fileEc;
    if (it->is_regular_file(fileEc)) index.paths.emplace(it->path().filename().string(), it->path().string());
  }
}

// The index of CMap files by name: files directly in the CMap folder and in
// its collection folders. Rebuilt only when the data folder changes.
std::shared_ptr<const CMapIndex> cMapIndex() {
  static std::mutex mutex;
  static std::shared_ptr<const CMapIndex> cached;
  std::string directory = QVPDFMapTool::cMapDirectory();
  std::lock_guard<std::mutex> lock(mutex);
  if (cached && cached->directory == directory) return cached;
  auto index = std::make_shared<CMapIndex>();
  index->directory = directory;
  std::error_code ec;
  // Collection folders first, then loose files; the first file of a name wins.
  for (stdfs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code dirEc;
    if (it->is_directory(dirEc)) addFolder(*index, it->path());
  }
  addFolder(*index, directory);
  cached = index;
  return cached;
}

std::optional<std::string> readBounded(const std::string& path) {
  std::error_code ec;
  auto size = stdfs::file_size(path, ec);
  if (ec || size > QVPDFMapTool::kMaxCMapFileSize) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}

}  // namespace

std::string QVPDFMapTool::cMapDirectory() {
  return (stdfs::path(platform::fs::popplerDataDir()) / "cMap").string();
}

std::optional<std::string> QVPDFMapTool::findCMapFilePath(std::string_view cMapName) {
  if (cMapName.empty()) return std::nullopt;
  auto index = cMapIndex();
  auto it = index->paths.find(cMapName);
  if (it == index->paths.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> QVPDFMapTool::findCMapFile(std::string_view cMapName) {
  auto path = findCMapFilePath(cMapName);
  if (!path) return std::nullopt;
  return readBounded(*path);
}

std::optional<std::string> QVPDFMapTool::toUnicodeFileName(std::string_view collection) {
  if (collection == "Adobe-CNS1" || collection == "Adobe-GB1" || collection == "Adobe-Japan1" ||
      collection == "Adobe-Korea1")
    return std::string(collection) + "-UCS2";
  return std::nullopt;
}

std::optional<std::string> QVPDFMapTool::findToUnicodeFile(std::string_view collection) {
  auto name = toUnicodeFileName(collection);
  if (!name) return std::nullopt;
  return findCMapFile(*name);
}

std::vector<std::string> QVPDFMapTool::predefinedCMapNames() {
  std::vector<std::string> names;
  for (const auto& [name, path] : cMapIndex()->paths) names.push_back(name);
  return names;
}
