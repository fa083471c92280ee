// One whole page to a presentation, the way the converter drives an
// exporter: begin the document, convert the first page, save.
#include <exception>
#include <memory>

#include "fuzz/support.h"
#include "fuzz/targets.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "pdf/fonts/QVPDFFontFactory.h"
#include "platform/pdf/document.h"

namespace qvfuzz {
namespace {

// Stands in for the presentation exporter while the build has none: reads
// what an exporter reads at each callback and writes every image.
class StateReader : public QVPDFConentParserDelegate {
 public:
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override {
    const QVPDFRenderState& state = parser.currentRenderingState();
    (void)text, (void)offset;
    (void)state.textMatrix().concat(state.ctm());
    (void)state.currentFillColor();
    if (state.font()) (void)state.font()->fontName();
  }
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override {
    const QVPDFRenderState& state = parser.currentRenderingState();
    (void)path.boundingBox(), (void)stroke, (void)fill;
    (void)state.currentStrokeColor();
    (void)state.clipBezierPaths().size();
  }
  void didScanXObjectImage(QVPDFConentParser& parser, const std::shared_ptr<QVPDFImageXObject>& image) override {
    if (image) (void)image->imageFile(parser.currentRenderingState().currentFillRGBColor());
  }
};

void interpretPage(const platform::PdfDocument& document, const platform::PdfPage& page) {
  QVPDFFontFactory::DocumentScope fonts(&document.qpdf());
  StateReader reader;
  auto stack = std::make_shared<RenderingStateStack>();
  QVPDFConentParser parser(page.dictionary(), platform::PdfContentStream::forPage(page));
  parser.setDelegate(&reader);
  parser.setRenderingStateStack(stack);
  parser.startParser();
}

}  // namespace

int fuzzPagePptx(const uint8_t* data, size_t size) {
  try {
    const FirstPage first = openFirstPage("page.pdf", data, size);
    if (!first.page) return 0;
    if (!convertPage(*first.document, *first.page, "pptx")) interpretPage(*first.document, *first.page);
  } catch (const std::exception&) {
  }
  return 0;
}

}  // namespace qvfuzz
