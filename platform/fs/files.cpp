#include "platform/fs/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/text/text.h"

namespace platform::fs {

namespace stdfs = std::filesystem;

namespace {

// Anything at the path counts as taken, even a dangling symbolic link: a file
// created there would land somewhere else or fail.
bool somethingAt(const std::string& path) {
  struct stat info;
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

// Trailing slashes name the same entry; "/x/folder/" has the extension-free
// name "folder".
std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The last name's extension (without its dot), and the path before it. A
// leading dot marks a hidden file, not an extension; a trailing dot is no
// extension either.
void splitExtension(const std::string& path, std::string& base, std::string& extension) {
  base = path;
  extension.clear();
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart || dot + 1 >= path.size()) return;
  base = path.substr(0, dot);
  extension = path.substr(dot + 1);
}

// Read from /proc, which tells it without changing it: setting the mask to
// learn it would give files that other threads create meanwhile the wrong
// permissions. Only where /proc does not tell is it set and put back.
mode_t creationMask() {
  if (const std::optional<std::string> status = readFile("/proc/self/status")) {
    const size_t field = status->find("\nUmask:");
    if (field != std::string::npos) {
      const char* digits = status->c_str() + field + 7;
      char* end = nullptr;
      const unsigned long mask = std::strtoul(digits, &end, 8);
      if (end != digits) return static_cast<mode_t>(mask & 0777);
    }
  }
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const mode_t mask = ::umask(077);
  ::umask(mask);
  return mask;
}

}  // namespace

bool isDirectory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && stdfs::is_directory(path, ec);
}

bool fileExists(const std::string& path) { return somethingAt(path); }

bool createFolderIfNeeded(const std::string& path) {
  if (path.empty()) return false;
  if (isDirectory(path)) return true;
  std::error_code ec;
  stdfs::create_directories(path, ec);
  return isDirectory(path);
}

std::optional<std::string> firstFreePath(const std::string& wanted, std::string_view separator, long lastNumber) {
  const std::string path = withoutTrailingSlashes(wanted);
  if (!somethingAt(path)) return path;
  std::string base, extension;
  splitExtension(path, base, extension);
  for (long n = 2; n <= lastNumber; ++n) {
    std::string candidate = base;
    candidate += separator;
    text::appendInteger(candidate, n);
    if (!extension.empty()) candidate += "." + extension;
    if (!somethingAt(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string freePath(const std::string& wanted) {
  if (auto free = firstFreePath(wanted, "")) return *free;
  // Every name is taken: the last one is answered untested, which its
  // callers (work folders, extracted images) can live with.
  std::string base, extension;
  splitExtension(withoutTrailingSlashes(wanted), base, extension);
  std::string last = base;
  text::appendInteger(last, kFreePathLastNumber);
  if (!extension.empty()) last += "." + extension;
  return last;
}

std::string newUuid() {
  // Version 4: 122 random bits from the system's entropy source.
  std::random_device device;
  std::array<unsigned char, 16> bytes;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const uint32_t word = device();
    for (size_t k = 0; k < 4; ++k) bytes[i + k] = static_cast<unsigned char>(word >> (8 * k));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(36);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 0x0F]);
  }
  return out;
}

std::optional<std::string> readFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data;
  if (S_ISREG(info.st_mode) && info.st_size > 0) data.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return data;
}

bool writeFile(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // Only a regular file is ours to remove after a failure; a device or a
  // pipe named by the caller is left alone.
  struct stat info;
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  bool ok = true;
  size_t done = 0;
  while (ok && done < data.size()) {
    const ssize_t wrote = ::write(fd, data.data() + done, data.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) ok = false;
    else done += static_cast<size_t>(wrote);
  }
  // close reports delayed write errors on some file systems (NFS, full disks).
  if (::close(fd) != 0) ok = false;
  if (!ok && regular) ::unlink(path.c_str());
  return ok;
}

bool moveItem(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty() || somethingAt(to) || !somethingAt(from)) return false;
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  std::error_code ec;
  stdfs::copy(from, to, stdfs::copy_options::recursive | stdfs::copy_options::copy_symlinks, ec);
  if (ec) {
    stdfs::remove_all(to, ec);
    return false;
  }
  stdfs::remove_all(from, ec);
  return true;
}

unsigned newFileMode() { return 0666 & ~creationMask(); }

unsigned newFolderMode() { return 0777 & ~creationMask(); }

WorkFolder::WorkFolder() {
  std::error_code ec;
  stdfs::path base = stdfs::temp_directory_path(ec);
  if (ec || base.empty()) base = "/tmp";
  // mkdtemp picks an unpredictable name and creates the folder 0700 in one
  // step, so no other user can claim or read it first.
  std::string pattern = (base / "qv-work-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("Cannot create a work folder under " + base.string() + ": " +
                             std::generic_category().message(errno));
  path_ = pattern;
}

WorkFolder::~WorkFolder() {
  std::error_code ec;
  stdfs::remove_all(path_, ec);
}

namespace {

thread_local const std::string* tCurrentFolder = nullptr;

const std::string& fallbackWorkFolder() {
  // Made on first use; its static destructor removes it at normal exit.
  static const WorkFolder folder;
  return folder.path();
}

}  // namespace

std::string currentWorkFolder() {
  if (tCurrentFolder) return *tCurrentFolder;
  return fallbackWorkFolder();
}

WorkFolderScope::WorkFolderScope(const WorkFolder& folder) : previous_(tCurrentFolder) {
  tCurrentFolder = &folder.path();
}

WorkFolderScope::~WorkFolderScope() { tCurrentFolder = previous_; }

std::string popplerDataDir() {
  if (const char* env = std::getenv("QV_POPPLER_DATA"); env && *env) return withoutTrailingSlashes(env);
  return "/usr/share/poppler";
}

}  // namespace platform::fs
