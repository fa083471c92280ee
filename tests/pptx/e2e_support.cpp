#include "tests/pptx/e2e_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "convert/QVPDFExporter.h"
#include "platform/fs/files.h"
#include "platform/pdf/document.h"
#include "platform/text/text.h"
#include "pptx/QVPPTXPDFExporter.h"

namespace pptxe2e {

namespace {

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A private folder removed with its contents.
struct ScratchFolder {
  std::string path;
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "qvpptx-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

void collectText(const qvtest::XmlElement& e, std::string& out) {
  if (e.local == "t") out += e.text;
  for (const auto& child : e.children) collectText(*child, out);
}

}  // namespace

int convertToPptx(const fs::path& pdf, const fs::path& output, const std::string& password) {
  auto document = platform::PdfDocument::open(pdf.string(), password);
  if (!document || !document->isUnlocked()) throw std::runtime_error("cannot open " + pdf.string());
  platform::fs::WorkFolder work;
  platform::fs::WorkFolderScope scope(work);
  QVPPTXPDFExporter exporter;
  const int count = document->pageCount();
  exporter.setNumberOfPagesToConvert(count);
  exporter.begainConvertPDF(output.string());
  int converted = 0;
  for (int n = 1; n <= count; ++n) {
    const auto page = document->page(n);
    if (page && exporter.convertPDFPage(*page)) ++converted;
  }
  exporter.endConvertPDF(*document);
  return converted;
}

std::vector<std::unique_ptr<qvtest::XmlElement>> slides(const fs::path& pptx) {
  qvtest::ZipPackage package(pptx);
  std::vector<std::unique_ptr<qvtest::XmlElement>> out;
  for (int n = 1;; ++n) {
    const std::string name = "ppt/slides/slide" + std::to_string(n) + ".xml";
    if (!package.contains(name)) break;
    auto tree = qvtest::parseXml(package.data(name));
    if (!tree) throw std::runtime_error(name + " is not well formed");
    out.push_back(std::move(tree));
  }
  return out;
}

std::vector<const qvtest::XmlElement*> shapes(const qvtest::XmlElement& slide) {
  std::vector<const qvtest::XmlElement*> out;
  slide.visit([&](const qvtest::XmlElement& e) {
    if (e.local == "spTree")
      for (const auto& child : e.children)
        if (child->local == "sp" || child->local == "pic") out.push_back(child.get());
  });
  return out;
}

std::string textOf(const qvtest::XmlElement& element) {
  std::string out;
  bool first = true;
  element.visit([&](const qvtest::XmlElement& e) {
    if (e.local != "p" || e.uri != "http://schemas.openxmlformats.org/drawingml/2006/main") return;
    if (!first) out += '\n';
    first = false;
    collectText(e, out);
  });
  return out;
}

std::vector<std::string> slideTexts(const fs::path& pptx) {
  std::vector<std::string> out;
  for (const auto& slide : slides(pptx)) out.push_back(textOf(*slide));
  return out;
}

std::map<fs::path, fs::path> officeConvertAllToPdf(const std::vector<fs::path>& documents,
                                                   const fs::path& outputFolder, int timeoutSeconds) {
  std::map<fs::path, fs::path> out;
  if (documents.empty()) return out;
  ScratchFolder profile;
  if (profile.path.empty()) return out;
  fs::create_directories(outputFolder);
  std::string command = "timeout " + std::to_string(timeoutSeconds) +
                        " soffice -env:UserInstallation=file://" + profile.path +
                        " --headless --norestore --convert-to pdf --outdir " + shellQuote(outputFolder.string());
  for (const fs::path& d : documents) command += " " + shellQuote(d.string());
  command += " > " + shellQuote((outputFolder / "soffice.log").string()) + " 2>&1";
  (void)std::system(command.c_str());
  for (const fs::path& d : documents) {
    const fs::path pdf = outputFolder / (d.stem().string() + ".pdf");
    if (fs::exists(pdf)) out[d] = pdf;
  }
  return out;
}

bool officeImportPdfsAsPptx(const std::vector<fs::path>& pdfs, const fs::path& outputFolder, int timeoutSeconds) {
  ScratchFolder profile;
  if (profile.path.empty()) return false;
  fs::create_directories(outputFolder);
  std::string command = "timeout " + std::to_string(timeoutSeconds) +
                        " soffice -env:UserInstallation=file://" + profile.path +
                        " --headless --norestore --infilter=impress_pdf_import --convert-to pptx --outdir " +
                        shellQuote(outputFolder.string());
  for (const fs::path& p : pdfs) command += " " + shellQuote(p.string());
  command += " > " + shellQuote((outputFolder / "soffice.log").string()) + " 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string pdftotextPage(const fs::path& pdf, int page, const std::string& password) {
  ScratchFolder scratch;
  const fs::path out = fs::path(scratch.path) / "page.txt";
  std::string command = "pdftotext -enc UTF-8 -f " + std::to_string(page) + " -l " + std::to_string(page);
  if (!password.empty()) command += " -upw " + shellQuote(password);
  command += " " + shellQuote(pdf.string()) + " " + shellQuote(out.string()) + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  return readWhole(out);
}

namespace {

// Compatibility characters that text tools write for glyphs of the same
// meaning: Latin ligatures, vertical presentation forms and full-width ASCII.
std::u32string foldCharacter(char32_t c) {
  switch (c) {
    case 0xFB00: return U"ff";
    case 0xFB01: return U"fi";
    case 0xFB02: return U"fl";
    case 0xFB03: return U"ffi";
    case 0xFB04: return U"ffl";
    case 0xFB05:
    case 0xFB06: return U"st";
    case 0xFE10: return U",";
    case 0xFE11: return U"\u3001";
    case 0xFE12: return U"\u3002";
    case 0xFE13: return U":";
    case 0xFE14: return U";";
    case 0xFE15: return U"!";
    case 0xFE16: return U"?";
    case 0xFE17: return U"\u3016";
    case 0xFE18: return U"\u3017";
    case 0xFE19: return U"\u2026";
    case 0xFE30: return U"\u2025";
    case 0xFE31: return U"\u2014";
    case 0xFE32: return U"\u2013";
    case 0xFE33:
    case 0xFE34:
    case 0xFE4D:
    case 0xFE4E:
    case 0xFE4F: return U"_";
    case 0xFE35: return U"(";
    case 0xFE36: return U")";
    case 0xFE37: return U"{";
    case 0xFE38: return U"}";
    case 0xFE39: return U"\u3014";
    case 0xFE3A: return U"\u3015";
    case 0xFE3B: return U"\u3010";
    case 0xFE3C: return U"\u3011";
    case 0xFE3D: return U"\u300A";
    case 0xFE3E: return U"\u300B";
    case 0xFE3F: return U"\u3008";
    case 0xFE40: return U"\u3009";
    case 0xFE41: return U"\u300C";
    case 0xFE42: return U"\u300D";
    case 0xFE43: return U"\u300E";
    case 0xFE44: return U"\u300F";
    case 0xFE47: return U"[";
    case 0xFE48: return U"]";
    default: break;
  }
  if (c >= 0xFF01 && c <= 0xFF5E) return std::u32string(1, c - 0xFF01 + 0x21);
  if (c == 0x3000 || c == 0x00A0) return U" ";
  if (c >= 0xE000 && c <= 0xF8FF) return U" ";
  if (c < 0x20 && c != '\n' && c != '\t') return U"";
  return std::u32string(1, c);
}

bool isBlank(char32_t c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f'; }

}  // namespace

namespace {

std::vector<std::u32string> splitWords(const std::u32string& text) {
  std::vector<std::u32string> words;
  std::u32string word;
  for (char32_t c : text) {
    if (isBlank(c)) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The slide's text with the hyphens that end a line joining the halves of
// the word they split.
std::u32string joinHyphenatedLines(const std::u32string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string foldForComparison(const std::string& text) {
  std::u32string out;
  for (char32_t c : platform::text::decodeUtf8(text)) out += foldCharacter(c);
  return platform::text::encodeUtf8(out);
}

WordCoverage wordCoverage(const std::string& reference, const std::string& slideText) {
  std::vector<std::u32string> words = splitWords(platform::text::decodeUtf8(foldForComparison(reference)));
  std::u32string haystack;
  for (char32_t c : joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(slideText))))
    if (!isBlank(c)) haystack += c;

  std::stable_sort(words.begin(), words.end(),
                   [](const std::u32string& a, const std::u32string& b) { return a.size() > b.size(); });
  WordCoverage coverage;
  coverage.total = static_cast<int64_t>(words.size());
  for (const std::u32string& w : words) {
    const size_t at = haystack.find(w);
    if (at == std::u32string::npos) {
      coverage.missing.push_back(platform::text::encodeUtf8(w));
      continue;
    }
    ++coverage.found;
    // Used up: a marker no text holds takes the word's place.
    haystack.replace(at, w.size(), 1, char32_t{0x1});
  }
  return coverage;
}

WordCoverage wholeWordCoverage(const std::string& reference, const std::string& slideText) {
  const std::vector<std::u32string> words = splitWords(platform::text::decodeUtf8(foldForComparison(reference)));
  std::map<std::u32string, int> available;
  for (const std::u32string& w :
       splitWords(joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(slideText)))))
    ++available[w];
  WordCoverage coverage;
  coverage.total = static_cast<int64_t>(words.size());
  for (const std::u32string& w : words) {
    auto it = available.find(w);
    if (it != available.end() && it->second > 0) {
      --it->second;
      ++coverage.found;
    } else {
      coverage.missing.push_back(platform::text::encodeUtf8(w));
    }
  }
  return coverage;
}

std::optional<PageImage> renderPage(const fs::path& pdf, int page, int dpi, const std::string& password) {
  auto gray = qvtest::renderPdfPage(pdf, page, dpi, password);
  if (!gray) return std::nullopt;
  PageImage image;
  image.width = gray->width;
  image.height = gray->height;
  image.pixels = std::move(gray->pixels);
  return image;
}

double inkSimilarity(const PageImage& a, const PageImage& b, int cell) {
  const int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
  if (width <= 0 || height <= 0 || cell <= 0) return 0;
  double differing = 0, held = 0;
  for (int cy = 0; cy < height; cy += cell) {
    for (int cx = 0; cx < width; cx += cell) {
      double inkA = 0, inkB = 0;
      const int y1 = std::min(height, cy + cell), x1 = std::min(width, cx + cell);
      for (int y = cy; y < y1; ++y) {
        for (int x = cx; x < x1; ++x) {
          inkA += 255 - a.pixels[static_cast<size_t>(y) * a.width + x];
          inkB += 255 - b.pixels[static_cast<size_t>(y) * b.width + x];
        }
      }
      differing += std::abs(inkA - inkB);
      held += inkA + inkB;
    }
  }
  if (held == 0) return 1.0;
  return 1.0 - differing / held;
}

PageImage fitIntoFrame(const PageImage& image, int width, int height) {
  PageImage out;
  out.width = std::max(width, 0);
  out.height = std::max(height, 0);
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 255);
  if (image.width <= 0 || image.height <= 0 || out.pixels.empty()) return out;
  const double scale = std::min(static_cast<double>(width) / image.width, static_cast<double>(height) / image.height);
  const double offsetX = (width - image.width * scale) / 2, offsetY = (height - image.height * scale) / 2;
  // Each frame pixel takes the mean of the image pixels it covers.
  for (int y = 0; y < height; ++y) {
    const double y0 = (y - offsetY) / scale, y1 = (y + 1 - offsetY) / scale;
    if (y1 <= 0 || y0 >= image.height) continue;
    for (int x = 0; x < width; ++x) {
      const double x0 = (x - offsetX) / scale, x1 = (x + 1 - offsetX) / scale;
      if (x1 <= 0 || x0 >= image.width) continue;
      const int sy0 = std::clamp(static_cast<int>(y0), 0, image.height - 1);
      const int sy1 = std::clamp(static_cast<int>(std::ceil(y1)) - 1, sy0, image.height - 1);
      const int sx0 = std::clamp(static_cast<int>(x0), 0, image.width - 1);
      const int sx1 = std::clamp(static_cast<int>(std::ceil(x1)) - 1, sx0, image.width - 1);
      int64_t sum = 0, count = 0;
      for (int sy = sy0; sy <= sy1; ++sy)
        for (int sx = sx0; sx <= sx1; ++sx, ++count) sum += image.pixels[static_cast<size_t>(sy) * image.width + sx];
      out.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(sum / std::max<int64_t>(count, 1));
    }
  }
  return out;
}

double pageLikeness(const PageImage& page, const PageImage& slide, int cell) {
  if (std::abs(page.width - slide.width) <= 1 && std::abs(page.height - slide.height) <= 1)
    return inkSimilarity(page, slide, cell);
  return inkSimilarity(fitIntoFrame(page, slide.width, slide.height), slide, cell);
}

WordScore wordScore(const std::string& reference, const std::string& slideText) {
  std::map<std::u32string, int64_t> available;
  WordScore score;
  for (const std::u32string& w :
       splitWords(joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(slideText))))) {
    ++available[w];
    ++score.slideWords;
  }
  for (const std::u32string& w : splitWords(platform::text::decodeUtf8(foldForComparison(reference)))) {
    ++score.referenceWords;
    auto it = available.find(w);
    if (it != available.end() && it->second > 0) {
      --it->second;
      ++score.matched;
    }
  }
  return score;
}

