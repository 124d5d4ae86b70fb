#include "host/files/module_file.h"

#include "host/files/file_io.h"
#include "host/lines.h"
#include "host/memory/statements.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace qlx {
namespace fs = std::filesystem;
namespace {

// Far above any module the editor can hold; keeps a stray large file from
// being read whole.
constexpr std::uintmax_t kMaxFileSize = 128u * 1024 * 1024;

using Ending = LineEnd;

std::string_view EndingBytes(Ending ending) { return LineEndText<char>(ending); }

struct FileLine {
  std::size_t offset;  // into the file's bytes
  std::size_t length;  // without the line end
  Ending ending;
};

// Splits at CR LF, LF or a lone CR; a file that ends with a line end has no
// empty line after it.
std::vector<FileLine> SplitLines(std::string_view bytes, std::size_t start) {
  std::vector<FileLine> lines;
  VisitLines(bytes.substr(start), [&](std::string_view content, Ending ending) {
    lines.push_back({static_cast<std::size_t>(content.data() - bytes.data()), content.size(), ending});
  });
  return lines;
}

// The most frequent line end; CR LF on a tie or when no line has one.
Ending DominantEnding(const std::vector<FileLine>& lines) {
  std::size_t crlf = 0, lf = 0, cr = 0;
  for (const FileLine& line : lines) {
    if (line.ending == Ending::kCrLf) ++crlf;
    if (line.ending == Ending::kLf) ++lf;
    if (line.ending == Ending::kCr) ++cr;
  }
  if (lf > crlf && lf >= cr) return Ending::kLf;
  if (cr > crlf && cr > lf) return Ending::kCr;
  return Ending::kCrLf;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// True when text begins with prefix, ignoring ASCII case; prefix is upper case.
bool StartsWithNoCase(TextView text, TextView prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(text[i]) != prefix[i]) return false;
  }
  return true;
}

TextView SkipBlanks(TextView text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

// The first word, upper-cased: "  Begin VB.Form Form1" gives "BEGIN".
Text FirstWord(TextView text) {
  TextView rest = SkipBlanks(text);
  Text word;
  for (char16_t c : rest) {
    if (IsBlank(c)) break;
    word += AsciiUpper(c);
  }
  return word;
}

// "VERSION 1.0 CLASS", "VERSION 5.00": the first line of a class or form.
bool IsVersionLine(TextView text) {
  if (!StartsWithNoCase(text, u"VERSION ")) return false;
  TextView rest = SkipBlanks(text.substr(8));
  return !rest.empty() && rest.front() >= u'0' && rest.front() <= u'9';
}

// What follows "Attribute" and its blanks, or nullopt when the line is not
// an attribute: a module attribute ("Attribute VB_Name = ...") or a member
// attribute ("Attribute Foo.VB_Description = ...").
std::optional<TextView> AttributeBody(TextView text) {
  TextView rest = SkipBlanks(text);
  if (!StartsWithNoCase(rest, u"ATTRIBUTE") || rest.size() < 10 || !IsBlank(rest[9])) return std::nullopt;
  rest = SkipBlanks(rest.substr(9));
  if (StartsWithNoCase(rest, u"VB_")) return rest;
  const std::size_t dot = rest.find(u'.');
  if (dot == 0 || dot == TextView::npos) return std::nullopt;
  for (std::size_t i = 0; i < dot; ++i) {
    if (IsBlank(rest[i]) || rest[i] == u'=' || rest[i] == u'"') return std::nullopt;
  }
  if (!StartsWithNoCase(rest.substr(dot + 1), u"VB_")) return std::nullopt;
  return rest;
}

// The value of `VB_Name = "Sample"` given the attribute's body, or nullopt
// when the body is another attribute.
std::optional<Text> VbNameValue(TextView body) {
  if (!StartsWithNoCase(body, u"VB_NAME")) return std::nullopt;
  TextView rest = SkipBlanks(body.substr(7));
  if (rest.empty() || rest.front() != u'=') return std::nullopt;
  rest = SkipBlanks(rest.substr(1));
  if (!rest.empty() && rest.front() == u'"') {
    rest = rest.substr(1);
    const std::size_t close = rest.find(u'"');
    return Text(rest.substr(0, close));
  }
  return Trim(rest);
}

// Lines are decoded this many bytes at a time or so: one conversion call for
// many lines, and never a second copy of a whole large file.
constexpr std::size_t kDecodePiece = 64 * 1024;

bool IsContinued(TextView text) { return text.size() >= 2 && text.back() == u'_' && IsBlank(text[text.size() - 2]); }

std::string Describe(const fs::path& path) { return path.string(); }

}  // namespace

