#include "convert/zip/QVZipPartStore.h"

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include "convert/zip/QVZipArchive.h"

QVZipPartStore::QVZipPartStore(std::string spillPath, size_t memoryBound)
    : spillPath_(std::move(spillPath)), memoryBound_(memoryBound) {}

QVZipPartStore::~QVZipPartStore() {
  if (spillFile_ < 0) return;
  ::close(spillFile_);
  ::unlink(spillPath_.c_str());
}

void QVZipPartStore::put(const std::string& name, std::shared_ptr<const std::string> data) {
  remove(name);
  if (!data) data = std::make_shared<const std::string>();
  Part part;
  part.size = data->size();
  if (memoryBytes_ + data->size() <= memoryBound_) {
    memoryBytes_ += data->size();
    part.data = std::move(data);
  } else {
    part.offset = spillEnd_;
    spill(*data);
  }
  parts_.emplace(name, std::move(part));
}

void QVZipPartStore::append(const std::string& name, std::string_view bytes) {
  auto it = parts_.find(name);
  if (it == parts_.end()) {
    Part part;
    part.offset = spillEnd_;
    it = parts_.emplace(name, std::move(part)).first;
  } else if (it->second.data || it->second.offset + it->second.size != spillEnd_) {
    throw std::logic_error("The part " + name + " cannot grow");
  }
  try {
    spill(bytes);
  } catch (...) {
    // The part's bytes so far stay where they are; the part is dropped.
    parts_.erase(it);
    throw;
  }
  it->second.size += bytes.size();
}

void QVZipPartStore::spill(std::string_view bytes) {
  if (spillFile_ < 0) {
    spillFile_ = ::open(spillPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (spillFile_ < 0) throw std::runtime_error("Cannot create the spill file " + spillPath_);
  }
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::pwrite(spillFile_, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(spillEnd_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("Cannot write the spill file " + spillPath_);
    done += static_cast<size_t>(n);
  }
  spillEnd_ += bytes.size();
}

void QVZipPartStore::remove(const std::string& name) {
  const auto it = parts_.find(name);
  if (it == parts_.end()) return;
  if (it->second.data) memoryBytes_ -= it->second.data->size();
  parts_.erase(it);
}

std::vector<std::string> QVZipPartStore::names() const {
  std::vector<std::string> names;
  names.reserve(parts_.size());
  for (const auto& entry : parts_) names.push_back(entry.first);
  return names;
}

bool QVZipPartStore::addToZip(QVZipArchive& archive, const std::string& name) const {
  const auto it = parts_.find(name);
  if (it == parts_.end()) return false;
  const Part& part = it->second;
  if (part.data) return archive.addDataToZip(*part.data, name);
  return archive.addFileRangeToZip(spillFile_, part.offset, part.size, name);
}
