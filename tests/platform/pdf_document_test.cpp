// Opening documents: passwords and permissions, pages with inherited
// attributes and boxes, recovery of damaged files, handle lifetime.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <fstream>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/pdf/file_source.h"
#include "platform/pdf/recovery.h"
#include "platform/pdf/scanner.h"
#include "platform/pdf/stored_objects.h"
#include "tests/platform/pdf_test_support.h"
#include "tests/support/fixtures.h"

namespace {

using platform::PdfContentStream;
using platform::PdfDocument;
using platform::PdfError;
using platform::PdfObject;
using platform::Rect;
using Status = platform::PdfDocument::OpenStatus;
using Enc = qvtest::PdfEncryption;
using pdftest::shownStrings;

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Moves every page of the builder under two intermediate /Pages nodes, so
// that what the root carries is inherited two levels up.
void nestPagesTwoLevels(qvtest::PdfBuilder& b) {
  QPDF& q = b.qpdf();
  QPDFObjectHandle root = q.getRoot().getKey("/Pages");
  QPDFObjectHandle kids = root.getKey("/Kids");
  int count = kids.getArrayNItems();
  QPDFObjectHandle middle = q.makeIndirectObject(b.parse("<< /Type /Pages >>"));
  QPDFObjectHandle lower = q.makeIndirectObject(b.parse("<< /Type /Pages >>"));
  middle.replaceKey("/Parent", root);
  middle.replaceKey("/Kids", QPDFObjectHandle::newArray({lower}));
  middle.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
  lower.replaceKey("/Parent", middle);
  lower.replaceKey("/Kids", kids);
  lower.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
  for (int i = 0; i < count; ++i) kids.getArrayItem(i).replaceKey("/Parent", lower);
  root.replaceKey("/Kids", QPDFObjectHandle::newArray({middle}));
  q.updateAllPagesCache();
}

// ---------------------------------------------------------------------------
// Pages and boxes

TEST(PdfDocument, OpensAPlainFileWithItsPages) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("BT (one) Tj ET");
  b.addPage("BT (two) Tj ET");
  b.write(dir.file("a.pdf"));
  Status status = Status::NotAPdf;
  auto doc = PdfDocument::open(dir.file("a.pdf").string(), "", &status);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(status, Status::Ok);
  EXPECT_FALSE(doc->isEncrypted());
  EXPECT_TRUE(doc->isUnlocked());
  EXPECT_TRUE(doc->allowsPrinting());
  EXPECT_TRUE(doc->allowsCopying());
  EXPECT_EQ(doc->pageCount(), 2);
  EXPECT_FALSE(doc->page(0).has_value());
  EXPECT_FALSE(doc->page(3).has_value());
  ASSERT_TRUE(doc->page(2).has_value());
  EXPECT_EQ(doc->page(2)->number(), 2);
  EXPECT_EQ(doc->page(2)->dictionary().getName("Type"), "Page");
  EXPECT_EQ(shownStrings(*doc, 2), std::vector<std::string>{"two"});
  EXPECT_EQ(doc->catalog().getName("Type"), "Catalog");
  EXPECT_TRUE(doc->trailer().hasKey("Root"));
}

TEST(PdfDocument, MediaBoxIsNormalisedWithItsOrigin) {
  struct Case {
    std::string box;
    Rect expected;
  };
  const Case cases[] = {
      {"[0 0 612 792]", Rect(0, 0, 612, 792)},
      {"[100 200 712 992]", Rect(100, 200, 612, 792)},
      {"[712 992 100 200]", Rect(100, 200, 612, 792)},
      {"[-50.5 -20 49.5 80]", Rect(-50.5, -20, 100, 100)},
      {"[0 0 612]", Rect()},
      {"[0 0 (a) 792]", Rect()},
      {"(not a box)", Rect()},
  };
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  for (const auto& c : cases) b.addPage("", QPDFObjectHandle(), c.box);
  b.write(dir.file("boxes.pdf"));
  auto doc = PdfDocument::open(dir.file("boxes.pdf").string());
  ASSERT_NE(doc, nullptr);
  for (size_t i = 0; i < std::size(cases); ++i) {
    Rect r = doc->page(static_cast<int>(i + 1))->mediaBox();
    EXPECT_EQ(r, cases[i].expected) << cases[i].box;
  }
}

TEST(PdfDocument, CropBoxIsInheritedClippedToTheMediaBoxAndFallsBackToIt) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("", QPDFObjectHandle(), "[100 100 700 900]");
  QPDFObjectHandle cropped = b.addPage("", QPDFObjectHandle(), "[100 100 700 900]");
  cropped.replaceKey("/CropBox", b.parse("[150 50 400 300]"));
  b.write(dir.file("crop.pdf"));
  auto doc = PdfDocument::open(dir.file("crop.pdf").string());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->page(1)->cropBox(), Rect(100, 100, 600, 800));
  EXPECT_EQ(doc->page(2)->cropBox(), Rect(150, 100, 250, 200));
}

