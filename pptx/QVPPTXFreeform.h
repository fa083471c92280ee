#pragma once
// A painted vector path as custom geometry with a solid fill and line.
#include <vector>

#include "convert/QVJoinedPathBoxes.h"
#include "platform/geometry/path.h"
#include "pptx/QVPPTXFreeformInfo.h"
#include "pptx/QVPPTXPathElement.h"
#include "pptx/QVPPTXShape.h"

class QVPPTXFreeform : public QVPPTXShape {
 public:
  QVPPTXFreeform() : QVPPTXShape(kFreeform) {}

  // The path in display points.
  platform::Path runCGPath;
  // Paths taken in after runCGPath by join(), in drawing order; each is
  // written as an a:path of its own in the shape's coordinate space.
  std::vector<platform::Path> joinedPaths;
  QVPPTXFreeformInfo spInfo;

  // Takes in the path `path` painted as `info` says, drawn right after this
  // shape's paths, when the paint is the same and the painted areas cannot
  // meet, and answers whether it did (spInfo then spans both). Text drawn as
  // outlines is thousands of small paths a page: as as many shapes, the
  // slide takes long to write and longer to open. Readers may fill all paths
  // of a shape by one rule, so areas that overlap could cancel, and
  // overlapping translucent paint would blend once instead of twice: a path
  // joins only where its box, widened by the line, meets none of the boxes
  // already taken in.
  bool join(platform::Path&& path, const QVPPTXFreeformInfo& info);

  // One element record per path element, in path order.
  static std::vector<QVPPTXPathElement> pointsWithCGPath(const platform::Path& path);

 protected:
  void write_nvSpPr() override;
  void write_spPr() override;
  void write_style() override;
  void write_txBody() override;
  void write_SpPr_custGeom();
  void writeLine();

 private:
  // The painted boxes of the paths taken in so far.
  QVJoinedPathBoxes joinedBoxes_;
};
