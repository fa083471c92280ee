// Damaged page trees: pages that cannot be read keep their numbers, lost
// nodes are replaced by the page objects below them, a lost tree is rebuilt
// from the page objects of the file, and a file cut off before its trailer
// keeps its encryption.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/pdf/page_tree.h"
#include "platform/pdf/recovery.h"
#include "tests/platform/pdf_test_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/pdf_damage.h"

namespace {

using platform::PdfDocument;
using pdftest::shownStrings;
using Status = PdfDocument::OpenStatus;
using Strings = std::vector<std::string>;
using qvtest::pageObjectNumber;
using qvtest::pageTreeRootObjectNumber;
using qvtest::withObjectBlanked;

std::string label(int n) { return "PAGE-" + std::to_string(n); }

// `count` pages, page n showing "PAGE-n", streams as written.
std::string pagesFile(int count, const qvtest::PdfEncryption& encryption = {}) {
  qvtest::PdfBuilder b;
  b.setCompressStreams(false);
  for (int n = 1; n <= count; ++n) b.addPage("BT (" + label(n) + ") Tj ET");
  return b.writeToString(encryption);
}

// The file written again by qpdf's writer, set up by `configure`.
std::string rewritten(const std::string& bytes, const std::function<void(QPDFWriter&)>& configure) {
  QPDF q;
  q.processMemoryFile("in.pdf", bytes.data(), bytes.size());
  QPDFWriter w(q);
  w.setOutputMemory();
  configure(w);
  w.write();
  auto buffer = w.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::unique_ptr<PdfDocument> openBytes(const qvtest::TempDir& dir, const std::string& bytes,
                                       const std::string& password = "", Status* status = nullptr) {
  const auto path = dir.file("damaged.pdf");
  EXPECT_TRUE(platform::fs::writeFile(path.string(), bytes));
  return PdfDocument::open(path.string(), password, status);
}

// What each page shows, "no page N" for a page that cannot be read.
std::vector<Strings> everyPage(const PdfDocument& doc) {
  std::vector<Strings> pages;
  for (int n = 1; n <= doc.pageCount(); ++n) pages.push_back(shownStrings(doc, n));
  return pages;
}

std::vector<Strings> expectedPages(int count, const std::vector<int>& unreadable = {}) {
  std::vector<Strings> pages;
  for (int n = 1; n <= count; ++n) {
    const bool lost = std::find(unreadable.begin(), unreadable.end(), n) != unreadable.end();
    pages.push_back(lost ? Strings{"no page " + std::to_string(n)} : Strings{label(n)});
  }
  return pages;
}

TEST(PageRecovery, PageDictionaryThatCannotBeParsedKeepsItsNumber) {
  struct Case {
    const char* name;
    std::string entry;
  };
  const Case cases[] = {
      {"an integer of 20 digits", "/Big 12345678901234567890123"},
      {"an array 60,000 deep", "/Deep " + std::string(60000, '[') + std::string(60000, ']')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = pagesFile(4);
    bytes = qvtest::withDictionaryEntry(bytes, pageObjectNumber(bytes, 2), c.entry);
    qvtest::TempDir dir;
    auto doc = openBytes(dir, bytes);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(everyPage(*doc), expectedPages(4, {2}));
  }
}

TEST(PageRecovery, PagesInADamagedObjectStreamKeepTheirNumbers) {
  // Enough pages that the writer spreads their dictionaries over several
  // object streams; the one holding page 250 is damaged.
  constexpr int kPages = 300;
  const std::string bytes =
      rewritten(pagesFile(kPages), [](QPDFWriter& w) { w.setObjectStreamMode(qpdf_o_generate); });
  QPDF intact;
  intact.processMemoryFile("intact.pdf", bytes.data(), bytes.size());
  const auto xref = intact.getXRefTable();
  auto streamOf = [&](int page) {
    const QPDFXRefEntry& entry = xref.at(QPDFObjGen(intact.getAllPages()[static_cast<size_t>(page - 1)].getObjectID(), 0));
    return entry.getType() == 2 ? entry.getObjStreamNumber() : 0;
  };
  const int damagedStream = streamOf(250);
  ASSERT_NE(damagedStream, 0);
  ASSERT_NE(damagedStream, streamOf(1));
  std::vector<int> lost;
  for (int n = 1; n <= kPages; ++n)
    if (streamOf(n) == damagedStream) lost.push_back(n);

  const std::string damaged = qvtest::withStreamDataZeroed(bytes, damagedStream);
  qvtest::TempDir dir;
  auto doc = openBytes(dir, damaged);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), expectedPages(kPages, lost));
}

// Puts pages 1-3 and 4-6 of a six-page file under two intermediate nodes.
std::string twoLevelFile() {
  QPDF q;
  const std::string flat = pagesFile(6);
  q.processMemoryFile("flat.pdf", flat.data(), flat.size());
  QPDFObjectHandle root = q.getRoot().getKey("/Pages");
  std::vector<QPDFObjectHandle> pages = q.getAllPages();
  std::vector<QPDFObjectHandle> nodes;
  for (int half = 0; half < 2; ++half) {
    QPDFObjectHandle node = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Pages /Count 3 >>"));
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (int i = 0; i < 3; ++i) {
      QPDFObjectHandle page = pages[static_cast<size_t>(half * 3 + i)];
      page.replaceKey("/Parent", node);
      kids.appendItem(page);
    }
    node.replaceKey("/Kids", kids);
    node.replaceKey("/Parent", root);
    nodes.push_back(node);
  }
  root.replaceKey("/Kids", QPDFObjectHandle::newArray(nodes));
  QPDFWriter w(q);
  w.setOutputMemory();
  w.setStaticID(true);
  w.write();
  auto buffer = w.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// The object number of the node above the fourth page of twoLevelFile().
int secondNodeOf(const std::string& bytes) {
  QPDF intact;
  intact.processMemoryFile("intact.pdf", bytes.data(), bytes.size());
  QPDFObjectHandle fourth = intact.getAllPages()[3];
  return fourth.getKey("/Parent").getObjectID();
}

TEST(PageRecovery, LostTreeNodesAreReplacedByThePagesBelowThem) {
  qvtest::TempDir dir;
  const std::string nested = twoLevelFile();
  const std::string nodeLost = withObjectBlanked(nested, secondNodeOf(nested));
  auto doc = openBytes(dir, nodeLost);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), expectedPages(6));

