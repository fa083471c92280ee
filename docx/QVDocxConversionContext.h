#pragma once
// The counters one flowing-text conversion shares between its writer, its
// exporter and its pages: the drawing order of a page, the markup flavour,
// and the stacking order of the pictures behind and in front of the text.
// Each conversion has its own, so conversions (and tests) can run side by
// side; the document writer resets it when a document begins and the draw
// counter again at every page.
#include <cstdint>

struct QVDocxConversionContext {
  // The first stacking order of a picture behind the text (the 32-bit
  // pattern F10002E6, sign-extended).
  static constexpr int64_t kFirstBackZIndex = -251657498;
  static constexpr int64_t kFlavour2006 = 2006;

  int64_t drawCounter = 0;
  int64_t outputFlavour = kFlavour2006;
  int64_t backZIndex = kFirstBackZIndex;
  int64_t frontZIndex = 1;

  // A document begins.
  void setBegainDocxOptions() { *this = QVDocxConversionContext(); }
  // A page begins.
  void begainPage() { drawCounter = 0; }
  // The next place in the page's drawing order.
  uint64_t takeDrawIndex() { return static_cast<uint64_t>(drawCounter++); }
  // The place the next thing drawn will take.
  uint64_t nextDrawIndex() const { return static_cast<uint64_t>(drawCounter); }
  int64_t takeFrontZIndex() { return frontZIndex++; }
  int64_t takeBackZIndex() { return backZIndex++; }
};
