#pragma once
// Internal to the cut trees: the steps row and column bands share.
#include <vector>

#include "xlsx/QVExcelNestedRuns.h"
#include "xlsx/QVExcelRunText.h"
#include "xlsx/QVExcelSortUtilities.h"

namespace qvexcelcut {

// Replaces the runs by the groups taken from them in turn, each group of
// two or more joined by `merge` into its first run.
template <typename Merge>
QVExcelRunList joinedGroups(const QVExcelRunList& runs, QVExcelSortUtilities::Grouping grouping, Merge merge) {
  QVExcelRunList result;
  for (QVExcelRunList& group : QVExcelSortUtilities::FindGroupsInTurn(runs, grouping))
    result.push_back(group.size() >= 2 ? merge(group) : group.front());
  return result;
}

// The bands taken from the runs in turn, each made a node.
template <typename Node>
std::vector<Node> bands(const QVExcelRunList& runs, QVExcelSortUtilities::Grouping grouping) {
  std::vector<Node> nodes;
  for (QVExcelRunList& band : QVExcelSortUtilities::FindGroupsInTurn(runs, grouping)) nodes.emplace_back(std::move(band));
  return nodes;
}

template <typename Node>
QVExcelNestedRuns nested(const QVExcelRunList& runs, const std::vector<Node>& children) {
  QVExcelNestedRuns result;
  if (children.empty()) {
    result.runs = runs;
    return result;
  }
  result.items.reserve(children.size());
  for (const Node& child : children) result.items.push_back(child.dataStructureArray());
  return result;
}

template <typename Node>
QVExcelRunList leaves(const QVExcelRunList& runs, const std::vector<Node>& children) {
  if (children.empty()) return runs;
  QVExcelRunList all;
  for (const Node& child : children) {
    QVExcelRunList part = child.collectAllRunTexts();
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

}  // namespace qvexcelcut
