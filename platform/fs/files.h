#pragma once
// Files and folders: free file names, folders, the per-conversion private
// work folder, and resource look-up.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::fs {

bool isDirectory(const std::string& path);
bool fileExists(const std::string& path);
// Creates the folder with its missing parents; true when it exists afterwards.
bool createFolderIfNeeded(const std::string& path);
// A path where no file exists: the path itself, or base2.ext, base3.ext, ...
std::string freePath(const std::string& wanted);
// The first of the path itself, base<separator>2.ext, base<separator>3.ext,
// ... up to the number lastNumber where nothing exists; nullopt when every
// one of them is taken.
inline constexpr long kFreePathLastNumber = 99999999;
std::optional<std::string> firstFreePath(const std::string& wanted, std::string_view separator,
                                         long lastNumber = kFreePathLastNumber);
// A new random UUID string (upper-case hex, 8-4-4-4-12).
std::string newUuid();
// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
// Writes a whole file, checking every write; false on any failure (and the
// partial file is removed).
bool writeFile(const std::string& path, std::string_view data);
// Moves a file or a folder with everything in it to a path where nothing is
// yet: a rename, or across file systems a copy that checks every file and
// then removes the source. False on any failure; then nothing is left at the
// destination and the source is whole.
bool moveItem(const std::string& from, const std::string& to);

// The permissions an ordinary new file and a new folder get in this process:
// 0666 and 0777 less the file-mode creation mask (umask).
unsigned newFileMode();
unsigned newFolderMode();

// A private folder made with mkdtemp under the system temporary folder,
// removed with its contents when the object dies.
class WorkFolder {
 public:
  WorkFolder();  // throws std::runtime_error when it cannot be made
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The work folder of the conversion running on this thread. While a
// WorkFolderScope is alive on a thread, currentWorkFolder() answers its
// folder; otherwise a process-wide fallback folder (made on first use,
// removed at exit).
std::string currentWorkFolder();

class WorkFolderScope {
 public:
  explicit WorkFolderScope(const WorkFolder& folder);
  ~WorkFolderScope();
  WorkFolderScope(const WorkFolderScope&) = delete;
  WorkFolderScope& operator=(const WorkFolderScope&) = delete;

 private:
  const std::string* previous_;
};

// The root of Debian's poppler-data files (QV_POPPLER_DATA overrides it;
// default /usr/share/poppler).
std::string popplerDataDir();

}  // namespace platform::fs
