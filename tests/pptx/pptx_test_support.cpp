#include "tests/pptx/pptx_test_support.h"

#include <gtest/gtest.h>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/fs/files.h"
#include "tests/support/fixtures.h"

namespace pptxtest {

const qvtest::XmlElement* Fragment::find(const std::string& local) const {
  const qvtest::XmlElement* found = nullptr;
  if (root)
    root->visit([&](const qvtest::XmlElement& e) {
      if (!found && e.local == local) found = &e;
    });
  return found;
}

std::vector<const qvtest::XmlElement*> Fragment::findAll(const std::string& local) const {
  std::vector<const qvtest::XmlElement*> all;
  if (root)
    root->visit([&](const qvtest::XmlElement& e) {
      if (e.local == local) all.push_back(&e);
    });
  return all;
}

Fragment writeFragment(const std::function<void(XMLFileWriter&)>& body) {
  qvtest::TempDir dir;
  const std::string path = dir.file("fragment.xml").string();
  {
    XMLFileWriter w(path);
    w.setPrefix("a", QVOpenXMLNameSpace::nameSpace_a());
    w.setPrefix("r", QVOpenXMLNameSpace::nameSpace_r());
    w.setPrefix("p", QVOpenXMLNameSpace::nameSpace_p());
    w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_p(), "root");
    body(w);
    w.writeEndDocument();
  }
  Fragment fragment;
  fragment.xml = platform::fs::readFile(path).value_or("");
  std::string error;
  fragment.root = qvtest::parseXml(fragment.xml, &error);
  EXPECT_TRUE(fragment.root) << error << "\n" << fragment.xml;
  return fragment;
}

}  // namespace pptxtest
