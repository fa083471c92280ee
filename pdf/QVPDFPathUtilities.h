#pragma once
// Folder and file-name services shared by the interpreter and every writer:
// resource look-up, free file names, folders, and temporary names inside the
// running conversion's private work folder.
#include <optional>
#include <string>
#include <string_view>

class QVPDFPathUtilities {
 public:
  QVPDFPathUtilities() = delete;

  // The file of a library resource such as "PDFEncodings/CMap/UniGB-UCS2-H",
  // or none when there is no such resource. Predefined CMaps and the
  // collection Unicode maps ("PDFEncodings/CIDToUnicode/Adobe-GB1-UCS2") are
  // read from the poppler-data files.
  static std::optional<std::string> PathInLibBundleForResource(std::string_view resource);

  // True when something exists at the path and it is a folder.
  static bool isDirectoryAtPath(const std::string& path);
  // The path itself when nothing exists there, else the first free one of
  // base2.ext, base3.ext, ... Only free when tested: the caller creates it.
  static std::string getNewPathby(const std::string& path);
  // Creates the folder and its missing parents; true when it exists afterwards.
  static bool createFolderIfNeed(const std::string& path);

  // A new name "Temp-<UUID>" inside the work folder of the running
  // conversion; nothing is created.
  static std::string tempFolder();
  static std::string tempFolder0();
  // As tempFolder, with ".png" appended.
  static std::string tempFile();
};