HiddenLines FindHiddenLines(const std::vector<Text>& texts, const fs::path& path, const std::string& code_page) {
  return FindHiddenLines(texts.size(), [&texts](std::size_t i) { return TextView(texts[i]); }, path, code_page);
}

HiddenLines FindHiddenLines(std::size_t count, const std::function<TextView(std::size_t)>& texts,
                            const fs::path& path, const std::string& code_page) {
  const std::string where = Describe(path) + ": ";
  HiddenLines hidden;
  std::optional<Text> name;
  std::size_t i = 0;
  if (count > 0 && IsVersionLine(texts(0))) {
    i = 1;
    while (i < count && FirstWord(texts(i)) == u"OBJECT") ++i;
    if (i < count && FirstWord(texts(i)) == u"BEGIN") {
      const std::size_t begin = i;
      int depth = 0;
      for (; i < count; ++i) {
        const Text word = FirstWord(texts(i));
        if (word == u"BEGIN") ++depth;
        if (word == u"END") --depth;
        if (depth == 0) break;
      }
      if (i == count) {
        throw FileError(where + "the BEGIN block on line " + std::to_string(begin + 1) + " has no END");
      }
      ++i;
    }
  }
  hidden.header = i;
  bool continued = false;  // the visible line before continues onto this one
  for (; i < count; ++i) {
    const TextView text = texts(i);
    std::optional<TextView> attribute;
    if (!continued) attribute = AttributeBody(text);
    if (!attribute) {
      continued = IsContinued(text);
      continue;
    }
    if (!name) name = VbNameValue(*attribute);
    hidden.attributes.push_back(i);
  }
  if (!name || name->empty()) {
    const std::string stem = path.stem().string();
    if (IsValidUtf8(stem)) {
      name = FromUtf8(stem);
    } else {
      name = Converter(Encoding{Encoding::Kind::kCodePage, code_page}).Decode(stem);
      if (!name) name = u"Module1";
    }
  }
  hidden.name = std::move(*name);
  return hidden;
}

bool IsAttributeLine(TextView line) { return AttributeBody(line).has_value(); }

// Everything the file keeps beside the code module. Each visible row has an
// id: below lines.size() the file line it came from, at or above it a row
// that an edit made.
struct ModuleFile::State {
  fs::path path;
  Encoding encoding;
  std::string bytes;
  std::vector<FileLine> lines;
  Ending dominant = Ending::kCrLf;
  bool final_ending = true;  // the file's last line ends with a line end
  long hidden_count = 0;

  std::vector<std::int32_t> rows;
  // Per new row (id - lines.size()): the file line it replaced, -1 for none.
  std::vector<std::int32_t> new_origin;
  std::vector<std::int32_t> top;  // hidden lines before row 1
  std::unordered_map<std::int32_t, std::vector<std::int32_t>> hidden_after;
  // Set when an edit did not fit the rows kept here; saving is then refused.
  std::string broken;
  // The file as it was read (none for bytes given directly), and its lock
  // when the loader asked for one.
  std::optional<FileStamp> stamp;
  FileLock lock;

  std::int32_t FileLineCount() const { return static_cast<std::int32_t>(lines.size()); }
  std::int32_t Origin(std::int32_t id) const {
    if (id < FileLineCount()) return id;
    const std::size_t k = static_cast<std::size_t>(id - FileLineCount());
    return k < new_origin.size() ? new_origin[k] : -1;
  }
  std::string_view Content(std::int32_t line) const {
    const FileLine& l = lines[static_cast<std::size_t>(line)];
    return std::string_view(bytes).substr(l.offset, l.length);
  }

  void Edit(Row row, Row removed, Row inserted);
};

