#include "pdf/QVPDFTextShowing.h"

#include <algorithm>
#include <climits>
#include <string>

#include "pdf/QVPDFConentParser.h"
#include "pdf/QVPDFRenderState.h"
#include "pdf/fonts/QVPDFFont.h"
#include "platform/text/bidi.h"

namespace {

constexpr uint32_t kSpacesA[] = {0x0020, 0x1680, 0x180E, 0x2000, 0x2001, 0x2002, 0x2003,
                                 0x2004, 0x2009, 0x200A, 0x202F, 0x205F, 0x3000};
constexpr uint32_t kSpacesB[] = {0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0085, 0x00A0};

bool isHighSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Below the Hebrew block no character is written right to left.
constexpr char32_t kFirstRightToLeft = 0x0590;
bool isLowSurrogate(uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Control codes other than the white space ones, and the two noncharacters
// of the BMP's end, are no text; kept, they would make the documents written
// from the text invalid.
bool isNoText(uint32_t c) {
  return (c < 0x20 && !(c >= 0x09 && c <= 0x0D)) || (c >= 0x7F && c <= 0x9F && c != 0x85) || c == 0xFFFE ||
         c == 0xFFFF;
}

}  // namespace

int QVPDFTextShowing::encodeUTF8(uint32_t c, char* buffer, int size) {
  auto byte = [](uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
  if (c < 0x80) {
    if (size < 1) return 0;
    buffer[0] = byte(c);
    return 1;
  }
  if (c < 0x800) {
    if (size < 2) return 0;
    buffer[0] = byte(0xC0 + (c >> 6));
    buffer[1] = byte(0x80 + (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    if (size < 3) return 0;
    buffer[0] = byte(0xE0 + (c >> 12));
    buffer[1] = byte(0x80 + ((c >> 6) & 0x3F));
    buffer[2] = byte(0x80 + (c & 0x3F));
    return 3;
  }
  if (c < 0x110000) {
    if (size < 4) return 0;
    buffer[0] = byte(0xF0 + (c >> 18));
    buffer[1] = byte(0x80 + ((c >> 12) & 0x3F));
    buffer[2] = byte(0x80 + ((c >> 6) & 0x3F));
    buffer[3] = byte(0x80 + (c & 0x3F));
    return 4;
  }
  return 0;
}

bool QVPDFTextShowing::isUnicodeSpace(uint32_t c) {
  if (std::find(std::begin(kSpacesA), std::end(kSpacesA), c) != std::end(kSpacesA)) return true;
  if (c == 0x2028 || c == 0x2029) return true;
  return std::find(std::begin(kSpacesB), std::end(kSpacesB), c) != std::end(kSpacesB);
}

void QVPDFTextShowing::normalizeDecodedRun(uint32_t* u, int* uLen) {
  if (*uLen == 3 && u[0] == 0x002D && u[1] == 0x00AD && u[2] == 0x2010) {
    u[0] = 0x2010;
    *uLen = 1;
  } else if (*uLen == 4 && u[0] == 0x0009 && u[1] == 0x000D && u[2] == 0x0020 && u[3] == 0x00A0) {
    u[0] = 0x0020;
    *uLen = 1;
  }
}

void QVPDFTextShowing::showTextString(QVPDFConentParser& parser, std::string_view bytes) {
  const QVPDFRenderState& state = parser.currentRenderingState();
  const std::shared_ptr<const QVPDFFont> font = state.font();
  if (!font) return;
  const bool vertical = font->isVertical();

  double totalW = 0, totalH = 0;
  std::string text;
  text.reserve(bytes.size());
  bool rightToLeft = false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  int remaining = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
  uint32_t pendingHigh = 0;
  uint32_t u[kMaxCodePoints];
  char utf8[8];

  while (remaining > 0) {
    uint32_t code = 32;
    std::fill(std::begin(u), std::end(u), 0x20u);
    int uLen = 0;
    float dx = 0, dy = 0, ox = 0, oy = 0;
    int n = font->getNextChar(p, remaining, &code, u, kMaxCodePoints, &uLen, &dx, &dy, &ox, &oy);
    // A step that took nothing (or claims more than is left) still ends.
    n = std::clamp(n, 1, remaining);
    uLen = std::clamp(uLen, 0, kMaxCodePoints);
    normalizeDecodedRun(u, &uLen);

    const double fontSize = state.fontSize();
    const bool isSpace = uLen == 1 && isUnicodeSpace(u[0]);
    if (isSpace) u[0] = 0x20;
    float w, h;
    if (!vertical) {
      w = static_cast<float>(fontSize * dx + state.characterSpacing());
      if (isSpace) w = static_cast<float>(w + state.wordSpacing());
      w = static_cast<float>(w * state.horizontalScaling());
      h = static_cast<float>(dy * fontSize);
    } else {
      // Vertical text spaces along its own direction: the spacings join the
      // vertical advance, and the horizontal scaling does not apply.
      w = static_cast<float>(dx * fontSize);
      h = static_cast<float>(dy * fontSize + state.characterSpacing());
      if (isSpace) h = static_cast<float>(h + state.wordSpacing());
    }

    for (int i = 0; i < uLen; ++i) {
      uint32_t c = u[i];
      // A UTF-16 pair that reached us in halves is one character.
      if (isHighSurrogate(c)) {
        pendingHigh = c;
        continue;
      }
      if (isLowSurrogate(c)) {
        if (!pendingHigh) continue;
        c = 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00);
      }
      pendingHigh = 0;
      if (isNoText(c)) continue;
      int b = encodeUTF8(c, utf8, sizeof utf8);
      if (b <= 0) continue;
      text.append(utf8, static_cast<size_t>(b));
      if (c >= kFirstRightToLeft && !rightToLeft) {
        const char32_t character = c;
        rightToLeft = platform::text::hasRightToLeft(std::u32string_view(&character, 1));
      }
    }

    p += n;
    totalW += w;
    totalH += h;
    if (n >= remaining) break;
    remaining -= n;
  }

  if (text.empty()) return;
  // The glyphs of one string are drawn one after the other along the line,
  // so right-to-left text stands in them in drawn order: every exporter
  // takes it in reading order.
  if (rightToLeft) text = platform::text::visualToLogical(text);
  if (QVPDFConentParserDelegate* delegate = parser.delegate())
    delegate->didScanText(parser, text, platform::Size{totalW, totalH});
  parser.currentRenderingState().translateTextPosition(platform::Size{totalW, totalH});
}
