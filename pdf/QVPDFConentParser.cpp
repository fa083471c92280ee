#include "pdf/QVPDFConentParser.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <exception>
#include <set>
#include <tuple>
#include <utility>

#include "pdf/QVPDFAnnot.h"
#include "pdf/QVPDFAnnotCollection.h"
#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFColorSpaceCollection.h"
#include "pdf/QVPDFConentParserPrivate.h"
#include "pdf/QVPDFExtGState.h"
#include "pdf/QVPDFExtGStateCollection.h"
#include "pdf/QVPDFFontCollection.h"
#include "pdf/QVPDFFunction.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFShadingPattern.h"
#include "pdf/QVPDFShadingPatternCollection.h"
#include "pdf/QVPDFFormXObject.h"
#include "pdf/QVPDFImageXObject.h"
#include "pdf/QVPDFXObject.h"
#include "pdf/QVPDFXObjectCollection.h"
#include "pdf/RenderingStateStack.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/text/text.h"

using platform::PdfObject;

namespace {

// /Parent levels searched for inherited resources; page trees are shallow,
// and a cycle must not loop.
constexpr int kMaxParentLevels = 64;

PdfObject inheritedResources(const PdfObject& dict) {
  PdfObject node = dict;
  std::set<std::pair<int, int>> visited;
  for (int level = 0; level < kMaxParentLevels && (node.isDictionary() || node.isStream()); ++level) {
    PdfObject resources = node.getDictionary("Resources");
    if (resources.isDictionary()) return resources;
    if (node.isIndirect() && !visited.insert({node.objectNumber(), node.generation()}).second) break;
    node = node.getDictionary("Parent");
  }
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and the run

QVPDFConentParser::QVPDFConentParser(PdfObject contentDict,
                                     std::shared_ptr<const platform::PdfContentStream> contentStream)
    : QVPDFConentParser(std::move(contentDict), std::move(contentStream), nullptr) {}

QVPDFConentParser::QVPDFConentParser(PdfObject contentDict,
                                     std::shared_ptr<const platform::PdfContentStream> contentStream,
                                     QVPDFConentParser* parent)
    : contentDict_(std::move(contentDict)), contentStream_(std::move(contentStream)), parent_(parent) {
  if (parent_) {
    delegate_ = parent_->delegate_;
    stack_ = parent_->stack_;
    formDepth_ = parent_->formDepth_ + 1;
    context_ = parent_->context_;
  }
}

QVPDFConentParser::~QVPDFConentParser() = default;

QVPDFConentParser::PageContext& QVPDFConentParser::context() {
  if (!context_) {
    context_ = std::make_shared<PageContext>();
    buildOperatorTable(context_->table, context_.get());
  }
  return *context_;
}

void QVPDFConentParser::startParser() {
  PageContext& page = context();
  // Colour functions evaluated while a page runs (its colours and images)
  // share one budget per page.
  if (!parent_) QVPDFFunction::resetEvaluationWork();
  if (!resourcesCollected_) collectResourcesWithDict(contentDict_);
  if (!contentStream_ || page.cutOff) return;
  if (!parent_) allowWorkFor(page, contentStream_->sourceBytes(), true);
  // Reading the content costs work too, for content that names no operator
  // as much as for content of nothing else.
  if (page.limits.contentBytesPerWorkUnit > 0 &&
      !spendWork(contentStream_->data().size() / page.limits.contentBytesPerWorkUnit))
    return;

  stackFloor_ = renderingStateStack()->depth();
  unsavedSaves_ = 0;

  {
    platform::PdfScanner scanner(contentStream_, page.table);
    QVPDFConentParser* previous = page.current;
    platform::PdfScanner* previousScanner = scanner_;
    page.current = this;
    scanner_ = &scanner;
    struct Restore {
      PageContext& page;
      QVPDFConentParser* self;
      QVPDFConentParser* previous;
      platform::PdfScanner* previousScanner;
      ~Restore() {
        page.current = previous;
        self->scanner_ = previousScanner;
      }
    } restore{page, this, previous, previousScanner};
    scanner.scan();
  }
  if (!parent_) drawAnnotations();
}

const platform::PdfOperatorTable& QVPDFConentParser::operatorTable() { return context().table; }

const QVPDFConentParserLimits& QVPDFConentParser::limits() { return context().limits; }

void QVPDFConentParser::setLimits(const QVPDFConentParserLimits& limits) { context().limits = limits; }

bool QVPDFConentParser::wasCutOff() const { return context_ && context_->cutOff; }

uint64_t QVPDFConentParser::workSpent() const { return context_ ? context_->work : 0; }

uint64_t QVPDFConentParser::workAllowed() const { return context_ ? context_->workAllowed : 0; }

bool QVPDFConentParser::scansImages() const { return !context_ || context_->scansImages; }

void QVPDFConentParser::setScansImages(bool value) { context().scansImages = value; }

void QVPDFConentParser::cutOff() {
  if (!context_) return;
  context_->cutOff = true;
  if (scanner_) scanner_->stop();
}

bool QVPDFConentParser::spendWork(uint64_t units) {
  PageContext& page = context();
  if (page.cutOff) return false;
  page.work += units;
  if (page.work > page.workAllowed) {
    cutOff();
    return false;
  }
  return true;
}

bool QVPDFConentParser::spendCopyWork(uint64_t units) {
  PageContext& page = context();
  if (page.cutOff) return false;
  page.copyWork += units;
  if (page.copyWork > page.limits.maxCopyWorkPerPage) {
    cutOff();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Accessors

const std::shared_ptr<RenderingStateStack>& QVPDFConentParser::renderingStateStack() {
  if (!stack_) stack_ = std::make_shared<RenderingStateStack>();
  return stack_;
}

void QVPDFConentParser::setRenderingStateStack(std::shared_ptr<RenderingStateStack> stack) {
  stack_ = std::move(stack);
}

const QVPDFFontCollection* QVPDFConentParser::fontCollection() const {
  return resources_ ? resources_->fonts.get() : nullptr;
}

const QVPDFColorSpaceCollection* QVPDFConentParser::colorSpaceCollection() const {
  return resources_ ? resources_->colorSpaces.get() : nullptr;
}

const QVPDFXObjectCollection* QVPDFConentParser::xObjectCollection() const {
  if (ownXObjects_) return ownXObjects_.get();
  return resources_ ? resources_->xObjects.get() : nullptr;
}

const QVPDFExtGStateCollection* QVPDFConentParser::extGStateCollection() const {
  return resources_ ? resources_->extGStates.get() : nullptr;
}

const QVPDFShadingPatternCollection* QVPDFConentParser::shadingPatternCollection() const {
  return resources_ ? resources_->shadings.get() : nullptr;
}

// ---------------------------------------------------------------------------
// Resources

std::shared_ptr<const QVPDFConentParser::Resources> QVPDFConentParser::buildResources(const PdfObject& resources) {
  if (!resources.isDictionary()) return nullptr;
  auto set = std::make_shared<Resources>();
  set->fonts = std::make_shared<const QVPDFFontCollection>(resources.getDictionary("Font"));
  set->colorSpaceDict = resources.getDictionary("ColorSpace");
  set->colorSpaces = std::make_shared<const QVPDFColorSpaceCollection>(set->colorSpaceDict);
  set->xObjects = std::make_shared<const QVPDFXObjectCollection>(resources.getDictionary("XObject"), set->colorSpaceDict);
  set->extGStates = std::make_shared<const QVPDFExtGStateCollection>(resources.getDictionary("ExtGState"));
  set->shadings = std::make_shared<const QVPDFShadingPatternCollection>(resources.getDictionary("Shading"));
  return set;
}

void QVPDFConentParser::collectResourcesWithDict(const PdfObject& dict) {
  const PdfObject resources = inheritedResources(dict);
  resources_ = buildResources(resources);
  ownXObjects_.reset();
  resourcesCollected_ = true;
  // Forms often list the page's own resource dictionary: they then share
  // these collections.
  if (resources_ && resources.isIndirect())
    context().formResources[{0, resources.objectNumber(), resources.generation()}] = resources_;
}

PdfObject QVPDFConentParser::currentColorSpaceDict() const {
  for (const QVPDFConentParser* p = this; p; p = p->parent_)
    if (p->resources_ && p->resources_->colorSpaceDict.isDictionary()) return p->resources_->colorSpaceDict;
  return {};
}

// A form whose dictionary names a resource that its own resources lack still
// finds it in the resources of the streams that draw it, as the content
// stream's own resource look-up does. A collection met again up the chain (a
// form that draws itself shares its resources with every level) is not asked
// again: a look-up costs what the distinct collections cost, not the depth.
template <typename Collection, typename Lookup>
auto QVPDFConentParser::findUpTheChain(const Collection* (QVPDFConentParser::*collection)() const,
                                       Lookup&& lookup) const -> decltype(lookup(*(this->*collection)())) {
  constexpr size_t kRemembered = 8;
  std::array<const Collection*, kRemembered> asked{};
  size_t askedCount = 0;
  for (const QVPDFConentParser* p = this; p; p = p->parent_) {
    const Collection* found = (p->*collection)();
    if (!found) continue;
    const auto end = asked.begin() + static_cast<std::ptrdiff_t>(std::min(askedCount, kRemembered));
    if (std::find(asked.begin(), end, found) != end) continue;
    asked[askedCount++ % kRemembered] = found;
    if (auto result = lookup(*found)) return result;
  }
  return nullptr;
}

std::shared_ptr<const QVPDFFont> QVPDFConentParser::fontNamed(std::string_view name) const {
  return findUpTheChain(&QVPDFConentParser::fontCollection,
                        [&](const QVPDFFontCollection& fonts) { return fonts.fontNamed(name); });
}

std::shared_ptr<const QVPDFColorSpace> QVPDFConentParser::colorSpaceNamed(std::string_view name) const {
  return findUpTheChain(&QVPDFConentParser::colorSpaceCollection,
                        [&](const QVPDFColorSpaceCollection& spaces) { return spaces.colorSpaceNamed(name); });
}

std::shared_ptr<QVPDFXObject> QVPDFConentParser::xObjectNamed(std::string_view name) const {
  return findUpTheChain(&QVPDFConentParser::xObjectCollection,
                        [&](const QVPDFXObjectCollection& xObjects) { return xObjects.xObjectWithNamed(name); });
}

std::shared_ptr<const QVPDFExtGState> QVPDFConentParser::extGStateNamed(std::string_view name) const {
  return findUpTheChain(&QVPDFConentParser::extGStateCollection,
                        [&](const QVPDFExtGStateCollection& states) { return states.objectNamed(name); });
}

std::shared_ptr<const QVPDFShadingPattern> QVPDFConentParser::shadingNamed(std::string_view name) const {
  return findUpTheChain(&QVPDFConentParser::shadingPatternCollection,
                        [&](const QVPDFShadingPatternCollection& shadings) { return shadings.objectNamed(name); });
}

// ---------------------------------------------------------------------------
// State stack

QVPDFRenderState& QVPDFConentParser::currentRenderingState() { return renderingStateStack()->topRenderingState(); }

void QVPDFConentParser::saveRenderingState() {
  RenderingStateStack& stack = *renderingStateStack();
  if (stack.depth() >= context().limits.maxSavedStates) {
    ++unsavedSaves_;
    return;
  }
  const QVPDFRenderState& top = stack.topRenderingState();
  // The copy shares the path and every object; only the clip list's pointers
  // are copied.
  if (!spendCopyWork(1 + top.clipBezierPaths().size())) return;
  stack.saveRenderingState(top);
}

void QVPDFConentParser::restoreRenderingState() {
  if (unsavedSaves_ > 0) {
    --unsavedSaves_;
    return;
  }
  RenderingStateStack& stack = *renderingStateStack();
  // Only states this stream saved may be restored: a stray Q neither loses
  // the page's own state nor the state of the stream that draws a form.
  if (stack.depth() <= stackFloor_) return;
  stack.restoreRenderingState();
}

// ---------------------------------------------------------------------------
// XObjects

void QVPDFConentParser::op_Do(platform::PdfScanner& scanner) {
  auto name = scanner.popName();
  if (!name) return;
  PdfObject stream = scanner.contentStream().resource("XObject", *name);
  if (!stream.isStream()) return;
  auto subtype = stream.dictionary().getName("Subtype");
  if (!subtype) return;
  if (*subtype == "Image") {
    if (context().scansImages) drawImageXObject(*name);
  } else if (*subtype == "Form") {
    drawFormXObject(*name, stream);
  } else if (*subtype == "PS") {
    drawPostScriptXObject(*name);
  }
}

void QVPDFConentParser::drawImageXObject(std::string_view name) {
  auto image = std::dynamic_pointer_cast<QVPDFImageXObject>(xObjectNamed(name));
  if (delegate_) delegate_->didScanXObjectImage(*this, image);
}

void QVPDFConentParser::drawPostScriptXObject(std::string_view name) { (void)xObjectNamed(name); }

void QVPDFConentParser::drawFormXObject(std::string_view name, const PdfObject& stream) {
  if (context().cutOff) return;
  auto form = std::dynamic_pointer_cast<const QVPDFFormXObject>(xObjectNamed(name));
  if (form) runForm(*form, stream);
}

void QVPDFConentParser::runForm(const QVPDFFormXObject& form, const PdfObject& stream,
                                const QVPDFRenderState* startState) {
  PageContext& page = context();
  if (page.cutOff) return;
  if (formDepth_ >= page.limits.maxFormDepth) return;

  RenderingStateStack& stack = *renderingStateStack();
  if (stack.depth() >= page.limits.maxSavedStates) return;
  const size_t depthBefore = stack.depth();

  // A form met for the first time brings its bytes to what the page may
  // spend; every run, the first too, costs its set-up.
  if (stream.isIndirect() && page.formsMet.emplace(stream.objectNumber(), stream.generation()).second)
    allowWorkFor(page, stream.storedLength(), false);
  if (!spendWork(page.limits.formRunCost)) return;

  // A form without resources of its own runs with those of the stream that
  // draws it.
  PdfObject formResources = stream.dictionary().getDictionary("Resources");
  std::shared_ptr<const platform::PdfContentStream> formContent;
  try {
    formContent = platform::PdfContentStream::forForm(stream, formResources, contentStream_);
  } catch (const std::exception&) {
    return;
  }
  if (!formContent) return;
  page.formBytes += formContent->data().size();
  if (page.formBytes > page.limits.maxFormBytesPerPage) {
    cutOff();
    return;
  }

  if (startState) {
    if (!spendCopyWork(1 + startState->clipBezierPaths().size())) return;
    stack.saveRenderingState(*startState);
  } else {
    saveRenderingState();
  }
  if (stack.depth() == depthBefore) return;
  QVPDFRenderState& formState = stack.topRenderingState();
  formState.setCtm(form.matrixTransform().concat(formState.ctm()));

  QVPDFConentParser child(stream.dictionary(), formContent, this);
  if (formResources.isDictionary()) {
    child.resources_ = formResourcesFor(stream, formResources);
  } else {
    child.resources_ = resources_;
  }
  child.resourcesCollected_ = true;
  try {
    child.startParser();
  } catch (const platform::PdfError&) {
    // A form whose content cannot be read loses only itself.
  } catch (...) {
    while (stack.depth() > depthBefore) stack.restoreRenderingState();
    throw;
  }

  // Whatever the form left saved is dropped with the form's own state.
  while (stack.depth() > depthBefore) stack.restoreRenderingState();
  if (page.cutOff && scanner_) scanner_->stop();
}

void QVPDFConentParser::allowWorkFor(PageContext& page, uint64_t sourceBytes, bool pageContent) {
  const QVPDFConentParserLimits& limits = page.limits;
  const uint64_t share = sourceBytes > limits.maxWorkPerPage / std::max<uint64_t>(limits.workPerSourceByte, 1)
                             ? limits.maxWorkPerPage
                             : sourceBytes * limits.workPerSourceByte;
  const uint64_t before = pageContent ? std::min(limits.baseWorkPerPage, limits.maxWorkPerPage) : page.workAllowed;
  page.workAllowed = std::min(limits.maxWorkPerPage, before + std::min(share, limits.maxWorkPerPage));
}

// Each appearance is drawn as the page shows it: over the state the page
// began with (whatever its content left in force), its form mapped into the
// annotation's rectangle.
void QVPDFConentParser::drawAnnotations() {
  annotCollection_ = std::make_shared<const QVPDFAnnotCollection>(contentDict_.getArray("Annots"),
                                                                   contentStream_ ? contentStream_->document() : nullptr);
  for (const auto& annot : annotCollection_->annots()) {
    if (context().cutOff) return;
    QVPDFRenderState start;
    start.setCtm(annot->rectTransform());
    runForm(*annot->appearance(), annot->appearance()->xObjectStream(), &start);
  }
}

std::shared_ptr<const QVPDFConentParser::Resources> QVPDFConentParser::formResourcesFor(const PdfObject& stream,
                                                                                       const PdfObject& resources) {
  // A form drawn many times on a page builds its resources (and extracts its
  // images) once.
  PageContext& page = context();
  std::tuple<int, int, int> key;
  if (resources.isIndirect()) {
    key = {0, resources.objectNumber(), resources.generation()};
  } else if (stream.isIndirect()) {
    key = {1, stream.objectNumber(), stream.generation()};
  } else {
    return buildResources(resources);
  }
  auto it = page.formResources.find(key);
  if (it != page.formResources.end()) return it->second;
  auto built = buildResources(resources);
  page.formResources.emplace(key, built);
  return built;
}

// ---------------------------------------------------------------------------
// Inline images

void QVPDFConentParser::op_EI(platform::PdfScanner& scanner) {
  auto stream = scanner.popStream();
  if (!stream) {
    std::fputs("Couldn't create stream from inline image!\n", stderr);
    return;
  }
  if (!context().scansImages) {
    stream->release();
    return;
  }
  PdfObject dict = stream->dictionary();
  if (!dict.isDictionary()) {
    std::fputs("Couldn't get dict from inline image stream!\n", stderr);
    stream->release();
    return;
  }
  // The same inline image again (a form drawn many times, a repeated
  // pattern cell) is the image already made, with the pictures it made.
  constexpr size_t kMaxInlineImageKey = size_t{64} << 10;
  constexpr size_t kMaxInlineImageKeys = size_t{32} << 20;
  PageContext& page = context();
  const PdfObject colorSpaces = currentColorSpaceDict();
  const std::string key = stream->serialized(kMaxInlineImageKey);
  const auto known = key.empty() ? page.inlineImages.end() : page.inlineImages.find(key);
  std::shared_ptr<QVPDFImageXObject> image;
  if (known != page.inlineImages.end() &&
      (known->second.colorSpaces.isNull() ? colorSpaces.isNull() : known->second.colorSpaces.sameObject(colorSpaces)))
    image = known->second.image;
  // The stream the scanner made for this image: kept with the page when the
  // image is remembered, else given back once the image is drawn.
  bool keepStream = false;
  if (image) {
    stream->release();
  } else {
    try {
      image = QVPDFImageXObject::inlineImage(*stream, colorSpaces);
    } catch (const platform::PdfError&) {
      stream->release();
      return;
    }
    if (!image) {
      stream->release();
      return;
    }
    // The same text under other colour-space resources takes the entry over.
    if (known != page.inlineImages.end()) {
      known->second.image->xObjectStream().release();
      known->second = {colorSpaces, image};
      keepStream = true;
    } else if (!key.empty() && page.inlineImageKeyBytes + key.size() <= kMaxInlineImageKeys) {
      page.inlineImageKeyBytes += key.size();
      page.inlineImages.emplace(key, PageContext::InlineImage{colorSpaces, image});
      keepStream = true;
    }
  }

  std::string name = "EI-" + platform::text::formatFixed(static_cast<double>(std::time(nullptr)), 0);
  if (!ownXObjects_) {
    const QVPDFXObjectCollection* shared = resources_ ? resources_->xObjects.get() : nullptr;
    ownXObjects_ = shared ? std::make_shared<QVPDFXObjectCollection>(*shared)
                          : std::make_shared<QVPDFXObjectCollection>();
  }
  ownXObjects_->addFromDictionary({{name, image}});
  drawImageXObject(name);
  if (!keepStream) stream->release();
}
