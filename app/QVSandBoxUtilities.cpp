#include "app/QVSandBoxUtilities.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include <filesystem>

#include "app/QVUserDefaults.h"
#include "platform/fs/files.h"

std::optional<std::string> QVSandBoxUtilities::UserSelectedOutputURLBookmark() {
  return UserSelectedOutputURLBookmarkForKey(kQVDefaultExportDirectoryKey);
}

std::optional<std::string> QVSandBoxUtilities::UserSelectedOutputURLBookmarkForKey(std::string_view key) {
  std::optional<std::string> folder = QVUserDefaults::text(key);
  if (!folder || folder->empty() || !platform::fs::isDirectory(*folder)) return std::nullopt;
  return folder;
}

bool QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmark() {
  return isReadAndWritableUserSelectedOutputURLBookmarkForKey(kQVDefaultExportDirectoryKey);
}

bool QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURLBookmarkForKey(std::string_view key) {
  const std::optional<std::string> folder = UserSelectedOutputURLBookmarkForKey(key);
  return folder && isReadAndWritableUserSelectedOutputURL(*folder);
}

bool QVSandBoxUtilities::isReadAndWritableUserSelectedOutputURL(const std::string& folder) {
  // Making a file in a folder also takes the right to enter it.
  return !folder.empty() && platform::fs::isDirectory(folder) && ::access(folder.c_str(), R_OK | W_OK | X_OK) == 0;
}

bool QVSandBoxUtilities::canCreateFileInFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::string probe = folder + (folder.back() == '/' ? "" : "/") + ".write-test-XXXXXX";
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool QVSandBoxUtilities::SaveUserSelectedOutputURLBookmark(const std::string& folder) {
  return SaveUserSelectedOutputURLBookmarkForKey(folder, kQVDefaultExportDirectoryKey);
}

bool QVSandBoxUtilities::SaveUserSelectedOutputURLBookmarkForKey(const std::string& folder, std::string_view key) {
  if (folder.empty() || !platform::fs::isDirectory(folder)) return false;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) return false;
  std::string text = absolute.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return QVUserDefaults::setString(key, text);
}

void QVSandBoxUtilities::RemoveUserSelectedOutputURLBookmarkForKey(std::string_view key) {
  QVUserDefaults::remove(key);
}
