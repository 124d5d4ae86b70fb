// Text encodings of module files: which one a file uses, and conversion
// between its bytes and the editor's UTF-16 text (UTF-8, or a code page
// through the platform's iconv).
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "host/text.h"

namespace qlx {

// A module file that cannot be read, decoded or written. The message names
// the file and says what is wrong.
class FileError : public std::runtime_error {
 public:
  // Why a file was not read, for callers that word the refusal their own way.
  enum class Reason { kOther, kNotFound, kNotRegular, kTooLarge };
  using std::runtime_error::runtime_error;
  FileError(const std::string& what, Reason reason, std::string cause = "")
      : std::runtime_error(what), reason_(reason), cause_(std::move(cause)) {}
  Reason reason() const { return reason_; }
  // The system's words for the failure ("Permission denied"), where it gave any.
  const std::string& cause() const { return cause_; }

 private:
  Reason reason_ = Reason::kOther;
  std::string cause_;
};

// The ANSI code page of the Japanese systems the exported files come from.
inline constexpr char kDefaultCodePage[] = "CP932";

struct Encoding {
  enum class Kind { kCodePage, kUtf8, kUtf8Bom };
  Kind kind = Kind::kCodePage;
  std::string code_page = kDefaultCodePage;  // iconv's name; used for kCodePage

  // "UTF-8", "UTF-8 with BOM", or the code page's name.
  std::string Name() const;
  bool operator==(const Encoding&) const = default;
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the bytes hold a NUL byte, which no text in an ASCII-compatible
// encoding does.
bool IsBinary(std::string_view bytes);

// A file that starts with EF BB BF is UTF-8 with BOM; one that is valid UTF-8
// and holds a non-ASCII byte is UTF-8; anything else, pure ASCII included, is
// the code page. The caller checks that a BOM file really is UTF-8.
Encoding DetectEncoding(std::string_view bytes, const std::string& code_page);

// Converts between the bytes of one encoding and Text. Holds its iconv
// descriptors (opened on first use), so a converter is used by one thread at
// a time.
class Converter {
 public:
  // Throws FileError when the platform does not know the code page, or when
  // it is not ASCII-compatible (module files need line ends and keywords in
  // ASCII).
  explicit Converter(Encoding encoding);
  ~Converter();
  Converter(Converter&&) noexcept;
  Converter& operator=(Converter&&) noexcept;

  const Encoding& GetEncoding() const { return encoding_; }
  // Every ASCII byte, the encoding's shift and escape bytes among them,
  // decodes as itself and back: the encoding keeps no state from one line to
  // the next, so many lines decode in one call and split at their line ends.
  bool AsciiAsItself() const { return ascii_as_itself_; }

  // The text of bytes (without BOM); nullopt when they are not valid in the
  // encoding.
  std::optional<Text> Decode(std::string_view bytes);
  // The bytes of text (without BOM). A character the encoding cannot hold
  // (for UTF-8: an unpaired surrogate) is written as '?' and counted in
  // *replaced when given.
  std::string Encode(TextView text, int* replaced = nullptr);

 private:
  Converter() = default;
  struct CodePageFacts;
  static CodePageFacts Probe(const std::string& name);
  // Opens the platform's converter of a code page on its first use: a
  // converter made for a file that turns out to be UTF-8, or all ASCII,
  // never needs it.
  void Open();
  // Whether tabs, line ends and printable ASCII decode as themselves, as
  // module files need for their line ends and keywords.
  bool DecodesAsciiAsItself();
  // The platform's conversions, which Decode and Encode skip for text all in
  // ASCII when every ASCII character converts as itself both ways: most
  // lines of a module are, and the platform's call costs far more than the
  // copy.
  std::optional<Text> PlatformDecode(std::string_view bytes);
  std::string PlatformEncode(TextView text, int* replaced);

  // The platform's converter of a code page (host/files/posix: iconv,
  // host/files/win32: the Win32 code pages); OpenCodePage gives null when it
  // is unknown.
  struct Impl;
  struct ImplDeleter {
    void operator()(Impl* impl) const;
  };
  static Impl* OpenCodePage(const std::string& name);

  Encoding encoding_;
  std::unique_ptr<Impl, ImplDeleter> impl_;
  bool ascii_as_itself_ = false;
};

}  // namespace qlx
