#pragma once
// A painted path of the page as a VML freeform shape anchored to the page.
// The path is held in display space; the shape's coordinate space is
// twentieths of a point, absolute on the page. A filled shape thinner than
// a point is drawn as a line in its fill colour, so that it stays visible.
#include "convert/QVJoinedPathBoxes.h"
#include "convert/QVPDFRendering.h"
#include "docx/QVDocxPathInfo.h"
#include "docx/QVDocxRun.h"
#include "platform/geometry/path.h"

class QVDocxRunPath : public QVDocxRunPict {
 public:
  // The same properties, path and description; draw index and stacking
  // order start afresh.
  std::unique_ptr<QVDocxRun> copy() const override;
  // The path's box.
  platform::Rect displayRect() const override;
  // w:r with its w:rPr and a w:pict holding the shape.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;
  void _writePath2006(XMLFileWriter& writer) const;
  // The shape as a member of a group whose coordinates are twentieths of a
  // point on the page: placed by the group, without stacking order of its
  // own.
  void writeInGroup(XMLFileWriter& writer) const;
  // How many points and closes the shape's outline holds.
  size_t elementCount() const { return runCGPath.elements().size(); }

  // The VML path text of a display-space path: moves, lines and curves in
  // twentieths of a point, "x" at every close, "e" at the end.
  static std::string pathText(const platform::Path& path);

  // Takes in a path painted right after this shape's last one with the
  // same paint, and answers whether it did. Text drawn as outlines or a fine
  // grid is thousands of small paths a page, and as many shapes an office
  // application cannot open in reasonable time; joined they are a few. A
  // filled path joins only where its box meets none of the boxes already
  // taken in, and a fill thinner than a point, drawn as a line, joins
  // nothing.
  bool join(const platform::Path& path, const QVDocxPathInfo& info, const QVPDFPathPaint& paint = {});

  platform::Path runCGPath;
  QVDocxPathInfo pictInfo;
  // How the page paints the path (its fill rule, the caps, joins and dashes
  // of its stroke), for a drawing rendered as a picture.
  QVPDFPathPaint paint;

 private:
  void writeShape(XMLFileWriter& writer, bool inGroup) const;

  QVJoinedPathBoxes joinedBoxes_;
};
