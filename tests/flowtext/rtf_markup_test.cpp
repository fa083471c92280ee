// The RTF body markup: escaping, the writer's count of line breaks and
// indentations, the font and colour tables and the control words the
// character state writes, and what a paragraph and a run of the RTF document
// write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "docx/QVDocxUtilities.h"
#include "flowtext/rtf/QVRTFFileWriter.h"
#include "flowtext/rtf/QVRTFPDFConverter.h"
#include "flowtext/rtf/QVRTFState.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace {

std::string escaped(std::string_view text) {
  std::string out;
  QVRTFFileWriter::appendEscaped(out, text);
  return out;
}

// A body writer whose file is read back.
struct Body {
  qvtest::TempDir dir;
  QVRTFFileWriter writer{dir.file("body.rtf").string()};
  std::string text() {
    writer.closeFile();
    return *platform::fs::readFile(writer.textPath());
  }
};

QVRTFFontEntry font(const std::string& name, double halfPoints, bool bold = false, bool italic = false) {
  QVRTFFontEntry f(name, halfPoints);
  f.bold = bold;
  f.italic = italic;
  return f;
}

}  // namespace

TEST(RtfEscaping, TextCannotLeaveItsGroupAndUnicodeIsSigned16Bit) {
  EXPECT_EQ(escaped("a{b}\\c"), "a\\{b\\}\\\\c");
  // Outside ASCII: \uN without a fallback, N as RTF's signed 16-bit
  // parameter, and a blank that ends the control word.
  EXPECT_EQ(escaped("\xC3\xA9"), "\\uc0\\u233 ");
  EXPECT_EQ(escaped("\xE2\x82\xAC"), "\\uc0\\u8364 ");
  EXPECT_EQ(escaped("\xED\x95\x9C"), "\\uc0\\u-10916 ");  // U+D55C
  EXPECT_EQ(escaped("\xEF\xBF\xBF"), "\\uc0\\u-1 ");      // U+FFFF
  // Beyond U+FFFF: the two surrogate units.
  EXPECT_EQ(escaped("\xF0\x9F\x98\x80"), "\\uc0\\u-10179 \\uc0\\u-8704 ");
  // A TAB is a tab, line ends are paragraph breaks, other controls are gone.
  EXPECT_EQ(escaped("a\tb"), "a\\tab b");
  // A blank after the character is a blank of its own.
  EXPECT_EQ(escaped("\xC3\xA9 x"), "\\uc0\\u233  x");
  EXPECT_EQ(escaped("a\nb\r\nc\rd"), "a\\\nb\\\nc\\\nd");
  EXPECT_EQ(escaped(std::string("a\x01\x1F\x7F" "b\xC2\x85")), "ab");
  // Broken UTF-8 and encoded surrogates never reach the file as lone halves.
  EXPECT_EQ(escaped("\xC3(x"), "\\uc0\\u-3 (x");
  EXPECT_EQ(escaped("\xED\xA0\x80z"), "\\uc0\\u-3 \\uc0\\u-3 \\uc0\\u-3 z");
}

TEST(RtfEscaping, LineBreaksAreNeverDroppedIndentationsAfterFive) {
  Body b;
  for (int i = 0; i < 6; ++i) b.writer.writeLinebreak();
  for (int i = 0; i < 7; ++i) b.writer.writeIndentation();
  b.writer.writeContent("x");
  const std::string text = b.text();
  std::string expected;
  for (int i = 0; i < 6; ++i) expected += "\\\n";
  expected += std::string(5 * 4, ' ') + "x";
  EXPECT_EQ(text, expected);
}

TEST(RtfState, FirstRunWritesEveryWordLaterRunsOnlyWhatChanges) {
  Body b;
  QVRTFState state;
  state.writeFontAttributesIfNeed(font("Helvetica", 24), b.writer);
  state.writeForegroundColorAttributesIfNeed({0, 0, 0, 1}, b.writer);
  b.writer.write("|");
  state.writeFontAttributesIfNeed(font("Helvetica", 24), b.writer);
  state.writeForegroundColorAttributesIfNeed({0, 0, 0, 0.5}, b.writer);  // alpha plays no part
  b.writer.write("|");
  state.writeFontAttributesIfNeed(font("Helvetica", 21.5), b.writer);
  b.writer.write("|");
  state.writeFontAttributesIfNeed(font("Helvetica", 21, true), b.writer);
  state.writeForegroundColorAttributesIfNeed({1, 0, 0, 1}, b.writer);
  b.writer.write("|");
  state.writeFontAttributesIfNeed(font("Arial Unicode MS", 21, true, true), b.writer);
  EXPECT_EQ(b.text(), "\\f1\\i0\\b0\\ul0\\fs24 \\cf0 ||\\fs21 |\\b \\cf1 |\\f0\\i ");
  // One table entry per name, whatever the size and face.
  EXPECT_EQ(state.fonts().size(), 2u);
  EXPECT_EQ(state.colors().size(), 2u);
}

