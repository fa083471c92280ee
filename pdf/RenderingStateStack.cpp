#include "pdf/RenderingStateStack.h"

#include <utility>

RenderingStateStack::RenderingStateStack() { reset(); }

void RenderingStateStack::reset() {
  states_.clear();
  states_.emplace_back();
}

void RenderingStateStack::saveRenderingState(QVPDFRenderState state) { states_.push_back(std::move(state)); }

bool RenderingStateStack::restoreRenderingState() {
  if (states_.size() <= 1) return false;
  states_.pop_back();
  return true;
}
