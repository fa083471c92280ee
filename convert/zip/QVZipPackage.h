#pragma once
// Zips an Office Open XML package assembled in a work folder into its output
// file, so that the output name never holds a partial package: the archive is
// written under a hidden temporary name beside the output and renamed into
// place only once every entry and the central directory are written.
#include <string>
#include <vector>

class QVZipPartStore;

class QVZipPackage {
 public:
  QVZipPackage() = delete;

  // Adds the items of the folder (files, or folders with everything below
  // them) in the given order under their own names, then the parts of
  // `parts` (when given) in name order, then moves the archive to
  // outputPath. Throws std::runtime_error, leaving nothing at outputPath and
  // no temporary file, when any item is missing or any step fails.
  static void zipFolderItems(const std::string& folder, const std::vector<std::string>& items,
                             const std::string& outputPath, const QVZipPartStore* parts = nullptr);
};
