#include "docx/QVDocxFontFacts.h"

#include <algorithm>

#include "convert/QVPDF_CTMInfo.h"

#include "convert/QVPDFFontStyle.h"
#include "convert/QVPDFPageFrame.h"
#include "docx/QVDocxUtilities.h"
#include "pdf/QVPDFColor.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/fonts/QVPDFFont.h"

namespace {

// The family an office application has for East Asian text of a script and
// style, for a font the font list does not know.
std::string_view eastAsianFamily(std::string_view collection, QVPDFFontStyle style) {
  const bool sans = style == QVPDFFontStyle::SansSerif;
  if (collection == "Japan1") return sans ? "MS Gothic" : "MS Mincho";
  if (collection == "GB1") return sans ? "SimHei" : "SimSun";
  if (collection == "CNS1") return sans ? "Microsoft JhengHei" : "PMingLiU";
  if (collection == "Korea1") return sans ? "Gulim" : "Batang";
  return {};
}

}  // namespace

const QVDocxFontFacts::Facts& QVDocxFontFacts::factsOf(const std::shared_ptr<const QVPDFFont>& font) {
  auto found = facts_.find(font.get());
  if (found != facts_.end()) return found->second.second;
  const QVPDFOfficeFont office =
      QVPDF_OfficeFont(*font, QVDocx_FontNameText(QVDocxUtilities::fallbackFontName()));
  std::string_view latin = office.family;
  std::string_view eastAsia;
  if (standIns_ && !QVPDF_IsStandardFamily(office.family) && !QVPDF_IsSymbolFamily(office.family)) {
    const QVPDFFontStyle style = QVPDF_FontStyle(*font, office.family);
    latin = QVPDF_StandardFamily(style);
    if (QVPDF_IsEastAsianFamily(office.family))
      eastAsia = office.family;
    else
      eastAsia = eastAsianFamily(QVPDF_EastAsianCollection(*font), style);
  }
  QVDocx_FontName family = names_.intern(latin);
  Facts facts{family, eastAsia.empty() ? family : names_.intern(eastAsia), names_.intern(office.family),
              office.bold, office.italic};
  return facts_.emplace(font.get(), std::make_pair(font, std::move(facts))).first->second.second;
}

QVDocx_RPr QVDocxFontFacts::currentRProperty(const QVPDFPageFrame& frame) {
  const QVPDFRenderState& s = frame.state();
  const std::shared_ptr<const QVPDFFont>& font = s.font();
  if (!font) return QVDocxUtilities::defaultRProperty();
  const Facts& facts = factsOf(font);
  // The display em width, rounded, at the size the page shows it: the
  // placement's floor of 8 points would set a figure's small labels or a
  // slide's footnotes at twice their size, wider than their place and taller
  // than the page holds. A point is the least an office size can be.
  const platform::Size em = QVPDF_CTMInfoFontSize(frame.emFontSize(), frame.fontAscent(), frame.fontDescent(),
                                                  frame.displayTextTransform());
  const QVPDFRGB fill = s.currentFillRGBColor();

  // Scale, spacing, underline and script stay as the defaults have them.
  QVDocx_RPr r = QVDocxUtilities::defaultRProperty();
  r.rFonts = {facts.family, facts.family, facts.own, facts.eastAsia};
  r.b = facts.bold;
  r.i = facts.italic;
  r.sz = static_cast<float>(std::max(1.0, em.width));
  r.color = {fill.r, fill.g, fill.b, 255};
  return r;
}
