#include "settings/profile_file.h"

#include <system_error>

#include "host/chars.h"
#include "host/files/file_io.h"
#include "host/files/module_file.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

Text TrimBlanks(TextView s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return Text(s.substr(begin, end - begin));
}

// Names compare as the platform compares them: per code unit, ignoring case.
bool SameName(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

Text SafeText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  Text out;
  for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD';
  return out;
}

Text Quoted(const fs::path& path) { return u"'" + PathText(path) + u"'"; }

Converter MakeConverter(const Encoding& encoding) {
  try {
    return Converter(encoding);
  } catch (const FileError& e) {
    throw VbError(vberr::kInvalidCall, SafeText(e.what()));
  }
}

// A line the encoding cannot read in one piece is read character by
// character, with U+FFFD for each byte that starts nothing readable.
Text DecodeLenient(Converter& converter, std::string_view bytes) {
  if (std::optional<Text> text = converter.Decode(bytes)) return *text;
  Text out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    bool read = false;
    for (std::size_t n = 1; n <= 4 && i + n <= bytes.size(); ++n) {
      if (std::optional<Text> piece = converter.Decode(bytes.substr(i, n))) {
        out += *piece;
        i += n;
        read = true;
        break;
      }
    }
    if (!read) {
      out += u'\uFFFD';
      ++i;
    }
  }
  return out;
}

}  // namespace

Text PathText(const fs::path& path) { return SafeText(path.string()); }

struct ProfileFile::Parsed {
  enum class Kind { kOther, kSection, kKey };
  Kind kind = Kind::kOther;
  Text name;
  Text value;
};

ProfileFile ProfileFile::Load(const fs::path& path, const Encoding& encoding, std::string_view new_line_end) {
  ProfileFile file(path, encoding, new_line_end);
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return file;
  if (ec) {
    throw FileAccessError(vberr::kPathFileAccess, u"Path/File access error: cannot read " + Quoted(path) + u" (" +
                                  SafeText(ec.message()) + u")");
  }
  if (status.type() == fs::file_type::directory) {
    throw FileAccessError(vberr::kPathFileAccess, u"Path/File access error: " + Quoted(path) + u" is a directory");
  }
  std::string bytes;
  try {
    FileStamp stamp;
    bytes = ReadFileStamped(path, kMaxSettingsFileSize, stamp);
  } catch (const FileError& e) {
    if (e.reason() == FileError::Reason::kNotFound) return file;
    const Text why = e.reason() == FileError::Reason::kNotRegular ? u"it is not a regular file"
                     : e.reason() == FileError::Reason::kTooLarge
                         ? u"it is larger than the " + FromUtf8(kMaxSettingsFileSizeText) + u" a settings file may hold"
                         : SafeText(e.cause().empty() ? e.what() : e.cause());
    throw FileAccessError(vberr::kPathFileAccess, u"Path/File access error: cannot read " + Quoted(path) + u" (" +
                                  why + u")");
  }
  file.exists_ = true;

  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw VbError(vberr::kInvalidCall,
                  Quoted(path) + u" is stored in UTF-16, which cannot be read; save it in " +
                      SafeText(encoding.Name()) + u" or UTF-8 with a byte-order mark");
  }
  std::string_view rest = bytes;
  if (rest.starts_with(kUtf8Bom)) {
    file.bom_ = kUtf8Bom;
    file.encoding_ = Encoding{Encoding::Kind::kUtf8Bom, encoding.code_page};
    rest.remove_prefix(kUtf8Bom.size());
  } else if (DetectEncoding(rest, encoding.code_page).kind == Encoding::Kind::kUtf8) {
    // A file written by hand in UTF-8 without the mark, as the module files are read.
    file.encoding_ = Encoding{Encoding::Kind::kUtf8, encoding.code_page};
  }
  Converter converter = MakeConverter(file.encoding_);
  // CR and LF never occur inside a double-byte character, so lines can be
  // cut before decoding.
  while (!rest.empty()) {
    const std::size_t cut = rest.find_first_of("\r\n");
    Line line;
    line.bytes = std::string(rest.substr(0, cut));
    if (cut == std::string_view::npos) {
      rest = {};
    } else {
      const std::size_t end_size = rest.substr(cut).starts_with("\r\n") ? 2 : 1;
      line.end = std::string(rest.substr(cut, end_size));
      rest.remove_prefix(cut + end_size);
    }
    line.text = DecodeLenient(converter, line.bytes);
    file.lines_.push_back(std::move(line));
  }
  return file;
}

