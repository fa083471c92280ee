#pragma once
// QVPPTXPDFExporter: the presentation exporter. Each PDF page becomes one
// slide: shown text becomes absolutely placed text boxes of paragraphs and
// runs, painted paths become freeform shapes (or pictures rendered from them
// when they are complex), and drawn images become pictures, clipped where the
// page clips them. Shapes keep the order in which the page painted them.
//
// Geometry is in display space: points, origin at the top-left corner of the
// page as displayed after its /Rotate, y growing downwards.
//
// Text boxes. A string opens a box at its em box's top-left corner; the next
// strings continue it on the same line (with blanks for the gaps between
// them, at most kMaxInsertedBlanks), as a new paragraph on a lower line that
// starts at or right of the box's left edge, or close it and open a new box
// (a higher line, a line further than kMaxParagraphDrop below, a step back
// along the line, a change of direction, or a gap wider than the blanks
// allow). Lines and steps are measured along the text's own direction. A box
// turned by an angle is placed so that its turned top-left corner lands on
// its first glyph.
//
// Right-to-left text keeps its reading order in a box: a string drawn right
// of the right-to-left text before it is read before it, and one drawn left
// of it (a page that places its words in reading order) after it, widening
// the box to the left. Text of a vertical font goes into vertical text boxes
// (upright characters down a column), one per column.
//
// A page of another size than the slide (the deck takes the first page's
// size) is scaled to fit the slide, centred, its proportions kept.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/QVPDFExporter.h"
#include "convert/QVPDFPageFrame.h"
#include "convert/QVPDFRendering.h"
#include "convert/QVPDF_CTMInfo.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFImageFile.h"
#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/image/bitmap.h"
#include "pptx/QVPPTXTextProperties.h"

class QVPPTXWriter;
class QVPPTXPage;
class QVPPTXParagraph;
class QVPPTXRun;
class QVPDFRenderState;

class QVPPTXPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate {
 public:
  // The most blanks put between two strings of one line; a wider gap opens
  // a new text box for the string.
  static constexpr int kMaxInsertedBlanks = 32;
  // A gap of at least this fraction of the font size is a word space even
  // when it is narrower than half the font's space width.
  static constexpr double kMinWordGap = 0.2;
  // A lower line further down than this (points) opens a new box.
  static constexpr double kMaxParagraphDrop = 96.0;
  // Items of a path's element list (its leading marker included) from which
  // it is rendered to a picture rather than written as a freeform.
  static constexpr size_t kPathElementItemLimit = 29;
  // What one page may cost, so that a small hostile file cannot make a
  // conversion run for hours or fill the memory. Strings, paths and images
  // a slide takes from its page: the page's later ones are left out.
  static constexpr uint64_t kMaxItemsPerSlide = 200'000;
  // Pixels of the pictures a page makes: image files written, clipped
  // images and paths rendered. Beyond it, complex paths become freeforms,
  // and images that need a new file or clipping are left out.
  static constexpr int64_t kMaxPicturePixelsPerPage = int64_t{1} << 27;

  QVPPTXPDFExporter();
  ~QVPPTXPDFExporter() override;

  // ---- The exporter contract
  void begainConvertPDF(const std::string& outputPath) override;
  bool convertPDFPage(const platform::PdfPage& page) override;
  void endConvertPDF(const platform::PdfDocument& document) override;
  void cleanConvertPDF() override;

  // ---- The interpreter's callbacks
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override;
  void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override;

  // ---- State
  QVPPTXWriter* pdfConverter() { return pdfConverter_.get(); }
  bool isShouldCancel() const { return isShouldCancel_; }
  void setIsShouldCancel(bool value) { isShouldCancel_ = value; }
  // The page box as displayed (rotated with the page, origin 0).
  const platform::Rect& currentPageMediaBox() const { return currentPageMediaBox_; }
  int64_t currentPageRotationAngle() const { return frame_.display().rotation; }
  // User space of the page to display space.
  const platform::AffineTransform& currentPageTransform() const { return frame_.pageTransform(); }
  double nextCharFontSize() const { return nextCharFontSize_; }
  const platform::AffineTransform& nextCharTransform() const { return nextCharTransform_; }
  const QVPDF_CTMInfo& nextCharCTMInfo() const { return nextCharCTMInfo_; }

