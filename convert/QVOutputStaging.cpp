#include "convert/QVOutputStaging.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/fs/files.h"

namespace {

namespace fs = std::filesystem;

fs::path outputFolderOf(const std::string& outputPath) {
  const fs::path parent = fs::path(outputPath).parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// Best effort: a file system without Unix permissions (a FAT memory stick)
// refuses them, and the output is no less good there.
void grantNewItemPermissions(const fs::path& item, bool isFolder) {
  const auto fileMode = static_cast<fs::perms>(platform::fs::newFileMode());
  const auto folderMode = static_cast<fs::perms>(platform::fs::newFolderMode());
  std::error_code ignored;
  fs::permissions(item, isFolder ? folderMode : fileMode, ignored);
  if (!isFolder) return;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(item, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_status status = it->symlink_status(ignored);
    if (fs::is_directory(status)) fs::permissions(it->path(), folderMode, ignored);
    else if (fs::is_regular_file(status)) fs::permissions(it->path(), fileMode, ignored);
  }
}

}  // namespace

bool QVOutputStaging::moveIntoPlace(const std::string& from, const std::string& to) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(from, ec);
  if (ec || !fs::exists(status)) return false;
  const bool isFolder = fs::is_directory(status);
  if (isFolder || fs::is_regular_file(status)) grantNewItemPermissions(from, isFolder);
  if (isFolder) return platform::fs::moveItem(from, to);
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  return errno == EXDEV && platform::fs::moveItem(from, to);
}

QVOutputStaging::QVOutputStaging(std::string outputPath) : outputPath_(std::move(outputPath)) {}

QVOutputStaging::~QVOutputStaging() { discard(); }

const std::string& QVOutputStaging::prepare() {
  if (!folder_.empty()) return stagedOutputPath_;
  const fs::path output(outputPath_);
  if (output.filename().empty()) throw std::runtime_error("The output path " + outputPath_ + " names no file");
  std::string pattern = (outputFolderOf(outputPath_) / ("." + output.filename().string() + ".part-XXXXXX")).string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("Cannot write into the folder of " + outputPath_ + ": " + std::strerror(errno));
  folder_ = pattern;
  stagedOutputPath_ = (fs::path(folder_) / output.filename()).string();
  return stagedOutputPath_;
}

bool QVOutputStaging::commit() {
  if (folder_.empty()) return true;
  const fs::path outputFolder = outputFolderOf(outputPath_);
  const std::string outputName = fs::path(outputPath_).filename().string();
  std::error_code ec;
  std::vector<std::string> others;
  bool hasOutput = false;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name == outputName) hasOutput = true;
    else others.push_back(name);
  }
  if (ec) return false;
  for (const std::string& name : others) {
    if (!moveIntoPlace((fs::path(folder_) / name).string(), (outputFolder / name).string())) return false;
  }
  if (hasOutput && !moveIntoPlace(stagedOutputPath_, outputPath_)) return false;
  discard();
  return true;
}

void QVOutputStaging::discard() {
  if (folder_.empty()) return;
  std::error_code ec;
  fs::remove_all(folder_, ec);
  folder_.clear();
}
