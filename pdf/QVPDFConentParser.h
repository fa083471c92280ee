#pragma once
// QVPDFConentParser: the interpreter of one page's (or one form's) content
// stream. It runs the operators on the platform's content-stream scanner,
// keeps the graphics and text state on a RenderingStateStack shared with its
// caller, resolves named resources through collections built when it starts,
// and reports every shown string, painted path and drawn image to its
// delegate. It renders nothing itself.
//
// Driving one page:
//
//   auto stack = std::make_shared<RenderingStateStack>();
//   QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
//   parser.setDelegate(&exporter);
//   parser.setRenderingStateStack(stack);
//   parser.startParser();   // every callback has been sent when it returns
//
// A form XObject is run by a child interpreter that shares the delegate and
// the stack, so the delegate sees the form's content in place of its Do.
// After a page's own content come the appearances of its annotations (filled
// form fields, notes, stamps), each run as a form over the page's initial
// state.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/geometry/geometry.h"
#include "platform/geometry/path.h"
#include "platform/pdf/object.h"
#include "platform/pdf/scanner.h"

class QVPDFConentParser;
class QVPDFRenderState;
class RenderingStateStack;
class QVPDFFont;
class QVPDFColorSpace;
class QVPDFXObject;
class QVPDFImageXObject;
class QVPDFExtGState;
class QVPDFShadingPattern;
class QVPDFFontCollection;
class QVPDFColorSpaceCollection;
class QVPDFXObjectCollection;
class QVPDFExtGStateCollection;
class QVPDFShadingPatternCollection;
class QVPDFAnnotCollection;
class QVPDFFormXObject;

// Bounds that keep a damaged or hostile file from making one page run for
// hours or exhaust memory. The depth limit only leaves out the forms below
// it. A page that spends one of the per-page budgets is cut off there: what
// was reported so far stands, the rest of the page is not run, and the
// parser's wasCutOff() answers true.
struct QVPDFConentParserLimits {
  // Forms run at most this many levels below the page; a form that draws
  // itself, directly or through others, stops there.
  static constexpr int kMaxFormDepth = 21;
  // Operators run inside forms on one page, all forms and levels together.
  // Each form run counts at least kFormRunCost, so that many tiny forms cost
  // what their set-up costs.
  static constexpr uint64_t kMaxFormOperatorsPerPage = 10'000'000;
  static constexpr uint64_t kFormRunCost = 100;
  // Content bytes of forms decoded for one page, all runs together.
  static constexpr uint64_t kMaxFormBytesPerPage = uint64_t{512} << 20;
  // Saved states (q) held at once; deeper saves are counted but keep no
  // state, and their restores only undo the count.
  static constexpr size_t kMaxSavedStates = 4096;
  // Path elements and clip paths copied for one page: by q (clip lists),
  // by a change of a path that a saved state still shares, and by clipping
  // (the path transformed into page space).
  static constexpr uint64_t kMaxCopyWorkPerPage = 50'000'000;
  // Operators run for one page, its own content and its forms' together
  // (a heavy real page runs a few hundred thousand).
  static constexpr uint64_t kMaxOperatorsPerPage = 5'000'000;

  // The bounds in force; a caller may tighten them (tests do).
  int maxFormDepth = kMaxFormDepth;
  uint64_t maxFormOperatorsPerPage = kMaxFormOperatorsPerPage;
  uint64_t formRunCost = kFormRunCost;
  uint64_t maxFormBytesPerPage = kMaxFormBytesPerPage;
  size_t maxSavedStates = kMaxSavedStates;
  uint64_t maxCopyWorkPerPage = kMaxCopyWorkPerPage;
  uint64_t maxOperatorsPerPage = kMaxOperatorsPerPage;
};

// The interface between the interpreter and the exporters. Every callback is
// optional (empty by default) and sent synchronously, in content-stream order,
// on the thread that called startParser(). During a callback the exporter
// reads the rest (matrices, font, colours, line style, clip paths) from the
// top state of the shared stack.
class QVPDFConentParserDelegate {
 public:
  virtual ~QVPDFConentParserDelegate() = default;

  // The decoded text of one string operand of Tj, ', " or one string of a TJ
  // array, and its total advance (width, height) in unscaled text space. The
  // text matrix is still the one at the start of the string.
  virtual void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) {
    (void)parser, (void)text, (void)offset;
  }
  // The current path in user space (no matrix applied) of one painting
  // operator, empty or not; never for n. The path lives only for the call.
  virtual void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) {
    (void)parser, (void)path, (void)stroke, (void)fill;
  }
  // An image drawn by Do or inline, placed by its unit square through the
  // current state's ctm (which includes the matrices of enclosing forms).
  // None when the drawing stream's resources do not build that image.
  // The image is decoded when its image file is first asked for.
  virtual void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) {
    (void)parser, (void)image;
  }
};

