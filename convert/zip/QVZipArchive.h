#pragma once
// Writes a zip archive: the container of every Office Open XML package. A
// package writer creates the archive, adds the files of its work folder under
// their part names, and closes it. Entries are deflated and stored in the
// order of the calls; folders themselves get no entries. Pictures that are
// compressed already (PNG, JPEG) are stored as they are: deflating them again
// costs time and gains nothing.
//
// Every operation answers whether it succeeded, and every step of an entry
// (open, each write, close) is checked, so a package writer can tell a
// complete archive from a damaged one.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

class QVZipArchive {
 public:
  QVZipArchive() = default;
  // Closes an archive that is still open.
  ~QVZipArchive();
  QVZipArchive(const QVZipArchive&) = delete;
  QVZipArchive& operator=(const QVZipArchive&) = delete;

  // Creates a new archive at the path, replacing an existing file. False when
  // it cannot be created or an archive is already open.
  bool createZipFile2(const std::string& path);
  // The most entries an archive takes. The zip library writes the entry
  // count in 16 bits and adds no Zip64 record for more, so an archive of
  // more entries would be damaged: the 65536th entry is refused instead.
  static constexpr size_t kMaxEntries = 65535;

  // Adds one file as an entry named `newname` (deflated, or stored when
  // isStoredEntry), with the file's modification time in local time. False
  // when no archive is open, the file cannot be read, the archive already has kMaxEntries entries, or any step
  // of writing the entry fails.
  bool addFileToZip(const std::string& path, const std::string& newname);
  // Adds `size` bytes of an open file from `offset` as an entry named
  // `newname`, read a chunk at a time, dated now in local time: parts a
  // package writer keeps together in one file of its own. False when no
  // archive is open, the archive is full, or reading or writing fails.
  bool addFileRangeToZip(int fd, uint64_t offset, uint64_t size, const std::string& newname);
  // Adds bytes held in memory as an entry named `newname` (deflated, or
  // stored when isStoredEntry), dated now in local time: parts a package
  // writer makes in memory go into the archive without a file of their own.
  // False when no archive is open, the archive is full or writing fails.
  bool addDataToZip(std::string_view data, const std::string& newname);
  // Adds every file below the folder, recursively, as `newname`/<relative
  // path>, items of one folder in name order, hidden files included. False at
  // the first failure (entries written before it stay), and for a folder
  // that cannot be listed.
  bool addFolderToZip(const std::string& path, const std::string& newname);
  // True for entry names of already compressed pictures (.png, .jpeg, .jpg,
  // any case), which are stored rather than deflated.
  static bool isStoredEntry(std::string_view name);
  // True when the item itself (a final symbolic link not followed) is a directory.
  static bool isDirectory(const std::string& path);
  // Finishes the archive. False when none is open or finishing it fails.
  bool closeZipFile2();

 private:
  // Fills up to n bytes of the buffer with the entry's next bytes: how many,
  // 0 at its end, -1 on failure (errno EINTR: ask again).
  using EntryReader = std::function<ssize_t(char* into, size_t n)>;
  // Opens, writes and closes one entry of about `size` bytes read from
  // `read`, stored or deflated by its name, a big one deflated in blocks;
  // counts it.
  bool writeEntry(const std::string& newname, time_t modified, uint64_t size, const EntryReader& read);
  bool writeStream(const EntryReader& read);
  bool writeBlocks(const EntryReader& read);

  void* zipFile_ = nullptr;
  size_t entries_ = 0;
  // The read buffer of an entry written as one stream, made once per
  // archive rather than once per entry.
  std::vector<char> chunk_;
};
