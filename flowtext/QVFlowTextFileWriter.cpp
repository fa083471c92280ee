#include "flowtext/QVFlowTextFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kFlushThreshold = 1 << 16;

std::string failure(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

QVFlowTextFileWriter::QVFlowTextFileWriter(std::string path, std::string indentation, std::string lineBreak)
    : textPath_(std::move(path)), indentation_(std::move(indentation)), lineBreak_(std::move(lineBreak)) {
  do {
    fd_ = ::open(textPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) throw QVFlowTextWriteError(failure("Cannot create the file", textPath_));
  buffer_.reserve(kFlushThreshold);
}

QVFlowTextFileWriter::~QVFlowTextFileWriter() {
  if (fd_ < 0) return;
  try {
    flushBuffer();
  } catch (...) {
    // Nothing can be reported from a destructor; closeFile() is the checked path.
  }
  ::close(fd_);
}

void QVFlowTextFileWriter::write(std::string_view text) {
  if (text.empty()) return;
  if (text == lineBreak_ || text == indentation_)
    ++lineBreakCount_;
  else
    lineBreakCount_ = 0;
  if (lineBreakCount_ <= kMaxLineBreaksInRow) append(text);
}

void QVFlowTextFileWriter::writeData(std::string_view bytes) { append(bytes); }

void QVFlowTextFileWriter::writeContent(std::string_view text) { write(text); }

void QVFlowTextFileWriter::writeLinebreak() { write(lineBreak_); }

void QVFlowTextFileWriter::writeIndentation() { write(indentation_); }

void QVFlowTextFileWriter::append(std::string_view bytes) {
  if (fd_ < 0) throw QVFlowTextWriteError("The file " + textPath_ + " is closed");
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void QVFlowTextFileWriter::flushBuffer() {
  std::string pending;
  // Taken first, so that a failed write is not retried from the destructor.
  pending.swap(buffer_);
  const char* data = pending.data();
  size_t size = pending.size();
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw QVFlowTextWriteError(failure("Cannot write the file", textPath_));
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  pending.clear();
  buffer_.swap(pending);
}

void QVFlowTextFileWriter::closeFile() {
  if (fd_ < 0) return;
  const int fd = fd_;
  try {
    flushBuffer();
  } catch (...) {
    ::close(fd);
    fd_ = -1;
    throw;
  }
  fd_ = -1;
  if (::close(fd) != 0) throw QVFlowTextWriteError(failure("Cannot close the file", textPath_));
}
