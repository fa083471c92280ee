#pragma once
// A painted vector path as custom geometry with a solid fill and line.
#include <vector>

#include "platform/geometry/path.h"
#include "pptx/QVPPTXFreeformInfo.h"
#include "pptx/QVPPTXPathElement.h"
#include "pptx/QVPPTXShape.h"

class QVPPTXFreeform : public QVPPTXShape {
 public:
  QVPPTXFreeform() : QVPPTXShape(kFreeform) {}

  // The path in display points.
  platform::Path runCGPath;
  QVPPTXFreeformInfo spInfo;

  // One element record per path element, in path order.
  static std::vector<QVPPTXPathElement> pointsWithCGPath(const platform::Path& path);

 protected:
  void write_nvSpPr() override;
  void write_spPr() override;
  void write_style() override;
  void write_txBody() override;
  void write_SpPr_custGeom();
  void writeLine();
};
