#pragma once
// Keeps a conversion's output away from its final name until the conversion
// has succeeded. The exporter writes into a private hidden folder beside the
// output (same file system, so the final move is a rename); commit() moves
// what it wrote into place, the output file itself last; anything not
// committed is removed with the folder.
#include <string>

class QVOutputStaging {
 public:
  explicit QVOutputStaging(std::string outputPath);
  ~QVOutputStaging();
  QVOutputStaging(const QVOutputStaging&) = delete;
  QVOutputStaging& operator=(const QVOutputStaging&) = delete;

  // Makes the staging folder and answers the path the exporter writes the
  // output to (same file name as the output). Throws std::runtime_error when
  // the output folder cannot take it.
  const std::string& prepare();
  // Moves every item the exporter wrote into the output folder. False when a
  // move fails; the output path then holds nothing of this conversion.
  bool commit();
  // Removes the staging folder and everything in it.
  void discard();

  // Puts a finished output (a file, or a folder of files) under its name,
  // with the permissions an ordinary new file or folder gets under the
  // user's umask, whatever made it (a private temporary file, a private
  // folder): others may read what the user would let them read. A file
  // replaces one at `to`; a folder never replaces anything. False when it
  // cannot be moved; the output is then left where it was.
  static bool moveIntoPlace(const std::string& from, const std::string& to);

  const std::string& outputPath() const { return outputPath_; }
  const std::string& stagedOutputPath() const { return stagedOutputPath_; }

 private:
  std::string outputPath_;
  std::string folder_;
  std::string stagedOutputPath_;
};
