#include "app/QVSupportActions.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QLocale>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

#include <vector>

#include "app/QVApplicationInfo.h"
#include "platform/fs/files.h"
#include "platform/text/text.h"
#include "qvapp_resources.h"

namespace {

std::string trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string percentEncoded(std::string_view text, const char* keep = "") {
  return QUrl::toPercentEncoding(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), keep)
      .toStdString();
}

}  // namespace

std::string QVSupportActions::userFullName() {
  long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  if (bufferSize <= 0) bufferSize = 16384;
  std::vector<char> buffer(static_cast<size_t>(bufferSize));
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
  // The comment field holds the full name first, then other facts after commas.
  std::string_view gecos = found->pw_gecos ? found->pw_gecos : "";
  std::string name = trimmed(gecos.substr(0, gecos.find(',')));
  return name.empty() ? std::string(found->pw_name ? found->pw_name : "") : name;
}

std::string QVSupportActions::machineModelString(const std::string& dmiFolder) {
  const std::optional<std::string> product = platform::fs::readFile(dmiFolder + "/product_name");
  std::string model = product ? trimmed(*product) : std::string();
  return model.empty() ? std::string("Unknown Machine") : model;
}

std::string QVSupportActions::systemVersionFromRelease(std::string_view release) {
  int64_t numbers[3] = {0, 0, 0};
  size_t i = 0;
  for (int64_t& number : numbers) {
    size_t end = i;
    while (end < release.size() && release[end] >= '0' && release[end] <= '9') ++end;
    if (end == i) break;
    number = platform::text::integerValue(release.substr(i, end - i));
    if (end >= release.size() || release[end] != '.') break;
    i = end + 1;
  }
  return platform::text::formatInteger(numbers[0]) + "." + platform::text::formatInteger(numbers[1]) + "." +
         platform::text::formatInteger(numbers[2]);
}

std::string QVSupportActions::systemVersionString() {
  struct utsname names;
  if (::uname(&names) != 0) return systemVersionFromRelease("");
  return systemVersionFromRelease(names.release);
}

QVSystemFacts QVSupportActions::currentSystemFacts() {
  const QLocale locale = QLocale::system();
  QVSystemFacts facts;
  facts.userName = userFullName();
  facts.machineModel = machineModelString();
  facts.systemVersion = systemVersionString();
  facts.countryCode = QLocale::territoryToCode(locale.territory()).toStdString();
  facts.languageCode = QLocale::languageToCode(locale.language()).toStdString();
  return facts;
}

std::string QVSupportActions::mailtoLink(std::string_view mailbox, std::string_view subject, std::string_view body) {
  // The at sign stays, so that every mail program finds the address.
  return "mailto:" + percentEncoded(mailbox, "@") + "?SUBJECT=" + percentEncoded(subject) +
         "&BODY=" + percentEncoded(body);
}

std::string QVSupportActions::technicalSupportSubject() {
  return std::string(kQVApplicationName) + " - " + std::string(kQVApplicationVersion) + ": Technical Support";
}

std::string QVSupportActions::technicalSupportBody(const QVSystemFacts& facts) {
  std::string body = "\n \n \n \n \nMy Device Short Info:\n ";
  body += "User Name:" + facts.userName + "\n ";
  body += "Devie Model:" + facts.machineModel + "\n ";
  body += "System Version:" + facts.systemVersion + "\n ";
  body += "Country:" + facts.countryCode + "\n ";
  body += "Language:" + facts.languageCode + "\n ";
  return body;
}

std::string QVSupportActions::technicalSupportMailLink() {
  return mailtoLink(kQVSupportMailbox, technicalSupportSubject(), technicalSupportBody(currentSystemFacts()));
}

std::optional<std::string> QVSupportActions::sampleDocumentPath() {
  const auto sample = qvapp::findResource("sample.pdf");
  if (!sample) return std::nullopt;
  const std::string_view data(reinterpret_cast<const char*>(sample->data()), sample->size());
  const std::string folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
                             "/" + std::string(kQVSettingsApplication);
  if (!platform::fs::createFolderIfNeeded(folder)) return std::nullopt;
  const std::string path = folder + "/Sample.pdf";
  if (platform::fs::readFile(path) == std::optional<std::string>(data)) return path;
  if (!platform::fs::writeFile(path, data)) return std::nullopt;
  return path;
}
