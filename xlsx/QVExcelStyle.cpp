#include "xlsx/QVExcelStyle.h"

#include <optional>
#include <string_view>

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

void appendKeyPart(std::string& key, std::string_view part) {
  key += part;
  key += '\x1f';
}

std::string fontKey(const QVExcelStyleFont& font) {
  std::string key(reinterpret_cast<const char*>(&font.font.sz), sizeof font.font.sz);
  appendKeyPart(key, {});
  appendKeyPart(key, font.font.name);
  appendKeyPart(key, font.rgbColor);
  key += font.font.b ? 'b' : '-';
  key += font.font.i ? 'i' : '-';
  return key;
}

// Absent alignment strings equal nothing: such formats get no key.
std::optional<std::string> cellFormatKey(const QVExcel_Xf& xf) {
  if (!xf.alignment.horizontal || !xf.alignment.vertical) return std::nullopt;
  std::string key;
  for (int32_t id : {xf.numFmtId, xf.fontId, xf.fillId, xf.borderId}) appendKeyPart(key, std::to_string(id));
  appendKeyPart(key, *xf.alignment.horizontal);
  appendKeyPart(key, *xf.alignment.vertical);
  key += xf.alignment.wrapText ? 'w' : '-';
  key += xf.applyNumberFormat ? 'n' : '-';
  if (xf.alignment.rightToLeft) key += 'r';
  return key;
}

std::optional<std::string> textFormatKey(const QVExcel_Xf& xf) {
  if (xf.numFmtId != 0 || xf.fillId != 0 || !xf.alignment.horizontal || !xf.alignment.vertical) return std::nullopt;
  std::string key = std::to_string(xf.fontId);
  appendKeyPart(key, {});
  appendKeyPart(key, *xf.alignment.horizontal);
  appendKeyPart(key, *xf.alignment.vertical);
  if (xf.alignment.rightToLeft) key += 'r';
  return key;
}

void writeIndexes(XMLFileWriter& w, const QVExcel_Xf& xf) {
  w.writeAttribute("numFmtId", integerText(xf.numFmtId));
  w.writeAttribute("fontId", integerText(xf.fontId));
  w.writeAttribute("fillId", integerText(xf.fillId));
  w.writeAttribute("borderId", integerText(xf.borderId));
}

}  // namespace

QVExcelStyle::QVExcelStyle() {
  collectFonts(QVExcelStyleFont());
  fillsArr_.emplace_back();
  fillsArr_.emplace_back();
  fillsArr_.back().patternFill.patternType = "gray125";
  bordersArr_.emplace_back();
  QVExcel_Xf centred;
  centred.alignment = QVExcel_AlignmentMake(std::string("center"), std::string("center"), false);
  cellStyleXfsArr_.emplace_back(centred);
  QVExcel_Xf standard;
  standard.applyAlignment = true;
  appendCellFormat(QVExcelStyleXf(standard));
}

int32_t QVExcelStyle::collectNumberFormat(const std::string& formatCode) {
  for (const QVExcelStyleNumFmt& entry : numFmtsArr_)
    if (entry.formatCode == formatCode) return entry.numFmtID;
  int32_t id = kFirstCustomNumFmtID;
  while (existNumberFormat(id)) ++id;
  numFmtsArr_.push_back({id, formatCode});
  return id;
}

bool QVExcelStyle::existNumberFormat(int32_t numFmtID) const {
  for (const QVExcelStyleNumFmt& entry : numFmtsArr_)
    if (entry.numFmtID == numFmtID) return true;
  return false;
}

int32_t QVExcelStyle::collectFonts(const QVExcelStyleFont& font) {
  const auto [it, added] = fontIndex_.try_emplace(fontKey(font), static_cast<int32_t>(fontsArr_.size()));
  if (!added) return it->second;
  if (fontsArr_.size() >= kMaxFonts) {
    fontIndex_.erase(it);
    return 0;
  }
  fontsArr_.push_back(font);
  return it->second;
}

void QVExcelStyle::collectFills(const QVExcelStyleFill& fill) {
  if (fillsArr_.size() >= kMaxFills) return;
  for (const QVExcelStyleFill& entry : fillsArr_)
    if (entry.isEqualToFill(fill)) return;
  fillsArr_.push_back(fill);
}

int32_t QVExcelStyle::getFillIdWithCellFrame(const platform::Rect& cellFrame, bool collectingFills) const {
  if (!collectingFills) return 0;
  for (size_t i = 0; i < fillsArr_.size(); ++i) {
    const platform::Rect& rect = fillsArr_[i].rect;
    if (rect.isEmpty()) continue;
    if (!rect.intersect(cellFrame).isNull()) return static_cast<int32_t>(i);
  }
  return 0;
}

