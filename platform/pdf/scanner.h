#pragma once
// Content streams and the content-stream scanner: an operator table of
// callbacks, an operand stack with typed pops, inline images, and resource
// look-up that also searches the enclosing content stream.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/pdf/document.h"
#include "platform/pdf/object.h"

namespace platform {

// The data of a page's or a form's content together with the resources it
// names. A form's content stream has the stream that draws it as parent, and
// resource look-up falls back to the parent's resources.
class PdfContentStream {
 public:
  // The page's /Contents (one stream or an array of streams, each decoded on
  // its own; a stream that fails to decode is dropped) with the page's
  // inherited /Resources.
  static std::shared_ptr<PdfContentStream> forPage(const PdfPage& page);
  // A form XObject's stream with the given resources (the form's own, or null
  // to use only the parent's) inside a parent content stream (may be null).
  static std::shared_ptr<PdfContentStream> forForm(const PdfObject& stream, const PdfObject& resources,
                                                   std::shared_ptr<const PdfContentStream> parent);
  // Arbitrary content bytes (for tests and type 3 glyph procedures).
  static std::shared_ptr<PdfContentStream> forData(std::string data, const PdfObject& resources,
                                                   std::shared_ptr<const PdfContentStream> parent = nullptr);

  // The entry `name` of the resource category `category` ("Font", "XObject",
  // "ColorSpace", ...), searching this stream's resources and then each
  // enclosing stream's. Null when no stream has it.
  PdfObject resource(std::string_view category, std::string_view name) const;
  const PdfObject& resources() const { return resources_; }
  const std::shared_ptr<const PdfContentStream>& parent() const { return parent_; }

  // The content bytes: every part decoded and joined by a newline.
  const std::string& data() const { return data_; }
  // Bytes the file holds for a page's content (its parts as stored, before
  // decoding), or the size of content given as data; 0 for a form's.
  size_t sourceBytes() const { return sourceBytes_; }
  // True when a part could not be decoded in full (what came out before the
  // damage is kept) or was dropped.
  bool isDamaged() const { return damaged_; }
  // The document that inline images are made in, shared by a page's stream
  // with the streams of its forms: the page's document's own for them
  // (PdfDocument::inlineImageDocument). Content given as data, or a form
  // scanned on its own, makes them in the document of its resources or
  // stream (may be null: inline images then cannot be decoded).
  QPDF* owner() const { return owner_; }
  // The document of the page whose content this is, or of the page whose
  // content draws this form or glyph; null for content of no page.
  const PdfDocument* document() const { return document_; }

 private:
  std::string data_;
  PdfObject resources_;
  std::shared_ptr<const PdfContentStream> parent_;
  QPDF* owner_ = nullptr;
  const PdfDocument* document_ = nullptr;
  std::shared_ptr<QPDF> inlineImages_;
  size_t sourceBytes_ = 0;
  bool damaged_ = false;
};

// One operand on the scanner's stack.
struct PdfOperand {
  enum class Kind { Null, Boolean, Integer, Real, Name, String, Array, Dictionary, Stream };
  Kind kind = Kind::Null;
  bool boolean = false;
  int64_t integer = 0;             // Integer (saturated to int64 range)
  double real = 0;                 // Real, and the value of an Integer as a double
  std::string text;                // Name (without slash) or String (raw bytes)
  std::vector<PdfOperand> array;   // Array elements
  PdfObject object;                // Dictionary, or Stream (an inline image)

  bool isNumber() const { return kind == Kind::Integer || kind == Kind::Real; }
  double number() const { return real; }
  // The operand as a PDF object (builds one for scalars and arrays).
  PdfObject toObject() const;
};

class PdfScanner;
using PdfOperatorCallback = std::function<void(PdfScanner&)>;

// Operator name → callback. Operators without an entry are skipped (their
// operands are dropped).
class PdfOperatorTable {
 public:
  void set(std::string_view op, PdfOperatorCallback callback);
  const PdfOperatorCallback* find(std::string_view op) const;

 private:
  // Looked up by the operator's text as read, without a string made for it.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, PdfOperatorCallback, NameHash, std::equal_to<>> table_;
};

class PdfScanner {
 public:
  PdfScanner(std::shared_ptr<const PdfContentStream> stream, const PdfOperatorTable& table);

  // Tokenizes the whole stream, calling the table's callbacks. A bad token
  // loses only itself; an unreadable inline image loses only itself. Answers
  // false when the stream held damage (the scan still went to the end).
  bool scan();
  // Asks the scan in progress to stop after the current operator.
  void stop() { stopped_ = true; }

  const PdfContentStream& contentStream() const { return *stream_; }
  const std::shared_ptr<const PdfContentStream>& contentStreamPtr() const { return stream_; }
  // Number of operators seen so far in this scan.
  uint64_t operatorCount() const { return operatorCount_; }

  // Pops: each removes the top operand (whatever its kind) and answers its
  // value when it has the wanted kind, std::nullopt otherwise or when the stack
  // is empty. popNumber accepts integers and reals; popInteger only integers.
  std::optional<double> popNumber();
  std::optional<int64_t> popInteger();
  std::optional<bool> popBoolean();
  std::optional<std::string> popName();
  std::optional<std::string> popString();
  std::optional<std::vector<PdfOperand>> popArray();
  std::optional<PdfObject> popDictionary();
  // An inline image (at EI): a stream whose dictionary has the full key and
  // filter names (Width, Height, BitsPerComponent, ColorSpace, Filter,
  // DecodeParms, Decode, ImageMask, Interpolate; ASCIIHexDecode,
  // FlateDecode, ...) and whose data is the image's exact bytes.
  std::optional<PdfObject> popStream();
  std::optional<PdfOperand> popObject();
  size_t operandCount() const { return operands_.size(); }

 private:
  std::shared_ptr<const PdfContentStream> stream_;
  const PdfOperatorTable& table_;
  std::vector<PdfOperand> operands_;
  uint64_t operatorCount_ = 0;
  bool stopped_ = false;

  friend class PdfScannerImpl;
};

}  // namespace platform