TEST(PdfDocument, ResourcesRotateAndMediaBoxAreInheritedTwoLevelsUp) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  auto font = b.standardFont("Times-Roman");
  b.addPage("BT /F1 12 Tf (x) Tj ET");
  QPDFObjectHandle own = b.addPage("", b.resources({{"Font", {{"F9", font}}}}), "[0 0 10 20]");
  own.replaceKey("/Rotate", QPDFObjectHandle::newInteger(-90));
  QPDFObjectHandle(b.qpdf().getAllPages()[0]).removeKey("/MediaBox");
  nestPagesTwoLevels(b);
  QPDFObjectHandle root = b.qpdf().getRoot().getKey("/Pages");
  root.replaceKey("/Resources", b.resources({{"Font", {{"F1", font}}}}));
  root.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  root.replaceKey("/MediaBox", b.parse("[10 20 310 420]"));
  b.write(dir.file("inherit.pdf"));

  auto doc = PdfDocument::open(dir.file("inherit.pdf").string());
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->pageCount(), 2);
  auto first = doc->page(1);
  EXPECT_FALSE(first->dictionary().hasKey("Resources"));
  EXPECT_EQ(first->rotation(), 90);
  EXPECT_EQ(first->mediaBox(), Rect(10, 20, 300, 400));
  EXPECT_EQ(first->resources().getDictionary("Font").getDictionary("F1").getName("BaseFont"), "Times-Roman");
  auto stream = PdfContentStream::forPage(*first);
  EXPECT_EQ(stream->resource("Font", "F1").getName("BaseFont"), "Times-Roman");
  EXPECT_TRUE(first->inheritedAttribute("Rotate").isInteger());
  EXPECT_TRUE(first->inheritedAttribute("NoSuchKey").isNull());

  // The page's own entries win over inherited ones.
  auto second = doc->page(2);
  EXPECT_EQ(second->rotation(), -90);
  EXPECT_EQ(second->mediaBox(), Rect(0, 0, 10, 20));
  EXPECT_TRUE(second->resources().getDictionary("Font").hasKey("F9"));
  EXPECT_FALSE(second->resources().getDictionary("Font").hasKey("F1"));
}

TEST(PdfDocument, RotationIsReturnedAsWritten) {
  const std::pair<std::string, int> cases[] = {
      {"0", 0}, {"90", 90}, {"-90", -90}, {"450", 450}, {"45", 45}, {"180.0", 180}, {"(x)", 0},
      {"99999999999", 99999999999LL % 360},
  };
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  for (const auto& [text, expected] : cases) {
    QPDFObjectHandle page = b.addPage("");
    page.replaceKey("/Rotate", b.parse(text));
  }
  b.write(dir.file("rotate.pdf"));
  auto doc = PdfDocument::open(dir.file("rotate.pdf").string());
  ASSERT_NE(doc, nullptr);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(doc->page(static_cast<int>(i + 1))->rotation(), cases[i].second) << cases[i].first;
}

TEST(PdfDocument, ParentLoopsDoNotHang) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("1 2 m");
  // The page's /Parent points at the page itself: inheritance walks a loop.
  QPDFObjectHandle selfParent = b.addPage("3 4 m");
  selfParent.removeKey("/MediaBox");
  selfParent.replaceKey("/Parent", selfParent);
  b.write(dir.file("loop.pdf"));
  auto doc = PdfDocument::open(dir.file("loop.pdf").string());
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->pageCount(), 2);
  EXPECT_TRUE(doc->page(2)->mediaBox().isEmpty());
  EXPECT_TRUE(doc->page(2)->resources().isNull());
  EXPECT_EQ(doc->page(2)->rotation(), 0);
}

TEST(PdfDocument, PageTreeLoopIsCutAndDuplicatesDoNotMultiply) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("BT (only) Tj ET");
  std::string bytes = b.writeToString();
  // Make the root's /Kids list the root itself after the page.
  std::string kids = "/Kids [ 3 0 R ]";
  size_t at = bytes.find(kids);
  ASSERT_NE(at, std::string::npos) << bytes.substr(0, 400);
  bytes.replace(at, kids.size(), "/Kids [3 0 R 2 0 R]");
  writeFile(dir.file("loop.pdf"), bytes);
  auto doc = PdfDocument::open(dir.file("loop.pdf").string());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->pageCount(), 1);
  EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"only"});
}

// ---------------------------------------------------------------------------
// Encryption

const Enc::Kind kKinds[] = {Enc::RC4_40, Enc::RC4_128, Enc::AES_128, Enc::AES_256};

std::string kindName(Enc::Kind k) {
  switch (k) {
    case Enc::RC4_40: return "RC4-40";
    case Enc::RC4_128: return "RC4-128";
    case Enc::AES_128: return "AES-128";
    case Enc::AES_256: return "AES-256";
    default: return "none";
  }
}

