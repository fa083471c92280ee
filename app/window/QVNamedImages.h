#pragma once
// The images of the window (buttons, file-format icons, the lock, the status
// icons, the preview placeholder and the application icon), painted at run
// time so that they are sharp at any size and scale.
//
//   icon_pdf, icon_pdf_pw, icon_pptx, icon_txt, icon_rtf, icon_html,
//   icon_unknown, POI_History, veskar_success_status_icon,
//   veskar_failed_status_icon, default-eye, pdfconverter (the application),
//   btn-convert, btn-cancel (each also with -down and -hover)
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include <string_view>

namespace QVNamedImages {

// The image of that name at the size in device-independent pixels; a null
// pixmap for a name it does not know.
QPixmap pixmap(std::string_view name, QSize size, qreal devicePixelRatio = 1.0);
// The image at the usual icon sizes.
QIcon icon(std::string_view name);
// The size a button image is painted at.
QSize buttonSize();

}  // namespace QVNamedImages
