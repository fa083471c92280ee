#pragma once
// RenderingStateStack: the save/restore stack of graphics states for one
// page, shared by the interpreter (which pushes, pops and changes the top)
// and the exporter that drives the page (which reads the top inside each
// delegate callback).
//
// The stack is never empty: it starts with one default state, and a restore
// with only that state left is refused, so an unbalanced Q cannot lose the
// rest of the page.
#include <cstddef>
#include <deque>

#include "pdf/QVPDFRenderState.h"

class RenderingStateStack {
 public:
  // One new default state.
  RenderingStateStack();
  RenderingStateStack(const RenderingStateStack&) = delete;
  RenderingStateStack& operator=(const RenderingStateStack&) = delete;

  // Removes every state and pushes one new default state.
  void reset();

  // The current state. The reference stays valid until that state is
  // restored away or the stack is reset.
  QVPDFRenderState& topRenderingState() { return states_.back(); }
  const QVPDFRenderState& topRenderingState() const { return states_.back(); }

  // Pushes the given state (the interpreter's q pushes a copy of the top).
  void saveRenderingState(QVPDFRenderState state);
  // Pops the top state. Refused (false, nothing changes) when only one state
  // is left.
  bool restoreRenderingState();

  size_t depth() const { return states_.size(); }

 private:
  // A deque keeps references to the states below the top valid across pushes.
  std::deque<QVPDFRenderState> states_;
};
