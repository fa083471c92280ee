#include "docx/QVTextRouter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "convert/QVPDFPageFrame.h"
#include "docx/QVPageLayoutCore.h"
#include "platform/text/text.h"

using platform::AffineTransform;
using platform::Size;

namespace {

bool isFiniteValue(double v) { return std::isfinite(v); }

// A placement that can be laid out: a transform of infinite or undefined
// values (a hostile matrix) gives none.
bool finitePlacement(const QVPDF_CTMInfo& c) {
  return isFiniteValue(c.yTop) && isFiniteValue(c.yAscent) && isFiniteValue(c.yBase) && isFiniteValue(c.yDescent) &&
         isFiniteValue(c.yBottom) && isFiniteValue(c.xLeft) && isFiniteValue(c.xRight) && isFiniteValue(c.topLeft.x) &&
         isFiniteValue(c.topLeft.y) && isFiniteValue(c.bottomLeft.x) && isFiniteValue(c.bottomLeft.y) &&
         isFiniteValue(c.fontSize.width) && isFiniteValue(c.fontSize.height);
}

bool isQuarterTurn(double rotation) { return rotation == 90.0 || rotation == 270.0; }

QVDocx_PPr boxParagraphProperty(float line, float left) {
  QVDocx_PPr p;
  p.widowControl = false;
  p.spacing = {0.0f, 0.0f, line, "exact"};
  p.ind = {0.0f, left};
  p.jc = "left";
  return p;
}

}  // namespace

QVTextRouter::QVTextRouter(QVDocxConversionContext& context, QVTextRouterDelegate& delegate)
    : context_(context), delegate_(delegate) {}

void QVTextRouter::begainPage(Size pageSize) {
  pageSize_ = pageSize;
  nextCharFontSize_ = 1.0;
  nextCharTransform_ = AffineTransform::identity();
  mainTextFontSize_ = 1.0;
  mainTextTransform_ = AffineTransform::identity();
  isNotScanTextYet_ = true;
  isUsingTextBox_ = false;
  cachedTextBoxParagraphs_.clear();
  isUsingTextPath_ = false;
  cachedTextPathString_.clear();
}

void QVTextRouter::endPage() {
  endTextBoxWritingIfNeed();
  endTextPathWritingIfNeed();
}

QVTextRouter::RotationClass QVTextRouter::classify(const QVPDF_CTMInfo& p) {
  if (p.flip) return RotationClass::Other;
  const double r = p.rotation;
  if (r < kBandTolerance) return RotationClass::Upright;
  if (r > 90.0 - kBandTolerance && r < 90.0 + kBandTolerance) return RotationClass::QuarterTurn90;
  if (r > 270.0 - kBandTolerance && r < 270.0 + kBandTolerance) return RotationClass::QuarterTurn270;
  return RotationClass::Other;
}

double QVTextRouter::quarterTurnBands(double r) {
  if (r < kBandTolerance) return 0.0;
  if (r > 90.0 - kBandTolerance && r < 90.0 + kBandTolerance) return 90.0;
  if (r > 270.0 - kBandTolerance && r < 270.0 + kBandTolerance) return 270.0;
  return r;
}

bool QVTextRouter::isSingleBlank(std::string_view text) {
  return !text.empty() && text.size() <= 4 && platform::text::utf16Length(text) == 1 &&
         static_cast<unsigned char>(text[0]) <= 0x20;
}

QVShownString QVTextRouter::shownString(const QVPDFPageFrame& frame, std::string_view text, Size advance) {
  QVShownString shown;
  shown.text = text;
  shown.start = frame.displayTextTransform();
  shown.next = frame.nextDisplayTextTransform(advance);
  shown.fontSize = frame.emFontSize();
  shown.ascent = frame.fontAscent();
  shown.descent = frame.fontDescent();
  shown.spaceWidth = frame.spaceWidthInTextSpace();
  return shown;
}

QVPDF_CTMInfo QVTextRouter::placement(const QVShownString& s, const AffineTransform& t) const {
  return QVPDF_CTMInfoMake(s.fontSize, s.ascent, s.descent, t);
}

Size QVTextRouter::displaySpaceWidth(const QVShownString& s) const {
  return {std::fabs(s.spaceWidth * s.start.a), std::fabs(s.spaceWidth * s.start.b)};
}

void QVTextRouter::advance(const QVShownString& s) {
  nextCharTransform_ = s.next;
  nextCharFontSize_ = s.fontSize;
  nextCharCTMInfo_ = placement(s, s.next);
}

