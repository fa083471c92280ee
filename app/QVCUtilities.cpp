#include "app/QVCUtilities.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/QVUserDefaults.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"

namespace {

// Booleans are kept as the words "true" and "false"; read as numbers they
// count as 1 and 0, as a stored boolean does elsewhere.
std::optional<int64_t> booleanWordAsNumber(std::string_view text) {
  if (text == "true") return 1;
  if (text == "false") return 0;
  return std::nullopt;
}

// Clamped: a value beyond the float range has no float to become.
float toFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (std::isnan(value)) return 0;
  return static_cast<float>(std::clamp(value, -kMax, kMax));
}

}  // namespace

std::optional<std::string> QVCUtilities::getNewPathby(const std::string& path, long lastNumber) {
  return platform::fs::firstFreePath(path, " ", lastNumber);
}

bool QVCUtilities::boolValueForKey(std::string_view key, bool defaultValue) {
  if (auto text = QVUserDefaults::text(key)) return platform::text::boolValue(*text);
  QVUserDefaults::setBool(key, defaultValue);
  return defaultValue;
}

int64_t QVCUtilities::integerValueForKey(std::string_view key, int64_t defaultValue) {
  if (auto text = QVUserDefaults::text(key)) {
    if (auto word = booleanWordAsNumber(*text)) return *word;
    return platform::text::integerValue(*text);
  }
  QVUserDefaults::setInteger(key, defaultValue);
  return defaultValue;
}

float QVCUtilities::floatValueForKey(std::string_view key, float defaultValue) {
  if (auto text = QVUserDefaults::text(key)) {
    if (auto word = booleanWordAsNumber(*text)) return static_cast<float>(*word);
    return toFloat(platform::text::doubleValue(*text));
  }
  QVUserDefaults::setDouble(key, defaultValue);
  return defaultValue;
}

std::string QVCUtilities::stringValueForKey(std::string_view key, std::string_view defaultValue) {
  if (auto text = QVUserDefaults::text(key)) return *text;
  QVUserDefaults::setString(key, defaultValue);
  return std::string(defaultValue);
}
