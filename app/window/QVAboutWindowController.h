#pragma once
// The About window: the application's icon, name, version and purpose.
#include <QDialog>

class QVAboutWindowController : public QDialog {
 public:
  explicit QVAboutWindowController(QWidget* parent = nullptr);
};
