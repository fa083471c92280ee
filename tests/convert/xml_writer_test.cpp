// The streaming XML writer: the layout of tags, escaping, namespace scopes,
// misuse reported as XMLWriterException, and checked writes.
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "tests/support/fixtures.h"

namespace {

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool xmllintAccepts(const std::filesystem::path& path) {
  const std::string command = "xmllint --noout '" + path.string() + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

std::string throwReason(const std::function<void()>& action) {
  try {
    action();
  } catch (const XMLWriterException& e) {
    return e.reason();
  }
  return "(nothing thrown)";
}

class XMLFileWriterTest : public ::testing::Test {
 protected:
  qvtest::TempDir dir;
  std::filesystem::path path = dir.file("part.xml");
};

TEST_F(XMLFileWriterTest, PackagePartLayoutWithDeclarationsOnTheRoot) {
  XMLFileWriter w(path.string());
  const auto a = QVOpenXMLNameSpace::nameSpace_a();
  const auto p = QVOpenXMLNameSpace::nameSpace_p();
  const auto r = QVOpenXMLNameSpace::nameSpace_r();
  w.setPrefix("a", a);
  w.setPrefix("r", r);
  w.setPrefix("p", p);
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElementWithNamespace(p, "sld");
  w.writeAttribute("show", "1");
  w.writeStartElementWithNamespace(p, "cSld");
  w.writeEmptyElementWithNamespace(a, "off");
  w.writeStartElementWithNamespace(a, "t");
  w.writeCharacters("Hello");
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "empty");
  w.writeEndElement();
  w.writeStartElementWithNamespace(p, "long");
  w.writeEndElementWithNamespace(p, "long");
  w.writeEndElement();
  w.writeEndDocument();

  EXPECT_EQ(readAll(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
            "<p:sld xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
            " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
            " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" show=\"1\">\n"
            "\t<p:cSld>\n"
            "\t\t<a:off/>\n"
            "\t\t<a:t>Hello</a:t>\n"
            "\t\t<p:empty/>\n"
            "\t\t<p:long></p:long>\n"
            "\t</p:cSld>\n"
            "</p:sld>");
  EXPECT_TRUE(xmllintAccepts(path));
}

TEST_F(XMLFileWriterTest, EscapesMarkupAndKeepsCharactersBeyondTheBasicPlane) {
  XMLFileWriter w(path.string());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("t");
  w.writeAttribute("v", "a<b&c\"d'e>");
  // U+0001 and U+FFFF vanish; tab, line feed, carriage return stay; U+1D11E
  // (a musical symbol, four UTF-8 bytes) and U+00E9 stay as they are.
  w.writeCharacters("x<y & \"q\" 'a' \x01|\t\n\r|\xF0\x9D\x84\x9E|\xC3\xA9|\xEF\xBF\xBF|");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
            "<t v=\"a&lt;b&amp;c&quot;d'e&gt;\">x&lt;y &amp; &quot;q&quot; 'a' |\t\n\r|\xF0\x9D\x84\x9E|\xC3\xA9||</t>");
  EXPECT_TRUE(xmllintAccepts(path));
}

TEST_F(XMLFileWriterTest, DropsLoneSurrogatesAndBytesThatAreNotUtf8) {
  XMLFileWriter w(path.string());
  w.writeStartElement("t");
  // An encoded surrogate half, a stray continuation byte, a truncated
  // sequence, an overlong form and a byte that never starts UTF-8.
  w.writeCharacters("a\xED\xA0\x80" "b\x80" "c\xE2\x82" "d\xC0\xAF" "e\xFF" "f");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path), "\n<t>abcdef</t>");
  EXPECT_TRUE(xmllintAccepts(path));
}

TEST_F(XMLFileWriterTest, EndTagPlacementFollowsTheLastOutput) {
  XMLFileWriter w(path.string());
  w.writeStartElement("a");
  w.writeStartElement("b");
  w.writeEndElement();
  w.writeCharacters("text");
  w.writeStartElement("c");
  w.writeCharacters("inline");
  w.writeEndElement("c");
  w.writeEndElement();
  w.writeEndDocument();
  // Text after a child does not keep the next start tag off a new line, and
  // an end tag after text follows the text directly.
  EXPECT_EQ(readAll(path), "\n<a>\n\t<b/>text\n\t<c>inline</c>\n</a>");
}

