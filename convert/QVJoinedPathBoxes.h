#pragma once
// The boxes of the paths one shape has taken in. Text drawn as outlines is
// thousands of small paths a page, and the office outputs join alike paths
// drawn one after another into one shape; a shape may be filled by one rule
// over all its paths, so a further path joins only where its box meets none
// of the boxes taken in, and a shape takes in a bounded number of paths (its
// geometry stays of a size readers handle, the overlap test stays cheap).
#include <cstddef>
#include <vector>

#include "platform/geometry/geometry.h"

class QVJoinedPathBoxes {
 public:
  static constexpr size_t kMostPaths = 400;

  // Whether the shape has joined nothing yet.
  bool empty() const { return boxes_.empty(); }
  // Records the shape's own box before its first join.
  void start(const platform::Rect& first) {
    if (boxes_.empty()) boxes_.push_back(first);
  }
  // Takes the box in, unless the shape is full or, where `apart` asks for
  // it, the box meets a box taken in; answers whether it did.
  bool take(const platform::Rect& box, bool apart = true) {
    if (boxes_.size() >= kMostPaths) return false;
    if (apart) {
      for (const platform::Rect& taken : boxes_) {
        const platform::Rect shared = taken.intersect(box);
        if (!shared.isNull() && !shared.isEmpty()) return false;
      }
    }
    boxes_.push_back(box);
    return true;
  }

 private:
  std::vector<platform::Rect> boxes_;
};
