#pragma once
// Shadings: smooth colour gradients of a page's resources. Only the axial
// shading (QVPDFShadingAxial.h) reads its parameters; the other types are
// kept so that a shading resource of any type is known by name. Shadings are
// immutable once built and shared.
#include <memory>

#include "pdf/QVPDFFunction.h"
#include "platform/pdf/object.h"

class QVPDFShading {
 public:
  virtual ~QVPDFShading() = default;

  // The shading of a shading dictionary (or stream, for the mesh types) by
  // its integer ShadingType 1..7; null for a missing or other type.
  static std::shared_ptr<const QVPDFShading> shadingWithDictionary(const platform::PdfObject& dictionary);

  // The ShadingType this object stands for.
  virtual int shadingType() const = 0;

 protected:
  // Reads the parameters; types without parameters read nothing.
  virtual void parse(const platform::PdfObject& dictionary, QVPDFParseBudget& budget);
};

// Function-based shading (type 1).
class QVPDFShadingFunction : public QVPDFShading {
 public:
  int shadingType() const override { return 1; }
};

// Radial shading (type 3).
class QVPDFShadingRadial : public QVPDFShading {
 public:
  int shadingType() const override { return 3; }
};

// Free-form Gouraud-shaded triangle mesh (type 4).
class QVPDFShadingGouraudTriangleFree : public QVPDFShading {
 public:
  int shadingType() const override { return 4; }
};

// Lattice-form Gouraud-shaded triangle mesh (type 5).
class QVPDFShadingGouraudTriangleLattice : public QVPDFShading {
 public:
  int shadingType() const override { return 5; }
};

// Coons patch mesh (type 6).
class QVPDFShadingPatchMeshCoons : public QVPDFShading {
 public:
  int shadingType() const override { return 6; }
};

// Tensor-product patch mesh (type 7).
class QVPDFShadingPathMeshTensor : public QVPDFShading {
 public:
  int shadingType() const override { return 7; }
};
