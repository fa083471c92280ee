#pragma once
// The application's stored settings: one INI file in the user's
// configuration folder (QSettings). Every write is synced at once, so a
// setting survives a crash right after it was changed.
//
// INI files keep every value as text, so a value reads back as text whatever
// was stored; the typed getters of QVCUtilities read that text.
#include <optional>
#include <string>
#include <string_view>

// The keys, exactly as the stored files name them (spellings included).
inline constexpr std::string_view kQVSettingsOutputFormatKey = "settings_outputFormat";
inline constexpr std::string_view kQVSettingsIsHiddenSettingsKey = "setttings_isHiddenSettings";
inline constexpr std::string_view kQVOpenFileAfterConversionKey = "QVPDFConverterSettings_OpenFileAfterConversion";
inline constexpr std::string_view kQVDefaultExportDirectoryKey = "QVDefaulExportDirectory_SandBox";
inline constexpr std::string_view kQVUpdateFeedURLKey = "SUFeedURL";
inline constexpr std::string_view kQVUpdateAutomaticChecksKey = "SUEnableAutomaticChecks";
inline constexpr std::string_view kQVUpdateCheckIntervalKey = "SUScheduledCheckInterval";
inline constexpr std::string_view kQVUpdateLastCheckTimeKey = "SULastCheckTime";

namespace QVUserDefaults {

// The stored value as text; nullopt when the key is absent.
std::optional<std::string> text(std::string_view key);
bool contains(std::string_view key);

// Each write answers whether it reached the file.
bool setString(std::string_view key, std::string_view value);
bool setBool(std::string_view key, bool value);
bool setInteger(std::string_view key, int64_t value);
bool setDouble(std::string_view key, double value);
bool remove(std::string_view key);

// The settings file (for diagnostics and tests).
std::string fileName();

}  // namespace QVUserDefaults
