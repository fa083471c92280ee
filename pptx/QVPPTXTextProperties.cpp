#include "pptx/QVPPTXTextProperties.h"

bool QVPPTX_RunPrFontIsEqual(const QVPPTX_RunPr_Font& a, const QVPPTX_RunPr_Font& b) {
  return a.typeface == b.typeface && a.pitchFamily == b.pitchFamily && a.charset == b.charset;
}

bool QVPPTX_RunPrIsEqual(const QVPPTX_RunPr& a, const QVPPTX_RunPr& b) {
  if (a.lang != b.lang || a.altLang != b.altLang) return false;
  if (!(a.sz == b.sz)) return false;
  if (a.dirty != b.dirty || a.smtClean != b.smtClean) return false;
  if (!a.rgbColor || !b.rgbColor || *a.rgbColor != *b.rgbColor) return false;
  if (a.noFill != b.noFill) return false;
  return QVPPTX_RunPrFontIsEqual(a.latin, b.latin) && QVPPTX_RunPrFontIsEqual(a.cs, b.cs);
}
