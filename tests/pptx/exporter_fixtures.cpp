#include "tests/pptx/exporter_fixtures.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/image/codecs.h"
#include "tests/pptx/e2e_support.h"

namespace pptxfix {

namespace {

constexpr const char* kA = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

const qvtest::XmlElement* child(const qvtest::XmlElement* e, const std::string& local) {
  if (!e) return nullptr;
  for (const auto& c : e->children)
    if (c->local == local) return c.get();
  return nullptr;
}

const qvtest::XmlElement* descendant(const qvtest::XmlElement& e, const std::string& local) {
  const qvtest::XmlElement* found = nullptr;
  e.visit([&](const qvtest::XmlElement& x) {
    if (!found && x.local == local) found = &x;
  });
  return found;
}

double number(const std::optional<std::string>& v) { return v ? std::strtod(v->c_str(), nullptr) : 0.0; }

void readFrame(const qvtest::XmlElement& shape, Frame& frame) {
  const qvtest::XmlElement* xfrm = descendant(shape, "xfrm");
  if (!xfrm) return;
  frame.rotation = number(xfrm->attr("rot")) / 60000.0;
  if (const auto* off = child(xfrm, "off")) {
    frame.x = number(off->attr("x")) / 12700.0;
    frame.y = number(off->attr("y")) / 12700.0;
  }
  if (const auto* ext = child(xfrm, "ext")) {
    frame.width = number(ext->attr("cx")) / 12700.0;
    frame.height = number(ext->attr("cy")) / 12700.0;
  }
}

bool isTextBox(const qvtest::XmlElement& shape) {
  const qvtest::XmlElement* c = descendant(shape, "cNvSpPr");
  return shape.local == "sp" && c && c->attr("txBox") == std::optional<std::string>("1");
}

}  // namespace

Converted::Converted(const std::filesystem::path& pptx, std::shared_ptr<qvtest::TempDir> dir)
    : file_(pptx), dir_(std::move(dir)) {
  package_ = std::make_unique<qvtest::ZipPackage>(pptx);
  slides_ = pptxe2e::slides(pptx);
}

platform::Size Converted::slideSize() const {
  auto presentation = qvtest::parseXml(package_->data("ppt/presentation.xml"));
  if (!presentation) return {};
  const qvtest::XmlElement* size = descendant(*presentation, "sldSz");
  if (!size) return {};
  return {number(size->attr("cx")) / 12700.0, number(size->attr("cy")) / 12700.0};
}

std::vector<TextBox> Converted::textBoxes(size_t slide) const {
  std::vector<TextBox> out;
  for (const qvtest::XmlElement* shape : pptxe2e::shapes(*slides_.at(slide))) {
    if (!isTextBox(*shape)) continue;
    TextBox box;
    readFrame(*shape, box);
    box.text = pptxe2e::textOf(*shape);
    if (const auto* bodyPr = descendant(*shape, "bodyPr")) box.vert = bodyPr->attr("vert").value_or("");
    shape->visit([&](const qvtest::XmlElement& p) {
      if (p.local != "p" || p.uri != kA) return;
      Paragraph paragraph;
      if (const auto* pPr = child(&p, "pPr")) {
        paragraph.marginLeft = pPr->attr("marL");
        if (const auto* pts = descendant(*pPr, "spcPts")) paragraph.lineSpacing = pts->attr("val").value_or("");
      }
      for (const auto& r : p.children) {
        if (r->local != "r") continue;
        Run run;
        if (const auto* t = child(r.get(), "t")) run.text = t->text;
        if (const auto* rPr = child(r.get(), "rPr")) {
          run.size = rPr->attr("sz").value_or("");
          if (const auto* c = descendant(*rPr, "srgbClr")) run.color = c->attr("val").value_or("");
          if (const auto* latin = child(rPr, "latin")) run.typeface = latin->attr("typeface").value_or("");
        }
        paragraph.runs.push_back(run);
        ++box.runs;
      }
      box.paragraphs.push_back(paragraph);
    });
    out.push_back(box);
  }
  return out;
}

std::vector<Freeform> Converted::freeforms(size_t slide) const {
  std::vector<Freeform> out;
  for (const qvtest::XmlElement* shape : pptxe2e::shapes(*slides_.at(slide))) {
    if (shape->local != "sp" || isTextBox(*shape)) continue;
    Freeform f;
    readFrame(*shape, f);
    const qvtest::XmlElement* spPr = child(shape, "spPr");
    if (const auto* fill = child(spPr, "solidFill")) {
      if (const auto* c = child(fill, "srgbClr")) {
        f.fillColor = c->attr("val").value_or("");
        if (const auto* alpha = child(c, "alpha")) f.fillAlpha = alpha->attr("val").value_or("");
      }
    }
    if (const auto* ln = child(spPr, "ln")) {
      f.lineWidth = number(ln->attr("w")) / 12700.0;
      if (const auto* alpha = descendant(*ln, "alpha")) f.lineAlpha = alpha->attr("val").value_or("");
      if (const auto* dash = child(ln, "prstDash")) f.dash = dash->attr("val").value_or("");
      if (child(ln, "custDash")) f.dash = "custom";
    }
    if (const auto* pathLst = descendant(*shape, "pathLst")) {
      for (const qvtest::XmlElement* path : pathLst->childrenNamed("path")) {
        const double w = number(path->attr("w")), h = number(path->attr("h"));
        const qvtest::XmlElement* pt = descendant(*path, "pt");
        if (!pt || w <= 0 || h <= 0) continue;
        f.pathStarts.push_back(
            {f.x + number(pt->attr("x")) * f.width / w, f.y + number(pt->attr("y")) * f.height / h});
      }
    }
    out.push_back(f);
  }
  return out;
}

std::vector<Picture> Converted::pictures(size_t slide) const {
  // The slide's relationships name the media parts.
  const std::string rels =
      package_->data("ppt/slides/_rels/slide" + std::to_string(slide + 1) + ".xml.rels");
  auto relsTree = qvtest::parseXml(rels);
  std::vector<Picture> out;
  for (const qvtest::XmlElement* shape : pptxe2e::shapes(*slides_.at(slide))) {
    if (shape->local != "pic") continue;
    Picture picture;
    readFrame(*shape, picture);
    if (const auto* blip = descendant(*shape, "blip")) {
      const std::string id = blip->attr("embed", kR).value_or("");
      if (relsTree)
        relsTree->visit([&](const qvtest::XmlElement& r) {
          if (r.local == "Relationship" && r.attr("Id") == std::optional<std::string>(id)) {
            std::string target = r.attr("Target").value_or("");
            if (target.rfind("../", 0) == 0) target = "ppt/" + target.substr(3);
            picture.media = target;
          }
        });
    }
    out.push_back(picture);
  }
  return out;
}

std::vector<std::string> Converted::shapeKinds(size_t slide) const {
  std::vector<std::string> out;
  for (const qvtest::XmlElement* shape : pptxe2e::shapes(*slides_.at(slide)))
    out.push_back(shape->local == "pic" ? "picture" : isTextBox(*shape) ? "text" : "freeform");
  return out;
}

platform::image::Bitmap Converted::mediaImage(const std::string& part) const {
  const std::string& data = package_->data(part);
  if (data.empty()) throw std::runtime_error("no media part " + part);
  const auto bytes = platform::image::asBytes(data);
  if (data.size() > 3 && static_cast<unsigned char>(data[0]) == 0xFF)
    return platform::image::decodeJpeg(bytes).converted(platform::image::PixelFormat::RGBA8);
  return platform::image::decodePng(bytes).converted(platform::image::PixelFormat::RGBA8);
}

Converted convert(qvtest::PdfBuilder& builder) {
  auto dir = std::make_shared<qvtest::TempDir>();
  const auto pdf = dir->file("in.pdf");
  builder.write(pdf);
  const auto pptx = dir->file("out.pptx");
  pptxe2e::convertToPptx(pdf, pptx);
  return Converted(pptx, dir);
}

QPDFObjectHandle rgbImage(qvtest::PdfBuilder& builder, int w, int h, uint32_t (*pixel)(int x, int y)) {
  std::string data;
  data.reserve(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = pixel(x, y);
      data.push_back(static_cast<char>((p >> 16) & 0xFF));
      data.push_back(static_cast<char>((p >> 8) & 0xFF));
      data.push_back(static_cast<char>(p & 0xFF));
    }
  return builder.stream(data, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " +
                                  std::to_string(h) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
}

Pixel pixelAt(const platform::image::Bitmap& rgba, int x, int y) {
  const uint8_t* p = rgba.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace pptxfix
