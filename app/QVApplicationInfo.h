#pragma once
// Fixed facts of the desktop application: its name and version, where its
// settings live, and the addresses it reaches.
#include <string_view>

inline constexpr std::string_view kQVApplicationName = "PDF Converter";
inline constexpr std::string_view kQVApplicationVersion = "1.0.0";
// The settings folder and file names: $XDG_CONFIG_HOME/pdfconverter/pdfconverter.ini.
inline constexpr std::string_view kQVSettingsOrganization = "pdfconverter";
inline constexpr std::string_view kQVSettingsApplication = "pdfconverter";

// The support mailbox, display name and address. The product has no domain
// of its own yet; the addresses stay on reserved example domains until then.
inline constexpr std::string_view kQVSupportMailbox = "PDF Converter Support <support@example.com>";
// The update feed: an RSS document whose items carry the version of each
// release in their enclosure.
inline constexpr std::string_view kQVUpdateFeedURL = "https://updates.example.com/pdfconverter/releases.xml";