  // ---- The text path (each reads the top state of the page's stack)
  // Opens a box for the string (a lone blank or control character opens
  // none) and appends it.
  void newPPTXTextBox(const std::string& text, platform::Size offset);
  // Continues the open box with the string, or closes it and opens another.
  void usingPPTXTextBox(const std::string& text, platform::Size offset);
  // Adds the string to the open box's last paragraph and moves the expected
  // position past it; blankWidth is the width of blanks put in front of it.
  void appendPPTXTextBox(const std::string& text, platform::Size offset, double blankWidth);
  // Run properties from the current state.
  QVPPTX_RunPr currentRProperty() const;
  // Closes the open text box, if any, into a text-box shape of the slide.
  void endTextBoxWritingIfNeed();
  // The display-space extent of a text-space width along the text line.
  platform::Size convertToDisplaySpaceWidth(double width) const;
  // Text space to display space now, and after an advance.
  platform::AffineTransform currentDisplayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size advance) const;

  // The size of the slides, and the transform that places a page of the given
  // display size on them: none for a page of the slides' own size, else a
  // scale that fits it inside, centred.
  static platform::AffineTransform slideFitTransform(platform::Size page, platform::Size slide);

  // ---- Paths and images
  // Renders a display-space path into a picture of the slide.
  void useCGPathToImage(const platform::Path& displayPath, bool stroke, bool fill);

 private:
  QVPDFRenderState& state() const;
  QVPPTXPage* currentPage() const;
  // The placement record of a string at the current position.
  QVPDF_CTMInfo currentCTMInfo() const;
  QVPDF_CTMInfo ctmInfoFor(const platform::AffineTransform& displayTextTransform) const;
  // The em of the current font at the current size, and its ascent and
  // descent as fractions of it.
  double emFontSize() const;
  double fontAscent() const;
  double fontDescent() const;
  bool isVerticalText() const;
  // The space width of the current font along the line in display space.
  double displaySpaceWidth(double rotation) const;
  // Blanks for a gap along the line: none for a gap under half a space (but
  // one for a fifth of the em), nullopt for a gap wider than the blanks
  // allow.
  std::optional<int> blanksForGap(double gap, double space, double em) const;
  // Vertical writing: the column a string starts, continues or leaves.
  void newVerticalTextBox(const std::string& text, platform::Size offset);
  void usingVerticalTextBox(const std::string& text, platform::Size offset);
  // Where a string of the current state starts: the top of its em box at the
  // start of its baseline.
  platform::Point stringStartCorner() const;
  // Where the descent line of a string placed by the transform starts.
  platform::Point descentLineStart(const platform::AffineTransform& displayTextTransform) const;
  // Puts the string into the open box's last paragraph before the
  // right-to-left text that ends it (a string drawn right of it).
  void prependToRightToLeftRun(const std::string& text, platform::Size offset, double blankWidth);
  void appendVerticalText(const std::string& text, platform::Size offset, double blankWidth);
  // The run of the paragraph that takes the text: its last run when that has
  // the current run properties (and no run of its own is asked for), else a
  // new one.
  QVPPTXRun& runForText(QVPPTXParagraph& paragraph, const std::string& text, bool ownRun);
  static QVPPTXRun makeRun(const QVPPTX_RunPr& properties, const std::string& text);
  // After a string is put into the box: where the next one is expected, and
  // the run's growth by the string's advance and its blanks.
  void moveExpectedPosition(platform::Size offset, const QVPDF_CTMInfo& start);
  void widenRun(QVPPTXRun& run, const QVPDF_CTMInfo& start, double blankWidth);
  // Widens an upright box to the left so that the last paragraph reaches x;
  // false when that would shift the margins of too many paragraphs.
  bool extendBoxLeftTo(double x);
  // The size of the right-to-left text that ends the last paragraph.
  size_t rightToLeftRunBytes();
  // User space to display space.
  platform::AffineTransform userToDisplay() const;
  // The memory the next canvas is made in.
  platform::image::PixelStorage* canvasMemory();
  // Takes a written picture's canvas memory back for the next picture.
  void keepCanvasMemory(platform::image::Bitmap&& canvas);

  std::unique_ptr<QVPPTXWriter> pdfConverter_;
  bool isShouldCancel_ = false;
  QVPDFPageFrame frame_;
  // Where the page lands on the slide.
  platform::Rect currentPageMediaBox_;
  double nextCharFontSize_ = 1.0;
  platform::AffineTransform nextCharTransform_;
  QVPDF_CTMInfo nextCharCTMInfo_;
  // The open box's first glyph: the top of its em box at the start of its
  // baseline, where the box's turned top-left corner goes.
  platform::Point boxStartCorner_;
  // The slides' size, the canvas of the pictures a page renders.
  platform::Size currentSlideSize_;
  // The last appended string's placement record where it starts.
  QVPDF_CTMInfo lastStringCTMInfo_;
  // Where the next string's descent line is expected to start.
  platform::Point nextDescentLineStart_;
  // Where the last paragraph's closing right-to-left text starts (its run,
  // and the byte in that run), while the last string appended was part of
  // it.
  struct RightToLeftStart {
    size_t run = 0;
    size_t offset = 0;
  };
  std::optional<RightToLeftStart> rightToLeftRun_;
  // Vertical writing: where the next character of the open column is
  // expected (top centre of its em box, display space).
  platform::Point nextVerticalPosition_;
  uint64_t nextRenderedImage_ = 1;
  // The memory of the last canvas, reused by the next rendered picture (up
  // to kKeptCanvasBytes; larger canvases are given back at once).
  static constexpr size_t kKeptCanvasBytes = size_t{8} << 20;
  platform::image::PixelStorage canvasMemory_;
  // Path pictures already made, by what fixes their pixels (see
  // QVPDFRendering::pathPictureKey): a repeated outline is neither rendered
  // nor encoded again. Up to kKeyedPathPictureBytes of keys and PNGs are
  // kept.
  struct KeyedPathPicture {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::string> png;
  };
  static constexpr size_t kKeyedPathPictureBytes = size_t{2} << 20;
  std::unordered_map<std::string, KeyedPathPicture> keyedPathPictures_;
  size_t keyedPathPictureBytes_ = 0;
  // Clipped pictures already made.
  QVPDFClippedImages clippedImages_;
  // Spent of the page's budgets.
  uint64_t pageItems_ = 0;
  int64_t picturePixels_ = 0;
};