void QVTextRouter::restore() {
  nextCharFontSize_ = mainTextFontSize_;
  nextCharTransform_ = mainTextTransform_;
  nextCharCTMInfo_ = mainTextCTMInfo_;
}

int32_t QVTextRouter::maxBlanks() const {
  const double widest = std::max(pageSize_.width, pageSize_.height);
  if (!(widest >= 1)) return 1;
  return static_cast<int32_t>(std::min(std::ceil(widest), 100000.0));
}

void QVTextRouter::didScanText(const QVShownString& s) {
  if (isUsingTextBox_)
    usingDocxTextBox(s);
  else if (isUsingTextPath_)
    usingDocxTextPath(s);
  else
    usingDocxMainText(s);
}

void QVTextRouter::usingDocxMainText(const QVShownString& s) {
  if (isNotScanTextYet_ && isSingleBlank(s.text)) return;
  QVPDF_CTMInfo p = placement(s, s.start);
  switch (classify(p)) {
    case RotationClass::QuarterTurn90:
    case RotationClass::QuarterTurn270:
      newDocxTextBox(s);
      return;
    case RotationClass::Other:
      newDocxTextPath(s);
      return;
    case RotationClass::Upright:
      break;
  }
  p.rotation = 0;
  isNotScanTextYet_ = false;
  const double spaceWidth = displaySpaceWidth(s).width;
  advance(s);
  mainTextFontSize_ = nextCharFontSize_;
  mainTextTransform_ = nextCharTransform_;
  mainTextCTMInfo_ = nextCharCTMInfo_;

  const QVPDF_CTMInfo& n = nextCharCTMInfo_;
  const double textWidth = std::fabs(n.topLeft.x - p.topLeft.x);
  // A string placed by infinite or undefined numbers cannot be laid out.
  if (!finitePlacement(p) || !isFiniteValue(textWidth) || !isFiniteValue(spaceWidth) || !isFiniteValue(n.topLeft.x))
    return;

  QVMainTextString run;
  run.text = std::string(s.text);
  run.start = p;
  run.end = n;
  run.spaceWidth = spaceWidth;
  run.textWidth = textWidth;
  run.rProperty = delegate_.currentRProperty();
  run.drawIndex = context_.takeDrawIndex();
  delegate_.makeMainRun(std::move(run));
}

QVDocxParagraph* QVTextRouter::lastTextBoxParagraph() {
  return cachedTextBoxParagraphs_.empty() ? nullptr : &cachedTextBoxParagraphs_.back();
}

void QVTextRouter::newTextBoxParagraph() {
  QVDocxParagraph fresh;
  if (QVDocxParagraph* last = lastTextBoxParagraph()) {
    last->resolveProperty();
    fresh.pProperty = last->pProperty;
    fresh.rProperty = last->rProperty;
  }
  cachedTextBoxParagraphs_.push_back(std::move(fresh));
}

double QVTextRouter::totalTextBoxHeight() const {
  double total = 0;
  for (const QVDocxParagraph& p : cachedTextBoxParagraphs_) total += static_cast<double>(p.pProperty.spacing.line);
  return total;
}

double QVTextRouter::maxTextBoxWidth() const {
  float widest = 0;
  for (const QVDocxParagraph& p : cachedTextBoxParagraphs_)
    widest = std::max(widest, static_cast<float>(p.pProperty.ind.left + p.textWidth()));
  return widest;
}

void QVTextRouter::newDocxTextBox(const QVShownString& s) {
  if (isSingleBlank(s.text)) return;
  const QVPDF_CTMInfo p = placement(s, s.start);
  if (!finitePlacement(p)) return;
  const QVTextRouterPaint paint = delegate_.currentPaint();

  QVDocxTextBoxInfo info;
  info.displayX = p.topLeft.x;
  info.displayY = p.topLeft.y;
  info.stroked = false;
  info.filled = false;
  info.strokeweight = 1.0;
  info.strokeDashPattern = paint.dashPattern;
  info.strokeDashPhase = paint.dashPhase;
  info.strokecolor = paint.strokecolor;
  info.fillcolor = paint.fillcolor;
  info.rotation = quarterTurnBands(p.rotation);

  isUsingTextBox_ = true;
  cachedTextBoxInfo_ = info;
  cachedTextBoxParagraphs_.clear();
  newTextBoxParagraph();
  lastTextBoxParagraph()->pProperty = boxParagraphProperty(static_cast<float>(p.fontSize.height), 0.0f);
  appendDocxTextBox(s, s.text);
}

