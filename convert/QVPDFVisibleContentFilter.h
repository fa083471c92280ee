#pragma once
// What a reader of a page sees of what its interpreter reports. The filter
// stands between the interpreter and an exporter (the page frame puts it
// there for every output) and passes on a string, a path or an image only
// when some of it lies inside the page's visible box and inside the clip in
// force, and a string only once where the page draws it again over itself
// (bold or shadow made of copies). What the clip cuts only in part is passed
// on whole. Invisible text (rendering modes 3 and 7) over the same text drawn
// before is such a copy; drawn first, it does not make the visible text that
// follows one, which would leave the place empty.
//
// The clip is judged by the boxes of its paths, and a clip path without area
// (a line, a point) does not count: it is taken for a slip of the page's
// maker rather than for a reason to lose what is drawn under it. So only
// what lies wholly outside is left out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/QVPDFConentParser.h"
#include "platform/geometry/geometry.h"

class QVPDFRenderState;

class QVPDFVisibleContentFilter : public QVPDFConentParserDelegate {
 public:
  // At most this many strings of a page are remembered to find copies by,
  // and at most kMaxPerSquare of one text in one square of kSquare points.
  static constexpr size_t kMaxRememberedStrings = 200'000;
  static constexpr size_t kMaxPerSquare = 16;
  static constexpr double kSquare = 16;

  // `visibleBox`: what the page shows, in its default user space.
  QVPDFVisibleContentFilter(QVPDFConentParserDelegate& exporter, const platform::Rect& visibleBox);

  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override;
  void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override;

 private:
  // Where the glyphs of a string with this advance stand on the page, in
  // default user space (a little more than their ink rather than less);
  // `toPage` is the text matrix and the ctm, concatenated.
  static platform::Rect textBox(const QVPDFRenderState& state, platform::Size offset,
                                const platform::AffineTransform& toPage);

  // Where a string was drawn, in default user space: its origin, the unit
  // direction of its glyphs' baseline, their em upwards, and its advance.
  struct Placement {
    platform::Point origin;
    platform::Point direction;
    platform::Point up;
    double length = 0;
  };

  // Whether a box in default user space meets what the page shows in the
  // state's clip.
  bool shows(const QVPDFRenderState& state, const platform::Rect& box);
  // A string drawn already at (nearly) the same place, size and direction;
  // one that is not is remembered when `remember` is set.
  bool isCopy(const std::string& text, const Placement& placement, bool remember);
  // The strings drawn so far, by their text and the square of the page
  // their origin stands in (one key of both: the text's hash mixed with the
  // square's), each with its text's hash, which tells the texts of one key
  // apart.
  struct Drawn {
    uint64_t text = 0;
    Placement placement;
  };

  QVPDFConentParserDelegate& exporter_;
  platform::Rect visibleBox_;
  // The visible box within the clip last asked for, by the clip's last path
  // (a clip list only grows by appending, so its size and last path name
  // it) and the path kept so that its address is not taken again.
  size_t clipCount_ = 0;
  std::shared_ptr<const platform::Path> clipLast_;
  platform::Rect clipArea_;
  bool clipAreaEmpty_ = false;
  std::unordered_multimap<uint64_t, Drawn> drawn_;
  size_t remembered_ = 0;
};