TEST_F(XMLFileWriterTest, EndDocumentClosesEveryOpenElement) {
  XMLFileWriter w(path.string());
  w.writeStartElement("a");
  w.writeStartElement("b");
  w.writeCharacters("x");
  w.writeStartElement("c");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path), "\n<a>\n\t<b>x\n\t\t<c/>\n\t</b>\n</a>");
  EXPECT_EQ(w.level(), 0);
  EXPECT_TRUE(xmllintAccepts(path));
}

TEST_F(XMLFileWriterTest, EmptyElementLeavesPendingDeclarationsForTheNextStartTag) {
  XMLFileWriter w(path.string());
  w.writeStartElement("root");
  w.setPrefix("x", "urn:x");
  w.writeEmptyElementWithNamespace("urn:x", "e");
  w.writeStartElementWithNamespace("urn:x", "f");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path), "\n<root>\n\t<x:e/>\n\t<x:f xmlns:x=\"urn:x\"/>\n</root>");
}

TEST_F(XMLFileWriterTest, BindingEndsWithTheElementThatDeclaredIt) {
  XMLFileWriter w(path.string());
  w.writeStartElement("root");
  w.setPrefix("x", "urn:x");
  w.writeStartElementWithNamespace("urn:x", "inner");
  EXPECT_EQ(throwReason([&] { w.setPrefix("y", "urn:x"); }), "Name namespace urn:x has already been set");
  EXPECT_EQ(throwReason([&] { w.setPrefix("x", "urn:other"); }), "Prefix x has already been set");
  w.writeEndElement();
  EXPECT_EQ(w.getPrefix("urn:x"), "");
  w.setPrefix("y", "urn:x");
  w.writeStartElementWithNamespace("urn:x", "again");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path), "\n<root>\n\t<x:inner xmlns:x=\"urn:x\"/>\n\t<y:again xmlns:y=\"urn:x\"/>\n</root>");
}

TEST_F(XMLFileWriterTest, DefaultNamespaceIsDeclaredWithoutPrefix) {
  XMLFileWriter w(path.string());
  w.setDefaultNamespace(QVOpenXMLNameSpace::nameSpace_Rels());
  w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_Rels(), "Relationships");
  w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_Rels(), "Relationship");
  w.writeAttribute("Id", "rId1");
  w.writeEndDocument();
  EXPECT_EQ(readAll(path),
            "\n<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
            "\t<Relationship Id=\"rId1\"/>\n</Relationships>");
  EXPECT_EQ(throwReason([&] {
              XMLFileWriter w2(dir.file("2.xml").string());
              w2.setDefaultNamespace("urn:a");
              w2.setDefaultNamespace("urn:b");
            }),
            "Default namespace has already been set");
}