void QVTextRouter::appendDocxTextBox(const QVShownString& s, std::string_view text) {
  const QVPDF_CTMInfo p = placement(s, s.start);
  QVDocx_RPr r = delegate_.currentRProperty();
  if (cachedTextBoxParagraphs_.empty()) newTextBoxParagraph();
  QVDocxParagraph& q = cachedTextBoxParagraphs_.back();
  QVDocxRunText* last = q.lastRunText();
  if (last && QVRunPrIsEqual(r, last->rProperty)) {
    last->runText += text;
  } else {
    auto run = std::make_shared<QVDocxRunText>();
    run->drawIndex = context_.takeDrawIndex();
    run->rProperty = std::move(r);
    run->textWidth = 0;
    run->spaceWidth = 0;
    run->runText = std::string(text);
    last = run.get();
    q.runArray.push_back(std::move(run));
  }
  advance(s);
  const QVPDF_CTMInfo& n = nextCharCTMInfo_;
  const double growth = isQuarterTurn(cachedTextBoxInfo_.rotation) ? std::fabs(n.topLeft.y - p.topLeft.y)
                                                                   : std::fabs(n.topLeft.x - p.topLeft.x);
  if (isFiniteValue(growth)) last->textWidth += growth;
}

void QVTextRouter::usingDocxTextBox(const QVShownString& s) {
  const QVDocxTextBoxInfo& b = cachedTextBoxInfo_;
  const QVPDF_CTMInfo p = placement(s, s.start);
  const double r = quarterTurnBands(p.rotation);
  if (r != b.rotation) {
    endTextBoxWritingIfNeed();
    if (isQuarterTurn(r)) {
      newDocxTextBox(s);
    } else {
      restore();
      usingDocxMainText(s);
    }
    return;
  }

  const QVPDF_CTMInfo& e = nextCharCTMInfo_;
  const double h = p.fontSize.height;
  double along, across;
  if (b.rotation == 90.0) {
    along = p.bottomLeft.y - e.bottomLeft.y;
    across = p.bottomLeft.x - e.bottomLeft.x;
  } else if (b.rotation == 270.0) {
    along = e.bottomLeft.y - p.bottomLeft.y;
    across = p.bottomLeft.x - e.bottomLeft.x;
  } else {
    along = p.bottomLeft.x - e.bottomLeft.x;
    across = p.bottomLeft.y - e.bottomLeft.y;
  }
  const Size unit = displaySpaceWidth(s);
  const double space = isQuarterTurn(b.rotation) ? unit.height : unit.width;

  enum class Outcome { Close, NewParagraph, SameLine } outcome;
  if (across >= h) {
    if (p.topLeft.x < b.displayX || across >= kMaxBoxLineStep)
      outcome = Outcome::Close;
    else
      outcome = Outcome::NewParagraph;
  } else if (across <= -h || along <= -space) {
    outcome = Outcome::Close;
  } else {
    outcome = Outcome::SameLine;
  }

  switch (outcome) {
    case Outcome::SameLine: {
      const float quotient = static_cast<float>(along / space);
      int32_t n = 0;
      if (std::isfinite(quotient)) {
        const float whole = std::floor(quotient);
        // The blanks a gap stands for are bounded by the page's size: a
        // hostile space width of almost nothing must not make millions.
        n = whole >= static_cast<float>(maxBlanks()) ? maxBlanks() : static_cast<int32_t>(std::max(whole, -1.0f));
      }
      // A gap narrower than a space still parts two words where the words
      // of any line are parted, and a smaller mark raised or lowered before
      // the text it leads stands apart from it.
      const double markHeight = std::hypot(e.bottomLeft.x - e.topLeft.x, e.bottomLeft.y - e.topLeft.y);
      const double textHeight = std::hypot(p.bottomLeft.x - p.topLeft.x, p.bottomLeft.y - p.topLeft.y);
      const bool leadingMark = std::fabs(across) >= 1.0 && markHeight < kLayoutMarkShare * textHeight;
      if (n <= 0 && (QVLayoutIsWordGap(along, space, space, h) || (along >= 0 && leadingMark))) n = 1;
      if (n > 0) {
        std::string text(static_cast<size_t>(n), ' ');
        text += s.text;
        appendDocxTextBox(s, text);
      } else {
        appendDocxTextBox(s, s.text);
      }
      return;
    }
    case Outcome::NewParagraph:
      newTextBoxParagraph();
      lastTextBoxParagraph()->pProperty =
          boxParagraphProperty(static_cast<float>(across), static_cast<float>(p.topLeft.x - b.displayX));
      appendDocxTextBox(s, s.text);
      return;
    case Outcome::Close:
      endTextBoxWritingIfNeed();
      restore();
      usingDocxMainText(s);
      return;
  }
}

