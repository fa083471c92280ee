#include "convert/xml/XMLFileWriter.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kXMLNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXMLNSNamespace = "http://www.w3.org/2000/xmlns/";
// Bindings the writer makes itself; they are never declared or unbound.
constexpr size_t kBuiltInBindings = 2;
constexpr size_t kFlushThreshold = 64 * 1024;

std::string systemMessage(int error) { return std::strerror(error); }

// Length of the valid UTF-8 sequence that starts at text[i], 0 when the
// bytes there do not form one (overlong forms, surrogates, values beyond
// U+10FFFF and truncated sequences are all invalid).
size_t validSequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const size_t left = text.size() - i;
  auto continuation = [&](size_t k) { return k < left && (byte(i + k) & 0xC0) == 0x80; };
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    const unsigned char second = byte(i + 1);
    if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
    if (lead == 0xED && second > 0x9F) return 0;   // a surrogate half
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    const unsigned char second = byte(i + 1);
    if (lead == 0xF0 && second < 0x90) return 0;   // overlong
    if (lead == 0xF4 && second > 0x8F) return 0;   // beyond U+10FFFF
    return 4;
  }
  return 0;
}

// U+FFFE and U+FFFF are not characters XML can carry.
bool isNonCharacter(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]) == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
         static_cast<unsigned char>(text[i + 2]) >= 0xBE;
}

// Appends text with the markup characters escaped. Everything XML 1.0 cannot
// carry is dropped: control characters other than tab, line feed and
// carriage return, lone surrogates, U+FFFE and U+FFFF, and bytes that are
// not UTF-8. Characters beyond U+FFFF are kept. Runs that need no change
// are copied in one piece.
void appendEscaped(std::string& out, std::string_view text) {
  size_t runStart = 0;
  size_t i = 0;
  auto flushRun = [&] {
    out.append(text.data() + runStart, i - runStart);
  };
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = validSequenceLength(text, i);
      if (length == 0 || (length == 3 && isNonCharacter(text, i))) {
        flushRun();
        i += length == 0 ? 1 : length;
        runStart = i;
      } else {
        i += length;
      }
      continue;
    }
    const char* entity = nullptr;
    bool drop = false;
    switch (c) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\t': case '\n': case '\r': break;
      default: drop = c < 0x20; break;
    }
    if (entity || drop) {
      flushRun();
      if (entity) out.append(entity);
      runStart = i + 1;
    }
    ++i;
  }
  flushRun();
}

}  // namespace

XMLFileWriter::XMLFileWriter(const std::string& path, NoThrow) {
  xmlPath_ = path;
  namespaceURIs_ = {std::string(kXMLNamespace), std::string(kXMLNSNamespace)};
  namespaceWritten_ = {false, false};
  namespaceCounts_ = {kBuiltInBindings};
  namespaceURIPrefixMap_ = {{std::string(kXMLNamespace), "xml"}, {std::string(kXMLNSNamespace), "xmlns"}};
  prefixNamespaceURIMap_ = {{"xml", std::string(kXMLNamespace)}, {"xmlns", std::string(kXMLNSNamespace)}};
  buffer_.reserve(kFlushThreshold + 4096);
}

XMLFileWriter::XMLFileWriter(const std::string& path) : XMLFileWriter(path, NoThrow{}) {
  if (!open(path)) throw XMLWriterException("Could not create the file " + path + ": " + systemMessage(errno));
}

XMLFileWriter::XMLFileWriter(std::string* part) : XMLFileWriter(std::string("(memory)"), NoThrow{}) {
  if (!part) throw XMLWriterException("No part to write into");
  memory_ = part;
  memoryOpen_ = true;
}

XMLFileWriter::XMLFileWriter(std::function<void(std::string_view)> sink)
    : XMLFileWriter(std::string("(memory)"), NoThrow{}) {
  if (!sink) throw XMLWriterException("No part to write into");
  sink_ = std::move(sink);
  memoryOpen_ = true;
}

std::unique_ptr<XMLFileWriter> XMLFileWriter::initWithPath(const std::string& path) {
  std::unique_ptr<XMLFileWriter> writer(new XMLFileWriter(path, NoThrow{}));
  if (!writer->open(path)) return nullptr;
  return writer;
}

