#pragma once
// A picture of the page: a floating VML picture anchored to the page,
// placed, turned and mirrored as the page draws it, referring to its image
// in the package's media by relationship id.
#include <string>

#include "docx/QVDocxImageInfo.h"
#include "docx/QVDocxRun.h"

class QVDocxRunImage : public QVDocxRunPict {
 public:
  // The same properties, placement, id and title; draw index and stacking
  // order start afresh.
  std::unique_ptr<QVDocxRun> copy() const override;
  // The area the turned picture covers: the bounding box of its box turned
  // about its centre.
  platform::Rect displayRect() const override;
  // w:r with its w:rPr and a w:pict holding the picture.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;
  void _writeImage2006(XMLFileWriter& writer) const;

  std::string runImageTitle;  // "Untitled" is written when empty
  std::string runImageID;
  QVDocxImageInfo pictInfo;
  // The picture covers the page behind its text, and is written as a
  // rectangle filled with the image: LibreOffice shows it as it shows the
  // picture shape. A reader that lays a picture shape out in the line of its
  // paragraph (where one of the page's size pushes the page's text out of
  // sight) leaves the rectangle out and shows the text.
  bool pageBackground = false;
};
