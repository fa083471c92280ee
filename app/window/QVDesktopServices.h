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
  // A folder chooser, window-modal on `parent`, starting in `startFolder`;
  // `done` is called once, with nothing when the user cancelled.
  virtual void chooseOutputFolder(QWidget* parent, const std::string& startFolder, const std::string& message,
                                  FolderChoice done);
  // A chooser of PDF files, window-modal on `parent`; `done` is called once,
  // with no paths when the user cancelled.
  virtual void choosePDFFiles(QWidget* parent, FilesChoice done);
};
