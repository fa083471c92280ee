#pragma once
// Shared routines of the application: the free output name and the settings
// getters that store their default the first time a key is read.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QVCUtilities {
 public:
  // A path where nothing exists yet: the path itself, else "Name 2.ext",
  // "Name 3.ext", ... ("Name 2" without an extension). Nothing when every
  // number up to lastNumber is taken: the caller must not write anywhere then.
  static std::optional<std::string> getNewPathby(const std::string& path, long lastNumber = 99999999);

  // The stored value read as the type asked for (INI files keep text; a
  // stored "true" reads as 1 for a number). When the key is absent the
  // default is stored (and synced) and answered.
  static bool boolValueForKey(std::string_view key, bool defaultValue);
  static int64_t integerValueForKey(std::string_view key, int64_t defaultValue);
  static float floatValueForKey(std::string_view key, float defaultValue);
  static std::string stringValueForKey(std::string_view key, std::string_view defaultValue);
};