std::vector<double> pageLikenesses(const fs::path& pdf, const std::string& password, const fs::path& printedDeck,
                                   int dpi, int cell) {
  auto document = platform::PdfDocument::open(pdf.string(), password);
  const int pages = document && document->isUnlocked() ? document->pageCount() : 0;
  std::vector<double> out(static_cast<size_t>(std::max(pages, 0)), 0.0);
  if (printedDeck.empty()) return out;
  for (int page = 1; page <= pages; ++page) {
    auto original = renderPage(pdf, page, dpi, password);
    auto slide = renderPage(printedDeck, page, dpi);
    if (original && slide) out[static_cast<size_t>(page - 1)] = pageLikeness(*original, *slide, cell);
  }
  return out;
}

DeckScore scoreDeck(const fs::path& pdf, const std::string& password, const fs::path& deck,
                    const fs::path& printedDeck, int dpi, int cell) {
  DeckScore out;
  const std::vector<double> likenesses = pageLikenesses(pdf, password, printedDeck, dpi, cell);
  if (likenesses.empty()) return out;
  std::vector<std::string> texts;
  try {
    texts = slideTexts(deck);
  } catch (const std::exception&) {
  }
  WordScore words;
  double likeness = 0;
  for (size_t page = 1; page <= likenesses.size(); ++page) {
    const std::string slideText = page <= texts.size() ? texts[page - 1] : std::string();
    words += wordScore(pdftotextPage(pdf, static_cast<int>(page), password), slideText);
    likeness += likenesses[page - 1];
  }
  out.wordF1 = words.f1();
  out.visual = likeness / static_cast<double>(likenesses.size());
  return out;
}

}  // namespace pptxe2e
