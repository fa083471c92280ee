#pragma once
// What the support actions need beside the window: the facts about the
// user's machine that a support mail carries, mail links, and the sample
// document on disk.
#include <optional>
#include <string>
#include <string_view>

struct QVSystemFacts {
  std::string userName;
  std::string machineModel;
  std::string systemVersion;
  std::string countryCode;
  std::string languageCode;
};

class QVSupportActions {
 public:
  // The user's full name from the password database, else the login name.
  static std::string userFullName();
  // The machine's product name from the firmware tables the kernel exposes
  // (dmiFolder/product_name); "Unknown Machine" when it cannot be read.
  static std::string machineModelString(const std::string& dmiFolder = "/sys/class/dmi/id");
  // The kernel's version as "major.minor.patch".
  static std::string systemVersionString();
  // "major.minor.patch" from a kernel release text ("6.1.0-18-amd64" gives
  // "6.1.0"); missing numbers are 0.
  static std::string systemVersionFromRelease(std::string_view release);
  // Every fact at once; country and language from the user's locale.
  static QVSystemFacts currentSystemFacts();

  // A mail link to the mailbox ("Name <address>") with the subject and body
  // percent-encoded as UTF-8.
  static std::string mailtoLink(std::string_view mailbox, std::string_view subject, std::string_view body);
  // The subject and body of a technical-support mail, the body leaving room
  // for the user's words above the machine's facts.
  static std::string technicalSupportSubject();
  static std::string technicalSupportBody(const QVSystemFacts& facts);
  // The link of a technical-support mail to the support mailbox.
  static std::string technicalSupportMailLink();

  // The sample document written out as "Sample.pdf" in the application's data
  // folder (again when it is missing or differs); nothing when it cannot be
  // written.
  static std::optional<std::string> sampleDocumentPath();
};
