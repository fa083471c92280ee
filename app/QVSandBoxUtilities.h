#pragma once
// The output folder the user chose, kept in the settings as its path. It
// resolves while it is an existing folder; it is usable when the user may
// also read, write and enter it.
#include <optional>
#include <string>
#include <string_view>

class QVSandBoxUtilities {
 public:
  // The stored folder of the default key; nothing when none is stored or it
  // is no longer a folder.
  static std::optional<std::string> UserSelectedOutputURLBookmark();
  static std::optional<std::string> UserSelectedOutputURLBookmarkForKey(std::string_view key);
  // The stored folder resolves and is readable and writable.
  static bool isReadAndWritableUserSelectedOutputURLBookmark();
  static bool isReadAndWritableUserSelectedOutputURLBookmarkForKey(std::string_view key);
  static bool isReadAndWritableUserSelectedOutputURL(const std::string& folder);
  // Whether a new file can be made in the folder, found by making one (and
  // removing it): the permission bits do not tell for every folder.
  static bool canCreateFileInFolder(const std::string& folder);
  // Stores the folder (made absolute) under the default key. False, keeping
  // what was stored, when the path is not an existing folder; false also
  // when the settings file could not be written.
  static bool SaveUserSelectedOutputURLBookmark(const std::string& folder);
  static bool SaveUserSelectedOutputURLBookmarkForKey(const std::string& folder, std::string_view key);
  static void RemoveUserSelectedOutputURLBookmarkForKey(std::string_view key);
};
