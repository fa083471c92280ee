#pragma once
// A drawing object of a slide: a text box, a freeform or a picture, written
// as one PresentationML element when its slide is written.
#include <cstdint>
#include <string>
#include <vector>

#include "pptx/QVPPTXParagraph.h"
#include "pptx/QVPPTXTextProperties.h"

class XMLFileWriter;

class QVPPTXShape {
 public:
  enum : uint64_t { kTextBox = 0, kFreeform = 1, kPicture = 2 };

  // initWithType: the kind, no paragraphs, the default text-body properties.
  explicit QVPPTXShape(uint64_t type);
  virtual ~QVPPTXShape() = default;
  QVPPTXShape(const QVPPTXShape&) = delete;
  QVPPTXShape& operator=(const QVPPTXShape&) = delete;

  uint64_t spType;
  std::vector<QVPPTXParagraph> paragraphs;
  QVPPTX_TxBodyPr bodyPr;
  // The shape's drawing-object id, unique within its slide (the slide's own
  // group is 1); the slide numbers its shapes 2, 3, ... when it writes them.
  uint32_t shapeId = 2;

  // Writes the whole element: p:sp with its non-visual properties, shape
  // properties, style and text body.
  virtual void writeShapeWith(XMLFileWriter& writer);

 protected:
  virtual void write_nvSpPr() {}
  virtual void write_spPr() {}
  virtual void write_style() {}
  virtual void write_txBody() {}
  // "<kind> <n>", numbered like the ids, one below them.
  std::string shapeName(std::string_view kind) const;

  // The slide's writer while the shape writes itself.
  XMLFileWriter* xmlWriter = nullptr;
};
