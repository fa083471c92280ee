#pragma once
// Text showing: the string operands of Tj, ', " and TJ decoded through the
// current font into Unicode, reported with their advance to the delegate,
// and then the text position moved.
#include <cstdint>
#include <string_view>

class QVPDFConentParser;

class QVPDFTextShowing {
 public:
  // Code points one character code may decode to.
  static constexpr int kMaxCodePoints = 16;

  // Decodes one string operand through the font of the parser's current
  // state, sends QVPDFConentParserDelegate::didScanText with the text and the
  // string's total advance (the text matrix still the one before the string),
  // then moves the text position by that advance. Without a font, or when the
  // string decodes to no text, nothing is reported and nothing moves.
  static void showTextString(QVPDFConentParser& parser, std::string_view bytes);

  // The UTF-8 form of one code point into buffer; the number of bytes, 0 when
  // the value is above U+10FFFF or the buffer is too small.
  static int encodeUTF8(uint32_t c, char* buffer, int size);
  // The 22 space characters that read as a plain space.
  static bool isUnicodeSpace(uint32_t c);
  // Folds the two runs that stand for one character: (U+002D, U+00AD,
  // U+2010) → U+2010 and (U+0009, U+000D, U+0020, U+00A0) → U+0020.
  static void normalizeDecodedRun(uint32_t* u, int* uLen);
};
