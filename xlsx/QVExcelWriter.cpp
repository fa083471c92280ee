#include "xlsx/QVExcelWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/fs/files.h"
#include "platform/text/text.h"
#include "xlsx/QVExcelManager.h"

namespace {

std::string lastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::string name = std::filesystem::path(trimmed).filename().string();
  return name.empty() ? std::string("csv") : name;
}

}  // namespace

QVExcelWriter::QVExcelWriter(const std::string& outputPath, int64_t numOfPages, const QVExcelManager& manager)
    : manager_(manager), savedFilePath_(outputPath) {
  const std::string folder = platform::fs::freePath(platform::fs::currentWorkFolder() + "/" + lastComponent(outputPath));
  if (!platform::fs::createFolderIfNeeded(folder))
    throw std::runtime_error("Cannot create the work folder " + folder);
  savedWorkFolder_ = folder;
  totalSheetPages_ = manager_.isAllInOneSheetEnabled() ? 1 : static_cast<uint64_t>(std::max<int64_t>(numOfPages, 0));
}

QVExcelWriter::~QVExcelWriter() { removeWorkFolder(); }

void QVExcelWriter::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(savedWorkFolder_, ec);
  savedWorkFolder_.clear();
}

void QVExcelWriter::begainWriteDocument() { currentPageIndex_ = 0; }

void QVExcelWriter::begainWritePage(platform::Size pageSize) {
  if (slideSize_.width == 0 && slideSize_.height == 0) slideSize_ = pageSize;
  ++currentPageIndex_;
  currentPage_ = std::make_unique<QVExcelPage>(currentPageIndex_, savedWorkFolder_, manager_);
}

void QVExcelWriter::endWritePage() {
  if (!currentPage_) return;
  if (std::optional<std::string> text = currentPage_->creatCSV()) writeCSVFile(*text);
}

std::string QVExcelWriter::csvFileData(std::string_view utf8) {
  const std::u16string units = platform::text::utf16FromUtf8(utf8);
  std::string data;
  data.reserve(2 + units.size() * 2);
  data += "\xFF\xFE";
  for (char16_t u : units) {
    data += static_cast<char>(u & 0xFF);
    data += static_cast<char>(u >> 8);
  }
  return data;
}

void QVExcelWriter::writeCSVFile(const std::string& text) {
  std::string name = "Table ";
  platform::text::appendInteger(name, static_cast<int64_t>(currentPageIndex_));
  name += ".csv";
  const std::string path = savedWorkFolder_ + "/" + name;
  // Written beside its name first, so that no half-written table ever
  // stands under it.
  const std::string temporary = savedWorkFolder_ + "/." + name + ".part";
  if (!platform::fs::writeFile(temporary, csvFileData(text)) || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw std::runtime_error("Cannot write " + path);
  }
}

void QVExcelWriter::packetExcelFile(const platform::PdfDocument& document) {
  (void)document;
  if (savedWorkFolder_.empty()) throw std::runtime_error("The CSV files of " + savedFilePath_ + " are gone");
  if (!platform::fs::moveItem(savedWorkFolder_, savedFilePath_))
    throw std::runtime_error("Cannot move the CSV files to " + savedFilePath_);
  savedWorkFolder_.clear();
}