  // With the cross-reference data rebuilt on opening, a reference to a
  // missing object no longer says which one it was: the pages the tree does
  // not reach any more take the lost entry's place.
  std::string xrefLost = nodeLost;
  const size_t startXref = xrefLost.rfind("startxref\n");
  ASSERT_NE(startXref, std::string::npos);
  xrefLost.replace(startXref + 10, 1, "9");
  doc = openBytes(dir, xrefLost);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), expectedPages(6));

  // The root lost: every page object of the file, and nothing more.
  const std::string flat = pagesFile(4);
  doc = openBytes(dir, withObjectBlanked(flat, pageTreeRootObjectNumber(flat)));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), expectedPages(4));
}

TEST(PageRecovery, PagesLostWithTheTreeAreReportedAfterThoseFound) {
  // The root and the third page are gone: the pages found, then one that
  // cannot be read, so that the loss is reported.
  const std::string bytes = pagesFile(4);
  const std::string damaged =
      withObjectBlanked(withObjectBlanked(bytes, pageTreeRootObjectNumber(bytes)), pageObjectNumber(bytes, 3));
  qvtest::TempDir dir;
  auto doc = openBytes(dir, damaged);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), (std::vector<Strings>{{"PAGE-1"}, {"PAGE-2"}, {"PAGE-4"}, {"no page 4"}}));

  // The same below a lost intermediate node.
  const std::string nested = twoLevelFile();
  doc = openBytes(dir, withObjectBlanked(withObjectBlanked(nested, secondNodeOf(nested)), pageObjectNumber(nested, 5)));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc),
            (std::vector<Strings>{{"PAGE-1"}, {"PAGE-2"}, {"PAGE-3"}, {"PAGE-4"}, {"PAGE-6"}, {"no page 6"}}));
}

TEST(PageRecovery, CutOffLinearizedFileKeepsItsPageCount) {
  const std::string bytes = rewritten(pagesFile(4), [](QPDFWriter& w) { w.setLinearization(true); });
  // Cut inside the third page's object.
  const std::string header = "\n" + std::to_string(pageObjectNumber(bytes, 3)) + " 0 obj";
  const size_t cut = bytes.find(header);
  ASSERT_NE(cut, std::string::npos);
  qvtest::TempDir dir;
  auto doc = openBytes(dir, bytes.substr(0, cut + header.size() + 4));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(everyPage(*doc), expectedPages(4, {3, 4}));
}

// The file cut off just before its cross-reference table: no trailer left.
std::string cutBeforeXref(const std::string& bytes) {
  const size_t xref = bytes.rfind("\nxref");
  EXPECT_NE(xref, std::string::npos);
  return bytes.substr(0, xref + 1);
}

