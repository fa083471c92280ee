#pragma once
// Where each shown string of a page goes in the flowing-text outputs:
//
//   - upright text (turned by less than 5 degrees, not mirrored) becomes a
//     main-text run of the page's flow;
//   - text turned by a quarter turn (strictly between 85 and 95, or 265 and
//     275 degrees) is collected into the paragraphs of a floating text box;
//   - text at any other angle, and mirrored text, is collected into the
//     string of a text path along a straight line.
//
// A box or a path stays open while the following strings continue it; the
// first string that does not closes it and is routed afresh, so upright text
// after turned text rejoins the flow. What a closed box or path becomes is
// the exporter's: the Word exporter turns them into floating runs, the
// HTML, RTF and plain-text exporters drop them. The router is one state
// machine shared by all of them; each exporter supplies the hooks.
//
// Geometry is display space (points, y downwards). The router remembers
// where the next character would start after the last string taken (the
// next-character state) and where the last main-text string ended (the
// main-text state); closing a box or a path returns to the latter
// (restore()).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/QVPDF_CTMInfo.h"
#include "docx/QVDocx.h"
#include "docx/QVDocxConversionContext.h"
#include "docx/QVDocxParagraph.h"
#include "docx/QVDocxRun.h"
#include "docx/QVDocxTextBoxInfo.h"
#include "docx/QVDocxTextPathInfo.h"
#include "platform/geometry/geometry.h"

class QVPDFPageFrame;

// One shown string as the router needs it: its text and the text state that
// places it.
struct QVShownString {
  std::string_view text;
  // Text space at the string's start, and after its advance, to display space.
  platform::AffineTransform start;
  platform::AffineTransform next;
  double fontSize = 1;   // the font's em at its size, text space
  double ascent = 0.95;  // fractions of the em
  double descent = -0.35;
  double spaceWidth = 0;  // one space in text space (the font's space width times the size)
};

// How a box or a path opened now would be painted.
struct QVTextRouterPaint {
  platform::Color strokecolor = platform::Color::rgb(0, 0, 0);
  platform::Color fillcolor = platform::Color::rgb(0, 0, 0);
  std::vector<int64_t> dashPattern;
  int64_t dashPhase = 0;
};

// An upright string ready to become a run of the page's flow.
struct QVMainTextString {
  std::string text;
  QVPDF_CTMInfo start;    // where the string starts (rotation 0)
  QVPDF_CTMInfo end;      // where the next character would start
  double spaceWidth = 0;  // display points
  double textWidth = 0;   // display points, along the line
  QVDocx_RPr rProperty;
  uint64_t drawIndex = 0;
};

// A closed text box: its frame (sized to its text, 36 points wider and
// higher) and its paragraphs.
struct QVRoutedTextBox {
  QVDocxTextBoxInfo info;
  std::vector<QVDocxParagraph> paragraphs;
};

// A closed text path: its line from the start of its first string to the
// end of its last, and its text.
struct QVRoutedTextPath {
  QVDocxTextPathInfo info;
  std::string text;
};

class QVTextRouterDelegate {
 public:
  virtual ~QVTextRouterDelegate() = default;
  // The run properties of the text shown now.
  virtual QVDocx_RPr currentRProperty() = 0;
  // How a box or path opened now is painted.
  virtual QVTextRouterPaint currentPaint() { return {}; }
  // Hook: an upright string to add to the page's flow.
  virtual void makeMainRun(QVMainTextString run) = 0;
  // Hook: the open text box closed.
  virtual void closeTextBox(QVRoutedTextBox box) { (void)box; }
  // Hook: the open text path closed.
  virtual void closeTextPath(QVRoutedTextPath path) { (void)path; }
};

class QVTextRouter {
 public:
  // Tolerance of every rotation band, degrees.
  static constexpr double kBandTolerance = 5.0;
  // A box line further across than this closes the box.
  static constexpr double kMaxBoxLineStep = 96.0;
  // The frame of a closed box around its text.
  static constexpr double kBoxPadding = 36.0;

