#include "convert/zip/QVZipArchive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <minizip/zip.h>

namespace {

constexpr size_t kChunkSize = 256 * 1024;

// zlib level of deflated entries. Measured on the 38 MB of XML parts of the
// corpus decks: level 3 deflates them in half the time of the library's
// default (6) for entries about a third larger; level 1 is hardly faster and
// larger still, levels 4 and 5 save a third and a quarter of the time.
constexpr int kDeflateLevel = 3;

// The entry's time fields from a time (the file's modification time) in
// local time; all zero when the time cannot be read.
zip_fileinfo entryInfo(time_t modified) {
  zip_fileinfo info{};
  struct tm local {};
  if (localtime_r(&modified, &local)) {
    info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
  }
  return info;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The names of a folder's items (without "." and ".."), sorted so that the
// same folder always gives the same archive; nothing when it cannot be read.
bool listFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const bool complete = errno == 0;
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return complete;
}

}  // namespace

QVZipArchive::~QVZipArchive() { closeZipFile2(); }

bool QVZipArchive::createZipFile2(const std::string& path) {
  if (zipFile_) return false;
  zipFile_ = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  entries_ = 0;
  return zipFile_ != nullptr;
}

bool QVZipArchive::addFileToZip(const std::string& path, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries) return false;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;

  if (!openEntry(newname, status.st_mtime, static_cast<uint64_t>(status.st_size))) return false;

  bool ok = true;
  if (chunk_.size() != kChunkSize) chunk_.resize(kChunkSize);
  std::vector<char>& chunk = chunk_;
  for (;;) {
    const ssize_t n = ::read(file.get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (zipWriteInFileInZip(zipFile_, chunk.data(), static_cast<unsigned>(n)) != ZIP_OK) {
      ok = false;
      break;
    }
  }
  // The entry is closed even after a failure so the archive stays consistent.
  const bool closed = zipCloseFileInZip(zipFile_) == ZIP_OK;
  return ok && closed;
}

bool QVZipArchive::openEntry(const std::string& newname, time_t modified, uint64_t size) {
  const zip_fileinfo info = entryInfo(modified);
  const int zip64 = size >= 0xffffffffULL ? 1 : 0;
  const bool stored = isStoredEntry(newname);
  if (zipOpenNewFileInZip64(zipFile_, newname.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, stored ? 0 : Z_DEFLATED,
                            stored ? 0 : kDeflateLevel, zip64) != ZIP_OK)
    return false;
  ++entries_;
  return true;
}

bool QVZipArchive::addDataToZip(std::string_view data, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries) return false;
  if (!openEntry(newname, ::time(nullptr), data.size())) return false;
  bool ok = true;
  for (size_t done = 0; done < data.size() && ok;) {
    const size_t n = std::min(data.size() - done, kChunkSize);
    ok = zipWriteInFileInZip(zipFile_, data.data() + done, static_cast<unsigned>(n)) == ZIP_OK;
    done += n;
  }
  const bool closed = zipCloseFileInZip(zipFile_) == ZIP_OK;
  return ok && closed;
}

bool QVZipArchive::addFileRangeToZip(int fd, uint64_t offset, uint64_t size, const std::string& newname) {
  if (!zipFile_ || entries_ >= kMaxEntries || fd < 0) return false;
  if (!openEntry(newname, ::time(nullptr), size)) return false;
  bool ok = true;
  if (chunk_.size() != kChunkSize) chunk_.resize(kChunkSize);
  for (uint64_t done = 0; done < size && ok;) {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size - done, chunk_.size()));
    const ssize_t n = ::pread(fd, chunk_.data(), wanted, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0 && zipWriteInFileInZip(zipFile_, chunk_.data(), static_cast<unsigned>(n)) == ZIP_OK;
    done += n > 0 ? static_cast<uint64_t>(n) : 0;
  }
  // The entry is closed even after a failure so the archive stays consistent.
  const bool closed = zipCloseFileInZip(zipFile_) == ZIP_OK;
  return ok && closed;
}

bool QVZipArchive::addFolderToZip(const std::string& path, const std::string& newname) {
  if (!zipFile_) return false;
  std::vector<std::string> names;
  if (!listFolder(path, names)) return false;
  const std::string prefix = newname + "/";
  for (const std::string& name : names) {
    const std::string itemPath = path + "/" + name;
    const std::string entryName = prefix + name;
    const bool added = isDirectory(itemPath) ? addFolderToZip(itemPath, entryName) : addFileToZip(itemPath, entryName);
    if (!added) return false;
  }
  return true;
}

bool QVZipArchive::isStoredEntry(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos) return false;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "png" || extension == "jpeg" || extension == "jpg";
}

bool QVZipArchive::isDirectory(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool QVZipArchive::closeZipFile2() {
  if (!zipFile_) return false;
  const int result = zipClose(zipFile_, nullptr);
  zipFile_ = nullptr;
  return result == ZIP_OK;
}
