// Profile files: "[section]" lines, each followed by "key=value" lines. Reads a
// value the way the platform's profile functions do and replaces one in
// place, keeping every other line byte for byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/files/encoding.h"
#include "host/text.h"
#include "host/vberror.h"

namespace qlx {

// The largest settings file read. Its keys take a few hundred bytes; a file
// far larger is no settings file, and reading it key by key would take minutes.
inline constexpr std::uintmax_t kMaxSettingsFileSize = std::uintmax_t{1} << 20;
inline constexpr char kMaxSettingsFileSizeText[] = "1 MiB";

// The file system refused to read or write a profile file. The description
// names the file and the reason.
class FileAccessError : public VbError {
 public:
  using VbError::VbError;
};

// A path or system message as text; bytes that are not UTF-8 show as U+FFFD.
Text PathText(const std::filesystem::path& path);

class ProfileFile {
 public:
  // Reads path. A missing file gives an empty profile that Save creates.
  // encoding is that of a file without a UTF-8 byte-order mark and of a new
  // file; a file with the mark is read and written as UTF-8. new_line_end
  // ends the lines of a new file. Throws FileAccessError when the file cannot
  // be read, VbError 5 when it is in UTF-16 or encoding is unknown to the
  // platform.
  static ProfileFile Load(const std::filesystem::path& path, const Encoding& encoding,
                          std::string_view new_line_end = "\r\n");

  bool Exists() const { return exists_; }

  // The value of the first key named key inside the first section named
  // section. Names compare case-insensitively after blanks (spaces and tabs)
  // around them are dropped; the value loses the blanks around it and one pair
  // of matching surrounding quotes ("x" or 'x'). A line without "=" is a key
  // with an empty value; lines starting with ";" are comments. nullopt when
  // the section or the key is missing (later sections of the same name are
  // not searched).
  std::optional<Text> Find(TextView section, TextView key) const;

  // Sets the key to value: replaces the line of the key Find would read, or
  // adds "key=value" after the last non-blank line of the section, or appends
  // the section and the key at the end. New lines take the file's first line
  // end (new_line_end for a file without one). Throws VbError 5, changing
  // nothing, when a name or the value holds a line break, the section or key
  // is blank, or the key holds "=" or starts with "[" or ";".
  void Set(TextView section, TextView key, TextView value);

  // Writes the profile back through a temporary file and a rename. Throws
  // FileAccessError, leaving the file as it was, when that fails.
  void Save() const;

  // The bytes Save writes.
  std::string Render() const;

 private:
  struct Line {
    std::string bytes;  // without its line end
    std::string end;    // "\r\n", "\n", "\r", or "" for a last line without one
    Text text;          // decoded; U+FFFD for bytes the encoding cannot read
  };
  struct Parsed;

  ProfileFile(std::filesystem::path path, Encoding encoding, std::string_view new_line_end)
      : path_(std::move(path)), encoding_(std::move(encoding)), new_line_end_(new_line_end) {}
  static Parsed Parse(TextView line);
  // Index of the first section header named section, or npos.
  std::size_t FindSection(TextView section) const;
  std::string NewLineEnd() const;

  std::filesystem::path path_;
  Encoding encoding_;
  std::string new_line_end_;
  bool exists_ = false;
  std::string bom_;
  std::vector<Line> lines_;
};

}  // namespace qlx