class QVPDFConentParser {
 public:
  // contentDict: the page dictionary, or the form's stream dictionary (the
  // source of the resources); contentStream: the content to scan.
  QVPDFConentParser(platform::PdfObject contentDict, std::shared_ptr<const platform::PdfContentStream> contentStream);
  ~QVPDFConentParser();
  QVPDFConentParser(const QVPDFConentParser&) = delete;
  QVPDFConentParser& operator=(const QVPDFConentParser&) = delete;

  // Collects the resources and scans the whole stream. Synchronous: when it
  // returns, every callback of the stream has been sent. Run it once.
  void startParser();

  // The table of the 69 operators this interpreter runs (shared with the
  // child interpreters of its forms).
  const platform::PdfOperatorTable& operatorTable();

  // The delegate is not owned; it must outlive the run.
  QVPDFConentParserDelegate* delegate() const { return delegate_; }
  void setDelegate(QVPDFConentParserDelegate* delegate) { delegate_ = delegate; }
  // The stack is shared with the caller; a new one is made on first use when
  // none was given.
  const std::shared_ptr<RenderingStateStack>& renderingStateStack();
  void setRenderingStateStack(std::shared_ptr<RenderingStateStack> stack);
  const platform::PdfObject& contentDict() const { return contentDict_; }
  const std::shared_ptr<const platform::PdfContentStream>& contentStream() const { return contentStream_; }
  // 0 for a page's interpreter; a form's child has its parent's depth + 1.
  int formDepth() const { return formDepth_; }
  void setFormDepth(int depth) { formDepth_ = depth; }

  // The collections of this stream's resources (null before startParser, or
  // when the stream has no resources of its own and none to inherit).
  const QVPDFFontCollection* fontCollection() const;
  const QVPDFColorSpaceCollection* colorSpaceCollection() const;
  const QVPDFXObjectCollection* xObjectCollection() const;
  const QVPDFExtGStateCollection* extGStateCollection() const;
  const QVPDFShadingPatternCollection* shadingPatternCollection() const;
  // The annotations a page shows (null before startParser, and for a form).
  const QVPDFAnnotCollection* annotCollection() const { return annotCollection_.get(); }

  // Replaces the collections by new ones built from the resources of `dict`:
  // its own /Resources, else the nearest one up its /Parent chain.
  void collectResourcesWithDict(const platform::PdfObject& dict);
  // The /ColorSpace dictionary of the resources in use (null when none).
  platform::PdfObject currentColorSpaceDict() const;

  // The top state of the stack.
  QVPDFRenderState& currentRenderingState();
  // q: pushes a copy of the current state. Q: pops it; a restore with nothing
  // saved by this stream (a stray Q) is ignored.
  void saveRenderingState();
  void restoreRenderingState();

  // The bounds of this page (the defaults of QVPDFConentParserLimits unless
  // set before startParser; forms run under their page's).
  const QVPDFConentParserLimits& limits();
  void setLimits(const QVPDFConentParserLimits& limits);

  // True when the page spent one of the per-page budgets of
  // QVPDFConentParserLimits and the rest of its content was not run.
  bool wasCutOff() const;

  // Whether drawn images are made and reported (the default). An exporter
  // that uses no images turns this off before startParser: image XObjects
  // and inline images are then passed over without being decoded or written,
  // and didScanXObjectImage is never sent. Forms run under their page's
  // choice.
  bool scansImages() const;
  void setScansImages(bool value);

 private:
  struct PageContext;
  struct Resources;
  using OperatorMember = void (QVPDFConentParser::*)(platform::PdfScanner&);

  QVPDFConentParser(platform::PdfObject contentDict, std::shared_ptr<const platform::PdfContentStream> contentStream,
                    QVPDFConentParser* parent);

  static void buildOperatorTable(platform::PdfOperatorTable& table, PageContext* context);
  PageContext& context();
  static std::shared_ptr<const Resources> buildResources(const platform::PdfObject& resources);
  std::shared_ptr<const Resources> formResourcesFor(const platform::PdfObject& stream,
                                                    const platform::PdfObject& resources);
  bool spendCopyWork(uint64_t units);
  void cutOff();

  // Look-ups by resource name: this stream's collections, then those of the
  // streams that enclose it.
  std::shared_ptr<const QVPDFFont> fontNamed(std::string_view name) const;
  std::shared_ptr<const QVPDFColorSpace> colorSpaceNamed(std::string_view name) const;
  std::shared_ptr<QVPDFXObject> xObjectNamed(std::string_view name) const;
  std::shared_ptr<const QVPDFExtGState> extGStateNamed(std::string_view name) const;
  std::shared_ptr<const QVPDFShadingPattern> shadingNamed(std::string_view name) const;

