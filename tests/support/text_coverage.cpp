#include "tests/support/text_coverage.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/text/text.h"
#include "tests/support/fixtures.h"

namespace qvtest {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

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

std::map<fs::path, fs::path> officeConvertAllToPdf(const std::vector<fs::path>& documents,
                                                   const fs::path& outputFolder, int timeoutSeconds) {
  std::map<fs::path, fs::path> out;
  if (documents.empty()) return out;
  TempDir profile;
  fs::create_directories(outputFolder);
  std::string command = "timeout " + std::to_string(timeoutSeconds) +
                        " soffice -env:UserInstallation=file://" + profile.path().string() +
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

std::string pdftotextPage(const fs::path& pdf, int page, const std::string& password) {
  TempDir scratch;
  const fs::path out = scratch.file("page.txt");
  std::string command = "pdftotext -enc UTF-8";
  if (page > 0) command += " -f " + std::to_string(page) + " -l " + std::to_string(page);
  if (!password.empty()) command += " -upw " + shellQuote(password);
  command += " " + shellQuote(pdf.string()) + " " + shellQuote(out.string()) + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  return readWhole(out);
}

namespace {

// Compatibility characters that text tools write for glyphs of the same
// meaning: Latin ligatures, vertical presentation forms, full-width ASCII and
// Kangxi radicals.
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
  // A font whose glyph serves both a Kangxi radical and its ideograph gets
  // the radical written back for it: the ideographs of U+2F00 to U+2FD5.
  static const std::u32string kKangxi =
      U"一丨丶丿乙亅二亠人儿入八冂冖冫几凵刀力勹匕匚匸十卜卩厂厶又口囗土士夂夊夕大女子宀"
      U"寸小尢尸屮山巛工己巾干幺广廴廾弋弓彐彡彳心戈戶手支攴文斗斤方无日曰月木欠止歹殳毋"
      U"比毛氏气水火爪父爻爿片牙牛犬玄玉瓜瓦甘生用田疋疒癶白皮皿目矛矢石示禸禾穴立竹米糸"
      U"缶网羊羽老而耒耳聿肉臣自至臼舌舛舟艮色艸虍虫血行衣襾見角言谷豆豕豸貝赤走足身車辛"
      U"辰辵邑酉釆里金長門阜隶隹雨靑非面革韋韭音頁風飛食首香馬骨高髟鬥鬯鬲鬼魚鳥鹵鹿麥麻"
      U"黃黍黑黹黽鼎鼓鼠鼻齊齒龍龜龠";
  if (c >= 0x2F00 && c < 0x2F00 + kKangxi.size()) return std::u32string(1, kKangxi[c - 0x2F00]);
  if (c == 0x3000 || c == 0x00A0) return U" ";
  if (c >= 0xE000 && c <= 0xF8FF) return U" ";
  if (c < 0x20 && c != '\n' && c != '\t') return U"";
  return std::u32string(1, c);
}

bool isBlank(char32_t c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f'; }

}  // namespace

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

std::string foldForComparison(const std::string& text) {
  std::u32string out;
  for (char32_t c : platform::text::decodeUtf8(text)) out += foldCharacter(c);
  return platform::text::encodeUtf8(out);
}

std::vector<std::string> foldedWords(const std::string& text) {
  std::vector<std::string> out;
  for (const std::u32string& w : splitWords(platform::text::decodeUtf8(foldForComparison(text))))
    out.push_back(platform::text::encodeUtf8(w));
  return out;
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
std::vector<std::string> fusedWords(const std::string& reference, const std::string& text) {
  const std::vector<std::u32string> words =
      splitWords(joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(reference))));
  const std::set<std::u32string> own(words.begin(), words.end());
  // Only words of letters count: a bullet or a digit of a formula set close
  // to what follows is no word run into another.
  auto lettered = [](const std::u32string& w) {
    return std::any_of(w.begin(), w.end(), [](char32_t c) {
      return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') ||
             (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x6FF);
    });
  };
  std::set<std::u32string> joined;
  for (size_t i = 0; i + 1 < words.size(); ++i) {
    if (!lettered(words[i]) || !lettered(words[i + 1])) continue;
    joined.insert(words[i] + words[i + 1]);
    if (i + 2 < words.size() && lettered(words[i + 2])) joined.insert(words[i] + words[i + 1] + words[i + 2]);
  }
  // Writing that puts no blank between its words (Chinese, Japanese,
  // Korean in part) has no word for a blank to part.
  auto unspaced = [](const std::u32string& w) {
    return std::any_of(w.begin(), w.end(), [](char32_t c) {
      return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
             (c >= 0xFF00 && c <= 0xFFEF);
    });
  };
  std::vector<std::string> fused;
  for (const std::u32string& w : splitWords(joinHyphenatedLines(platform::text::decodeUtf8(foldForComparison(text)))))
    if (!own.count(w) && joined.count(w) && !unspaced(w)) fused.push_back(platform::text::encodeUtf8(w));
  return fused;
}


}  // namespace qvtest
