// The text-state and text-showing operators.
#include <array>
#include <cmath>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFConentParserPrivate.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/QVPDFTextShowing.h"
#include "pdf/fonts/QVPDFFont.h"

using platform::PdfScanner;

void QVPDFConentParser::op_BT(PdfScanner&) {
  currentRenderingState().setTextMatrix(platform::AffineTransform::identity(), true);
}

void QVPDFConentParser::op_ET(PdfScanner&) {}

void QVPDFConentParser::op_Tc(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setCharacterSpacing(*v);
}

void QVPDFConentParser::op_Tw(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setWordSpacing(*v);
}

void QVPDFConentParser::op_Tz(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setHorizontalScaling(*v * 0.01);
}

void QVPDFConentParser::op_TL(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setLeading(*v);
}

void QVPDFConentParser::op_Ts(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setTextRise(*v);
}

void QVPDFConentParser::op_Tf(PdfScanner& scanner) {
  auto size = scanner.popNumber();
  auto name = scanner.popName();
  if (!size || !name) return;
  auto font = fontNamed(*name);
  // An unknown font changes nothing, the size included.
  if (!font) return;
  QVPDFRenderState& state = currentRenderingState();
  state.setFont(std::move(font));
  state.setFontSize(*size);
}

// Text is reported whatever its rendering mode, invisible text included; the
// mode is kept for the exporters, which draw invisible text without ink. A
// mode outside 0 to 7 changes nothing.
void QVPDFConentParser::op_Tr(PdfScanner& scanner) {
  const auto mode = scanner.popInteger();
  if (mode && *mode >= 0 && *mode <= 7) currentRenderingState().setTextRenderingMode(static_cast<int32_t>(*mode));
}

void QVPDFConentParser::op_Td(PdfScanner& scanner) {
  auto ty = scanner.popNumber();
  auto tx = scanner.popNumber();
  if (!tx || !ty) return;
  currentRenderingState().newLineWithLeading(*ty, *tx, false);
}

void QVPDFConentParser::op_TD(PdfScanner& scanner) {
  auto ty = scanner.popNumber();
  auto tx = scanner.popNumber();
  if (!tx || !ty) return;
  currentRenderingState().newLineWithLeading(*ty, *tx, true);
}

void QVPDFConentParser::op_Tm(PdfScanner& scanner) {
  std::array<double, 6> v{};
  bool ok = true;
  for (int i = 6; i-- > 0;) {
    auto n = scanner.popNumber();
    if (n) {
      v[i] = *n;
    } else {
      ok = false;
    }
  }
  if (!ok) return;
  currentRenderingState().setTextMatrix({v[0], v[1], v[2], v[3], v[4], v[5]}, true);
}

void QVPDFConentParser::op_Tstar(PdfScanner&) { currentRenderingState().newLine(); }

void QVPDFConentParser::op_Tj(PdfScanner& scanner) {
  if (auto text = scanner.popString()) showTextString(*text);
}

void QVPDFConentParser::op_quote(PdfScanner& scanner) {
  auto text = scanner.popString();
  currentRenderingState().newLine();
  if (text) showTextString(*text);
}

void QVPDFConentParser::op_doubleQuote(PdfScanner& scanner) {
  auto text = scanner.popString();
  auto charSpacing = scanner.popNumber();
  auto wordSpacing = scanner.popNumber();
  QVPDFRenderState& state = currentRenderingState();
  if (wordSpacing) state.setWordSpacing(*wordSpacing);
  if (charSpacing) state.setCharacterSpacing(*charSpacing);
  state.newLine();
  if (text) showTextString(*text);
}

void QVPDFConentParser::op_TJ(PdfScanner& scanner) {
  auto array = scanner.popArray();
  if (!array) return;
  for (const platform::PdfOperand& element : *array) {
    switch (element.kind) {
      case platform::PdfOperand::Kind::String:
        showTextString(element.text);
        break;
      case platform::PdfOperand::Kind::Integer:
      case platform::PdfOperand::Kind::Real: {
        QVPDFRenderState& state = currentRenderingState();
        if (!state.font()) return;
        // Thousandths of the font size, in the precision the advance has
        // always been computed with.
        const double a = element.kind == platform::PdfOperand::Kind::Integer
                             ? static_cast<double>(static_cast<float>(element.integer) * 0.001f)
                             : element.real * static_cast<double>(0.001f);
        // A vertical font steps along its column: a positive number moves
        // down the column, as its glyphs advance.
        const double move = -std::fabs(state.fontSize()) * a;
        state.translateTextPosition(state.font()->isVertical() ? platform::Size{0, move} : platform::Size{move, 0});
        break;
      }
      default:
        break;
    }
  }
}

// One string operand: decoded through the current font, reported with its
// advance, then the text position moves. Without a font nothing is reported
// and the position stays.
void QVPDFConentParser::showTextString(const std::string& bytes) { QVPDFTextShowing::showTextString(*this, bytes); }