ProfileFile::Parsed ProfileFile::Parse(TextView line) {
  Parsed parsed;
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start == line.size() || line[start] == u';') return parsed;
  if (line[start] == u'[') {
    const std::size_t close = line.rfind(u']');
    if (close == TextView::npos || close < start) return parsed;
    parsed.kind = Parsed::Kind::kSection;
    parsed.name = TrimBlanks(line.substr(start + 1, close - start - 1));
    return parsed;
  }
  parsed.kind = Parsed::Kind::kKey;
  const std::size_t equals = line.find(u'=', start);
  parsed.name = TrimBlanks(line.substr(start, equals == TextView::npos ? TextView::npos : equals - start));
  if (equals != TextView::npos) parsed.value = TrimBlanks(line.substr(equals + 1));
  return parsed;
}

std::size_t ProfileFile::FindSection(TextView section) const {
  const Text name = TrimBlanks(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Parsed parsed = Parse(lines_[i].text);
    if (parsed.kind == Parsed::Kind::kSection && SameName(parsed.name, name)) return i;
  }
  return std::string::npos;
}

std::optional<Text> ProfileFile::Find(TextView section, TextView key) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  const Text name = TrimBlanks(key);
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    Parsed parsed = Parse(lines_[i].text);
    if (parsed.kind == Parsed::Kind::kSection) break;
    if (parsed.kind != Parsed::Kind::kKey || !SameName(parsed.name, name)) continue;
    Text& value = parsed.value;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

void ProfileFile::Set(TextView section, TextView key, TextView value) {
  const auto has_break = [](TextView t) { return t.find_first_of(u"\r\n") != TextView::npos; };
  if (has_break(section) || has_break(key) || has_break(value)) {
    throw VbError(vberr::kInvalidCall, u"A setting cannot hold a line break");
  }
  const Text section_name = TrimBlanks(section);
  const Text key_name = TrimBlanks(key);
  if (section_name.empty() || key_name.empty()) {
    throw VbError(vberr::kInvalidCall, u"A setting needs a section name and a key name");
  }
  if (key_name.find(u'=') != Text::npos || key_name.front() == u'[' || key_name.front() == u';') {
    throw VbError(vberr::kInvalidCall, u"The key name \"" + key_name + u"\" cannot be written to a settings file");
  }

  Converter converter = MakeConverter(encoding_);
  const std::string line_end = NewLineEnd();
  const auto make_line = [&](Text text, std::string end) {
    std::string bytes = converter.Encode(text);
    return Line{std::move(bytes), std::move(end), std::move(text)};
  };
  // Lines added after a last line without a line end give it one and take
  // over its missing end, so the file keeps ending the way it did.
  const auto open_end = [&](std::size_t after) {
    if (lines_.empty() || !lines_[after].end.empty()) return line_end;
    lines_[after].end = line_end;
    return std::string();
  };

  const std::size_t header = FindSection(section_name);
  if (header == std::string::npos) {
    const std::string last_end = lines_.empty() ? line_end : open_end(lines_.size() - 1);
    lines_.push_back(make_line(u"[" + section_name + u"]", line_end));
    lines_.push_back(make_line(key_name + u"=" + Text(value), last_end));
    return;
  }
  std::size_t last_filled = header;
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const Parsed parsed = Parse(lines_[i].text);
    if (parsed.kind == Parsed::Kind::kSection) break;
    if (parsed.kind == Parsed::Kind::kKey && SameName(parsed.name, key_name)) {
      lines_[i] = make_line(parsed.name + u"=" + Text(value), lines_[i].end);
      return;
    }
    if (!TrimBlanks(lines_[i].text).empty()) last_filled = i;
  }
  const std::string end = open_end(last_filled);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last_filled) + 1,
                make_line(key_name + u"=" + Text(value), end));
}

std::string ProfileFile::NewLineEnd() const {
  for (const Line& line : lines_) {
    if (!line.end.empty()) return line.end;
  }
  return new_line_end_;
}

std::string ProfileFile::Render() const {
  std::string bytes = bom_;
  for (const Line& line : lines_) {
    bytes += line.bytes;
    bytes += line.end;
  }
  return bytes;
}

void ProfileFile::Save() const {
  try {
    WriteFileReplacing(path_, Render());
  } catch (const FileError& e) {
    throw FileAccessError(vberr::kPathFileAccess, u"Path/File access error: " + SafeText(e.what()));
  }
}

}  // namespace qlx
