#pragma once
// A streaming, namespace-aware XML writer that appends UTF-8 to one file.
//
// Every package part (slides, workbook sheets, relationships, content types)
// is written by its own writer: the declaration, then start tags with their
// namespace declarations and attributes, escaped character data and end tags,
// with a line break and tab indentation before every tag. No document tree is
// kept, so memory stays flat whatever the size of the part.
//
// Output is buffered and every write to the file is checked: a failed write,
// flush or close throws XMLWriterException, so a part that did not reach the
// disk can never pass for a saved one. Misuse (an end tag without a start
// tag, an attribute outside a start tag, an unbound namespace) throws the same
// exception with the reason text the package writers and the converter's
// exception report rely on.
//
//   XMLFileWriter w(path);
//   w.setPrefix("p", QVOpenXMLNameSpace::nameSpace_p());
//   w.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
//   w.writeStartElementWithNamespace(QVOpenXMLNameSpace::nameSpace_p(), "sld");
//   ...
//   w.writeEndDocument();
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class XMLWriterException : public std::runtime_error {
 public:
  explicit XMLWriterException(const std::string& reason) : std::runtime_error(reason) {}
  // The exception's name as the conversion reports show it.
  static constexpr const char* name() { return "XMLWriterException"; }
  std::string reason() const { return what(); }
};

class XMLFileWriter {
 public:
  // Creates (or empties) the file and opens it for writing; throws
  // XMLWriterException when the file cannot be created.
  explicit XMLFileWriter(const std::string& path);
  // The same, answering null instead of throwing.
  static std::unique_ptr<XMLFileWriter> initWithPath(const std::string& path);
  // A writer whose part is made in memory: everything written is appended
  // to *part (which must outlive the writer), no file is made. For the small
  // parts of a package that go straight into its archive.
  explicit XMLFileWriter(std::string* part);
  // A writer whose output goes to `sink` a buffer at a time (the last when
  // the document ends or the writer dies), no file is made: for a large part
  // that goes where its package keeps it without being held whole. A sink
  // that throws fails the write, as a failed file write does.
  explicit XMLFileWriter(std::function<void(std::string_view)> sink);
  // Flushes what is still buffered and closes the file. Errors cannot be
  // reported from here: call writeEndDocument() or closeFile() to learn them.
  ~XMLFileWriter();
  XMLFileWriter(const XMLFileWriter&) = delete;
  XMLFileWriter& operator=(const XMLFileWriter&) = delete;

  // Namespace bindings. An empty prefix binds the default namespace. A
  // binding is declared on the next start tag and ends with that element.
  void setPrefix(std::string_view prefix, std::string_view namespaceURI);
  void setDefaultNamespace(std::string_view namespaceURI);
  // Binds while a start tag is open (the declaration goes on the next one).
  void writeNamespace(std::string_view prefix, std::string_view namespaceURI);
  void writeDefaultNamespace(std::string_view namespaceURI);
  // The prefix bound to a URI / the URI bound to a prefix; empty when unbound.
  std::string getPrefix(std::string_view namespaceURI) const;
  std::string getNamespaceURI(std::string_view prefix) const;

  // The declaration. Empty arguments are left out (an empty version is
  // written as "1.0"); throws when the file already has content.
  void writeStartDocument();
  void writeStartDocumentWithVersion(std::string_view version);
  void writeStartDocumentWithEncodingAndVersion(std::string_view encoding, std::string_view version,
                                                std::string_view standalone = {});
  // Ends every open element and closes the file.
  void writeEndDocument();

  // Elements. An empty namespace URI means an element without namespace.
  void writeStartElement(std::string_view localName);
  void writeStartElementWithNamespace(std::string_view namespaceURI, std::string_view localName);
  void writeCloseStartElement();
  void writeCloseElement(bool empty);
  // Ends the innermost element: "/>" when it has no content yet and
  // automaticEmptyElements is set, else a full end tag.
  void writeEndElement();
  void writeEndElement(std::string_view localName);
  void writeEndElementWithNamespace(std::string_view namespaceURI, std::string_view localName);
  void writeEmptyElement(std::string_view localName);
  void writeEmptyElementWithNamespace(std::string_view namespaceURI, std::string_view localName);

