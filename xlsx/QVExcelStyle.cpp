#include "xlsx/QVExcelStyle.h"

#include "convert/xml/QVOpenXMLNameSpace.h"
#include "convert/xml/XMLFileWriter.h"
#include "platform/text/text.h"
#include "xlsx/QVExcelUtilities.h"

namespace {

std::string integerText(int64_t value) { return platform::text::formatInteger(value); }

void writeCount(XMLFileWriter& w, size_t count) { w.writeAttribute("count", integerText(static_cast<int64_t>(count))); }

// The optional apply flags, each only when set.
void writeApplyFlags(XMLFileWriter& w, const QVExcel_Xf& xf) {
  const std::pair<const char*, bool> flags[] = {{"applyNumberFormat", xf.applyNumberFormat},
                                                {"applyFill", xf.applyFill},
                                                {"applyBorder", xf.applyBorder},
                                                {"applyAlignment", xf.applyAlignment},
                                                {"applyProtection", xf.applyProtection}};
  for (const auto& [name, set] : flags)
    if (set) w.writeAttribute(name, "1");
}

void writeIndexes(XMLFileWriter& w, const QVExcel_Xf& xf) {
  w.writeAttribute("numFmtId", integerText(xf.numFmtId));
  w.writeAttribute("fontId", integerText(xf.fontId));
  w.writeAttribute("fillId", integerText(xf.fillId));
  w.writeAttribute("borderId", integerText(xf.borderId));
}

}  // namespace

QVExcelStyle::QVExcelStyle() {
  fontsArr.emplace_back();
  fillsArr.emplace_back();
  fillsArr.emplace_back();
  fillsArr.back().patternFill.patternType = "gray125";
  bordersArr.emplace_back();
  QVExcel_Xf centred;
  centred.alignment = QVExcel_AlignmentMake(std::string("center"), std::string("center"), false);
  cellStyleXfsArr.emplace_back(centred);
  QVExcel_Xf standard;
  standard.applyAlignment = true;
  cellXfsArr.emplace_back(standard);
}

int32_t QVExcelStyle::collectNumberFormat(const std::string& formatCode) {
  for (const QVExcelStyleNumFmt& entry : numFmtsArr)
    if (entry.formatCode == formatCode) return entry.numFmtID;
  int32_t id = kFirstCustomNumFmtID;
  while (existNumberFormat(id)) ++id;
  numFmtsArr.push_back({id, formatCode});
  return id;
}

bool QVExcelStyle::existNumberFormat(int32_t numFmtID) const {
  for (const QVExcelStyleNumFmt& entry : numFmtsArr)
    if (entry.numFmtID == numFmtID) return true;
  return false;
}

int32_t QVExcelStyle::collectFonts(const QVExcelStyleFont& font) {
  for (size_t i = 0; i < fontsArr.size(); ++i)
    if (fontsArr[i].isEqualToFont(font)) return static_cast<int32_t>(i);
  fontsArr.push_back(font);
  return static_cast<int32_t>(fontsArr.size() - 1);
}

void QVExcelStyle::collectFills(const QVExcelStyleFill& fill) {
  if (fillsArr.size() >= kMaxFills) return;
  for (const QVExcelStyleFill& entry : fillsArr)
    if (entry.isEqualToFill(fill)) return;
  fillsArr.push_back(fill);
}

int32_t QVExcelStyle::getFillIdWithCellFrame(const platform::Rect& cellFrame, bool collectingFills) const {
  if (!collectingFills) return 0;
  for (size_t i = 0; i < fillsArr.size(); ++i) {
    const platform::Rect& rect = fillsArr[i].rect;
    if (rect.isEmpty()) continue;
    if (!rect.intersect(cellFrame).isNull()) return static_cast<int32_t>(i);
  }
  return 0;
}

int32_t QVExcelStyle::getStyleIndexFrom(int32_t numFmtID, int32_t fontID, int32_t fillID, int32_t borderID,
                                        const QVExcel_Xf_Alignment& alignment) {
  const QVExcelStyleXf candidate(numFmtID, fontID, fillID, borderID, alignment);
  for (size_t i = 0; i < cellXfsArr.size(); ++i)
    if (cellXfsArr[i].isEqualXf(candidate)) return static_cast<int32_t>(i);
  cellXfsArr.push_back(candidate);
  return static_cast<int32_t>(cellXfsArr.size() - 1);
}

