#include "convert/QVOutputStaging.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path outputFolderOf(const std::string& outputPath) {
  const fs::path parent = fs::path(outputPath).parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

}  // namespace

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
    if (std::rename((fs::path(folder_) / name).c_str(), (outputFolder / name).c_str()) != 0) return false;
  }
  if (hasOutput && std::rename(stagedOutputPath_.c_str(), outputPath_.c_str()) != 0) return false;
  discard();
  return true;
}

void QVOutputStaging::discard() {
  if (folder_.empty()) return;
  std::error_code ec;
  fs::remove_all(folder_, ec);
  folder_.clear();
}
