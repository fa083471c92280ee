#include "pdf/QVPDFShading.h"

#include "pdf/QVPDFShadingAxial.h"

namespace {

std::shared_ptr<QVPDFShading> newShadingOfType(int64_t type) {
  switch (type) {
    case 1: return std::make_shared<QVPDFShadingFunction>();
    case 2: return std::make_shared<QVPDFShadingAxial>();
    case 3: return std::make_shared<QVPDFShadingRadial>();
    case 4: return std::make_shared<QVPDFShadingGouraudTriangleFree>();
    case 5: return std::make_shared<QVPDFShadingGouraudTriangleLattice>();
    case 6: return std::make_shared<QVPDFShadingPatchMeshCoons>();
    case 7: return std::make_shared<QVPDFShadingPathMeshTensor>();
    default: return nullptr;
  }
}

}  // namespace

std::shared_ptr<const QVPDFShading> QVPDFShading::shadingWithDictionary(const platform::PdfObject& dictionary) {
  try {
    platform::PdfObject dict = dictionary.dictionary();
    if (dict.isNull()) return nullptr;
    auto type = dict.getInteger("ShadingType");
    if (!type) return nullptr;
    std::shared_ptr<QVPDFShading> shading = newShadingOfType(*type);
    if (!shading) return nullptr;
    QVPDFParseBudget budget;
    try {
      shading->parse(dict, budget);
    } catch (const std::exception&) {
      shading = newShadingOfType(*type);
    }
    return shading;
  } catch (const std::exception&) {
    return nullptr;
  }
}

void QVPDFShading::parse(const platform::PdfObject&, QVPDFParseBudget&) {}