  enum class RotationClass { Upright, QuarterTurn90, QuarterTurn270, Other };

  QVTextRouter(QVDocxConversionContext& context, QVTextRouterDelegate& delegate);

  // A page of the given display size begins: the text state starts afresh
  // (the placement records of the previous page are kept, as they would be
  // before the page's first string anyway).
  void begainPage(platform::Size pageSize);
  // The page ends: an open box, then an open path, is closed.
  void endPage();

  // Routes one shown string.
  void didScanText(const QVShownString& s);
  // The string shown now, as the frame of the page places it (the em of its
  // font as the size), with the advance the interpreter reported.
  static QVShownString shownString(const QVPDFPageFrame& frame, std::string_view text, platform::Size advance);

  // The three routes.
  void usingDocxMainText(const QVShownString& s);
  void newDocxTextBox(const QVShownString& s);
  void appendDocxTextBox(const QVShownString& s, std::string_view text);
  void usingDocxTextBox(const QVShownString& s);
  void newDocxTextPath(const QVShownString& s);
  void appendDocxTextPath(const QVShownString& s);
  void usingDocxTextPath(const QVShownString& s);
  // Closing: also before a drawing is taken from the page, which then
  // restores the main-text state.
  void endTextBoxWritingIfNeed();
  void endTextPathWritingIfNeed();
  void restore();

  // The class of a string's direction: mirrored text has none.
  static RotationClass classify(const QVPDF_CTMInfo& p);
  // The quarter-turn bands without the upright one: 90 or 270 inside them,
  // the rotation unchanged outside.
  static double quarterTurnBands(double rotation);
  // One UTF-16 unit no higher than U+0020 (a blank, a tab, a line break).
  static bool isSingleBlank(std::string_view text);

  // State, for the exporters and tests.
  bool isUsingTextBox() const { return isUsingTextBox_; }
  bool isUsingTextPath() const { return isUsingTextPath_; }
  bool isNotScanTextYet() const { return isNotScanTextYet_; }
  const QVDocxTextBoxInfo& cachedTextBoxInfo() const { return cachedTextBoxInfo_; }
  const std::vector<QVDocxParagraph>& cachedTextBoxParagraphs() const { return cachedTextBoxParagraphs_; }
  const QVDocxTextPathInfo& cachedTextPathInfo() const { return cachedTextPathInfo_; }
  const std::string& cachedTextPathString() const { return cachedTextPathString_; }
  const QVPDF_CTMInfo& nextCharCTMInfo() const { return nextCharCTMInfo_; }
  const QVPDF_CTMInfo& mainTextCTMInfo() const { return mainTextCTMInfo_; }

  // The open box's paragraphs.
  QVDocxParagraph* lastTextBoxParagraph();
  void newTextBoxParagraph();
  double totalTextBoxHeight() const;
  double maxTextBoxWidth() const;

 private:
  QVPDF_CTMInfo placement(const QVShownString& s, const platform::AffineTransform& t) const;
  // The display extent of the string's space along its text line.
  platform::Size displaySpaceWidth(const QVShownString& s) const;
  void advance(const QVShownString& s);
  // The most blanks a gap turns into on this page.
  int32_t maxBlanks() const;

  QVDocxConversionContext& context_;
  QVTextRouterDelegate& delegate_;
  platform::Size pageSize_;

  double nextCharFontSize_ = 1.0;
  platform::AffineTransform nextCharTransform_;
  QVPDF_CTMInfo nextCharCTMInfo_;
  double mainTextFontSize_ = 1.0;
  platform::AffineTransform mainTextTransform_;
  QVPDF_CTMInfo mainTextCTMInfo_;
  bool isNotScanTextYet_ = true;

  bool isUsingTextBox_ = false;
  QVDocxTextBoxInfo cachedTextBoxInfo_;
  std::vector<QVDocxParagraph> cachedTextBoxParagraphs_;
  bool isUsingTextPath_ = false;
  QVDocxTextPathInfo cachedTextPathInfo_;
  std::string cachedTextPathString_;
};
