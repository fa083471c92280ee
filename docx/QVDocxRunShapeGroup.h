#pragma once
// Vector shapes of a page drawn one after another, held as one floating
// group. An office application lays out every floating object of a page
// against every other, so that a page of a few hundred shapes takes it
// seconds and one of thousands minutes; a group is one object, whatever it
// holds. Its members keep their own outlines, paints and order.
#include <memory>
#include <vector>

#include "docx/QVDocxRun.h"
#include "docx/QVDocxRunPath.h"

class QVDocxRunShapeGroup : public QVDocxRunPict {
 public:
  // The union of the members' boxes.
  platform::Rect displayRect() const override;
  // w:r with its w:rPr and a w:pict holding a VML group placed on the page,
  // its coordinates twentieths of a point, and the members in their order.
  void writeWithXMLWriter(XMLFileWriter& writer) const override;

  std::vector<std::shared_ptr<QVDocxRunPath>> members;
};
