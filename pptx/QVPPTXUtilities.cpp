#include "pptx/QVPPTXUtilities.h"

#include <stdexcept>

#include "platform/image/bitmap.h"
#include "platform/image/codecs.h"
#include "qvpptx_resources.h"

QVPPTX_TxBodyPr QVPPTXUtilities::defaultTextBodyProperty() {
  QVPPTX_TxBodyPr p;
  p.warp = "none";
  p.lIns = 0;
  p.tIns = 0;
  p.rIns = 0;
  p.rtlCol = 0;
  p.anchor = "ctr";
  return p;
}

QVPPTX_PPr QVPPTXUtilities::defaultPProperty() {
  QVPPTX_PPr p;
  p.marL = 0;
  p.lnSpc = 0;
  p.tabList = {0, "l"};
  p.algn = "ctr";
  p.endParaRPr = {"zh-CN", "en-US"};
  return p;
}

QVPPTX_RunPr QVPPTXUtilities::defaultRunProperty() {
  QVPPTX_RunPr p;
  p.lang = "en-US";
  p.altLang = "zh-CN";
  p.dirty = 0;
  p.smtClean = 0;
  p.latin = {"Times New Roman", "18", "0"};
  p.cs = p.latin;
  return p;
}

std::optional<std::span<const unsigned char>> QVPPTXUtilities::templatePart(std::string_view name) {
  return qvpptx::findResource(name);
}

std::string QVPPTXUtilities::thumbnailJPEG() {
  // A white 4:3 page with a thin grey edge, the way an empty slide looks in a
  // file browser.
  constexpr int kWidth = 256;
  constexpr int kHeight = 192;
  platform::image::Bitmap page(kWidth, kHeight, platform::image::PixelFormat::RGB8);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = page.row(y);
    for (int x = 0; x < kWidth; ++x) {
      const bool edge = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = edge ? 0xBF : 0xFF;
    }
  }
  std::string jpeg = platform::image::encodeJpeg(page, 85);
  if (jpeg.empty()) throw std::runtime_error("The presentation thumbnail could not be encoded.");
  return jpeg;
}
