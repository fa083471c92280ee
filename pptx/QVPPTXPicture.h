#pragma once
// An image placed on a slide, referring to its media part by relationship id.
#include <string>

#include "pptx/QVPPTXImageInfo.h"
#include "pptx/QVPPTXShape.h"

class QVPPTXPicture : public QVPPTXShape {
 public:
  QVPPTXPicture() : QVPPTXShape(kPicture) {}

  // The slide relationship id of the image (from QVPPTXWriter::collectImage).
  std::string runImageID;
  QVPPTXImageInfo pictInfo;

  // Writes p:pic.
  void writeShapeWith(XMLFileWriter& writer) override;

 protected:
  void write_nvPicPr();
  void write_blipFill();
  void write_spPr() override;
};
