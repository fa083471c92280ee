#include "pdf/QVPDFImageFile.h"

#include <algorithm>
#include <atomic>

#include "platform/fs/files.h"

QVPDFImageFile QVPDFImageFile::make(std::string name, QVPDFImageFileType type, std::string bytes, int pixelWidth,
                                    int pixelHeight) {
  static std::atomic<uint64_t> lastSerial{0};
  QVPDFImageFile file;
  file.name = std::move(name);
  file.type = type;
  // Encoders make room for more than they need; a picture kept until its
  // package is written keeps only its bytes.
  bytes.shrink_to_fit();
  file.data = std::make_shared<const std::string>(std::move(bytes));
  file.pixelWidth = pixelWidth;
  file.pixelHeight = pixelHeight;
  file.serial = ++lastSerial;
  return file;
}

std::optional<QVPDFImageFileType> QVPDFImageFile::typeOfData(std::string_view bytes) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && byte(0) == 0xFF && byte(1) == 0xD8 && byte(2) == 0xFF) return QVPDFImageFileType::JPEG;
  static constexpr std::string_view kPng("\x89PNG\r\n\x1A\n", 8);
  if (bytes.substr(0, kPng.size()) == kPng) return QVPDFImageFileType::PNG;
  return std::nullopt;
}

std::optional<QVPDFImageFile> QVPDFImageFile::readFile(const std::string& path) {
  std::optional<std::string> bytes = platform::fs::readFile(path);
  if (!bytes) return std::nullopt;
  const std::optional<QVPDFImageFileType> type = typeOfData(*bytes);
  if (!type) return std::nullopt;
  const size_t slash = path.rfind('/');
  return make(slash == std::string::npos ? path : path.substr(slash + 1), *type, std::move(*bytes));
}