void ModuleFile::State::Edit(Row row, Row removed, Row inserted) {
  if (!broken.empty()) return;
  const long long at = static_cast<long long>(row) - 1;
  if (at < 0 || removed < 0 || inserted < 0 || at + removed > static_cast<long long>(rows.size())) {
    broken = "an edit at row " + std::to_string(row) + " does not fit the module's " + std::to_string(rows.size()) +
             " rows";
    return;
  }
  const auto first = static_cast<std::size_t>(at);
  // A single row replaced keeps a link to its file line, so that writing
  // back the same text keeps the original bytes.
  const std::int32_t origin = (removed == 1 && inserted == 1) ? Origin(rows[first]) : -1;
  std::vector<std::int32_t> moved;
  for (std::size_t i = first; i < first + static_cast<std::size_t>(removed); ++i) {
    auto hidden = hidden_after.find(rows[i]);
    if (hidden == hidden_after.end()) continue;
    moved.insert(moved.end(), hidden->second.begin(), hidden->second.end());
    hidden_after.erase(hidden);
  }
  std::vector<std::int32_t> added;
  added.reserve(static_cast<std::size_t>(inserted));
  for (Row i = 0; i < inserted; ++i) {
    added.push_back(static_cast<std::int32_t>(lines.size() + new_origin.size()));
    new_origin.push_back(origin);
  }
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(first),
             rows.begin() + static_cast<std::ptrdiff_t>(first) + removed);
  rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(first), added.begin(), added.end());
  if (moved.empty()) return;
  // Replaced rows pass their hidden lines to the last row that replaced
  // them; deleted rows to the visible row before them.
  std::vector<std::int32_t>* target = &top;
  if (!added.empty()) {
    target = &hidden_after[added.back()];
  } else if (first > 0) {
    target = &hidden_after[rows[first - 1]];
  }
  target->insert(target->end(), moved.begin(), moved.end());
}

ModuleFile::ModuleFile(std::shared_ptr<MemoryCodeModule> module, std::shared_ptr<State> state)
    : module_(std::move(module)), state_(std::move(state)) {}
ModuleFile::~ModuleFile() = default;
ModuleFile::ModuleFile(ModuleFile&&) noexcept = default;
ModuleFile& ModuleFile::operator=(ModuleFile&&) noexcept = default;

ModuleFile ModuleFile::Load(const fs::path& path, const LoadOptions& options) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) throw FileError(Describe(path) + ": file not found");
  if (fs::is_directory(status)) throw FileError(Describe(path) + ": is a directory, not a module file");
  if (!fs::is_regular_file(status)) throw FileError(Describe(path) + ": is not a regular file");
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxFileSize) {
    throw FileError(Describe(path) + ": is too large for a module file (" + std::to_string(size) + " bytes)");
  }
  // A write that a kill interrupted is put right before the folder's first
  // file is read.
  if (options.sweep) {
    options.sweep->Clear(path.parent_path());
  } else {
    RemoveDebris(path.parent_path().empty() ? fs::path(".") : path.parent_path());
  }
  FileLock lock;
  FileStamp stamp;
  std::string bytes;
  if (options.lock) {
    lock = FileLock::Acquire(path, options.lock_wait);
    bytes = lock.Read(kMaxFileSize, stamp);
  } else {
    bytes = ReadFileStamped(path, kMaxFileSize, stamp);
  }
  ModuleFile file = FromBytes(std::move(bytes), path, options);
  file.state_->stamp = stamp;
  file.state_->lock = std::move(lock);
  return file;
}

