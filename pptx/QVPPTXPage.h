#pragma once
// One slide of the presentation: its shapes in drawing order, its
// relationships (the layout, then its images), and the text box that the
// exporter is filling. The slide part and its relationships part are made
// together when the page ends, into the package's parts (partSink) or, for
// a page on its own, in memory.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pptx/QVPPTXParagraph.h"
#include "pptx/QVPPTXShape.h"
#include "pptx/QVPPTXTextBoxInfo.h"

class XMLFileWriter;

struct QVPPTXRelationship {
  std::string Type;
  std::string Target;

  bool operator==(const QVPPTXRelationship&) const = default;
};

class QVPPTXPage {
 public:
  // initWithPageNumber: slide N of the package.
  explicit QVPPTXPage(uint64_t pageNumber);
  QVPPTXPage(const QVPPTXPage&) = delete;
  QVPPTXPage& operator=(const QVPPTXPage&) = delete;

  // Starts the slide: no shapes, the layout relationship only.
  void begainWritePage(uint64_t pageNumber);
  void setDefaultRels();

  // The relationship id ("rIdN") of the image relationship whose target is
  // "../media/" and the path's file name; none when there is none.
  std::optional<std::string> findExistRelsWithImagePath(std::string_view path) const;
  // Adds an image relationship to "../media/" and the path's file name.
  std::string addNewRelsWithImagePath(std::string_view path);

  // Makes the slide part and its relationships part. Throws
  // XMLWriterException when either cannot be made completely.
  void endWritePage(uint64_t pageNumber);
  void writePage();
  void writeRels();

  // The open text box's paragraphs. The last paragraph, made (with the
  // default properties) when there is none.
  QVPPTXParagraph& lastTextBoxParagraph();
  // Appends a paragraph with the last paragraph's properties and answers it.
  QVPPTXParagraph& newTextBoxParagraph();
  // The widest paragraph, its left margin included (never below 0).
  double maxTextBoxWidth() const;
  // The sum of the paragraphs' line spacings.
  double totalTextBoxHeight() const;

  // Appends a shape in drawing order.
  void addShape(std::unique_ptr<QVPPTXShape> shape) { sharepsArr.push_back(std::move(shape)); }

  // Where endWritePage sends the parts, a piece at a time as they are made;
  // without a sink they are kept whole in slidePart() and relsPart().
  using PartSink = std::function<void(const std::string& partName, std::string_view bytes)>;
  void setPartSink(PartSink sink) { partSink_ = std::move(sink); }

  // The parts' names in the package, and what endWritePage made of them.
  const std::string& slidePartName() const { return slidePartName_; }
  const std::string& relsPartName() const { return relsPartName_; }
  std::string& slidePart() { return slidePart_; }
  std::string& relsPart() { return relsPart_; }

  uint64_t pageNumber;
  bool isUsingTextBox = false;
  std::vector<QVPPTXParagraph> cachedTextBoxParagraphs;
  QVPPTXTextBoxInfo cachedTextBoxInfo;
  std::vector<QVPPTXRelationship> pageRelsArr;
  // Relationship number (1-based) of each picture target in pageRelsArr.
  std::unordered_map<std::string, size_t> imageRelsByTarget;
  std::vector<std::unique_ptr<QVPPTXShape>> sharepsArr;

 private:
  std::string slidePartName_;
  std::string relsPartName_;
  std::string slidePart_;
  std::string relsPart_;
  PartSink partSink_;

  // A writer of one of the parts: into the sink, or into *kept.
  std::unique_ptr<XMLFileWriter> partWriter(const std::string& partName, std::string* kept);
};