TEST(RtfState, TablesStartWithTheDefaultFontAndBlack) {
  Body b;
  QVRTFState state;
  state.writeRegistedFonts(b.writer);
  state.writeRegistedColors(b.writer);
  EXPECT_EQ(b.text(), "{\\fonttbl\\f0\\fnil\\fcharset0 Arial Unicode MS;}\n{\\colortbl\\red0\\green0\\blue0;}\n");
}

TEST(RtfState, NearWhiteIsWrittenGreyOtherColoursAsTheyAre) {
  EXPECT_EQ((QVRTFColorEntry{1, 1, 1, 1}).rtfFormat(), "\\red128\\green128\\blue128;");
  EXPECT_EQ((QVRTFColorEntry{240 / 255.0, 240 / 255.0, 240 / 255.0, 1}).rtfFormat(), "\\red128\\green128\\blue128;");
  EXPECT_EQ((QVRTFColorEntry{229 / 255.0, 229 / 255.0, 229 / 255.0, 1}).rtfFormat(), "\\red229\\green229\\blue229;");
  EXPECT_EQ((QVRTFColorEntry{std::nan(""), -1, 2, 1}).rtfFormat(), "\\red0\\green0\\blue255;");
}

TEST(RtfState, FontNamesFromTheInputStayInsideTheirEntry) {
  QVRTFFontEntry hostile = font("X}{\\rtf1 \\par};more", 24);
  hostile.fontIndex = 3;
  EXPECT_EQ(hostile.rtfFormat(), "\\f3\\fnil\\fcharset0 X\\}\\{\\\\rtf1 \\\\par\\}more;");
  QVRTFFontEntry korean = font("\xEB\xB0\x94\xED\x83\x95", 24);  // 바탕
  korean.fontIndex = 1;
  EXPECT_EQ(korean.rtfFormat(), "\\f1\\fnil\\fcharset0 \\uc0\\u-17388 \\uc0\\u-12075 ;");
}

TEST(RtfState, SizesOutsideWhatRtfReadsAreBounded) {
  Body b;
  QVRTFState state;
  state.writeFontAttributesIfNeed(font("A", 1e12), b.writer);
  state.writeFontAttributesIfNeed(font("A", std::numeric_limits<double>::infinity()), b.writer);
  state.writeFontAttributesIfNeed(font("A", 0.2), b.writer);
  EXPECT_EQ(b.text(), "\\f1\\i0\\b0\\ul0\\fs32767 \\fs24 \\fs1 ");
}

TEST(RtfMarkup, ParagraphsOpenWithTheirIndentFromTheTextMarginAndRunsWriteTheirWords) {
  qvtest::TempDir dir;
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVDocxConversionContext context;
  QVRTFPDFConverter converter(dir.file("doc.rtf").string(), 1, context);
  converter.begainWriteDocument();

  QVFlowParagraph p;
  p.textMargin.left = 50;
  p.pProperty.ind.left = 86;
  converter.writeNewLine(p);
  p.pProperty.ind.left = 20;  // left of the margin
  converter.writeNewLine(p);
  p.pProperty.ind.left = 1e9;
  converter.writeNewLine(p);

  QVFlowRunText run;
  run.rProperty = QVDocxUtilities::defaultRProperty();
  run.rProperty.sz = 10.5f;
  run.rProperty.b = 1;
  run.rProperty.color = {255, 0, 0, 255};
  run.runText = "a{b}";
  converter.writeRun(run);
  converter.bodyWriter().closeFile();
  std::string body;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work.path()))
    if (entry.path().filename() == "content.rtf") body = *platform::fs::readFile(entry.path().string());
  EXPECT_EQ(body,
            "\\par\\pard\\li720 \\par\\pard\\li0 \\par\\pard\\li32767 "
            "\\f1\\i0\\b\\ul0\\fs21 \\cf1 a\\{b\\}");
}
