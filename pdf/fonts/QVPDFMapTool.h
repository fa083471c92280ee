#pragma once
// Finds the predefined CMaps and the Unicode maps of the character
// collections among the CMap files of poppler-data
// (<poppler data>/cMap/<collection>/<name>).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QVPDFMapTool {
 public:
  // Files larger than this are not read (the largest real CMap is ~330 KB).
  static constexpr size_t kMaxCMapFileSize = 16u << 20;

  // <popplerDataDir()>/cMap
  static std::string cMapDirectory();

  // Path of the predefined CMap file of that name; only names of files that
  // exist in the CMap folders are ever answered, so a name taken from a PDF
  // cannot reach another file.
  static std::optional<std::string> findCMapFilePath(std::string_view cMapName);
  // Text of the predefined CMap file of that name.
  static std::optional<std::string> findCMapFile(std::string_view cMapName);

  // Name of the Unicode map of a character collection (Registry-Ordering):
  // "Adobe-CNS1", "Adobe-GB1", "Adobe-Japan1", "Adobe-Korea1" → that name
  // with "-UCS2"; any other collection has none.
  static std::optional<std::string> toUnicodeFileName(std::string_view collection);
  // Text of that collection's Unicode map.
  static std::optional<std::string> findToUnicodeFile(std::string_view collection);

  // Names of every predefined CMap file found, sorted.
  static std::vector<std::string> predefinedCMapNames();
};
