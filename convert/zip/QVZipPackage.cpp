#include "convert/zip/QVZipPackage.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "convert/QVOutputStaging.h"
#include "convert/zip/QVZipArchive.h"
#include "convert/zip/QVZipPartStore.h"
#include "platform/fs/files.h"

namespace stdfs = std::filesystem;

void QVZipPackage::zipFolderItems(const std::string& folder, const std::vector<std::string>& items,
                                  const std::string& outputPath, const QVZipPartStore* parts) {
  const stdfs::path output(outputPath);
  const stdfs::path parent = output.has_parent_path() ? output.parent_path() : stdfs::path(".");
  const std::string temporary =
      (parent / ("." + output.filename().string() + "." + platform::fs::newUuid() + ".part")).string();
  bool complete = false;
  {
    QVZipArchive archive;
    if (archive.createZipFile2(temporary)) {
      complete = true;
      for (const std::string& item : items) {
        const std::string path = folder + "/" + item;
        if (QVZipArchive::isDirectory(path))
          complete = archive.addFolderToZip(path, item);
        else
          complete = platform::fs::fileExists(path) && archive.addFileToZip(path, item);
        if (!complete) break;
      }
      if (parts)
        for (const std::string& name : parts->names()) {
          if (!complete) break;
          complete = parts->addToZip(archive, name);
        }
      complete = archive.closeZipFile2() && complete;
    }
  }
  if (complete && QVOutputStaging::moveIntoPlace(temporary, outputPath)) return;
  std::error_code ec;
  stdfs::remove(temporary, ec);
  throw std::runtime_error("Cannot write the package file " + outputPath);
}
