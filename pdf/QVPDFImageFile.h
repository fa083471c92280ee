#pragma once
// An image file held in memory: the encoded bytes (PNG or JPEG) of a picture
// that the interpreter extracted or an exporter rendered, under the file name
// it goes by. The exporters place these and the package writers take them
// into the package, so that a picture never becomes a file of its own in the
// work folder: creating and removing thousands of small files costs more
// than encoding them.
//
// Copies share the bytes, and keep the serial by which a package writer
// tells one picture from another.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum class QVPDFImageFileType { PNG, JPEG };

struct QVPDFImageFile {
  // The file name, such as "IMG_<UUID>.png" or "image3.png".
  std::string name;
  QVPDFImageFileType type = QVPDFImageFileType::PNG;
  std::shared_ptr<const std::string> data;
  int pixelWidth = 0;
  int pixelHeight = 0;
  // Unique in the process for every picture made (0 for none).
  uint64_t serial = 0;

  bool empty() const { return !data || data->empty(); }
  std::string_view bytes() const { return data ? std::string_view(*data) : std::string_view(); }

  // A picture of the encoded bytes, with a new serial.
  static QVPDFImageFile make(std::string name, QVPDFImageFileType type, std::string bytes, int pixelWidth = 0,
                             int pixelHeight = 0);
  // The kind of encoded bytes by their signature: PNG, JPEG, or none.
  static std::optional<QVPDFImageFileType> typeOfData(std::string_view bytes);
  // An image file of the disk, named by its last path component; none when
  // it cannot be read or is neither PNG nor JPEG.
  static std::optional<QVPDFImageFile> readFile(const std::string& path);
};