// The bytes a conforming writer stores for a UTF-8 password: PDFDocEncoding
// up to revision 4, UTF-8 for revision 6.
std::string writerPassword(Enc::Kind kind, const std::string& utf8) {
  if (kind == Enc::AES_256) return utf8;
  return QUtil::utf8_to_pdf_doc(utf8);
}

std::filesystem::path encryptedCopy(const qvtest::TempDir& dir, Enc::Kind kind, const std::string& user,
                                    const std::string& owner, bool allowPrint) {
  qvtest::PdfBuilder b;
  b.addPage("BT (secret text) Tj ET");
  Enc e;
  e.kind = kind;
  e.userPassword = writerPassword(kind, user);
  e.ownerPassword = writerPassword(kind, owner);
  e.allowPrint = allowPrint;
  auto path = dir.file(kindName(kind) + "-" + std::to_string(std::hash<std::string>()(user + "|" + owner)) + ".pdf");
  b.write(path, e);
  return path;
}

TEST(PdfDocument, EncryptedCopiesOpenWithTheRightPasswordOnly) {
  qvtest::TempDir dir;
  for (Enc::Kind kind : kKinds) {
    SCOPED_TRACE(kindName(kind));
    auto path = encryptedCopy(dir, kind, "user", "owner", /*allowPrint=*/false);

    Status status = Status::Ok;
    auto locked = PdfDocument::open(path.string(), "", &status);
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(status, Status::PasswordRequired);
    EXPECT_TRUE(locked->isEncrypted());
    EXPECT_FALSE(locked->isUnlocked());
    EXPECT_EQ(locked->pageCount(), 0);
    EXPECT_FALSE(locked->page(1).has_value());
    EXPECT_FALSE(locked->allowsPrinting());
    EXPECT_FALSE(locked->unlock("wrong"));
    EXPECT_FALSE(locked->isUnlocked());
    EXPECT_TRUE(locked->unlock("user"));
    EXPECT_TRUE(locked->isUnlocked());
    EXPECT_EQ(shownStrings(*locked, 1), std::vector<std::string>{"secret text"});

    EXPECT_EQ(PdfDocument::open(path.string(), "wrong", &status), nullptr);
    EXPECT_EQ(status, Status::WrongPassword);

    auto asUser = PdfDocument::open(path.string(), "user", &status);
    ASSERT_NE(asUser, nullptr);
    EXPECT_EQ(status, Status::Ok);
    EXPECT_TRUE(asUser->isEncrypted());
    EXPECT_FALSE(asUser->ownerPasswordMatched());
    EXPECT_FALSE(asUser->allowsPrinting());
    EXPECT_EQ(shownStrings(*asUser, 1), std::vector<std::string>{"secret text"});

    auto asOwner = PdfDocument::open(path.string(), "owner", &status);
    ASSERT_NE(asOwner, nullptr);
    EXPECT_TRUE(asOwner->ownerPasswordMatched());
    EXPECT_TRUE(asOwner->allowsPrinting());
    EXPECT_TRUE(asOwner->allowsCopying());
    EXPECT_EQ(shownStrings(*asOwner, 1), std::vector<std::string>{"secret text"});
  }
}

TEST(PdfDocument, OwnerPasswordLiftsAForbiddenPrintOnAFileThatOpensWithoutPassword) {
  qvtest::TempDir dir;
  for (Enc::Kind kind : kKinds) {
    SCOPED_TRACE(kindName(kind));
    auto path = encryptedCopy(dir, kind, "", "owner", /*allowPrint=*/false);
    auto doc = PdfDocument::open(path.string());
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->isEncrypted());
    EXPECT_TRUE(doc->isUnlocked());
    EXPECT_FALSE(doc->allowsPrinting());
    EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"secret text"});
    // A refused unlock leaves the open document as it was.
    EXPECT_FALSE(doc->unlock("not the owner"));
    EXPECT_TRUE(doc->isUnlocked());
    EXPECT_FALSE(doc->allowsPrinting());
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_TRUE(doc->unlock("owner"));
    EXPECT_TRUE(doc->allowsPrinting());
    EXPECT_TRUE(doc->ownerPasswordMatched());
  }
}

TEST(PdfDocument, PrintingAllowedWithUserPasswordWhenPermitted) {
  qvtest::TempDir dir;
  for (Enc::Kind kind : kKinds) {
    SCOPED_TRACE(kindName(kind));
    auto doc = PdfDocument::open(encryptedCopy(dir, kind, "u", "o", /*allowPrint=*/true).string(), "u");
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->allowsPrinting());
    EXPECT_FALSE(doc->ownerPasswordMatched());
  }
}

