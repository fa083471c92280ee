#pragma once
// What the window asks of the desktop: open a file with its application,
// show a file in the file manager, open a web or mail address, and let the
// user choose files and the output folder. The window reaches the desktop
// only through this class, so a test can put a recorder in its place.
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

class QVDesktopServices {
 public:
  using FolderChoice = std::function<void(const std::optional<std::string>& folder)>;
  using FilesChoice = std::function<void(const std::vector<std::string>& paths)>;

  virtual ~QVDesktopServices() = default;

  // Opens the file (or folder) with the user's application for it; false
  // when no application took it.
  virtual bool openPath(const std::string& path);
  // Shows the file selected in the file manager (the freedesktop file-manager
  // interface on the session bus), or else opens the folder holding it.
  virtual void revealPath(const std::string& path);
  // Opens a web page or a mail link.
  virtual bool openURL(const std::string& url);
  // The two choosers are window-modal on `parent` and start in `startFolder`,
  // never in a folder the toolkit remembers from an earlier chooser. A start
  // folder that is not there, or that belongs to a file system of the
  // kernel's (/proc, /sys), is replaced by the home folder; and a chooser
  // guesses the types of the entries it lists from their names alone,
  // never reading a file (one of /proc can block its reader for good).
  //
  // A folder chooser; `done` is called once, with nothing when the user
  // cancelled.
  virtual void chooseOutputFolder(QWidget* parent, const std::string& startFolder, const std::string& message,
                                  FolderChoice done);
  // A chooser of PDF files; `done` is called once, with no paths when the
  // user cancelled.
  virtual void choosePDFFiles(QWidget* parent, const std::string& startFolder, FilesChoice done);
};
