#pragma once
// QVPDFXObject: a named external object of a content stream's resources (an
// image, a form, or a PostScript fragment), and the factory that builds the
// right kind from a stream.
//
//   auto x = QVPDFXObject::xObjectWithStream(stream, "Im1", colorSpaceResources);
//   if (x && x->getType() == QVPDFXObject::kTypeImage) { ... }
#include <memory>
#include <string>

#include "platform/geometry/geometry.h"
#include "platform/pdf/object.h"

class QVPDFXObject {
 public:
  enum Type : int { kTypeBase = 0, kTypeImage = 1, kTypeForm = 2, kTypePostScript = 3 };

  // The XObject of a resource entry: the stream's /Subtype chooses Image,
  // Form or PS. Null for an object that is not a stream or for another
  // subtype. `name` becomes objectID(). `colorSpaceResources` is the
  // /ColorSpace resource dictionary of the content that names the XObject
  // (null when it has none); an image reads named colour spaces from it.
  // Building is cheap: an image is decoded only when it is first drawn
  // (QVPDFImageXObject::imageFile).
  static std::shared_ptr<QVPDFXObject> xObjectWithStream(const platform::PdfObject& stream, std::string name,
                                                         const platform::PdfObject& colorSpaceResources = {});

  virtual ~QVPDFXObject() = default;
  QVPDFXObject(const QVPDFXObject&) = delete;
  QVPDFXObject& operator=(const QVPDFXObject&) = delete;

  virtual int getType() const { return kTypeBase; }

  // The resource name it was built under; empty for an inline image.
  const std::string& objectID() const { return objectID_; }
  void setObjectID(std::string name) { objectID_ = std::move(name); }
  // Left to the caller: the interpreter places XObjects by the current state.
  const platform::AffineTransform& ctm() const { return ctm_; }
  void setCtm(const platform::AffineTransform& ctm) { ctm_ = ctm; }
  // The stream (valid as long as its document) and its dictionary.
  const platform::PdfObject& xObjectStream() const { return stream_; }
  platform::PdfObject xObjectDictionary() const { return stream_.dictionary(); }

 protected:
  explicit QVPDFXObject(platform::PdfObject stream) : stream_(std::move(stream)) {}

 private:
  std::string objectID_;
  platform::AffineTransform ctm_{0, 0, 0, 0, 0, 0};
  platform::PdfObject stream_;
};