bool XMLFileWriter::open(const std::string& path) {
  do {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

XMLFileWriter::~XMLFileWriter() {
  if (memoryOpen_) {
    try {
      flushBuffer();
    } catch (...) {
      // Nothing can be reported from a destructor; closeFile() is the checked path.
    }
  }
  if (fd_ < 0) return;
  try {
    flushBuffer();
  } catch (const XMLWriterException&) {
    // Nothing can be reported from a destructor; closeFile() is the checked path.
  }
  ::close(fd_);
}

// ---------------------------------------------------------------- file layer

void XMLFileWriter::requireOpenFile() const {
  if (fd_ < 0 && !memoryOpen_) throw XMLWriterException("The file " + xmlPath_ + " is closed");
}

void XMLFileWriter::writeAll(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw XMLWriterException("Could not write the file " + xmlPath_ + ": " + systemMessage(errno));
    }
    if (written == 0) throw XMLWriterException("Could not write the file " + xmlPath_);
    data += written;
    size -= static_cast<size_t>(written);
    bytesFlushed_ += static_cast<uint64_t>(written);
  }
}

void XMLFileWriter::flushBuffer() {
  if (buffer_.empty()) return;
  requireOpenFile();
  if (memoryOpen_) {
    // Cleared even when the sink fails, so a failed write is not retried.
    const size_t size = buffer_.size();
    struct Clear {
      std::string& buffer;
      ~Clear() { buffer.clear(); }
    } clear{buffer_};
    if (sink_) sink_(buffer_);
    else memory_->append(buffer_);
    bytesFlushed_ += size;
    return;
  }
  // Cleared first so a failed write is not retried from the destructor.
  std::string pending;
  pending.swap(buffer_);
  buffer_.reserve(kFlushThreshold + 4096);
  writeAll(pending.data(), pending.size());
}

