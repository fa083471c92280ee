#pragma once
#include <array>
#include <memory>

#include "pdf/QVPDFXObject.h"

class QVPDFColorSpace;

// A form XObject: its matrix, bounding box and transparency group. The
// interpreter runs the form's content itself.
class QVPDFFormXObject : public QVPDFXObject {
 public:
  // Reads the form dictionary at once (see parsed()).
  explicit QVPDFFormXObject(platform::PdfObject stream);
  int getType() const override { return kTypeForm; }

  // False when /FormType is present and not 1, or /BBox is not an array of
  // four numbers; the fields not read by then keep their defaults.
  bool parsed() const { return parsed_; }
  int64_t formType() const { return formType_; }
  // (a, b, c, d, tx, ty); the identity unless /Matrix has exactly six numbers.
  const std::array<double, 6>& matrix() const { return matrix_; }
  platform::AffineTransform matrixTransform() const;
  // (x0, y0, x1, y1) as written; all 0 when missing.
  const std::array<double, 4>& bbox() const { return bbox_; }
  platform::Rect bboxRect() const;
  bool transpGroup() const { return transpGroup_; }
  bool isolated() const { return isolated_; }
  bool knockout() const { return knockout_; }
  const std::shared_ptr<const QVPDFColorSpace>& blendingColorSpace() const { return blendingColorSpace_; }

 private:
  bool parse();

  bool parsed_ = false;
  int64_t formType_ = 0;
  std::array<double, 6> matrix_{1, 0, 0, 1, 0, 0};
  std::array<double, 4> bbox_{0, 0, 0, 0};
  bool transpGroup_ = false;
  bool isolated_ = false;
  bool knockout_ = false;
  std::shared_ptr<const QVPDFColorSpace> blendingColorSpace_;
};
