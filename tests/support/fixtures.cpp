#include "tests/support/fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFWriter.hh>

namespace qvtest {

std::filesystem::path corpusDir() {
  if (const char* env = std::getenv("QV_CORPUS_DIR"); env && *env) return env;
  return QV_CORPUS_DIR_DEFAULT;
}

std::vector<std::filesystem::path> corpusFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(corpusDir(), ec))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The tab-separated fields of the line of a corpus list that names the file
// (file, pages, password, origin, ...); empty when none does.
static std::vector<std::string> listedFields(const std::filesystem::path& list, const std::string& name) {
  std::ifstream in(list);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
    if (!fields.empty() && fields[0] == name) return fields;
  }
  return {};
}

std::string corpusPassword(const std::filesystem::path& file) {
  const auto fields = listedFields(corpusDir() / "manifest.tsv", file.filename().string());
  return fields.size() < 3 || fields[2] == "-" ? "" : fields[2];
}

std::string noCorpus() {
  return "no corpus: " + corpusDir().string() +
         " holds no PDF (./test.sh fetches the corpus with scripts/fetch-corpus.sh; QV_CORPUS_DIR names "
         "another folder)";
}

std::string missingCorpusFile(const std::filesystem::path& file) {
  if (corpusFiles().empty()) return noCorpus();
  std::string why = "corpus file " + file.filename().string() + " is not in " + corpusDir().string();
  // A file made from others (printed, turned, scanned) is never among the
  // files fetched from packages: say so, with how it was made.
  const auto fields = listedFields(std::filesystem::path(QV_SOURCE_DIR) / "scripts" / "corpus.tsv",
                                   file.filename().string());
  if (fields.size() > 3) {
    const std::string& origin = fields[3];
    const bool packageFile = origin.starts_with("deb:") && origin.find(' ') == std::string::npos &&
                             (origin.ends_with(".pdf") || origin.ends_with(".pdf.gz"));
    if (!packageFile) why += " (made from another file, which the corpus fetch does not do: " + origin + ")";
  }
  return why;
}

std::vector<std::filesystem::path> corpusFilesOrNone() {
  std::vector<std::filesystem::path> files = corpusFiles();
  if (files.empty()) files.emplace_back();
  return files;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qvtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

PdfBuilder::PdfBuilder() : qpdf_(std::make_unique<QPDF>()) { qpdf_->emptyPDF(); }

QPDFObjectHandle PdfBuilder::parse(const std::string& text) { return QPDFObjectHandle::parse(text); }

QPDFObjectHandle PdfBuilder::stream(const std::string& data, const std::string& dictText) {
  QPDFObjectHandle s = qpdf_->newStream(data);
  QPDFObjectHandle extra = parse(dictText);
  for (const auto& key : extra.getKeys()) s.getDict().replaceKey(key, extra.getKey(key));
  return s;
}

QPDFObjectHandle PdfBuilder::flateStream(const std::string& data, const std::string& dictText) {
  QPDFObjectHandle s = stream("", dictText);
  s.replaceStreamData(data, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  // The writer compresses streams without a filter; mark the wish explicitly
  // by letting QPDFWriter's default (compress) apply.
  return s;
}

QPDFObjectHandle PdfBuilder::standardFont(const std::string& baseFont, const std::string& encoding) {
  std::string text = "<< /Type /Font /Subtype /Type1 /BaseFont /" + baseFont;
  if (!encoding.empty()) text += " /Encoding /" + encoding;
  text += " >>";
  return qpdf_->makeIndirectObject(parse(text));
}

QPDFObjectHandle PdfBuilder::resources(const std::map<std::string, Dict>& categories) {
  QPDFObjectHandle res = QPDFObjectHandle::newDictionary();
  for (const auto& [category, entries] : categories) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (const auto& [name, obj] : entries) d.replaceKey("/" + name, obj);
    res.replaceKey("/" + category, d);
  }
  return res;
}

QPDFObjectHandle PdfBuilder::addPage(const std::string& content, QPDFObjectHandle resources,
                                     const std::string& mediaBox) {
  return addPageWithContents({content}, resources, mediaBox);
}

QPDFObjectHandle PdfBuilder::addPageWithContents(const std::vector<std::string>& contents,
                                                 QPDFObjectHandle resources, const std::string& mediaBox) {
  QPDFObjectHandle page = parse("<< /Type /Page >>");
  page.replaceKey("/MediaBox", parse(mediaBox));
  if (resources.isInitialized() && !resources.isNull()) page.replaceKey("/Resources", resources);
  if (contents.size() == 1) {
    page.replaceKey("/Contents", qpdf_->newStream(contents[0]));
  } else {
    QPDFObjectHandle arr = QPDFObjectHandle::newArray();
    for (const auto& c : contents) arr.appendItem(qpdf_->newStream(c));
    page.replaceKey("/Contents", arr);
  }
  page = qpdf_->makeIndirectObject(page);
  qpdf_->addPage(page, false);
  return page;
}

static void configure(QPDFWriter& w, const PdfBuilder::Encryption& e, bool compressStreams) {
  w.setStaticID(true);
  // Pre-encoded (or deliberately damaged) stream data is kept byte for byte.
  w.setDecodeLevel(qpdf_dl_none);
  w.setCompressStreams(compressStreams);
  using E = PdfBuilder::Encryption;
  const char* u = e.userPassword.c_str();
  const char* o = e.ownerPassword.c_str();
  qpdf_r3_print_e print = e.allowPrint ? qpdf_r3p_full : qpdf_r3p_none;
  switch (e.kind) {
    case E::None: break;
    case E::RC4_40: w.setR2EncryptionParametersInsecure(u, o, e.allowPrint, true, true, true); break;
    case E::RC4_128: w.setR3EncryptionParametersInsecure(u, o, true, true, true, true, true, true, print); break;
    case E::AES_128: w.setR4EncryptionParametersInsecure(u, o, true, true, true, true, true, true, print, true, true); break;
    case E::AES_256: w.setR6EncryptionParameters(u, o, true, true, true, true, true, true, print, true); break;
  }
  if (e.kind != E::None) w.setStaticID(false);
}

void PdfBuilder::write(const std::filesystem::path& path, const Encryption& encryption) {
  QPDFWriter w(*qpdf_, path.string().c_str());
  configure(w, encryption, compressStreams_);
  w.write();
}

std::string PdfBuilder::writeToString(const Encryption& encryption) {
  QPDFWriter w(*qpdf_);
  w.setOutputMemory();
  configure(w, encryption, compressStreams_);
  w.write();
  auto buf = w.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buf->getBuffer()), buf->getSize());
}

}  // namespace qvtest