void XMLFileWriter::write(std::string_view text) {
  requireOpenFile();
  buffer_.append(text);
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void XMLFileWriter::writeEscape(std::string_view text) {
  requireOpenFile();
  appendEscaped(buffer_, text);
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void XMLFileWriter::writeLinebreak() {
  if (!lineBreak_.empty()) write(lineBreak_);
}

void XMLFileWriter::writeIndentation() {
  if (indentation_.empty() || level_ <= 0) return;
  requireOpenFile();
  if (indentation_.size() == 1) {
    buffer_.append(static_cast<size_t>(level_), indentation_[0]);
  } else {
    for (int i = 0; i < level_; ++i) buffer_.append(indentation_);
  }
  if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void XMLFileWriter::synchronizeFile() {
  flushBuffer();
  requireOpenFile();
  if (memoryOpen_) return;
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
    throw XMLWriterException("Could not synchronize the file " + xmlPath_ + ": " + systemMessage(errno));
}

void XMLFileWriter::closeFile() {
  if (memoryOpen_) {
    flushBuffer();
    memoryOpen_ = false;
    return;
  }
  if (fd_ < 0) return;
  try {
    flushBuffer();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR)
    throw XMLWriterException("Could not close the file " + xmlPath_ + ": " + systemMessage(errno));
}

std::string XMLFileWriter::toString() {
  if (memory_) {
    if (memoryOpen_) flushBuffer();
    return *memory_;
  }
  if (fd_ >= 0) flushBuffer();
  std::string content;
  const int fd = ::open(xmlPath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    content.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

// ---------------------------------------------------------------- namespaces

void XMLFileWriter::bind(std::string_view prefix, std::string_view namespaceURI) {
  if (namespaceURI.empty()) throw XMLWriterException("Namespace cannot be NULL");
  if (namespaceURIPrefixMap_.find(namespaceURI) != namespaceURIPrefixMap_.end())
    throw XMLWriterException("Name namespace " + std::string(namespaceURI) + " has already been set");
  if (prefixNamespaceURIMap_.find(prefix) != prefixNamespaceURIMap_.end()) {
    if (prefix.empty()) throw XMLWriterException("Default namespace has already been set");
    throw XMLWriterException("Prefix " + std::string(prefix) + " has already been set");
  }
  namespaceURIs_.emplace_back(namespaceURI);
  namespaceWritten_.push_back(false);
  namespaceURIPrefixMap_.emplace(std::string(namespaceURI), std::string(prefix));
  prefixNamespaceURIMap_.emplace(std::string(prefix), std::string(namespaceURI));
}

void XMLFileWriter::setPrefix(std::string_view prefix, std::string_view namespaceURI) { bind(prefix, namespaceURI); }

void XMLFileWriter::setDefaultNamespace(std::string_view namespaceURI) { bind("", namespaceURI); }

void XMLFileWriter::writeNamespace(std::string_view prefix, std::string_view namespaceURI) {
  requireOpenStartElement();
  bind(prefix, namespaceURI);
}

void XMLFileWriter::writeDefaultNamespace(std::string_view namespaceURI) { writeNamespace("", namespaceURI); }

std::string XMLFileWriter::getPrefix(std::string_view namespaceURI) const {
  auto it = namespaceURIPrefixMap_.find(namespaceURI);
  return it == namespaceURIPrefixMap_.end() ? std::string() : it->second;
}

std::string XMLFileWriter::getNamespaceURI(std::string_view prefix) const {
  auto it = prefixNamespaceURIMap_.find(prefix);
  return it == prefixNamespaceURIMap_.end() ? std::string() : it->second;
}

void XMLFileWriter::pushNamespaceStack() { namespaceCounts_.push_back(namespaceURIs_.size()); }

void XMLFileWriter::popNamespaceStack() {
  if (namespaceCounts_.size() < 2) return;
  const size_t top = namespaceCounts_.back();
  const size_t below = namespaceCounts_[namespaceCounts_.size() - 2];
  if (top != below && top <= namespaceURIs_.size()) {
    for (size_t i = below; i < top; ++i) {
      const std::string& uri = namespaceURIs_[i];
      auto it = namespaceURIPrefixMap_.find(uri);
      if (it != namespaceURIPrefixMap_.end()) {
        prefixNamespaceURIMap_.erase(it->second);
        namespaceURIPrefixMap_.erase(it);
      }
      for (PrefixCacheEntry& e : prefixCache_) e.used = false;
    }
    namespaceURIs_.erase(namespaceURIs_.begin() + static_cast<std::ptrdiff_t>(below),
                         namespaceURIs_.begin() + static_cast<std::ptrdiff_t>(top));
    namespaceWritten_.erase(namespaceWritten_.begin() + static_cast<std::ptrdiff_t>(below),
                            namespaceWritten_.begin() + static_cast<std::ptrdiff_t>(top));
  }
  namespaceCounts_.pop_back();
}

void XMLFileWriter::writeNamespaceAttributes() {
  requireOpenStartElement();
  for (size_t i = namespaceCounts_.back(); i < namespaceURIs_.size(); ++i) {
    if (namespaceWritten_[i]) continue;
    const std::string uri = namespaceURIs_[i];
    writeNamespaceToStream(getPrefix(uri), uri);
    namespaceWritten_[i] = true;
  }
}

void XMLFileWriter::writeNamespaceToStream(std::string_view prefix, std::string_view namespaceURI) {
  requireOpenStartElement();
  auto declaration = namespaceURIPrefixMap_.find(kXMLNSNamespace);
  if (declaration == namespaceURIPrefixMap_.end())
    throw XMLWriterException("Cannot declare namespace without namespace " + std::string(kXMLNSNamespace));
  write(" ");
  write(declaration->second);
  if (!prefix.empty()) {
    write(":");
    write(prefix);
  }
  write("=\"");
  writeEscape(namespaceURI);
  write("\"");
}

// ---------------------------------------------------------------- declaration

void XMLFileWriter::writeStartDocument() { writeStartDocumentWithEncodingAndVersion({}, {}, {}); }

void XMLFileWriter::writeStartDocumentWithVersion(std::string_view version) {
  writeStartDocumentWithEncodingAndVersion({}, version, {});
}

void XMLFileWriter::writeStartDocumentWithEncodingAndVersion(std::string_view encoding, std::string_view version,
                                                              std::string_view standalone) {
  requireOpenFile();
  if (bytesFlushed_ + buffer_.size() != 0) throw XMLWriterException("Document has already been started");
  write("<?xml version=\"");
  write(version.empty() ? std::string_view("1.0") : version);
  write("\"");
  if (!encoding.empty()) {
    write(" encoding=\"");
    write(encoding);
    write("\"");
    encoding_ = encoding;
  }
  if (!standalone.empty()) {
    write(" standalone=\"");
    write(standalone);
    write("\"");
  }
  write(" ?>");
}

void XMLFileWriter::writeEndDocument() {
  while (level_ > 0) writeEndElement();
  closeFile();
}

// ---------------------------------------------------------------- elements

void XMLFileWriter::closeOpenTag() {
  if (!newElement_) return;
  write(">");
  newElement_ = false;
}

void XMLFileWriter::newLine() {
  writeLinebreak();
  writeIndentation();
}

void XMLFileWriter::requireOpenStartElement() const {
  if (!newElement_) throw XMLWriterException("No open start element");
}

std::string_view XMLFileWriter::prefixOrThrow(std::string_view namespaceURI) const {
  for (const PrefixCacheEntry& e : prefixCache_)
    if (e.used && e.uri == namespaceURI) return e.prefix;
  auto it = namespaceURIPrefixMap_.find(namespaceURI);
  if (it == namespaceURIPrefixMap_.end())
    throw XMLWriterException("Unknown namespace URI " + std::string(namespaceURI));
  PrefixCacheEntry& slot = prefixCache_[prefixCacheNext_];
  slot.uri.assign(namespaceURI);
  slot.prefix = it->second;
  slot.used = true;
  prefixCacheNext_ = (prefixCacheNext_ + 1) % std::size(prefixCache_);
  return it->second;
}

void XMLFileWriter::writeQualifiedName(std::string_view namespaceURI, std::string_view localName) {
  if (!namespaceURI.empty()) {
    const std::string_view prefix = prefixOrThrow(namespaceURI);
    if (!prefix.empty()) {
      write(prefix);
      write(":");
    }
  }
  write(localName);
}

void XMLFileWriter::writeStartElement(std::string_view localName) { writeStartElementWithNamespace({}, localName); }

void XMLFileWriter::writeStartElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  if (!namespaceURI.empty()) prefixOrThrow(namespaceURI);
  closeOpenTag();
  newLine();
  write("<");
  writeQualifiedName(namespaceURI, localName);
  if (openElements_ == elementLocalNames_.size()) {
    elementLocalNames_.emplace_back();
    elementNamespaceURIs_.emplace_back();
  }
  elementLocalNames_[openElements_].assign(localName);
  elementNamespaceURIs_[openElements_].assign(namespaceURI);
  ++openElements_;
  newElement_ = true;
  emptyElement_ = true;
  ++level_;
  writeNamespaceAttributes();
  pushNamespaceStack();
}

void XMLFileWriter::writeCloseStartElement() {
  requireOpenStartElement();
  write(">");
  newElement_ = false;
}

void XMLFileWriter::writeCloseElement(bool empty) {
  write(empty ? "/>" : ">");
  newElement_ = false;
}

void XMLFileWriter::finishEndTag() {
  popNamespaceStack();
  if (openElements_ > 0) --openElements_;
  emptyElement_ = true;
  newElement_ = false;
}

void XMLFileWriter::writeEndElement() {
  if (newElement_ && automaticEmptyElements_ && level_ > 0) {
    write("/>");
    finishEndTag();
    --level_;
    return;
  }
  if (level_ < 1 || openElements_ == 0)
    throw XMLWriterException("Cannot write more end elements than start elements.");
  // The views stay valid until the end tag is written: the stacks are
  // popped only after that.
  writeEndElementWithNamespace(elementNamespaceURIs_[openElements_ - 1], elementLocalNames_[openElements_ - 1]);
}

void XMLFileWriter::writeEndElement(std::string_view localName) { writeEndElementWithNamespace({}, localName); }

void XMLFileWriter::writeEndElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  if (level_ < 1) throw XMLWriterException("Cannot write more end elements than start elements.");
  if (!namespaceURI.empty()) prefixOrThrow(namespaceURI);
  --level_;
  if (newElement_) {
    write(">");
    newElement_ = false;
  } else if (emptyElement_) {
    newLine();
  }
  write("</");
  writeQualifiedName(namespaceURI, localName);
  write(">");
  finishEndTag();
}

void XMLFileWriter::writeEmptyElement(std::string_view localName) { writeEmptyElementWithNamespace({}, localName); }

void XMLFileWriter::writeEmptyElementWithNamespace(std::string_view namespaceURI, std::string_view localName) {
  if (!namespaceURI.empty()) prefixOrThrow(namespaceURI);
  closeOpenTag();
  newLine();
  write("<");
  writeQualifiedName(namespaceURI, localName);
  write("/>");
  emptyElement_ = true;
  newElement_ = false;
}

void XMLFileWriter::writeAttribute(std::string_view localName, std::string_view value) {
  writeAttributeWithNamespace({}, localName, value);
}

void XMLFileWriter::writeAttributeWithNamespace(std::string_view namespaceURI, std::string_view localName,
                                                std::string_view value) {
  requireOpenStartElement();
  if (!namespaceURI.empty()) prefixOrThrow(namespaceURI);
  write(" ");
  writeQualifiedName(namespaceURI, localName);
  write("=\"");
  writeEscape(value);
  write("\"");
}

// ---------------------------------------------------------------- content

void XMLFileWriter::writeCharacters(std::string_view text) {
  closeOpenTag();
  writeEscape(text);
  emptyElement_ = false;
}

void XMLFileWriter::writeMarkup(std::string_view markup) {
  if (markup.empty()) return;
  closeOpenTag();
  write(markup);
  emptyElement_ = false;
}

void XMLFileWriter::writeComment(std::string_view text) {
  closeOpenTag();
  write("<!--");
  write(text);
  write("-->");
  emptyElement_ = false;
}

void XMLFileWriter::writeCData(std::string_view text) {
  closeOpenTag();
  write("<![CDATA[");
  write(text);
  write("]]>");
  emptyElement_ = false;
}