TEST_F(XMLFileWriterTest, MisuseThrowsWithItsReason) {
  XMLFileWriter w(path.string());
  EXPECT_EQ(throwReason([&] { w.writeAttribute("a", "b"); }), "No open start element");
  EXPECT_EQ(throwReason([&] { w.writeNamespace("a", "urn:a"); }), "No open start element");
  EXPECT_EQ(throwReason([&] { w.writeCloseStartElement(); }), "No open start element");
  EXPECT_EQ(throwReason([&] { w.writeEndElement(); }), "Cannot write more end elements than start elements.");
  EXPECT_EQ(throwReason([&] { w.writeEndElement("x"); }), "Cannot write more end elements than start elements.");
  EXPECT_EQ(throwReason([&] { w.writeStartElementWithNamespace("urn:unbound", "x"); }),
            "Unknown namespace URI urn:unbound");
  EXPECT_EQ(throwReason([&] { w.setPrefix("p", ""); }), "Namespace cannot be NULL");
  EXPECT_EQ(throwReason([&] { w.setPrefix("xml", "urn:y"); }), "Prefix xml has already been set");
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  EXPECT_EQ(throwReason([&] { w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes"); }),
            "Document has already been started");
  EXPECT_STREQ(XMLWriterException::name(), "XMLWriterException");
}

TEST_F(XMLFileWriterTest, DeclarationVariants) {
  {
    XMLFileWriter w(path.string());
    w.writeStartDocument();
    w.closeFile();
    EXPECT_EQ(readAll(path), "<?xml version=\"1.0\" ?>");
  }
  {
    XMLFileWriter w(path.string());  // an existing file is emptied
    w.writeStartDocumentWithVersion("1.1");
    w.writeEndDocument();
    EXPECT_EQ(readAll(path), "<?xml version=\"1.1\" ?>");
  }
}

TEST_F(XMLFileWriterTest, CommentsAndCDataAreWrittenAsGiven) {
  XMLFileWriter w(path.string());
  w.writeStartElement("a");
  w.writeComment(" c&d ");
  w.writeCData("<raw>");
  w.writeEndElement();
  w.closeFile();
  EXPECT_EQ(readAll(path), "\n<a><!-- c&d --><![CDATA[<raw>]]></a>");
}

TEST_F(XMLFileWriterTest, LargePartIsWrittenWhole) {
  XMLFileWriter w(path.string());
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("rows");
  for (int i = 0; i < 20000; ++i) {
    w.writeStartElement("r");
    w.writeAttribute("n", std::to_string(i));
    w.writeCharacters("cell & value");
    w.writeEndElement();
  }
  w.writeEndDocument();
  const std::string content = readAll(path);
  EXPECT_NE(content.find("<r n=\"19999\">cell &amp; value</r>\n</rows>"), std::string::npos);
  EXPECT_EQ(w.toString(), content);
  EXPECT_TRUE(xmllintAccepts(path));
}

TEST_F(XMLFileWriterTest, PartMadeInMemoryIsTheFileItWouldHaveWritten) {
  auto write = [](XMLFileWriter& w) {
    w.setPrefix("p", QVOpenXMLNameSpace::nameSpace_p());
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_p(), "sld");
    for (int i = 0; i < 5000; ++i) {
      w.writeStartElement("r");
      w.writeAttribute("n", std::to_string(i));
      w.writeCharacters("<>");
      w.writeEndElement();
    }
    w.writeEndDocument();
  };
  {
    XMLFileWriter file(path.string());
    write(file);
  }
  std::string part;
  XMLFileWriter memory(&part);
  write(memory);
  const std::string file = readAll(path);
  EXPECT_GT(part.size(), 50000u);
  EXPECT_TRUE(part == file) << "the part in memory differs from the file";
  EXPECT_TRUE(memory.toString() == part);
  EXPECT_THROW(memory.writeStartElement("late"), XMLWriterException);
  EXPECT_EQ(part.size(), file.size()) << "nothing is added after the end";

  // A writer dropped before its end still leaves what it wrote.
  std::string unfinished;
  {
    XMLFileWriter w(&unfinished);
    w.writeStartElement("a");
    w.writeCharacters("text");
  }
  EXPECT_EQ(unfinished, "\n<a>text");
}

TEST_F(XMLFileWriterTest, FileThatCannotBeCreatedIsReported) {
  const std::string missing = dir.file("no/such/folder/part.xml").string();
  EXPECT_EQ(XMLFileWriter::initWithPath(missing), nullptr);
  EXPECT_THROW(XMLFileWriter w(missing), XMLWriterException);
}

TEST_F(XMLFileWriterTest, FailedWriteIsAnError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  auto attempt = [] {
    XMLFileWriter w("/dev/full");
    w.writeStartElement("a");
    w.writeCharacters("data");
    w.writeEndDocument();
  };
  EXPECT_THROW(attempt(), XMLWriterException);
}

TEST_F(XMLFileWriterTest, WritesAfterCloseAreErrors) {
  XMLFileWriter w(path.string());
  w.writeStartElement("a");
  w.writeEndDocument();
  EXPECT_THROW(w.writeStartElement("b"), XMLWriterException);
}

TEST(QVOpenXMLNameSpace, UrisOfTheStandards) {
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_a(), "http://schemas.openxmlformats.org/drawingml/2006/main");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_p(), "http://schemas.openxmlformats.org/presentationml/2006/main");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_r(),
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_w(), "http://schemas.openxmlformats.org/wordprocessingml/2006/main");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_vt(),
            "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_cp(),
            "http://schemas.openxmlformats.org/package/2006/metadata/core-properties");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_dc(), "http://purl.org/dc/elements/1.1/");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_dcterms(), "http://purl.org/dc/terms/");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_dcmitype(), "http://purl.org/dc/dcmitype/");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_xsi(), "http://www.w3.org/2001/XMLSchema-instance");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_Rels(), "http://schemas.openxmlformats.org/package/2006/relationships");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_Rels_WorkSheet(),
            std::string(QVOpenXMLNameSpace::nameSpace_r()) + "/worksheet");
  EXPECT_EQ(QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main(),
            "http://schemas.openxmlformats.org/spreadsheetml/2006/main");
}

}  // namespace
