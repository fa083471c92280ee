#include "docx/QVDocx.h"

#include "platform/text/text.h"

bool QVDocx_FontNameIsEqual(const QVDocx_FontName& a, const QVDocx_FontName& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return *a == *b;
}

std::string_view QVDocx_FontNameText(const QVDocx_FontName& name) {
  return name ? std::string_view(*name) : std::string_view();
}

bool QVRunPrIsEqual(const QVDocx_RPr& a, const QVDocx_RPr& b) {
  return QVDocx_FontNameIsEqual(a.rFonts.ascii, b.rFonts.ascii) && a.sz == b.sz && a.color.red == b.color.red &&
         a.color.green == b.color.green && a.color.blue == b.color.blue && a.color.alpha == b.color.alpha &&
         a.b == b.b && a.i == b.i && a.u == b.u && a.w == b.w && a.spacing == b.spacing && a.noInk == b.noInk;
}

bool QVRunPrFontIsEqual(const QVDocx_RPr& a, const QVDocx_RPr& b) {
  return QVDocx_FontNameIsEqual(a.rFonts.ascii, b.rFonts.ascii) && a.sz == b.sz && a.w == b.w && a.spacing == b.spacing;
}

QVDocx_FontName QVDocxFontNames::intern(std::string_view name) {
  const std::string valid = platform::text::encodeUtf8(platform::text::decodeUtf8(name));
  auto found = names_.find(valid);
  if (found != names_.end()) return found->second;
  QVDocx_FontName kept = std::make_shared<const std::string>(valid);
  names_.emplace(valid, kept);
  return kept;
}
