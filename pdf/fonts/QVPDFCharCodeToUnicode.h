#pragma once
// Character code (simple fonts) or CID (composite fonts) → Unicode text, from
// a font's ToUnicode CMap or from the Unicode map of a character collection.
//
// Values are kept as Unicode characters: a UTF-16 surrogate pair written in
// the map becomes one character beyond U+FFFF, and lone surrogates are
// dropped. Maps are immutable once parsed; the collection maps are parsed once
// per process and shared.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QVPDFCharCodeToUnicode {
 public:
  // Codes above this are not kept (2-byte codes, the widest a font's code
  // space needs for a ToUnicode map here).
  static constexpr uint32_t kMaxCode = 0xFFFF;
  // Characters kept for one code.
  static constexpr size_t kMaxValueLength = 16;

  explicit QVPDFCharCodeToUnicode(std::string tag = "ToUnicode");

  // Parses ToUnicode CMap text (bfchar and bfrange sections; usecmap of a
  // collection map). nBits 8: source codes of exactly two hexadecimal digits;
  // nBits 16: source codes of four digits, and of two (one-byte codes of
  // mixed-width CMaps such as Shift-JIS). Other sources are skipped.
  static std::shared_ptr<const QVPDFCharCodeToUnicode> parseCMap(std::string_view text, int nBits);

  // The Unicode map of a character collection ("Adobe-Japan1"), parsed once
  // per process with 16-bit codes; nullptr for a collection without one.
  static std::shared_ptr<const QVPDFCharCodeToUnicode> collectionMap(std::string_view collection);

  // Writes the characters of the code to u (at most uSize) and answers their
  // number; 0 when the code has no mapping.
  int mapToUnicode(uint32_t code, char32_t* u, int uSize) const;
  // The characters of the code; empty when it has none.
  std::u32string mapToUnicode(uint32_t code) const;

  // The first code (from 0 up) that maps to U+0020 alone; 0 when none does.
  uint32_t spaceCIDCode() const;

  const std::string& tag() const { return tag_; }
  // What the map itself occupies.
  size_t memoryUsage() const;

  // Adds one mapping: hexadecimal destination digits plus `offset` on the
  // last UTF-16 unit. Up to four digits are one value that becomes the code's
  // single character (a later one replaces it; 0 clears it). More digits are
  // groups of four UTF-16 units: when they make one character it is the
  // code's single character; when they make several, the code's single
  // character is cleared and the value is kept unless the code already has
  // one of several characters. The single character is answered first.
  void addMapping(uint32_t code, std::string_view hexDigits, uint32_t offset);

 private:
  void parseCMap1(std::string_view text, int nBits, int depth);
  void merge(const QVPDFCharCodeToUnicode& other);
  void setSingle(uint32_t code, char32_t value);
  bool spendBudget();

  std::string tag_;
  std::vector<char32_t> map_;                            // single character per code, 0 = none
  std::unordered_map<uint32_t, std::u32string> sMap_;   // codes with several characters
  uint64_t budget_ = 0;                                  // mappings still allowed in this parse
  // spaceCIDCode(), once asked; maps are shared between threads.
  static constexpr int64_t kSpaceCodeUnknown = -1;
  mutable std::atomic<int64_t> spaceCode_{kSpaceCodeUnknown};
};