int32_t QVExcelStyle::appendCellFormat(const QVExcelStyleXf& format) {
  const auto index = static_cast<int32_t>(cellXfsArr_.size());
  cellXfsArr_.push_back(format);
  if (const auto key = cellFormatKey(format.formatedElm)) cellFormatIndex_.try_emplace(*key, index);
  if (const auto key = textFormatKey(format.formatedElm)) textFormatIndex_.try_emplace(*key, index);
  return index;
}

int32_t QVExcelStyle::getStyleIndexFrom(int32_t numFmtID, int32_t fontID, int32_t fillID, int32_t borderID,
                                        const QVExcel_Xf_Alignment& alignment) {
  const QVExcelStyleXf candidate(numFmtID, fontID, fillID, borderID, alignment);
  if (const auto key = cellFormatKey(candidate.formatedElm)) {
    if (const auto it = cellFormatIndex_.find(*key); it != cellFormatIndex_.end()) return it->second;
  }
  return appendCellFormat(candidate);
}

int32_t QVExcelStyle::getTextStyleIndex(int32_t fontID, const std::string& horizontal, const std::string& vertical,
                                        bool rightToLeft) {
  QVExcel_Xf record;
  record.fontId = fontID;
  record.applyAlignment = true;
  record.alignment = QVExcel_AlignmentMake(horizontal, vertical, false);
  record.alignment.rightToLeft = rightToLeft;
  if (const auto it = textFormatIndex_.find(*textFormatKey(record)); it != textFormatIndex_.end()) return it->second;
  return appendCellFormat(QVExcelStyleXf(record));
}

void QVExcelStyle::writeStyleTo(const std::string& workFolder, bool wrapText) const {
  XMLFileWriter w(workFolder + "/xl/styles.xml");
  w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w.writeStartElement("styleSheet");
  w.writeAttribute("xmlns", QVOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());

  if (!numFmtsArr_.empty()) {
    w.writeStartElement("numFmts");
    writeCount(w, numFmtsArr_.size());
    for (const QVExcelStyleNumFmt& entry : numFmtsArr_) {
      w.writeStartElement("numFmt");
      w.writeAttribute("numFmtId", integerText(entry.numFmtID));
      w.writeAttribute("formatCode", entry.formatCode);
      w.writeEndElement();
    }
    w.writeEndElement();
  }

  if (!fontsArr_.empty()) {
    w.writeStartElement("fonts");
    writeCount(w, fontsArr_.size());
    for (const QVExcelStyleFont& entry : fontsArr_) {
      w.writeStartElement("font");
      QVExcelUtilities::writeFontProperties(w, "name", entry.font.name, entry.font.sz, entry.rgbColor, entry.font.b,
                                            entry.font.i);
      w.writeEndElement();
    }
    w.writeEndElement();
  }

  if (!fillsArr_.empty()) {
    w.writeStartElement("fills");
    writeCount(w, fillsArr_.size());
    for (const QVExcelStyleFill& entry : fillsArr_) {
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

  if (!bordersArr_.empty()) {
    w.writeStartElement("borders");
    writeCount(w, bordersArr_.size());
    for (const QVExcelStyleBorder& entry : bordersArr_) {
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

  if (!cellStyleXfsArr_.empty()) {
    w.writeStartElement("cellStyleXfs");
    writeCount(w, cellStyleXfsArr_.size());
    for (const QVExcelStyleXf& entry : cellStyleXfsArr_) {
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

  if (!cellXfsArr_.empty()) {
    w.writeStartElement("cellXfs");
    writeCount(w, cellXfsArr_.size());
    for (const QVExcelStyleXf& entry : cellXfsArr_) {
      const QVExcel_Xf& xf = entry.formatedElm;
      w.writeStartElement("xf");
      writeIndexes(w, xf);
      w.writeAttribute("xfId", integerText(xf.xfId));
      writeApplyFlags(w, xf);
      w.writeStartElement("alignment");
      if (xf.alignment.horizontal) w.writeAttribute("horizontal", *xf.alignment.horizontal);
      if (xf.alignment.vertical) w.writeAttribute("vertical", *xf.alignment.vertical);
      w.writeAttribute("wrapText", wrapText ? "1" : "0");
      if (xf.alignment.rightToLeft) w.writeAttribute("readingOrder", "2");
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