void QVTextRouter::endTextBoxWritingIfNeed() {
  if (!isUsingTextBox_) return;
  const double w = maxTextBoxWidth();
  const double h = totalTextBoxHeight();
  QVRoutedTextBox box;
  box.info = cachedTextBoxInfo_;
  if (isQuarterTurn(box.info.rotation)) {
    box.info.displayHeight = w + kBoxPadding;
    box.info.displayWidth = h + kBoxPadding;
  } else {
    box.info.displayHeight = h + kBoxPadding;
    box.info.displayWidth = w + kBoxPadding;
  }
  box.paragraphs = std::move(cachedTextBoxParagraphs_);
  isUsingTextBox_ = false;
  cachedTextBoxInfo_ = QVDocxTextBoxInfo();
  cachedTextBoxParagraphs_.clear();
  delegate_.closeTextBox(std::move(box));
}

void QVTextRouter::newDocxTextPath(const QVShownString& s) {
  const QVPDF_CTMInfo p = placement(s, s.start);
  if (!finitePlacement(p)) return;
  const QVTextRouterPaint paint = delegate_.currentPaint();
  QVDocxTextPathInfo info;
  info.displayX = p.topLeft.x;
  info.displayY = p.topLeft.y;
  info.displayWidth = p.fontSize.width;
  info.displayHeight = p.fontSize.height;
  info.stroked = false;
  info.filled = true;
  info.strokeweight = 1.0;
  info.strokecolor = paint.strokecolor;
  info.fillcolor = paint.fillcolor;
  info.rotation = p.rotation;
  info.flipY = p.flip;
  info.trim = true;
  info.fitpath = false;
  info.rProperty = delegate_.currentRProperty();
  // Invisible text keeps its string on a path that paints nothing.
  info.filled = !info.rProperty.noInk;

  isUsingTextPath_ = true;
  cachedTextPathInfo_ = info;
  cachedTextPathString_.clear();
  appendDocxTextPath(s);
}

void QVTextRouter::appendDocxTextPath(const QVShownString& s) {
  cachedTextPathString_ += s.text;
  advance(s);
}

void QVTextRouter::usingDocxTextPath(const QVShownString& s) {
  const QVDocxTextPathInfo& t = cachedTextPathInfo_;
  const QVPDF_CTMInfo p = placement(s, s.start);
  const QVPDF_CTMInfo& e = nextCharCTMInfo_;
  const double a = QVPDF_AngleBetweenPoints(t.displayX, t.displayY, p.topLeft.x, p.topLeft.y);
  if (p.rotation == e.rotation && p.flip == e.flip && p.rotation == a &&
      delegate_.currentRProperty().noInk == t.rProperty.noInk) {
    // Words set one by one along the path keep their gaps as blanks.
    const double along = QVPDF_TextFrameOffset(p.rotation, e.topLeft, p.topLeft).x;
    const double space = std::hypot(displaySpaceWidth(s).width, displaySpaceWidth(s).height);
    if (!cachedTextPathString_.empty() && cachedTextPathString_.back() != ' ' && !s.text.empty() &&
        s.text.front() != ' ' && QVLayoutIsWordGap(along, space, space, p.fontSize.height))
      cachedTextPathString_ += ' ';
    appendDocxTextPath(s);
    return;
  }
  endTextPathWritingIfNeed();
  restore();
  usingDocxMainText(s);
}

void QVTextRouter::endTextPathWritingIfNeed() {
  if (!isUsingTextPath_) return;
  QVRoutedTextPath path;
  path.info = cachedTextPathInfo_;
  const platform::Point s0{path.info.displayX, path.info.displayY};
  const platform::Point s1 = nextCharCTMInfo_.topLeft;
  const double length = std::hypot(s1.x - s0.x, s1.y - s0.y);
  const platform::Point centre{(s0.x + s1.x) / 2, (s0.y + s1.y) / 2};
  path.info.displayWidth = length;
  path.info.displayX = centre.x - length / 2;
  path.info.displayY = centre.y;
  path.text = std::move(cachedTextPathString_);
  isUsingTextPath_ = false;
  cachedTextPathInfo_ = QVDocxTextPathInfo();
  cachedTextPathString_.clear();
  delegate_.closeTextPath(std::move(path));
}
