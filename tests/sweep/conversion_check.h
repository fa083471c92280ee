#pragma once
// One conversion by the command-line driver (to a presentation unless told
// otherwise), in a child process under limits, and what a user may rely on
// afterwards: it ended in time and within its memory, by itself (no signal,
// no sanitizer report), either with an output that passes the checker of its
// kind or with an error report and no output, and left no file outside the
// output folder.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/sweep/child_run.h"

namespace sweep {

struct ConversionRun {
  ChildResult child;
  bool outputWritten = false;
  // Every broken promise, empty when the run was sound.
  std::vector<std::string> problems;
  // Output and standard error of the driver, shortened, for messages.
  std::string report;
};

// True when this build registers an exporter for the output extension
// (without one the driver converts nothing, and no output is expected).
bool exporterRegistered(std::string_view extension);

// How closely a written deck is looked at: every check of the package
// checker, or (for decks of a great many shapes, where those checks take
// minutes) that the zip opens and holds its first slide. Outputs other than
// decks always get every check of their kind: the package checkers of Word
// documents and workbooks, and for text outputs a file that is not empty.
enum class DeckCheck { Full, OpensWithSlide };

// Converts `pdf` (with the password, when not empty) to `extension` in fresh
// folders under `workRoot` and checks the run.
ConversionRun convertAndCheck(const std::filesystem::path& pdf, const std::string& password,
                              const std::filesystem::path& workRoot, const ChildLimits& limits = {},
                              DeckCheck deckCheck = DeckCheck::Full, std::string_view extension = "pptx");

}  // namespace sweep
