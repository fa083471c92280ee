// JBIG2 through jbig2dec, with the memory it may take bounded by our own
// allocator so that a hostile page size fails instead of exhausting memory.
#include <cstdlib>
#include <cstring>
#include <functional>  // before jbig2.h, whose macros break it
#include <string>

extern "C" {
#include <jbig2.h>
}

#include "platform/image/codecs.h"

namespace platform::image {

namespace {

// Page buffers, region buffers, symbol dictionaries and work areas together:
// a page at the pixel cap takes kMaxPixels / 8 bytes, and a few such buffers
// fit. Damaged size fields otherwise make the decoder allocate and clear
// hundreds of megabytes, which is slow long before memory runs out.
constexpr size_t kMemoryBudget = static_cast<size_t>(kMaxPixels / 8) * 4;

struct BudgetAllocator {
  Jbig2Allocator base;  // first member: jbig2dec hands us back this pointer
  size_t used = 0;
};

// Each block carries its size in front of it so that free and realloc can
// keep the account.
constexpr size_t kHeader = 16;

void* budgetAlloc(Jbig2Allocator* a, size_t size) {
  auto* self = reinterpret_cast<BudgetAllocator*>(a);
  if (size > kMemoryBudget || self->used + size > kMemoryBudget) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  self->used += size;
  return block + kHeader;
}

void budgetFree(Jbig2Allocator* a, void* p) {
  if (!p) return;
  auto* self = reinterpret_cast<BudgetAllocator*>(a);
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  size_t size;
  std::memcpy(&size, block, sizeof size);
  self->used -= size;
  std::free(block);
}

void* budgetRealloc(Jbig2Allocator* a, void* p, size_t size) {
  if (!p) return budgetAlloc(a, size);
  auto* self = reinterpret_cast<BudgetAllocator*>(a);
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  size_t old;
  std::memcpy(&old, block, sizeof old);
  if (size > old && (size - old > kMemoryBudget || self->used + (size - old) > kMemoryBudget)) return nullptr;
  auto* grown = static_cast<unsigned char*>(std::realloc(block, size + kHeader));
  if (!grown) return nullptr;
  std::memcpy(grown, &size, sizeof size);
  self->used = self->used - old + size;
  return grown + kHeader;
}

struct ErrorSink {
  std::string firstFatal;
};

void onJbig2Error(void* data, const char* msg, Jbig2Severity severity, uint32_t) {
  auto* sink = static_cast<ErrorSink*>(data);
  if (severity == JBIG2_SEVERITY_FATAL && sink->firstFatal.empty() && msg) sink->firstFatal = msg;
}

}  // namespace

BilevelImage decodeJbig2(std::span<const uint8_t> data, std::span<const uint8_t> globals) {
  BudgetAllocator allocator;
  allocator.base.alloc = budgetAlloc;
  allocator.base.free = budgetFree;
  allocator.base.realloc = budgetRealloc;
  ErrorSink sink;

  Jbig2GlobalCtx* globalCtx = nullptr;
  if (!globals.empty()) {
    Jbig2Ctx* gctx = jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, onJbig2Error, &sink);
    if (!gctx) throw ImageError("JBIG2: cannot create a decoder");
    if (jbig2_data_in(gctx, globals.data(), globals.size()) < 0) {
      jbig2_ctx_free(gctx);
      throw ImageError("JBIG2: unreadable global segments: " + sink.firstFatal);
    }
    globalCtx = jbig2_make_global_ctx(gctx);
  }

  Jbig2Ctx* ctx = jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, globalCtx, onJbig2Error, &sink);
  if (!ctx) {
    if (globalCtx) jbig2_global_ctx_free(globalCtx);
    throw ImageError("JBIG2: cannot create a decoder");
  }
  // Releases the page context and then the globals it refers to, whatever
  // way this function is left.
  struct Cleanup {
    Jbig2Ctx* ctx;
    Jbig2GlobalCtx* globals;
    Jbig2Image* page = nullptr;
    ~Cleanup() {
      if (page) jbig2_release_page(ctx, page);
      jbig2_ctx_free(ctx);
      if (globals) jbig2_global_ctx_free(globals);
    }
  } cleanup{ctx, globalCtx};

  if (jbig2_data_in(ctx, data.data(), data.size()) < 0 && !sink.firstFatal.empty())
    throw ImageError("JBIG2: " + sink.firstFatal);
  jbig2_complete_page(ctx);
  cleanup.page = jbig2_page_out(ctx);
  if (!cleanup.page) throw ImageError("JBIG2: no page in the data" + (sink.firstFatal.empty() ? "" : ": " + sink.firstFatal));
  const Jbig2Image& page = *cleanup.page;
  checkPixelCap(page.width, page.height);
  if (!page.data || page.stride < (page.width + 7) / 8) throw ImageError("JBIG2: malformed page");

  BilevelImage out;
  out.width = static_cast<int>(page.width);
  out.height = static_cast<int>(page.height);
  out.stride = (page.width + 7) / 8;
  out.bits.resize(out.stride * page.height);
  for (uint32_t y = 0; y < page.height; ++y) {
    const uint8_t* src = page.data + static_cast<size_t>(y) * page.stride;
    uint8_t* dst = out.bits.data() + static_cast<size_t>(y) * out.stride;
    // JBIG2 marks black with 1; the PDF filter answers 0 for black.
    for (size_t i = 0; i < out.stride; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
  }
  return out;
}

}  // namespace platform::image
