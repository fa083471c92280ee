#pragma once
// The nested lists of a cut tree: a leaf gives its run list, an inner node
// the list of its children's results, in child order.
#include <vector>

#include "xlsx/QVExcelRunText.h"

struct QVExcelNestedRuns {
  // A leaf's runs (empty for an inner node).
  QVExcelRunList runs;
  // An inner node's children (empty for a leaf).
  std::vector<QVExcelNestedRuns> items;

  // True when this is a run list, not a list of lists.
  bool isRunList() const { return items.empty(); }
};
