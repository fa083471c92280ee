#pragma once
// The list operations of the table reconstruction: sorting runs, finding the
// runs that form a row band, a column band, a line or a block with the first
// run of a list, and joining a line's or a block's runs into the first one.
//
// Geometry is read from each run's placement record (display space: y grows
// downwards, so yTop < yBase < yBottom, and xLeft < xRight for upright
// text). Every Find method answers an empty list for an empty input and
// otherwise always holds the first run, followed by the later runs that
// joined, in list order; none changes its input. The Get methods need a
// non-empty list.
#include <vector>

#include "xlsx/QVExcelRunText.h"

class QVExcelManager;

class QVExcelSortUtilities {
 public:
  QVExcelSortUtilities() = delete;

  // New lists sorted by ascending xLeft / yTop; runs with equal keys keep
  // their order, so sorting by x and then by y gives top-to-bottom order
  // with left-to-right order among equal tops.
  static QVExcelRunList SortRunTextsByX(const QVExcelRunList& runs);
  static QVExcelRunList SortRunTextsByY(const QVExcelRunList& runs);

  // A row band: the runs reaching above the band's lowest baseline so far.
  static QVExcelRunList FindRunTextsCrossedInHeight(const QVExcelRunList& runs);
  // A column band: the runs starting at or left of the band's right edge so far.
  static QVExcelRunList FindRunTextsCrossedInWidth(const QVExcelRunList& runs);
  // The runs that continue the first on its line: the same baseline (within
  // 1 point), starting within 2 points of the line's right end, the same
  // size and colour.
  static QVExcelRunList FindRunTextsMergedInWidth(const QVExcelRunList& runs);
  // The runs that continue the first as further lines of one block: starting
  // more than 1 point left of the first run's right edge, their top within
  // 2 points of the block's bottom so far (or, for lines set solid, within
  // a point of its lowest baseline), the same size and colour.
  static QVExcelRunList FindRunTextsMergedInHeight(const QVExcelRunList& runs);

  // The groups that one of the four Find methods above takes in turn from a
  // list: the first run's group, then the group of the first run left once
  // it is removed, and so on, as the cuts and joins of a node need them.
  enum class Grouping { RowBands, ColumnBands, LineContinuations, BlockContinuations };
  static std::vector<QVExcelRunList> FindGroupsInTurn(const QVExcelRunList& runs, Grouping grouping);

  // True when `next` is the line after `line` in a paragraph set solid, its
  // leading no more than its size: its top stands within a point of the
  // line's baseline, though the descent of the line reaches below it.
  static bool IsLineSetSolid(const QVExcelRunText& line, const QVExcelRunText& next);

  // True when a gap between two runs parts two words, by the rule of every
  // other output: half a blank of either side or a tenth of the em of the
  // run before, whichever is less. Runs that know no blank width part none.
  static bool IsWordGap(const QVExcelRunText& before, const QVExcelRunText& after, double gap);

  // True when `next` is a letter raised or lowered into the word that
  // `last` ends (a logo's letter, a script, an ordinal) or a piece of the
  // word in a larger or smaller size (a taller bracket): it stands a line
  // tolerance or more off the base line, is of another size or starts
  // inside `last` (kerned into it), within half the taller em of it, after
  // `last` starts and no word gap after its end. Such a piece joins the
  // run, so the word stays whole in its cell.
  static bool ContinuesWord(const QVExcelRunText& last, const QVExcelRunText& next);

  // Joins the group into its first run, which is changed and answered: one
  // line (texts appended with a blank where they stand a word gap apart,
  // right edge of the last run) ...
  static QVExcelRunTextPtr MergeRunTextsInWidth(const QVExcelRunList& group);
  // ... or further lines: each line after a line feed, or, when the cells
  // wrap their text, after one blank unless the texts already meet at
  // whitespace; the box grows to cover them all.
  static QVExcelRunTextPtr MergeRunTextsInHeight(const QVExcelRunList& group, const QVExcelManager& manager);

  // The first run and the later runs in its slot, its column, its row.
  static QVExcelRunList FindRunTextsInSameRowColumnIndex(const QVExcelRunList& runs);
  static QVExcelRunList FindRunTextsInSameColumnIndex(const QVExcelRunList& runs);
  static QVExcelRunList FindRunTextsInSameRowIndex(const QVExcelRunList& runs);

  static double GetMaxxRightInRunTexts(const QVExcelRunList& runs);
  static double GetMinxRightInRunTexts(const QVExcelRunList& runs);
  static double GetMaxxLeftInRunTexts(const QVExcelRunList& runs);
  static double GetMinxLeftInRunTexts(const QVExcelRunList& runs);
  static double GetMinxTopInRunTexts(const QVExcelRunList& runs);

};