  void writeAttribute(std::string_view localName, std::string_view value);
  void writeAttributeWithNamespace(std::string_view namespaceURI, std::string_view localName,
                                   std::string_view value);

  // Character data (escaped), comments and CDATA sections (as given).
  void writeCharacters(std::string_view text);
  // Markup made elsewhere, written as it stands as the content of the open
  // element: for long runs of small elements a part composes faster itself.
  // It must be well formed and use prefixes bound here.
  void writeMarkup(std::string_view markup);
  void writeComment(std::string_view text);
  void writeCData(std::string_view text);

  // Low level: raw UTF-8 text, escaped text, line break, indentation.
  void write(std::string_view text);
  void writeEscape(std::string_view text);
  void writeLinebreak();
  void writeIndentation();

  // Writes what is buffered and flushes it to storage.
  void synchronizeFile();
  // Writes what is buffered and closes the file; throws when either fails.
  // Later writes throw.
  void closeFile();
  // The file's whole content so far, read back.
  std::string toString();

  int level() const { return level_; }
  const std::string& xmlPath() const { return xmlPath_; }
  const std::string& encoding() const { return encoding_; }
  // Written `level` times before a tag; empty disables indentation.
  const std::string& indentation() const { return indentation_; }
  void setIndentation(std::string value) { indentation_ = std::move(value); }
  // Written before a tag; empty disables line breaks.
  const std::string& lineBreak() const { return lineBreak_; }
  void setLineBreak(std::string value) { lineBreak_ = std::move(value); }
  bool automaticEmptyElements() const { return automaticEmptyElements_; }
  void setAutomaticEmptyElements(bool value) { automaticEmptyElements_ = value; }

 private:
  struct NoThrow {};
  XMLFileWriter(const std::string& path, NoThrow);
  bool open(const std::string& path);

  void closeOpenTag();
  void newLine();
  void writeQualifiedName(std::string_view namespaceURI, std::string_view localName);
  std::string_view prefixOrThrow(std::string_view namespaceURI) const;
  void requireOpenStartElement() const;
  void writeNamespaceAttributes();
  void writeNamespaceToStream(std::string_view prefix, std::string_view namespaceURI);
  void pushNamespaceStack();
  void popNamespaceStack();
  void bind(std::string_view prefix, std::string_view namespaceURI);
  void finishEndTag();

  void flushBuffer();
  void writeAll(const char* data, size_t size);
  void requireOpenFile() const;

  std::string xmlPath_;
  int fd_ = -1;
  // The part in memory, instead of a file, and whether it takes writes.
  std::string* memory_ = nullptr;
  std::function<void(std::string_view)> sink_;
  bool memoryOpen_ = false;
  std::string buffer_;
  uint64_t bytesFlushed_ = 0;

  std::string encoding_;
  int level_ = 0;
  bool newElement_ = false;
  bool emptyElement_ = false;
  // The open elements' names, innermost last: the first openElements_
  // entries are in use; the rest keep their memory for the next elements,
  // so that writing a part does not allocate for every tag.
  std::vector<std::string> elementLocalNames_;
  std::vector<std::string> elementNamespaceURIs_;
  size_t openElements_ = 0;
  // The last namespace URIs looked up and their prefixes (views into the
  // bindings), cleared whenever a binding ends: a part uses two or three
  // namespaces over and over.
  struct PrefixCacheEntry {
    std::string uri;
    std::string_view prefix;
    bool used = false;
  };
  mutable PrefixCacheEntry prefixCache_[4];
  mutable size_t prefixCacheNext_ = 0;
  std::vector<std::string> namespaceURIs_;
  std::vector<size_t> namespaceCounts_;
  std::vector<bool> namespaceWritten_;
  std::map<std::string, std::string, std::less<>> namespaceURIPrefixMap_;
  std::map<std::string, std::string, std::less<>> prefixNamespaceURIMap_;
  std::string indentation_ = "\t";
  std::string lineBreak_ = "\n";
  bool automaticEmptyElements_ = true;
};