ModuleFile ModuleFile::FromBytes(std::string bytes, const fs::path& path, const LoadOptions& options) {
  const std::string where = Describe(path) + ": ";
  if (bytes.size() > kMaxFileSize) throw FileError(where + "is too large for a module file");
  std::optional<Converter> code_page;
  try {
    code_page.emplace(Encoding{Encoding::Kind::kCodePage, options.encoding});
  } catch (const FileError& e) {
    throw FileError(where + e.what());
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw FileError(where + "is a UTF-16 file (it starts with a UTF-16 byte order mark); save it as UTF-8 or Shift-JIS");
  }
  if (IsBinary(bytes)) throw FileError(where + "is a binary file (it holds NUL bytes), not a module");

  auto state = std::make_shared<State>();
  state->path = path;
  state->encoding = options.code_page_only ? Encoding{Encoding::Kind::kCodePage, options.encoding}
                                           : DetectEncoding(bytes, options.encoding);
  std::size_t start = 0;
  if (state->encoding.kind == Encoding::Kind::kUtf8Bom) {
    start = kUtf8Bom.size();
    if (!IsValidUtf8(std::string_view(bytes).substr(start))) {
      throw FileError(where + "starts with a UTF-8 byte order mark but is not valid UTF-8");
    }
  }
  std::optional<Converter> unicode;
  if (state->encoding.kind != Encoding::Kind::kCodePage) unicode.emplace(state->encoding);
  Converter& converter = unicode ? *unicode : *code_page;
  state->bytes = std::move(bytes);
  state->lines = SplitLines(state->bytes, start);
  state->dominant = DominantEnding(state->lines);
  state->final_ending = state->lines.empty() || state->lines.back().ending != Ending::kNone;

  std::vector<Text> texts;
  texts.reserve(state->lines.size());
  const auto decode_line = [&](std::int32_t i) {
    std::optional<Text> text = converter.Decode(state->Content(i));
    if (!text) {
      throw FileError(where + "line " + std::to_string(i + 1) + " cannot be decoded as " +
                      state->encoding.Name() + "; name the file's encoding with --encoding NAME if it is another code page");
    }
    texts.push_back(std::move(*text));
  };
  const std::int32_t count = state->FileLineCount();
  for (std::int32_t first = 0; first < count;) {
    // Whole lines from first on, about kDecodePiece bytes of them.
    const std::size_t begin = state->lines[static_cast<std::size_t>(first)].offset;
    const auto end_of = [&](std::int32_t i) {
      const FileLine& line = state->lines[static_cast<std::size_t>(i)];
      return line.offset + line.length;
    };
    std::int32_t last = first;
    while (last + 1 < count && end_of(last + 1) - begin <= kDecodePiece) ++last;
    std::optional<Text> piece;
    if (converter.AsciiAsItself() && last > first) {
      piece = converter.Decode(std::string_view(state->bytes).substr(begin, end_of(last) - begin));
    }
    std::vector<Text> split;
    if (piece) split = memory::SplitLines(*piece);
    if (split.size() == static_cast<std::size_t>(last - first + 1)) {
      std::move(split.begin(), split.end(), std::back_inserter(texts));
    } else {
      // A line that does not decode is named; a character that decodes to a
      // line end stays in its line.
      for (std::int32_t i = first; i <= last; ++i) decode_line(i);
    }
    first = last + 1;
  }

  HiddenLines hidden = FindHiddenLines(texts, path, options.encoding);
  for (std::size_t k = 0; k < hidden.header; ++k) state->top.push_back(static_cast<std::int32_t>(k));
  std::vector<Text> visible;
  auto next_hidden = hidden.attributes.begin();
  for (std::size_t i = hidden.header; i < texts.size(); ++i) {
    if (next_hidden == hidden.attributes.end() || *next_hidden != i) {
      visible.push_back(std::move(texts[i]));
      state->rows.push_back(static_cast<std::int32_t>(i));
      continue;
    }
    ++next_hidden;
    if (state->rows.empty()) {
      state->top.push_back(static_cast<std::int32_t>(i));
    } else {
      state->hidden_after[state->rows.back()].push_back(static_cast<std::int32_t>(i));
    }
  }
  state->hidden_count = static_cast<long>(texts.size() - visible.size());

  auto module = std::make_shared<MemoryCodeModule>(std::move(hidden.name), std::move(visible));
  module->OnEdit([state](Row row, Row removed, Row inserted) { state->Edit(row, removed, inserted); });
  return ModuleFile(std::move(module), std::move(state));
}

std::shared_ptr<MemoryCodeModule> ModuleFile::Module() const { return module_; }
const fs::path& ModuleFile::Path() const { return state_->path; }
const Encoding& ModuleFile::FileEncoding() const { return state_->encoding; }
std::string ModuleFile::EncodingName() const { return state_->encoding.Name(); }
const std::string& ModuleFile::OriginalBytes() const { return state_->bytes; }
long ModuleFile::HiddenLineCount() const { return state_->hidden_count; }

