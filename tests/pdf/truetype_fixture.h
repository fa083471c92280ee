#pragma once
// A small TrueType program written in the test: empty outlines, glyph names
// of our choosing in its post table, and the cmap a symbolic font has, (3,0)
// at F000 + code. Enough for FreeType to open it and for a font to read its
// glyphs by code and by name.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace truetypefix {

struct Program {
  // Glyph 1 onwards (glyph 0 is .notdef): their names, and the codes the
  // (3,0) cmap maps to them (glyph i at F000 + firstCode + i - 1).
  std::vector<std::string> glyphNames;
  uint8_t firstCode = 0x41;
  // The OS/2 table's first code-page range; no OS/2 table when none.
  std::optional<uint32_t> codePageRange;
};

std::string build(const Program& program);

}  // namespace truetypefix