TEST(PdfDocument, NonAsciiPasswordOpensEveryRevision) {
  const std::string password = "Gr\xc3\xbc\xc3\x9f" "e\xe2\x82\xac";  // "Grüße€"
  qvtest::TempDir dir;
  for (Enc::Kind kind : kKinds) {
    SCOPED_TRACE(kindName(kind));
    auto path = encryptedCopy(dir, kind, password, "owner-" + password, /*allowPrint=*/false);
    Status status = Status::Ok;
    auto doc = PdfDocument::open(path.string(), password, &status);
    ASSERT_NE(doc, nullptr) << static_cast<int>(status);
    EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"secret text"});
    EXPECT_FALSE(doc->allowsPrinting());
    auto owner = PdfDocument::open(path.string(), "owner-" + password);
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(owner->allowsPrinting());
    EXPECT_EQ(PdfDocument::open(path.string(), "Grusse", &status), nullptr);
    EXPECT_EQ(status, Status::WrongPassword);
  }
}

// Revision 6 hashes the password after SASLprep: soft hyphens and the like
// are dropped, compatibility characters normalised, other spaces made
// blanks. A file locked with the prepared form opens with the typed one.
TEST(PdfDocument, Aes256PasswordIsPreparedBeforeItIsTried) {
  const std::pair<std::string, std::string> cases[] = {
      {"S\xc2\xaaSL\xc2\xadprep", "SaSLprep"},           // feminine ordinal, soft hyphen
      {"\xef\xac\x81le\xe2\x81\xa0", "file"},               // ligature fi, word joiner
      {"two\xe2\x80\x80words", "two words"},             // en quad
      {"Gr\xc3\xbc\xc3\x9f" "e", "Gr\xc3\xbc\xc3\x9f" "e"},       // already prepared
  };
  qvtest::TempDir dir;
  for (const auto& [typed, prepared] : cases) {
    SCOPED_TRACE(prepared);
    auto path = encryptedCopy(dir, Enc::AES_256, prepared, "owner", /*allowPrint=*/true);
    auto doc = PdfDocument::open(path.string(), typed);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"secret text"});
    EXPECT_NE(PdfDocument::open(path.string(), prepared), nullptr);
  }
}

TEST(PdfDocument, UnencryptedFileIgnoresAPassword) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("");
  b.write(dir.file("plain.pdf"));
  auto doc = PdfDocument::open(dir.file("plain.pdf").string(), "anything");
  ASSERT_NE(doc, nullptr);
  EXPECT_FALSE(doc->isEncrypted());
  EXPECT_TRUE(doc->unlock("x"));
}

// ---------------------------------------------------------------------------
// Missing, foreign and damaged files

TEST(PdfDocument, MissingFileAndFolderAreNotFound) {
  qvtest::TempDir dir;
  Status status = Status::Ok;
  EXPECT_EQ(PdfDocument::open(dir.file("none.pdf").string(), "", &status), nullptr);
  EXPECT_EQ(status, Status::NotFound);
  EXPECT_EQ(PdfDocument::open(dir.path().string(), "", &status), nullptr);
  EXPECT_EQ(status, Status::NotFound);
  EXPECT_EQ(PdfDocument::open("", "", &status), nullptr);
  EXPECT_EQ(status, Status::NotFound);
}

TEST(PdfDocument, OtherFilesAreNotPdfs) {
  qvtest::TempDir dir;
  const std::string contents[] = {"", "hello, world\n", std::string(5000, '\0'), "%PDF-1.4\n1 0 obj\n<< >>\nendobj\n"};
  int i = 0;
  for (const auto& c : contents) {
    auto path = dir.file("f" + std::to_string(i++) + ".pdf");
    writeFile(path, c);
    Status status = Status::Ok;
    EXPECT_EQ(PdfDocument::open(path.string(), "", &status), nullptr) << c.substr(0, 20);
    EXPECT_EQ(status, Status::NotAPdf);
  }
}

std::string threePageFile() {
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  b.addPage("BT (PAGE-ONE) Tj ET");
  b.addPage("BT (PAGE-TWO) Tj ET");
  b.addPage("BT (PAGE-THREE) Tj ET");
  return b.writeToString();
}

TEST(PdfDocument, TruncatedFileWithoutTrailerYieldsItsIntactPages) {
  std::string bytes = threePageFile();
  size_t cut = bytes.find("PAGE-THREE");
  ASSERT_NE(cut, std::string::npos);
  qvtest::TempDir dir;
  writeFile(dir.file("cut.pdf"), bytes.substr(0, cut + 4));
  Status status = Status::NotAPdf;
  auto doc = PdfDocument::open(dir.file("cut.pdf").string(), "", &status);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(status, Status::Ok);
  ASSERT_GE(doc->pageCount(), 2);
  EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"PAGE-ONE"});
  EXPECT_EQ(shownStrings(*doc, 2), std::vector<std::string>{"PAGE-TWO"});
  EXPECT_FALSE(doc->warnings().empty());
  // Whatever is left of the third page scans without harm.
  for (int n = 3; n <= doc->pageCount(); ++n) shownStrings(*doc, n);
}