  // Shared routines of the operators.
  // The current path, ready for a change (null when the page is cut off).
  platform::Path* pathForChange();
  void paintCurrentPath(bool stroke, bool fill);
  void resetCurrentPath();
  void applyPendingClip();
  void applyExtGState(std::string_view name);
  void drawImageXObject(std::string_view name);
  void drawFormXObject(std::string_view name, const platform::PdfObject& stream);
  // Runs a form's content in a child interpreter, over a copy of the
  // current state, or of `startState` when one is given.
  void runForm(const QVPDFFormXObject& form, const platform::PdfObject& stream,
               const QVPDFRenderState* startState = nullptr);
  // Draws the appearances of the page's annotations after its content.
  void drawAnnotations();
  void drawPostScriptXObject(std::string_view name);
  void setColorSpace(bool stroke, platform::PdfScanner& scanner);
  void setColorComponents(bool stroke, bool pattern, platform::PdfScanner& scanner);
  void setDeviceColor(bool stroke, int components, platform::PdfScanner& scanner);
  // Text showing for one string operand (text-showing operators).
  void showTextString(const std::string& bytes);

  // Operators (one per entry of the operator table).
  void op_BT(platform::PdfScanner&);
  void op_ET(platform::PdfScanner&);
  void op_Tc(platform::PdfScanner&);
  void op_Tw(platform::PdfScanner&);
  void op_Tz(platform::PdfScanner&);
  void op_TL(platform::PdfScanner&);
  void op_Ts(platform::PdfScanner&);
  void op_Tf(platform::PdfScanner&);
  void op_Tr(platform::PdfScanner&);
  void op_Td(platform::PdfScanner&);
  void op_TD(platform::PdfScanner&);
  void op_Tm(platform::PdfScanner&);
  void op_Tstar(platform::PdfScanner&);
  void op_Tj(platform::PdfScanner&);
  void op_quote(platform::PdfScanner&);
  void op_doubleQuote(platform::PdfScanner&);
  void op_TJ(platform::PdfScanner&);
  void op_marked(platform::PdfScanner&);
  void op_q(platform::PdfScanner&);
  void op_Q(platform::PdfScanner&);
  void op_cm(platform::PdfScanner&);
  void op_w(platform::PdfScanner&);
  void op_J(platform::PdfScanner&);
  void op_j(platform::PdfScanner&);
  void op_M(platform::PdfScanner&);
  void op_d(platform::PdfScanner&);
  void op_ri(platform::PdfScanner&);
  void op_i(platform::PdfScanner&);
  void op_gs(platform::PdfScanner&);
  void op_CS(platform::PdfScanner&);
  void op_cs(platform::PdfScanner&);
  void op_G(platform::PdfScanner&);
  void op_g(platform::PdfScanner&);
  void op_RG(platform::PdfScanner&);
  void op_rg(platform::PdfScanner&);
  void op_K(platform::PdfScanner&);
  void op_k(platform::PdfScanner&);
  void op_SC(platform::PdfScanner&);
  void op_sc(platform::PdfScanner&);
  void op_SCN(platform::PdfScanner&);
  void op_scn(platform::PdfScanner&);
  void op_m(platform::PdfScanner&);
  void op_l(platform::PdfScanner&);
  void op_c(platform::PdfScanner&);
  void op_v(platform::PdfScanner&);
  void op_y(platform::PdfScanner&);
  void op_h(platform::PdfScanner&);
  void op_re(platform::PdfScanner&);
  void op_S(platform::PdfScanner&);
  void op_s(platform::PdfScanner&);
  void op_f(platform::PdfScanner&);
  void op_fstar(platform::PdfScanner&);
  void op_B(platform::PdfScanner&);
  void op_Bstar(platform::PdfScanner&);
  void op_b(platform::PdfScanner&);
  void op_bstar(platform::PdfScanner&);
  void op_n(platform::PdfScanner&);
  void op_W(platform::PdfScanner&);
  void op_Wstar(platform::PdfScanner&);
  void op_sh(platform::PdfScanner&);
  void op_Do(platform::PdfScanner&);
  void op_EI(platform::PdfScanner&);

  QVPDFConentParserDelegate* delegate_ = nullptr;
  platform::PdfObject contentDict_;
  std::shared_ptr<const platform::PdfContentStream> contentStream_;
  std::shared_ptr<RenderingStateStack> stack_;
  int formDepth_ = 0;
  // The interpreter of the stream that draws this form (null for a page).
  QVPDFConentParser* parent_ = nullptr;
  std::shared_ptr<PageContext> context_;
  std::shared_ptr<const Resources> resources_;
  std::shared_ptr<const QVPDFAnnotCollection> annotCollection_;
  // This stream's XObjects once an inline image has been added to them.
  std::shared_ptr<QVPDFXObjectCollection> ownXObjects_;
  bool resourcesCollected_ = false;
  // Stack depth when this stream began: a restore never goes below it.
  size_t stackFloor_ = 1;
  // Saves beyond kMaxSavedStates: counted, so that their restores match.
  uint64_t unsavedSaves_ = 0;
  uint64_t operatorsRun_ = 0;
  platform::PdfScanner* scanner_ = nullptr;
};
