#include "pdf/QVPDFXObject.h"

#include "pdf/QVPDFFormXObject.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFPostScriptXObject.h"

std::shared_ptr<QVPDFXObject> QVPDFXObject::xObjectWithStream(const platform::PdfObject& stream, std::string name,
                                                              const platform::PdfObject& colorSpaceResources) {
  if (!stream.isStream()) return nullptr;
  const std::string subtype = stream.getName("Subtype").value_or("");
  std::shared_ptr<QVPDFXObject> object;
  if (subtype == "Image") object = std::make_shared<QVPDFImageXObject>(stream, colorSpaceResources);
  else if (subtype == "Form") object = std::make_shared<QVPDFFormXObject>(stream);
  else if (subtype == "PS") object = std::make_shared<QVPDFPostScriptXObject>(stream);
  else return nullptr;
  object->setObjectID(std::move(name));
  return object;
}
