#pragma once
// One slide of the presentation: its shapes in drawing order, its
// relationships (the layout, then its images), and the text box that the
// exporter is filling. The slide part and its relationships part are written
// together when the page ends; nothing is written before.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pptx/QVPPTXParagraph.h"
#include "pptx/QVPPTXShape.h"
#include "pptx/QVPPTXTextBoxInfo.h"

struct QVPPTXRelationship {
  std::string Type;
  std::string Target;

  bool operator==(const QVPPTXRelationship&) const = default;
};

class QVPPTXPage {
 public:
  // initWithPageNumber:rootFolder: slide N of the package in the work folder;
  // creates ppt/slides and ppt/slides/_rels there.
  QVPPTXPage(uint64_t pageNumber, const std::string& rootFolder);
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

  // Writes the slide part and its relationships. Throws XMLWriterException
  // when either cannot be written completely.
  void endWritePage(uint64_t pageNumber);
  void writePage();
  void writeRels();
  // Removes what the slide has written (a slide that failed half-way).
  void removeParts() const;

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

  const std::string& slidePath() const { return slidePath_; }
  const std::string& relsPath() const { return relsPath_; }

  uint64_t pageNumber;
  bool isUsingTextBox = false;
  std::vector<QVPPTXParagraph> cachedTextBoxParagraphs;
  QVPPTXTextBoxInfo cachedTextBoxInfo;
  std::vector<QVPPTXRelationship> pageRelsArr;
  // Relationship number (1-based) of each picture target in pageRelsArr.
  std::unordered_map<std::string, size_t> imageRelsByTarget;
  std::vector<std::unique_ptr<QVPPTXShape>> sharepsArr;

 private:
  std::string slidePath_;
  std::string relsPath_;
};
