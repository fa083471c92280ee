#include "flowtext/QVFlowTextConverter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "convert/QVOutputStaging.h"
#include "flowtext/QVFlowTextFileWriter.h"
#include "platform/fs/files.h"

namespace stdfs = std::filesystem;

QVFlowTextConverter::QVFlowTextConverter(std::string outputPath, int64_t numOfPages,
                                         QVDocxConversionContext& context)
    : savedFilePath_(std::move(outputPath)), docxNumOfPages_(numOfPages), context_(context) {}

QVFlowTextConverter::~QVFlowTextConverter() {
  currentPage_.reset();
  removeWorkFolder();
}

const std::string& QVFlowTextConverter::makeWorkFolder() {
  if (!savedWorkFolder_.empty()) return savedWorkFolder_;
  std::string name = stdfs::path(savedFilePath_).filename().string();
  if (name.empty() || name == "." || name == "..") name = "document";
  const std::string folder = platform::fs::freePath(platform::fs::currentWorkFolder() + "/" + name);
  std::error_code ec;
  if (!stdfs::create_directory(folder, ec) || ec)
    throw std::runtime_error("Cannot create the document work folder " + folder);
  savedWorkFolder_ = folder;
  return savedWorkFolder_;
}

void QVFlowTextConverter::removeWorkFolder() {
  if (savedWorkFolder_.empty()) return;
  std::error_code ec;
  stdfs::remove_all(savedWorkFolder_, ec);
  savedWorkFolder_.clear();
}

void QVFlowTextConverter::begainWriteDocument() {
  context_.setBegainDocxOptions();
  currentDocxPageIndex_ = 0;
  currentPage_.reset();
}

void QVFlowTextConverter::begainWritePage(platform::Size pageSize) {
  context_.begainPage();
  currentPage_.reset();
  ++currentDocxPageIndex_;
  currentPage_ = makePage(pageSize, currentDocxPageIndex_ >= docxNumOfPages_);
  currentPage_->begainWritePage(currentDocxPageIndex_);
}

void QVFlowTextConverter::endWritePage() {
  if (!currentPage_) return;
  // The page is written once; a page that fails while it writes is gone too.
  std::unique_ptr<QVFlowTextPage> page = std::move(currentPage_);
  page->endWritePage(currentDocxPageIndex_);
}

std::string QVFlowTextConverter::makePartFile() const {
  // Written under a hidden name beside the output and renamed into place, so
  // that nothing half-written ever stands under the output name, and nothing
  // that stood there is touched when the writing fails.
  const stdfs::path output(savedFilePath_);
  const stdfs::path folder = output.has_parent_path() ? output.parent_path() : stdfs::path(".");
  std::string temporary = (folder / ("." + output.filename().string() + ".part-XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) throw std::runtime_error("Cannot write into the folder of " + savedFilePath_ + ": " + std::strerror(errno));
  ::close(fd);
  return temporary;
}

void QVFlowTextConverter::commitPartFile(const std::string& partPath) const {
  if (!QVOutputStaging::moveIntoPlace(partPath, savedFilePath_))
    throw std::runtime_error("Cannot save " + savedFilePath_ + ": " + std::strerror(errno));
}

void QVFlowTextConverter::writeOutputFile(
    const std::function<std::unique_ptr<QVFlowTextFileWriter>(const std::string&)>& makeWriter,
    const std::function<void(QVFlowTextFileWriter&)>& fill) {
  const std::string temporary = makePartFile();
  try {
    std::unique_ptr<QVFlowTextFileWriter> writer = makeWriter(temporary);
    fill(*writer);
    writer->closeFile();
    commitPartFile(temporary);
  } catch (...) {
    std::error_code ec;
    stdfs::remove(temporary, ec);
    throw;
  }
}

void QVFlowTextConverter::appendFile(QVFlowTextFileWriter& writer, const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw std::runtime_error("Cannot read the document body " + path + ": " + std::strerror(errno));
  std::string chunk(1 << 16, '\0');
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      throw std::runtime_error("Cannot read the document body " + path + ": " + std::strerror(error));
    }
    if (got == 0) break;
    writer.writeData(std::string_view(chunk.data(), static_cast<size_t>(got)));
  }
  ::close(fd);
}