TEST(PageRecovery, CutOffEncryptedFileIsReadWithItsEncryption) {
  qvtest::PdfEncryption aes;
  aes.kind = qvtest::PdfEncryption::AES_256;
  aes.userPassword = "user";
  aes.ownerPassword = "owner";
  const std::string cut = cutBeforeXref(pagesFile(3, aes));
  ASSERT_EQ(cut.find("trailer"), std::string::npos);
  qvtest::TempDir dir;
  Status status = Status::Ok;
  EXPECT_EQ(openBytes(dir, cut, "wrong", &status), nullptr);
  EXPECT_EQ(status, Status::WrongPassword);
  auto doc = openBytes(dir, cut, "user", &status);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->isEncrypted());
  EXPECT_EQ(everyPage(*doc), expectedPages(3));
}

TEST(PageRecovery, EncryptionDictionaryAndFileIdAreFoundForRecovery) {
  using platform::pdfdetail::findEncryptionObject;
  using platform::pdfdetail::findFileId;
  // A surviving trailer names the dictionary; without one, the standard
  // handler's dictionary is recognised.
  auto id = findEncryptionObject("1 0 obj << /Filter /Standard /V 2 >> endobj trailer << /Encrypt 9 0 R >>");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->number, 9);
  id = findEncryptionObject("%PDF-1.4\n4 0 obj\n<< /Filter/Standard /O <00> /U <00> /R 3 >>\nendobj\n");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->number, 4);
  EXPECT_FALSE(findEncryptionObject("1 0 obj << /EncryptMetadata false /Filter /FlateDecode >> endobj"));

  EXPECT_EQ(findFileId("<< /ID [<0A1B> <2c3d>] >> << /ID [ (a\\)b) (c(d)e) ] /Size 3 >>"),
            "[ (a\\)b) (c(d)e) ]");
  EXPECT_EQ(findFileId("<< /ID [<0A1B> <2c3d>] >> /ID [<0A1B>] /ID [<zz> <00>]"), "[<0A1B> <2c3d>]");
  EXPECT_FALSE(findFileId("/IDTree [<00> <00>]"));
}

}  // namespace

// A long document lets go of what it read for its page tree, and of what
// it read for the pages converted, by reading the file afresh: its pages
// stay what they were, in their order, whether the tree is whole or its
// pages must be looked for among the objects; a handle taken before is dead
// afterwards.
TEST(PageRecovery, ALongFileReadAfreshKeepsEveryPage) {
  constexpr int kPages = 300;
  const std::string flat = pagesFile(kPages);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"whole, in object streams",
       rewritten(flat, [](QPDFWriter& w) { w.setObjectStreamMode(qpdf_o_generate); })},
      {"whole, objects as written", flat},
      {"the root of its tree lost", withObjectBlanked(flat, pageTreeRootObjectNumber(flat))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The page list read with the file read afresh after every object.
    QPDF whole;
    whole.processMemoryFile("whole.pdf", c.bytes.data(), c.bytes.size());
    const platform::pdfdetail::PageList once = platform::pdfdetail::readPageList(whole, false);
    std::unique_ptr<QPDF> current;
    int readings = 0;
    const platform::pdfdetail::PageList afresh =
        platform::pdfdetail::readPageList(whole, false, [&](uint64_t) -> QPDF* {
          current = std::make_unique<QPDF>();
          current->processMemoryFile("afresh.pdf", c.bytes.data(), c.bytes.size());
          ++readings;
          return current.get();
        });
    EXPECT_GT(readings, kPages / 2);
    EXPECT_EQ(afresh.ids, once.ids);
    ASSERT_EQ(afresh.pages.size(), static_cast<size_t>(kPages));
    EXPECT_TRUE(afresh.pages[kPages - 1].isDictionary());

    // The document read afresh every few pages while they are scanned.
    qvtest::TempDir dir;
    auto doc = openBytes(dir, c.bytes);
    ASSERT_NE(doc, nullptr);
    const platform::PdfObject first = doc->page(1)->dictionary();
    std::vector<Strings> pages;
    for (int n = 1; n <= doc->pageCount(); ++n) {
      pages.push_back(shownStrings(*doc, n));
      if (n % 50 == 0) EXPECT_TRUE(doc->readAfreshNow());
    }
    EXPECT_EQ(pages, expectedPages(kPages));
    EXPECT_THROW(first.get("Type"), platform::PdfError);
  }
}
