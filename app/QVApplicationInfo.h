#pragma once
// Fixed facts of the desktop application: its name and version (those of
// the product, which the core writes into documents too), where its settings
// live, and the addresses it reaches.
#include <string_view>

#include "convert/QVProductInfo.h"

// The settings folder and file names: $XDG_CONFIG_HOME/pdfconverter/pdfconverter.ini.
inline constexpr std::string_view kQVSettingsOrganization = "pdfconverter";
inline constexpr std::string_view kQVSettingsApplication = "pdfconverter";

// The support mailbox, display name and address. The product has no domain
// of its own yet; the addresses stay on reserved example domains until then.
inline constexpr std::string_view kQVSupportMailbox = "PDF Converter Support <support@example.com>";
// The update feed: an RSS document whose items carry the version of each
// release in their enclosure.
inline constexpr std::string_view kQVUpdateFeedURL = "https://updates.example.com/pdfconverter/releases.xml";

// The maker's pages that the Help menu opens, on a reserved example domain
// until the product has its own.
inline constexpr std::string_view kQVWebsiteURL = "https://www.example.com/";
inline constexpr std::string_view kQVProductPageURL = "https://www.example.com/pdfconverter/";
inline constexpr std::string_view kQVUserManualURL = "https://www.example.com/pdfconverter/manual/";
inline constexpr std::string_view kQVFollowUsURL = "https://social.example.org/@pdfconverter";
// The recommendation mail: its subject and its text.
inline constexpr std::string_view kQVTellAFriendSubject = "Try out \"PDF Converter\" on the Linux desktop";
inline constexpr std::string_view kQVTellAFriendText =
    "Hi,\n\nI convert PDF files into slides I can edit with PDF Converter. "
    "It keeps the text, pictures and drawings of every page. Have a look:\n"
    "https://www.example.com/pdfconverter/\n";
