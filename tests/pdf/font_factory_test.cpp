// The font factory builds each font object of a document once, and every
// page and form that lists it shares that font.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/QVPDFFontFactory.h"
#include "tests/pdf/text_support.h"

namespace {

using interptest::Event;

TEST(FontFactory, PagesListingOneFontObjectShareIt) {
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  auto other = b.standardFont("Times-Roman");
  b.addPage("BT /F1 10 Tf (one) Tj ET", b.resources({{"Font", {{"F1", font}}}}));
  b.addPage("BT /F1 10 Tf (two) Tj ET", b.resources({{"Font", {{"F1", font}, {"F3", other}}}}));
  b.addPage("BT /F2 10 Tf (three) Tj ET", b.resources({{"Font", {{"F2", font}}}}));
  interptest::InterpretedPdf pdf(b);
  QVPDFFontFactory::DocumentScope scope(&pdf.document().qpdf());

  auto fontOf = [&](int page) {
    auto run = pdf.run(page);
    auto texts = run.delegate->of(Event::Text);
    EXPECT_EQ(texts.size(), 1u) << page;
    return texts.empty() ? nullptr : texts[0]->state.font();
  };
  auto first = fontOf(1), second = fontOf(2), third = fontOf(3);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);  // the same object, not an equal one
  ASSERT_NE(third, nullptr);
  EXPECT_NE(third, first);  // listed under another name it is a light copy
  EXPECT_EQ(third->objectKey(), "F2");
  EXPECT_EQ(first->objectKey(), "F1");
  EXPECT_EQ(third->fontName(), "Helvetica");
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 2u);  // Helvetica and Times-Roman
}

TEST(FontFactory, ReleasingTheDocumentDropsItsFonts) {
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Helvetica");
  b.addPage("BT /F1 10 Tf (one) Tj ET", b.resources({{"Font", {{"F1", font}}}}));
  interptest::InterpretedPdf pdf(b);
  {
    QVPDFFontFactory::DocumentScope scope(&pdf.document().qpdf());
    pdf.run(1);
    EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 1u);
  }
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 0u);

  // Fonts of another document replace those of the first.
  pdf.run(1);
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 1u);
  qvtest::PdfBuilder b2;
  auto f2 = b2.standardFont("Courier");
  auto f3 = b2.standardFont("Symbol");
  b2.addPage("BT /F1 10 Tf (x) Tj ET", b2.resources({{"Font", {{"F1", f2}, {"F2", f3}}}}));
  interptest::InterpretedPdf second(b2);
  second.run(1);
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 2u);
  QVPDFFontFactory::releaseDocument(nullptr);
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 0u);
}

TEST(FontFactory, DirectFontDictionariesAreBuiltEachTime) {
  qvtest::PdfBuilder b;
  auto direct = b.parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  QVPDFFontFactory::releaseDocument(nullptr);
  auto one = QVPDFFont::fontWithDictionary(platform::PdfObject(direct), "F1");
  auto two = QVPDFFont::fontWithDictionary(platform::PdfObject(direct), "F1");
  ASSERT_NE(one, nullptr);
  EXPECT_NE(one, two);
  EXPECT_EQ(QVPDFFontFactory::cachedFontCount(), 0u);
}

}  // namespace
