#include "app/window/QVAboutWindowController.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/QVApplicationInfo.h"
#include "app/window/QVNamedImages.h"

namespace {
QString qstring(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

QVAboutWindowController::QVAboutWindowController(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutWindow"));
  setWindowTitle(QStringLiteral("About %1").arg(qstring(kQVApplicationName)));
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(QVNamedImages::pixmap("pdfconverter", QSize(96, 96), devicePixelRatioF()));
  icon->setAlignment(Qt::AlignCenter);
  layout->addWidget(icon);
  auto* name = new QLabel(QStringLiteral("<b style='font-size:16px'>%1</b><br>Version %2")
                              .arg(qstring(kQVApplicationName), qstring(kQVApplicationVersion)),
                          this);
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* purpose = new QLabel(QStringLiteral("Converts PDF documents into editable presentations, text, RTF and "
                                            "HTML files.<br><a href='%1'>%1</a>")
                                 .arg(qstring(kQVWebsiteURL)),
                             this);
  purpose->setWordWrap(true);
  purpose->setAlignment(Qt::AlignCenter);
  purpose->setOpenExternalLinks(true);
  layout->addWidget(purpose);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(buttons);
  setFixedWidth(340);
}
