// The operator table and the graphics, colour and path operators.
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "pdf/QVPDFColorSpace.h"
#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFConentParserPrivate.h"
#include "pdf/QVPDFExtGState.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/RenderingStateStack.h"

using platform::PdfScanner;

namespace {

int32_t saturatedInt32(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

// Truncation toward zero that saturates at the 64-bit range (NaN gives 0).
int64_t saturatedInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
  if (v <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

// Pops n numbers; they come off the stack last first, and are answered in
// the order written. Every one is taken even when an earlier one failed.
template <size_t N>
std::optional<std::array<double, N>> popNumbers(PdfScanner& scanner) {
  std::array<double, N> values{};
  bool ok = true;
  for (size_t i = N; i-- > 0;) {
    auto v = scanner.popNumber();
    if (v) {
      values[i] = *v;
    } else {
      ok = false;
    }
  }
  if (!ok) return std::nullopt;
  return values;
}

}  // namespace

void QVPDFConentParser::buildOperatorTable(platform::PdfOperatorTable& table, PageContext* context) {
  static constexpr std::pair<const char*, OperatorMember> kOperators[] = {
      {"BT", &QVPDFConentParser::op_BT},     {"ET", &QVPDFConentParser::op_ET},
      {"Tc", &QVPDFConentParser::op_Tc},     {"Tw", &QVPDFConentParser::op_Tw},
      {"Tz", &QVPDFConentParser::op_Tz},     {"TL", &QVPDFConentParser::op_TL},
      {"Ts", &QVPDFConentParser::op_Ts},     {"Tf", &QVPDFConentParser::op_Tf},
      {"Tr", &QVPDFConentParser::op_Tr},     {"Td", &QVPDFConentParser::op_Td},
      {"TD", &QVPDFConentParser::op_TD},     {"Tm", &QVPDFConentParser::op_Tm},
      {"T*", &QVPDFConentParser::op_Tstar},  {"Tj", &QVPDFConentParser::op_Tj},
      {"'", &QVPDFConentParser::op_quote},   {"\"", &QVPDFConentParser::op_doubleQuote},
      {"TJ", &QVPDFConentParser::op_TJ},     {"MP", &QVPDFConentParser::op_marked},
      {"DP", &QVPDFConentParser::op_marked}, {"BMC", &QVPDFConentParser::op_marked},
      {"BDC", &QVPDFConentParser::op_marked}, {"EMC", &QVPDFConentParser::op_marked},
      {"BX", &QVPDFConentParser::op_marked}, {"EX", &QVPDFConentParser::op_marked},
      {"q", &QVPDFConentParser::op_q},       {"Q", &QVPDFConentParser::op_Q},
      {"cm", &QVPDFConentParser::op_cm},     {"w", &QVPDFConentParser::op_w},
      {"J", &QVPDFConentParser::op_J},       {"j", &QVPDFConentParser::op_j},
      {"M", &QVPDFConentParser::op_M},       {"d", &QVPDFConentParser::op_d},
      {"ri", &QVPDFConentParser::op_ri},     {"i", &QVPDFConentParser::op_i},
      {"gs", &QVPDFConentParser::op_gs},     {"CS", &QVPDFConentParser::op_CS},
      {"cs", &QVPDFConentParser::op_cs},     {"G", &QVPDFConentParser::op_G},
      {"g", &QVPDFConentParser::op_g},       {"RG", &QVPDFConentParser::op_RG},
      {"rg", &QVPDFConentParser::op_rg},     {"K", &QVPDFConentParser::op_K},
      {"k", &QVPDFConentParser::op_k},       {"SC", &QVPDFConentParser::op_SC},
      {"sc", &QVPDFConentParser::op_sc},     {"SCN", &QVPDFConentParser::op_SCN},
      {"scn", &QVPDFConentParser::op_scn},   {"m", &QVPDFConentParser::op_m},
      {"l", &QVPDFConentParser::op_l},       {"c", &QVPDFConentParser::op_c},
      {"v", &QVPDFConentParser::op_v},       {"y", &QVPDFConentParser::op_y},
      {"h", &QVPDFConentParser::op_h},       {"re", &QVPDFConentParser::op_re},
      {"S", &QVPDFConentParser::op_S},       {"s", &QVPDFConentParser::op_s},
      {"f", &QVPDFConentParser::op_f},       {"F", &QVPDFConentParser::op_f},
      {"f*", &QVPDFConentParser::op_fstar},  {"B", &QVPDFConentParser::op_B},
      {"B*", &QVPDFConentParser::op_Bstar},  {"b", &QVPDFConentParser::op_b},
      {"b*", &QVPDFConentParser::op_bstar},  {"n", &QVPDFConentParser::op_n},
      {"W", &QVPDFConentParser::op_W},       {"W*", &QVPDFConentParser::op_Wstar},
      {"sh", &QVPDFConentParser::op_sh},     {"Do", &QVPDFConentParser::op_Do},
      {"EI", &QVPDFConentParser::op_EI},
  };
  static_assert(std::size(kOperators) == 69);
  for (const auto& [name, member] : kOperators) {
    table.set(name, [context, member = member](PdfScanner& scanner) {
      if (!context->current || !context->current->spendWork(1)) return;
      (context->current->*member)(scanner);
    });
  }
}

// ---------------------------------------------------------------------------
// General graphics state

void QVPDFConentParser::op_marked(PdfScanner&) {}

void QVPDFConentParser::op_q(PdfScanner&) { saveRenderingState(); }

void QVPDFConentParser::op_Q(PdfScanner&) { restoreRenderingState(); }

void QVPDFConentParser::op_cm(PdfScanner& scanner) {
  auto v = popNumbers<6>(scanner);
  if (!v) return;
  QVPDFRenderState& state = currentRenderingState();
  platform::AffineTransform m{(*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5]};
  state.setCtm(m.concat(state.ctm()));
}

void QVPDFConentParser::op_w(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setLineWidth(*v);
}

void QVPDFConentParser::op_J(PdfScanner& scanner) {
  if (auto v = scanner.popInteger()) currentRenderingState().setLineCapStyle(saturatedInt32(*v));
}

void QVPDFConentParser::op_j(PdfScanner& scanner) {
  if (auto v = scanner.popInteger()) currentRenderingState().setLineJoinStyle(saturatedInt32(*v));
}

void QVPDFConentParser::op_M(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setLineMiterLimit(*v);
}

void QVPDFConentParser::op_d(PdfScanner& scanner) {
  auto phase = scanner.popInteger();
  auto array = scanner.popArray();
  if (!phase || !array) return;
  std::vector<int64_t> pattern;
  pattern.reserve(array->size());
  for (const platform::PdfOperand& element : *array) {
    if (element.kind == platform::PdfOperand::Kind::Integer) {
      pattern.push_back(element.integer);
    } else if (element.kind == platform::PdfOperand::Kind::Real) {
      pattern.push_back(saturatedInt64(element.real));
    }
  }
  QVPDFRenderState& state = currentRenderingState();
  state.setLineDashPattern(std::move(pattern));
  state.setLineDashPhase(*phase);
}

void QVPDFConentParser::op_ri(PdfScanner& scanner) { (void)scanner.popName(); }

void QVPDFConentParser::op_i(PdfScanner& scanner) {
  if (auto v = scanner.popNumber()) currentRenderingState().setLineFlatness(*v);
}

void QVPDFConentParser::op_gs(PdfScanner& scanner) {
  if (auto name = scanner.popName()) applyExtGState(*name);
}

void QVPDFConentParser::applyExtGState(std::string_view name) {
  currentRenderingState().setGraphicState(extGStateNamed(name).get());
}

void QVPDFConentParser::op_sh(PdfScanner& scanner) {
  if (auto name = scanner.popName()) (void)shadingNamed(*name);
}

// ---------------------------------------------------------------------------
// Colour

void QVPDFConentParser::setColorSpace(bool stroke, PdfScanner& scanner) {
  auto operand = scanner.popObject();
  if (!operand) return;
  std::shared_ptr<const QVPDFColorSpace> space;
  if (operand->kind == platform::PdfOperand::Kind::Name) space = colorSpaceNamed(operand->text);
  if (!space) space = QVPDFColorSpace::colorSpaceWithObject(operand->toObject());
  if (!space) return;
  QVPDFRenderState& state = currentRenderingState();
  QVPDFColor color = space->getDefaultColor();
  if (stroke) {
    state.setStrokeColorSpace(std::move(space));
    state.setStrokeColor(color);
  } else {
    state.setFillColorSpace(std::move(space));
    state.setFillColor(color);
  }
}

void QVPDFConentParser::op_CS(PdfScanner& scanner) { setColorSpace(true, scanner); }
void QVPDFConentParser::op_cs(PdfScanner& scanner) { setColorSpace(false, scanner); }

void QVPDFConentParser::setDeviceColor(bool stroke, int components, PdfScanner& scanner) {
  std::array<double, 4> values{};
  bool ok = true;
  for (int i = components; i-- > 0;) {
    auto v = scanner.popNumber();
    if (v) {
      values[i] = *v;
    } else {
      ok = false;
    }
  }
  if (!ok) return;
  QVPDFRenderState& state = currentRenderingState();
  std::shared_ptr<const QVPDFColorSpace> space = components == 1   ? QVPDFColorSpace::deviceGray()
                                                 : components == 3 ? QVPDFColorSpace::deviceRGB()
                                                                   : QVPDFColorSpace::deviceCMYK();
  QVPDFColor color = stroke ? state.strokeColor() : state.fillColor();
  for (int i = 0; i < components; ++i) color.c[i] = QVPDFColorComponent(values[i]);
  if (stroke) {
    state.setStrokeColorSpace(std::move(space));
    state.setStrokeColor(color);
    state.setStrokePattern(nullptr);
  } else {
    state.setFillColorSpace(std::move(space));
    state.setFillColor(color);
    state.setFillPattern(nullptr);
  }
}

void QVPDFConentParser::op_G(PdfScanner& scanner) { setDeviceColor(true, 1, scanner); }
void QVPDFConentParser::op_g(PdfScanner& scanner) { setDeviceColor(false, 1, scanner); }
void QVPDFConentParser::op_RG(PdfScanner& scanner) { setDeviceColor(true, 3, scanner); }
void QVPDFConentParser::op_rg(PdfScanner& scanner) { setDeviceColor(false, 3, scanner); }
void QVPDFConentParser::op_K(PdfScanner& scanner) { setDeviceColor(true, 4, scanner); }
void QVPDFConentParser::op_k(PdfScanner& scanner) { setDeviceColor(false, 4, scanner); }

void QVPDFConentParser::setColorComponents(bool stroke, bool pattern, PdfScanner& scanner) {
  QVPDFRenderState& state = currentRenderingState();
  const auto& space = stroke ? state.strokeColorSpace() : state.fillColorSpace();
  if (pattern && space && space->getMode() == QVPDFColorSpace::kModePattern) return;
  int n = space ? space->getNComps() : 0;
  if (n > QVPDFColor::kMaxComponents) n = QVPDFColor::kMaxComponents;
  if (n < 0) n = 0;
  std::array<double, QVPDFColor::kMaxComponents> values{};
  bool ok = true;
  for (int i = n; i-- > 0;) {
    auto v = scanner.popNumber();
    if (v) {
      values[i] = *v;
    } else {
      ok = false;
    }
  }
  if (!ok) return;
  QVPDFColor color = stroke ? state.strokeColor() : state.fillColor();
  for (int i = 0; i < n; ++i) color.c[i] = QVPDFColorComponent(values[i]);
  if (stroke) {
    state.setStrokePattern(nullptr);
    state.setStrokeColor(color);
  } else {
    state.setFillPattern(nullptr);
    state.setFillColor(color);
  }
}

void QVPDFConentParser::op_SC(PdfScanner& scanner) { setColorComponents(true, false, scanner); }
void QVPDFConentParser::op_sc(PdfScanner& scanner) { setColorComponents(false, false, scanner); }
void QVPDFConentParser::op_SCN(PdfScanner& scanner) { setColorComponents(true, true, scanner); }
void QVPDFConentParser::op_scn(PdfScanner& scanner) { setColorComponents(false, true, scanner); }

// ---------------------------------------------------------------------------
// Path construction

platform::Path* QVPDFConentParser::pathForChange() {
  QVPDFRenderState& state = currentRenderingState();
  // A path that a saved state still holds is copied before it changes.
  if (state.pathIsShared() && !spendCopyWork(1 + state.cgPath().elements().size())) return nullptr;
  return &state.mutablePath();
}

void QVPDFConentParser::op_m(PdfScanner& scanner) {
  auto v = popNumbers<2>(scanner);
  if (!v) return;
  if (platform::Path* path = pathForChange()) path->moveTo({(*v)[0], (*v)[1]});
}

void QVPDFConentParser::op_l(PdfScanner& scanner) {
  auto v = popNumbers<2>(scanner);
  if (!v) return;
  if (platform::Path* path = pathForChange()) path->lineTo({(*v)[0], (*v)[1]});
}

void QVPDFConentParser::op_c(PdfScanner& scanner) {
  auto v = popNumbers<6>(scanner);
  if (!v) return;
  if (platform::Path* path = pathForChange())
    path->curveTo({(*v)[0], (*v)[1]}, {(*v)[2], (*v)[3]}, {(*v)[4], (*v)[5]});
}

void QVPDFConentParser::op_v(PdfScanner& scanner) {
  const platform::Path& current = currentRenderingState().cgPath();
  const bool hasStart = current.hasCurrentPoint();
  const platform::Point start = current.currentPoint();
  auto v = popNumbers<4>(scanner);
  if (!v || !hasStart) return;
  if (platform::Path* path = pathForChange()) path->curveTo(start, {(*v)[0], (*v)[1]}, {(*v)[2], (*v)[3]});
}

void QVPDFConentParser::op_y(PdfScanner& scanner) {
  auto v = popNumbers<4>(scanner);
  if (!v) return;
  if (platform::Path* path = pathForChange())
    path->curveTo({(*v)[0], (*v)[1]}, {(*v)[2], (*v)[3]}, {(*v)[2], (*v)[3]});
}

void QVPDFConentParser::op_h(PdfScanner&) {
  if (platform::Path* path = pathForChange()) path->closeSubpath();
}

void QVPDFConentParser::op_re(PdfScanner& scanner) {
  auto v = popNumbers<4>(scanner);
  if (!v) return;
  if (platform::Path* path = pathForChange()) path->addRect(platform::Rect((*v)[0], (*v)[1], (*v)[2], (*v)[3]));
}

// ---------------------------------------------------------------------------
// Painting and clipping

void QVPDFConentParser::resetCurrentPath() { currentRenderingState().setCgPath(nullptr); }

void QVPDFConentParser::applyPendingClip() {
  QVPDFRenderState& state = currentRenderingState();
  const int32_t rule = state.clip();
  if (rule != QVPDFRenderState::kNonZeroClip && rule != QVPDFRenderState::kEvenOddClip) return;
  state.setClip(QVPDFRenderState::kNoClip);
  if (!spendCopyWork(1 + state.cgPath().elements().size())) return;
  state.clipState(state.cgPath().transformed(state.ctm()), rule);
}

void QVPDFConentParser::paintCurrentPath(bool stroke, bool fill) {
  if (delegate_) delegate_->didScanPath(*this, currentRenderingState().cgPath(), stroke, fill);
  applyPendingClip();
  resetCurrentPath();
}

void QVPDFConentParser::op_S(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(false);
  paintCurrentPath(true, false);
}

void QVPDFConentParser::op_s(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(false);
  if (platform::Path* path = pathForChange()) path->closeSubpath();
  paintCurrentPath(true, false);
}

void QVPDFConentParser::op_f(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(false);
  paintCurrentPath(false, true);
}

void QVPDFConentParser::op_fstar(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(true);
  paintCurrentPath(false, true);
}

void QVPDFConentParser::op_B(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(false);
  paintCurrentPath(true, true);
}

void QVPDFConentParser::op_Bstar(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(true);
  paintCurrentPath(true, true);
}

void QVPDFConentParser::op_b(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(false);
  if (platform::Path* path = pathForChange()) path->closeSubpath();
  paintCurrentPath(true, true);
}

void QVPDFConentParser::op_bstar(PdfScanner&) {
  currentRenderingState().setUsesEvenOddFillRule(true);
  if (platform::Path* path = pathForChange()) path->closeSubpath();
  paintCurrentPath(true, true);
}

void QVPDFConentParser::op_n(PdfScanner&) {
  applyPendingClip();
  resetCurrentPath();
}

void QVPDFConentParser::op_W(PdfScanner&) { currentRenderingState().setClip(QVPDFRenderState::kNonZeroClip); }

void QVPDFConentParser::op_Wstar(PdfScanner&) { currentRenderingState().setClip(QVPDFRenderState::kEvenOddClip); }