TEST(PdfDocument, TruncatedFileWithoutItsLastPagesKeepsTheOthers) {
  std::string bytes = threePageFile();
  // Cut right after the second page's content stream object.
  size_t two = bytes.find("PAGE-TWO");
  size_t cut = bytes.find("endobj", two);
  ASSERT_NE(cut, std::string::npos);
  qvtest::TempDir dir;
  writeFile(dir.file("cut.pdf"), bytes.substr(0, cut + 6));
  auto doc = PdfDocument::open(dir.file("cut.pdf").string());
  ASSERT_NE(doc, nullptr);
  ASSERT_GE(doc->pageCount(), 2);
  EXPECT_EQ(shownStrings(*doc, 1), std::vector<std::string>{"PAGE-ONE"});
  EXPECT_EQ(shownStrings(*doc, 2), std::vector<std::string>{"PAGE-TWO"});
}

TEST(PdfDocument, UnknownSecurityHandlerIsNotReadNorRecovered) {
  std::string bytes = threePageFile();
  size_t trailer = bytes.rfind("trailer <<");
  ASSERT_NE(trailer, std::string::npos);
  bytes.insert(trailer + 10, " /Encrypt << /Filter /NoSuchHandler /V 1 /R 2 >>");
  qvtest::TempDir dir;
  writeFile(dir.file("handler.pdf"), bytes);
  Status status = Status::Ok;
  EXPECT_EQ(PdfDocument::open(dir.file("handler.pdf").string(), "", &status), nullptr);
  EXPECT_EQ(status, Status::NotAPdf);
}

TEST(PdfDocument, DeeplyNestedObjectsDoNotExhaustTheStack) {
  std::string bytes = threePageFile();
  size_t box = bytes.find("/MediaBox [ 0 0 612 792 ]");
  ASSERT_NE(box, std::string::npos);
  // 100000 nested arrays, then 25000 dictionaries opened and never closed.
  bytes.insert(box, "/Deep " + std::string(100000, '[') + std::string(100000, ']') + " /Dict " +
                        std::string(50000, '<') + " ");
  qvtest::TempDir dir;
  writeFile(dir.file("deep.pdf"), bytes);
  auto doc = PdfDocument::open(dir.file("deep.pdf").string());
  ASSERT_NE(doc, nullptr);
  // The page holding them may be unreadable; it keeps its number.
  EXPECT_EQ(doc->pageCount(), 3);
  for (int n = 1; n <= doc->pageCount(); ++n) {
    auto page = doc->page(n);
    if (!page) continue;
    page->mediaBox();
    page->dictionary().get("Deep").size();
    shownStrings(*doc, n);
  }
  EXPECT_EQ(shownStrings(*doc, 3), std::vector<std::string>{"PAGE-THREE"});
}

TEST(PdfDocument, CatalogObjectIsFoundForRecovery) {
  using platform::pdfdetail::findCatalogObject;
  auto id = findCatalogObject("%PDF-1.7\n12 0 obj\n<< /Type/Catalog /Pages 3 0 R >>\nendobj\n");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->number, 12);
  EXPECT_EQ(id->generation, 0);
  // The last revision's catalog wins; a /Catalog outside an object does not count.
  id = findCatalogObject("1 0 obj << /Type /Catalog >> endobj 7 2 obj\n<< /Type /Catalog >>\nendobj /Type /Catalog");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->number, 7);
  EXPECT_EQ(id->generation, 2);
  EXPECT_FALSE(findCatalogObject("1 0 obj << /Type /CatalogX >> endobj").has_value());
  EXPECT_FALSE(findCatalogObject("no objects here /Type /Catalog").has_value());
}

TEST(PdfDocument, DamagedXrefIsRepairedAndReported) {
  std::string bytes = threePageFile();
  size_t xref = bytes.rfind("startxref");
  ASSERT_NE(xref, std::string::npos);
  bytes.replace(xref + 10, 3, "999");  // a wrong offset of the xref table
  qvtest::TempDir dir;
  writeFile(dir.file("xref.pdf"), bytes);
  auto doc = PdfDocument::open(dir.file("xref.pdf").string());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->pageCount(), 3);
  EXPECT_FALSE(doc->warnings().empty());
}

