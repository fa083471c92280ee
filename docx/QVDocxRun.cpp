#include "docx/QVDocxRun.h"

#include <cmath>

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "docx/QVDocxUtilities.h"

namespace {

constexpr std::string_view kXMLNamespace = "http://www.w3.org/XML/1998/namespace";

}  // namespace

QVDocxRun::QVDocxRun() : QVDocxRun(Kind::Base) {}

QVDocxRun::QVDocxRun(Kind kind) : rProperty(QVDocxUtilities::defaultRProperty()), kind_(kind) {}

std::unique_ptr<QVDocxRun> QVDocxRun::copy() const {
  auto run = std::unique_ptr<QVDocxRun>(new QVDocxRun());
  run->drawIndex = drawIndex;
  run->rProperty = rProperty;
  run->ctmInfo = ctmInfo;
  return run;
}

platform::Rect QVDocxRun::displayRect() const { return {}; }

void QVDocxRun::writeWithXMLWriter(XMLFileWriter&) const {}

QVDocxRunText* QVDocxRun::asText() { return kind_ == Kind::Text ? static_cast<QVDocxRunText*>(this) : nullptr; }

const QVDocxRunText* QVDocxRun::asText() const {
  return kind_ == Kind::Text ? static_cast<const QVDocxRunText*>(this) : nullptr;
}

const QVDocxRunTab* QVDocxRun::asTab() const {
  return kind_ == Kind::Tab ? static_cast<const QVDocxRunTab*>(this) : nullptr;
}

QVDocxRunText::QVDocxRunText() : QVDocxRun(Kind::Text) {}

std::unique_ptr<QVDocxRun> QVDocxRunText::copy() const {
  auto run = std::make_unique<QVDocxRunText>();
  run->rProperty = rProperty;
  run->runText = runText;
  run->textWidth = textWidth;
  run->spaceWidth = spaceWidth;
  return run;
}

platform::Rect QVDocxRunText::displayRect() const {
  return platform::Rect(ctmInfo.topLeft.x, ctmInfo.topLeft.y, textWidth,
                        std::fabs(ctmInfo.bottomLeft.y - ctmInfo.topLeft.y));
}

void QVDocxRunText::writeWithXMLWriter(XMLFileWriter& w) const {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "r");
  QVDocxUtilities::WriteRProperty(rProperty, w);
  w.writeStartElementWithNamespace(ns, "t");
  w.writeAttributeWithNamespace(kXMLNamespace, "space", "preserve");
  w.writeCharacters(runText);
  w.writeEndElement();
  w.writeEndElement();
}

QVDocxRunTab::QVDocxRunTab() : QVDocxRun(Kind::Tab) {}

std::shared_ptr<QVDocxRunTab> QVDocxRunTab::RunTapWithTabPostion(double tabPostion, double tabWidth) {
  auto run = std::make_shared<QVDocxRunTab>();
  run->tabPostion = tabPostion;
  run->tabWidth = tabWidth;
  return run;
}

std::unique_ptr<QVDocxRun> QVDocxRunTab::copy() const {
  auto run = std::make_unique<QVDocxRunTab>();
  run->rProperty = rProperty;
  run->tabPostion = tabPostion;
  run->tabWidth = tabWidth;
  return run;
}

void QVDocxRunTab::writeWithXMLWriter(XMLFileWriter& w) const {
  const std::string_view ns = QVOpenXMLNameSpace::nameSpace_w();
  w.writeStartElementWithNamespace(ns, "r");
  QVDocxUtilities::WriteRProperty(rProperty, w);
  w.writeStartElementWithNamespace(ns, "tab");
  w.writeEndElement();
  w.writeEndElement();
}

QVDocxRunPict::QVDocxRunPict() : QVDocxRun(Kind::Pict) {}

std::unique_ptr<QVDocxRun> QVDocxRunPict::copy() const {
  auto run = std::make_unique<QVDocxRunPict>();
  run->rProperty = rProperty;
  run->pictZIndex = pictZIndex;
  return run;
}