std::string ModuleFile::RenderTo(std::vector<Unheld>* unheld) const {
  const State& s = *state_;
  const std::string where = Describe(s.path) + ": ";
  if (!s.broken.empty()) throw FileError(where + "cannot be saved: " + s.broken);
  if (static_cast<std::size_t>(module_->LineCount()) != s.rows.size()) {
    throw FileError(where + "cannot be saved: the module was changed without its edits being followed");
  }
  std::string out;
  out.reserve(s.bytes.size() + s.bytes.size() / 8);
  if (s.encoding.kind == Encoding::Kind::kUtf8Bom) out += kUtf8Bom;
  std::optional<Converter> converter;
  std::size_t last_ending = 0;
  bool last_empty = false;
  long out_line = 0;
  auto put = [&](std::string_view content, Ending ending) {
    out += content;
    std::string_view end = EndingBytes(ending == Ending::kNone ? s.dominant : ending);
    // After a lone CR, an empty line ended by LF would read back as the
    // CR's CR LF and vanish; edits can bring the two together.
    if (content.empty() && end == "\n" && !out.empty() && out.back() == '\r') end = "\r\n";
    out += end;
    last_ending = end.size();
    last_empty = content.empty();
    ++out_line;
  };
  auto put_hidden = [&](const std::vector<std::int32_t>& hidden) {
    for (std::int32_t line : hidden) put(s.Content(line), s.lines[static_cast<std::size_t>(line)].ending);
  };

  put_hidden(s.top);
  for (std::size_t r = 0; r < s.rows.size(); ++r) {
    const std::int32_t id = s.rows[r];
    if (id < s.FileLineCount()) {
      put(s.Content(id), s.lines[static_cast<std::size_t>(id)].ending);
    } else {
      if (!converter) converter.emplace(s.encoding);
      const Text& text = module_->Line(static_cast<Row>(r + 1));
      const std::int32_t origin = s.Origin(id);
      std::optional<Text> original;
      if (origin >= 0) original = converter->Decode(s.Content(origin));
      if (original && *original == text) {
        put(s.Content(origin), s.lines[static_cast<std::size_t>(origin)].ending);
      } else {
        int replaced = 0;
        put(converter->Encode(text, &replaced), Ending::kNone);
        if (replaced > 0 && unheld) unheld->push_back({out_line, static_cast<Row>(r + 1), replaced});
      }
    }
    auto hidden = s.hidden_after.find(id);
    if (hidden != s.hidden_after.end()) put_hidden(hidden->second);
  }
  // A file whose last line had no line end keeps it so, unless that line is
  // now empty: without its line end it would be no line at all.
  if (!s.final_ending && !last_empty) out.resize(out.size() - last_ending);
  return out;
}

std::string ModuleFile::Render() const { return RenderTo(nullptr); }

std::vector<std::string> ModuleFile::Warnings() const {
  std::vector<Unheld> unheld;
  RenderTo(&unheld);
  std::vector<std::string> warnings;
  for (const Unheld& u : unheld) {
    warnings.push_back(Describe(state_->path) + ": line " + std::to_string(u.line) + " (row " + std::to_string(u.row) +
                       "): " + std::to_string(u.characters) + (u.characters == 1 ? " character" : " characters") +
                       " that " + state_->encoding.Name() + " cannot hold written as '?'");
  }
  return warnings;
}

namespace {

// The refusal of a module whose encoding cannot hold a row's characters.
FileError Unencodable(const fs::path& path, const Encoding& encoding, long line, Row row) {
  const std::string held_by = encoding.kind == Encoding::Kind::kCodePage ? "the file's code page " + encoding.Name()
                                                                          : "the file's encoding " + encoding.Name();
  return FileError(Describe(path) + ": line " + std::to_string(line) + " (row " + std::to_string(row) +
                   "): holds characters that " + held_by + " cannot hold; nothing was written");
}

}  // namespace

ModuleFile::Rendering ModuleFile::Rendered() const {
  std::vector<Unheld> unheld;
  Rendering rendering;
  rendering.bytes_ = RenderTo(&unheld);
  rendering.changed_ = rendering.bytes_ != state_->bytes;
  if (!unheld.empty()) {
    rendering.line_ = unheld.front().line;
    rendering.row_ = unheld.front().row;
  }
  return rendering;
}

void ModuleFile::CheckEncodable(const Rendering& rendering) const {
  if (rendering.row_ != 0) throw Unencodable(state_->path, state_->encoding, rendering.line_, rendering.row_);
}

void ModuleFile::Save(const fs::path& path) const { Save(path, Rendered()); }

void ModuleFile::Save(const fs::path& path, const Rendering& rendering) const {
  CheckEncodable(rendering);
  State& s = *state_;
  std::error_code ec;
  // Written back where it was read: only if no other program changed it.
  const bool same = s.stamp && (path == s.path || fs::equivalent(path, s.path, ec));
  const FileStamp written =
      WriteFileReplacing(path, rendering.bytes_, same ? &*s.stamp : nullptr, same ? &s.lock : nullptr);
  if (same) s.stamp = written;
}

Row ModuleFile::RowOfFileLine(long file_line) const {
  const State& s = *state_;
  if (file_line < 1 || file_line > static_cast<long>(s.lines.size())) return 0;
  const auto line = static_cast<std::int32_t>(file_line - 1);
  for (std::size_t r = 0; r < s.rows.size(); ++r) {
    if (s.Origin(s.rows[r]) == line) return static_cast<Row>(r + 1);
  }
  return 0;
}

long ModuleFile::FileLineOfRow(Row row) const {
  const State& s = *state_;
  if (row < 1 || static_cast<std::size_t>(row) > s.rows.size()) return 0;
  const std::int32_t id = s.rows[static_cast<std::size_t>(row) - 1];
  return id < s.FileLineCount() ? id + 1 : 0;
}

}  // namespace qlx