TEST(PdfDocument, AbsurdIntegerInAPageObjectLosesOnlyThatPageWhichKeepsItsNumber) {
  std::string bytes = threePageFile();
  // qpdf refuses to read an object holding an integer wider than 64 bits;
  // the first page's object gets one, the other pages must stay readable
  // under their own numbers.
  size_t box = bytes.find("/MediaBox [ 0 0 612 792 ]");
  ASSERT_NE(box, std::string::npos);
  bytes.replace(box, 25, "/MediaBox [ 0 0 612 792 ] /Big 123456789012345678901234567890 ");
  qvtest::TempDir dir;
  writeFile(dir.file("big.pdf"), bytes);
  auto doc = PdfDocument::open(dir.file("big.pdf").string());
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->pageCount(), 3);
  EXPECT_FALSE(doc->page(1).has_value());
  EXPECT_EQ(shownStrings(*doc, 2), std::vector<std::string>{"PAGE-TWO"});
  EXPECT_EQ(shownStrings(*doc, 3), std::vector<std::string>{"PAGE-THREE"});
  EXPECT_TRUE(doc->hasReadablePage());
}

// ---------------------------------------------------------------------------
// Objects

TEST(PdfObject, HandleOutlivingItsDocumentThrowsInsteadOfReadingFreedMemory) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("");
  b.write(dir.file("a.pdf"));
  auto doc = PdfDocument::open(dir.file("a.pdf").string());
  ASSERT_NE(doc, nullptr);
  PdfObject page = doc->page(1)->dictionary();
  EXPECT_TRUE(page.isDictionary());
  doc.reset();
  EXPECT_THROW(page.isDictionary(), PdfError);
  EXPECT_THROW(page.get("Type"), PdfError);
}

TEST(PdfObject, RealsAreReadWithoutTheProcessLocale) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.addPage("", QPDFObjectHandle(), "[0.5 -.25 +612.75 792.]");
  b.write(dir.file("a.pdf"));
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  // A decimal-comma locale, when the machine has one.
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
    if (std::setlocale(LC_NUMERIC, name)) break;
  auto doc = PdfDocument::open(dir.file("a.pdf").string());
  ASSERT_NE(doc, nullptr);
  PdfObject box = doc->page(1)->dictionary().get("MediaBox");
  EXPECT_EQ(box.at(0).asNumber(), 0.5);
  EXPECT_EQ(box.at(1).asNumber(), -0.25);
  EXPECT_EQ(box.at(2).asNumber(), 612.75);
  EXPECT_EQ(box.at(3).asNumber(), 792.0);
  EXPECT_EQ(doc->page(1)->mediaBox(), Rect(0.5, -0.25, 612.25, 792.25));
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PdfObject, TypedGettersAnswerOnlyTheirType) {
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  QPDFObjectHandle page = b.addPage("");
  page.replaceKey("/Probe", b.parse("<< /I 3 /R 2.5 /N /Name /S (str) /B true /A [1 2] /D << /K 1 >> /Z null >>"));
  page.replaceKey("/Strm", b.stream("data", "<< /Kind /Test >>"));
  b.write(dir.file("a.pdf"));
  auto doc = PdfDocument::open(dir.file("a.pdf").string());
  ASSERT_NE(doc, nullptr);
  PdfObject p = doc->page(1)->dictionary().getDictionary("Probe");
  ASSERT_TRUE(p.isDictionary());
  EXPECT_EQ(p.getInteger("I"), 3);
  EXPECT_EQ(p.getNumber("I"), 3.0);
  EXPECT_FALSE(p.getInteger("R").has_value());
  EXPECT_EQ(p.getNumber("R"), 2.5);
  EXPECT_EQ(p.getName("N"), "Name");
  EXPECT_FALSE(p.getString("N").has_value());
  EXPECT_EQ(p.getString("S"), "str");
  EXPECT_EQ(p.getBoolean("B"), true);
  EXPECT_EQ(p.getArray("A").size(), 2u);
  EXPECT_TRUE(p.getArray("D").isNull());
  EXPECT_EQ(p.getDictionary("D").getInteger("K"), 1);
  EXPECT_FALSE(p.hasKey("Z"));
  EXPECT_FALSE(p.hasKey("Missing"));
  EXPECT_TRUE(p.get("Missing").isNull());
  EXPECT_TRUE(p.getArray("A").at(5).isNull());
  PdfObject s = doc->page(1)->dictionary().getStream("Strm");
  ASSERT_TRUE(s.isStream());
  EXPECT_TRUE(doc->page(1)->dictionary().getDictionary("Strm").isNull());
  EXPECT_EQ(s.getName("Kind"), "Test");
  EXPECT_EQ(s.decodedData(), "data");
  EXPECT_EQ(s.streamData().format, platform::PdfStreamFormat::Raw);
  EXPECT_TRUE(s.isIndirect());
  EXPECT_TRUE(s.sameObject(doc->page(1)->dictionary().getStream("Strm")));
  EXPECT_FALSE(s.sameObject(p));
}

