#pragma once
// A painted path of the page as a VML freeform shape anchored to the page.
// The path is held in display space; the shape's coordinate space is
// twentieths of a point, absolute on the page. A filled shape thinner than
// a point is drawn as a line in its fill colour, so that it stays visible.
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

  // The VML path text of a display-space path: moves, lines and curves in
  // twentieths of a point, "x" at every close, "e" at the end.
  static std::string pathText(const platform::Path& path);

  platform::Path runCGPath;
  QVDocxPathInfo pictInfo;
};