void QVExcelStyle::writeStyleTo(const std::string& workFolder, bool wrapText) const {
  XMLFileWriter w(workFolder + "/xl/styles.xml");
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("styleSheet");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());

  if (!numFmtsArr.empty()) {
    w.writeStartElement("numFmts");
    writeCount(w, numFmtsArr.size());
    for (const QVExcelStyleNumFmt& entry : numFmtsArr) {
      w.writeStartElement("numFmt");
      w.writeAttribute("numFmtId", integerText(entry.numFmtID));
      w.writeAttribute("formatCode", entry.formatCode);
      w.writeEndElement();
    }
    w.writeEndElement();
  }

  if (!fontsArr.empty()) {
    w.writeStartElement("fonts");
    writeCount(w, fontsArr.size());
    for (const QVExcelStyleFont& entry : fontsArr) {
      w.writeStartElement("font");
      QVExcelUtilities::writeFontProperties(w, "name", entry.font.name, entry.font.sz, entry.rgbColor, entry.font.b,
                                            entry.font.i);
      w.writeEndElement();
    }
    w.writeEndElement();
  }

  if (!fillsArr.empty()) {
    w.writeStartElement("fills");
    writeCount(w, fillsArr.size());
    for (const QVExcelStyleFill& entry : fillsArr) {
      w.writeStartElement("fill");
      w.writeStartElement("patternFill");
      w.writeAttribute("patternType", entry.patternFill.patternType);
      if (entry.fgRGBColor) {
        w.writeStartElement("fgColor");
        w.writeAttribute("rgb", QVExcelUtilities::argbColor(entry.fgRGBColor));
        w.writeEndElement();
      }
      w.writeEndElement("patternFill");
      w.writeEndElement("fill");
    }
    w.writeEndElement();
  }

  if (!bordersArr.empty()) {
    w.writeStartElement("borders");
    writeCount(w, bordersArr.size());
    for (const QVExcelStyleBorder& entry : bordersArr) {
      w.writeStartElement("border");
      const std::pair<const char*, const QVExcel_PatternBorderElement*> sides[] = {
          {"left", &entry.border.left},
          {"right", &entry.border.right},
          {"top", &entry.border.top},
          {"bottom", &entry.border.bottom},
          {"diagonal", &entry.border.diagonal}};
      for (const auto& [name, side] : sides) {
        w.writeStartElement(name);
        if (side->style) w.writeAttribute("style", *side->style);
        if (side->color) {
          w.writeStartElement("color");
          w.writeAttribute("rgb", *side->color);
          w.writeEndElement();
        }
        w.writeEndElement(name);
      }
      w.writeEndElement("border");
    }
    w.writeEndElement();
  }

  if (!cellStyleXfsArr.empty()) {
    w.writeStartElement("cellStyleXfs");
    writeCount(w, cellStyleXfsArr.size());
    for (const QVExcelStyleXf& entry : cellStyleXfsArr) {
      const QVExcel_Xf& xf = entry.formatedElm;
      w.writeStartElement("xf");
      writeIndexes(w, xf);
      writeApplyFlags(w, xf);
      w.writeStartElement("alignment");
      if (xf.alignment.vertical) w.writeAttribute("vertical", *xf.alignment.vertical);
      if (xf.alignment.horizontal && !xf.alignment.horizontal->empty())
        w.writeAttribute("horizontal", *xf.alignment.horizontal);
      w.writeEndElement("alignment");
      w.writeEndElement("xf");
    }
    w.writeEndElement("cellStyleXfs");
  }

  if (!cellXfsArr.empty()) {
    w.writeStartElement("cellXfs");
    writeCount(w, cellXfsArr.size());
    for (const QVExcelStyleXf& entry : cellXfsArr) {
      const QVExcel_Xf& xf = entry.formatedElm;
      w.writeStartElement("xf");
      writeIndexes(w, xf);
      w.writeAttribute("xfId", integerText(xf.xfId));
      writeApplyFlags(w, xf);
      w.writeStartElement("alignment");
      if (xf.alignment.horizontal) w.writeAttribute("horizontal", *xf.alignment.horizontal);
      if (xf.alignment.vertical) w.writeAttribute("vertical", *xf.alignment.vertical);
      w.writeAttribute("wrapText", wrapText ? "1" : "0");
      w.writeEndElement("alignment");
      w.writeEndElement("xf");
    }
    w.writeEndElement("cellXfs");
  }

  w.writeStartElement("dxfs");
  w.writeAttribute("count", "0");
  w.writeEndElement("dxfs");
  w.writeStartElement("tableStyles");
  w.writeAttribute("count", "0");
  w.writeAttribute("defaultTableStyle", "TableStyleMedium9");
  w.writeAttribute("defaultPivotStyle", "PivotStyleLight16");
  w.writeEndElement("tableStyles");
  w.writeEndElement();
  w.writeEndDocument();
}