TEST(PdfObject, JpegAfterEarlierFiltersIsPassedThroughWithThoseFiltersRemoved) {
  std::string jpeg("\xff\xd8\xff\xe0 fake jpeg \xff\xd9", 16);
  std::string hex;
  for (unsigned char c : jpeg) {
    const char* d = "0123456789abcdef";
    hex += d[c >> 4];
    hex += d[c & 15];
  }
  hex += ">";
  qvtest::TempDir dir;
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  QPDFObjectHandle page = b.addPage("");
  page.replaceKey("/Img", b.stream(hex, "<< /Filter [/ASCIIHexDecode /DCTDecode] /DecodeParms [null << /ColorTransform 0 >>] >>"));
  page.replaceKey("/Bad", b.stream("zz not hex", "<< /Filter /ASCIIHexDecode >>"));
  b.write(dir.file("a.pdf"));
  auto doc = PdfDocument::open(dir.file("a.pdf").string());
  ASSERT_NE(doc, nullptr);
  auto data = doc->page(1)->dictionary().getStream("Img").streamData();
  EXPECT_EQ(data.format, platform::PdfStreamFormat::JPEG);
  EXPECT_EQ(data.bytes, jpeg);
  ASSERT_NE(data.lastFilterParms, nullptr);
  EXPECT_EQ(data.lastFilterParms->getInteger("ColorTransform"), 0);
  EXPECT_THROW(doc->page(1)->dictionary().getStream("Bad").decodedData(), PdfError);

  // Codec data is handed out as the file holds it, also where its /Length
  // claims far more than the file has (room is not made for the claim).
  b = qvtest::PdfBuilder();
  b.setCompressStreams(false);
  page = b.addPage("");
  page.replaceKey("/Img", b.stream(jpeg, "<< /Filter /DCTDecode >>"));
  b.write(dir.file("b.pdf"));
  for (const std::string& length : {std::string(), std::string("99999999999999")}) {
    SCOPED_TRACE(length);
    std::string bytes = platform::fs::readFile(dir.file("b.pdf").string()).value();
    const size_t at = bytes.find("/Length 16");
    ASSERT_NE(at, std::string::npos);
    if (!length.empty()) bytes.replace(at, 10, "/Length " + length);
    ASSERT_TRUE(platform::fs::writeFile(dir.file("c.pdf").string(), bytes));
    auto copy = PdfDocument::open(dir.file("c.pdf").string());
    ASSERT_NE(copy, nullptr);
    data = copy->page(1)->dictionary().getStream("Img").streamData();
    EXPECT_EQ(data.format, platform::PdfStreamFormat::JPEG);
    EXPECT_EQ(data.bytes, jpeg);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The file as qpdf reads it: through a small cache of blocks, with the bytes
// of a rebuilt trailer after the file's own.

TEST(PdfFileSource, ReadsTheFileAndItsSuffixAsOneRunOfBytes) {
  using platform::pdfdetail::FileSource;
  // More blocks than the cache keeps, with lines ended every way.
  std::string content;
  uint32_t seed = 7;
  while (content.size() < (FileSource::kCachedBlocks + 3) * FileSource::kBlockBytes + 123) {
    seed = seed * 1103515245u + 12345u;
    const char* ends[] = {"\n", "\r", "\r\n", "\n\n\r"};
    content += std::string(seed % 200, static_cast<char>('a' + seed % 26)) + ends[(seed >> 8) % 4];
  }
  const std::string suffix = "\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n";
  const std::string all = content + suffix;
  qvtest::TempDir dir;
  writeFile(dir.file("bytes.pdf"), content);
  auto source = FileSource::open(dir.file("bytes.pdf").string(), suffix);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->size(), all.size());

  // Reads here and there, forward and back, across block edges and into
  // the suffix, each checked against the bytes themselves.
  std::string buffer(3 * FileSource::kBlockBytes, '\0');
  for (uint64_t i = 0; i < 400; ++i) {
    seed = seed * 1103515245u + 12345u;
    const size_t at = seed % (all.size() + 10);
    const size_t length = (seed >> 4) % buffer.size();
    source->seek(static_cast<qpdf_offset_t>(at), SEEK_SET);
    const size_t got = source->read(buffer.data(), length);
    const size_t expected = at >= all.size() ? 0 : std::min(length, all.size() - at);
    ASSERT_EQ(got, expected) << "at " << at;
    ASSERT_EQ(buffer.compare(0, got, all, std::min(at, all.size()), got), 0) << "at " << at;
    EXPECT_EQ(source->tell(), static_cast<qpdf_offset_t>(at + got));
  }

  // Line ends: the offset of the next one, then past every end-of-line byte.
  for (size_t at : {size_t{0}, content.size() / 2, FileSource::kBlockBytes - 1, content.size() - 3, all.size() - 2}) {
    source->seek(static_cast<qpdf_offset_t>(at), SEEK_SET);
    const size_t eol = all.find_first_of("\r\n", at);
    const size_t next = eol == std::string::npos ? all.size() : all.find_first_not_of("\r\n", eol);
    EXPECT_EQ(source->findAndSkipNextEOL(), static_cast<qpdf_offset_t>(eol == std::string::npos ? all.size() : eol));
    EXPECT_EQ(source->tell(), static_cast<qpdf_offset_t>(next == std::string::npos ? all.size() : next));
  }

  // Seeking from the end and from here, giving back one byte, and a fresh
  // source over the same file.
  source->seek(-static_cast<qpdf_offset_t>(suffix.size()), SEEK_END);
  char c = 0;
  ASSERT_EQ(source->read(&c, 1), 1u);
  EXPECT_EQ(c, '\n');
  source->unreadCh(c);
  source->seek(1, SEEK_CUR);
  ASSERT_EQ(source->read(&c, 1), 1u);
  EXPECT_EQ(c, 't');
  EXPECT_THROW(source->seek(-1, SEEK_SET), std::range_error);
  auto again = source->again();
  std::string whole(all.size(), '\0');
  EXPECT_EQ(again->read(whole.data(), whole.size() + 5), all.size());
  EXPECT_EQ(whole, all);
  EXPECT_EQ(FileSource::open(dir.file("missing.pdf").string()), nullptr);
}

// ---------------------------------------------------------------------------
// An object's dictionary as the file stores it, read without qpdf making it.

TEST(PdfStoredObjects, DictionaryTextTellsItsOwnKeysOnly) {
  using platform::pdfdetail::dictionaryTextHasKey;
  const struct {
    const char* text;
    std::optional<bool> hasAP;
  } cases[] = {
      {"<< /Subtype /Link /AP << /N 5 0 R >> >>", true},
      {"  % a comment\n<</Subtype/Widget/AP 12 0 R>>", true},
      {"<< /A#50 << >> >>", true},  // the key written with an escape
      {"<< /Subtype /Link /Rect [0 0 1 1] >>", false},
      // Deeper dictionaries, strings, names and arrays that hold the key's text.
      {"<< /A << /AP 1 >> /MK << /AP (x) >> >>", false},
      {"<< /Contents (/AP \\) (nested /AP) ) /T <2F4150> >>", false},
      {"<< /Kids [ /AP 3 0 R [ /AP ] ] /Parent 7 0 R /V /AP >>", false},
      {"<< /Rect [0 0 1 1] /AP", std::nullopt},  // cut off
      {"<< /Contents (open /AP >>", std::nullopt},
      {"<< 12 /AP >>", std::nullopt},  // a key that is no name
      {"[ /AP ]", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(dictionaryTextHasKey(c.text, "AP"), c.hasAP);
  }
}

// A page's annotations, in the file's body and in object streams: what the
// stored bytes tell of each matches the object qpdf makes.
TEST(PdfStoredObjects, StoredDictionariesMatchTheObjectsInEveryForm) {
  qvtest::PdfBuilder b;
  auto page = b.addPage("", b.resources({}));
  auto form = b.stream("", "<< /Subtype /Form /BBox [0 0 1 1] >>");
  auto annots = QPDFObjectHandle::newArray();
  for (int i = 0; i < 300; ++i) {
    auto annot = b.parse("<< /Type /Annot /Subtype /Link /Rect [0 0 1 1] /A << /S /URI /URI (/AP) >> >>");
    if (i % 7 == 0) annot.replaceKey("/AP", b.parse("<< >>"));
    if (i % 7 == 0) annot.getKey("/AP").replaceKey("/N", form);
    annots.appendItem(b.qpdf().makeIndirectObject(annot));
  }
  annots.appendItem(b.parse("<< /Subtype /Link /Rect [0 0 1 1] >>"));  // a direct one
  page.replaceKey("/Annots", annots);
  qvtest::TempDir dir;
  for (const bool inStreams : {false, true}) {
    SCOPED_TRACE(inStreams ? "in object streams" : "in the body");
    // qpdf keeps the name it is given until it writes.
    const std::string file = dir.file(inStreams ? "streams.pdf" : "body.pdf").string();
    QPDFWriter writer(b.qpdf(), file.c_str());
    writer.setObjectStreamMode(inStreams ? qpdf_o_generate : qpdf_o_disable);
    writer.write();
    auto doc = PdfDocument::open(file);
    ASSERT_NE(doc, nullptr);
    const PdfObject list = doc->page(1)->dictionary().getArray("Annots");
    ASSERT_EQ(list.size(), 301u);
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(doc->storedDictionaryHasKey(list.at(i), "AP"), i % 7 == 0) << i;
    EXPECT_EQ(doc->storedDictionaryHasKey(list.at(300), "AP"), std::nullopt);
    EXPECT_EQ(doc->storedDictionaryHasKey(doc->page(1)->dictionary(), "Annots"), true);
    EXPECT_EQ(doc->storedDictionaryHasKey(doc->page(1)->dictionary(), "Rotate"), false);
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(list.at(i).get("AP").isDictionary(), i % 7 == 0) << i;
  }
}
