#pragma once
// A delegate that records every callback of the interpreter together with a
// copy of the graphics state it could read at that moment, and helpers that
// run the interpreter over PDFs written in the test.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/QPDFObjectHandle.hh>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"
#include "platform/pdf/document.h"
#include "platform/pdf/scanner.h"
#include "tests/support/fixtures.h"

namespace interptest {

struct Event {
  enum Kind { Text, Path, Image } kind = Path;
  // Path callbacks.
  platform::Path path;
  bool stroke = false;
  bool fill = false;
  // Image callbacks.
  std::shared_ptr<QVPDFImageXObject> image;
  // Text callbacks.
  std::string text;
  platform::Size offset;
  // The top state during the callback, and the stack depth.
  QVPDFRenderState state;
  size_t depth = 0;
};

class RecordingDelegate : public QVPDFConentParserDelegate {
 public:
  explicit RecordingDelegate(std::shared_ptr<RenderingStateStack> stack) : stack_(std::move(stack)) {}

  void didScanText(QVPDFConentParser&, const std::string& text, platform::Size offset) override {
    Event e = snapshot(Event::Text);
    e.text = text;
    e.offset = offset;
    events.push_back(std::move(e));
  }
  void didScanPath(QVPDFConentParser&, const platform::Path& path, bool stroke, bool fill) override {
    Event e = snapshot(Event::Path);
    e.path = path;
    e.stroke = stroke;
    e.fill = fill;
    events.push_back(std::move(e));
  }
  void didScanXObjectImage(QVPDFConentParser&, const std::shared_ptr<QVPDFImageXObject>& image) override {
    Event e = snapshot(Event::Image);
    e.image = image;
    events.push_back(std::move(e));
  }

  std::vector<Event> events;

  std::vector<const Event*> of(Event::Kind kind) const {
    std::vector<const Event*> out;
    for (const Event& e : events)
      if (e.kind == kind) out.push_back(&e);
    return out;
  }

 private:
  Event snapshot(Event::Kind kind) const {
    Event e;
    e.kind = kind;
    e.state = stack_->topRenderingState();
    e.depth = stack_->depth();
    return e;
  }
  std::shared_ptr<RenderingStateStack> stack_;
};

// A PDF written by the builder, opened again and interpreted page by page,
// the way an exporter drives the interpreter.
class InterpretedPdf {
 public:
  explicit InterpretedPdf(qvtest::PdfBuilder& builder) {
    builder.write(dir_.file("test.pdf"));
    document_ = platform::PdfDocument::open(dir_.file("test.pdf").string());
  }

  const platform::PdfDocument& document() const { return *document_; }

  // Runs page `number` (1-based) on a new stack; answers the recording.
  struct Run {
    std::shared_ptr<RenderingStateStack> stack = std::make_shared<RenderingStateStack>();
    std::unique_ptr<RecordingDelegate> delegate;
    bool cutOff = false;
  };
  Run run(int number = 1, const QVPDFConentParserLimits& limits = {}) const {
    Run r;
    r.delegate = std::make_unique<RecordingDelegate>(r.stack);
    auto page = document_->page(number);
    if (!page) return r;
    QVPDFConentParser parser(page->dictionary(), platform::PdfContentStream::forPage(*page));
    parser.setDelegate(r.delegate.get());
    parser.setRenderingStateStack(r.stack);
    parser.setLimits(limits);
    parser.startParser();
    r.cutOff = parser.wasCutOff();
    return r;
  }

 private:
  qvtest::TempDir dir_;
  std::unique_ptr<platform::PdfDocument> document_;
};

// One page with the content and resources (objects of `builder`), interpreted.
inline InterpretedPdf::Run runPage(qvtest::PdfBuilder& builder, const std::string& content,
                                   const std::map<std::string, qvtest::PdfBuilder::Dict>& resources = {}) {
  builder.addPage(content, resources.empty() ? QPDFObjectHandle() : builder.resources(resources));
  InterpretedPdf pdf(builder);
  return pdf.run();
}

inline InterpretedPdf::Run runPage(const std::string& content,
                                   const std::map<std::string, qvtest::PdfBuilder::Dict>& resources = {}) {
  qvtest::PdfBuilder builder;
  return runPage(builder, content, resources);
}

}  // namespace interptest
