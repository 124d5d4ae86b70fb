#include "cli/lsp_buffer.h"

#include <algorithm>

#include "host/files/module_file.h"

namespace qlx::cli::lsp {

namespace {

TextView EndText(LineEnd end) { return LineEndText<char16_t>(end); }

}  // namespace

Buffer::Buffer(std::filesystem::path path)
    : path_(std::move(path)), module_(std::make_shared<MemoryCodeModule>(Text(), std::vector<Text>())) {}

// The text in pieces of whole lines, read line by line from the start: each
// piece read is let go while a large module is made from them.
class Buffer::Pieces {
 public:
  explicit Pieces(std::string utf8) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::size_t from = 0;
    std::size_t at = 0;
    VisitLines(std::string_view(utf8), [&](std::string_view line, LineEnd end) {
      at = static_cast<std::size_t>(line.data() - utf8.data()) + line.size() + LineEndLength(end);
      ends.push_back(end);
      if (at - from >= kPiece) {
        pieces_.emplace_back(utf8, from, at - from);
        from = at;
      }
    });
    if (at > from) pieces_.emplace_back(utf8, from, at - from);
  }

  // The next line. Each piece is decoded in one call when its first line
  // is asked for (a call per line cost more than the module's making), and
  // its bytes are let go then.
  Text Next() {
    while (at_ >= decoded_.size()) {
      std::string& piece = pieces_[piece_++];
      decoded_ = FromUtf8(piece);
      std::string().swap(piece);
      at_ = 0;
    }
    const TextView text = decoded_;
    const LineBreak end = NextLineBreak(text, at_);
    Text line(text.substr(at_, end.at - at_));
    at_ = end.Next();
    return line;
  }
  bool HasNul() const {
    return std::any_of(pieces_.begin(), pieces_.end(), [](const std::string& p) { return p.find('\0') != std::string::npos; });
  }
  std::string Bytes() const {
    std::string bytes;
    for (const std::string& p : pieces_) bytes += p;
    return bytes;
  }

  std::vector<LineEnd> ends;

 private:
  std::vector<std::string> pieces_;
  std::size_t piece_ = 0;  // the next piece to decode
  Text decoded_;           // the piece being read
  std::size_t at_ = 0;     // in decoded_
};

void Buffer::Reset(std::string utf8) {
  Pieces pieces(std::move(utf8));
  problem_.reset();
  hidden_.clear();
  module_.reset();
  ends_ = std::move(pieces.ends);
  try {
    // The module reader says why, from the bytes it would have been given.
    if (pieces.HasNul()) ModuleFile::FromBytes(std::string(kUtf8Bom) + pieces.Bytes(), path_);
  } catch (const FileError& e) {
    problem_ = e.what();
  }
  // Every line a row first, each decoded once; then the hidden ones leave.
  const std::size_t count = ends_.size();
  module_ = std::make_shared<MemoryCodeModule>(Text(), count, [&] { return pieces.Next(); });
  if (problem_) return;  // kept as rows all the same, to be changed and read again
  try {
    HiddenLines hidden = FindHiddenLines(
        count, [this](std::size_t i) { return TextView(module_->Line(static_cast<Row>(i + 1))); }, path_);
    std::vector<long> lines(hidden.header);
    for (std::size_t k = 0; k < hidden.header; ++k) lines[k] = static_cast<long>(k);
    for (std::size_t k : hidden.attributes) lines.push_back(static_cast<long>(k));
    hidden_.reserve(lines.size());
    for (long line : lines) {
      const Row row = static_cast<Row>(line - static_cast<long>(hidden_.size()) + 1);
      hidden_.push_back({line, module_->Line(row)});
      module_->SpliceLines(row, 1, {});
    }
    module_->SetName(std::move(hidden.name));
  } catch (const FileError& e) {
    problem_ = e.what();
  }
}

std::size_t Buffer::HiddenFrom(long line) const {
  return static_cast<std::size_t>(
      std::lower_bound(hidden_.begin(), hidden_.end(), line, [](const HiddenLine& h, long l) { return h.line < l; }) -
      hidden_.begin());
}

const Text& Buffer::Content(long line) const {
  const std::size_t k = HiddenFrom(line);
  if (k < hidden_.size() && hidden_[k].line == line) return hidden_[k].text;
  return module_->Line(static_cast<Row>(line - static_cast<long>(k) + 1));
}

long Buffer::LineOfRow(Row row) const {
  if (row < 1 || row > module_->LineCount()) return -1;
  const long index = row - 1;
  // Hidden line k has line - k rows above it, which never decreases with k.
  std::size_t above = 0, after = hidden_.size();
  while (above < after) {
    const std::size_t mid = (above + after) / 2;
    if (hidden_[mid].line - static_cast<long>(mid) <= index) {
      above = mid + 1;
    } else {
      after = mid;
    }
  }
  return index + static_cast<long>(above);
}

void Buffer::ForEachLine(const LineVisitor& visit) const {
  std::size_t k = 0;
  Row row = 1;
  for (long line = 0; line < LineCount(); ++line) {
    const bool hidden = k < hidden_.size() && hidden_[k].line == line;
    const Text& content = hidden ? hidden_[k++].text : module_->Line(row++);
    if (!visit(content, EndText(ends_[static_cast<std::size_t>(line)]))) return;
  }
}

Text Buffer::WholeText() const {
  Text text;
  ForEachLine([&text](TextView content, TextView end) {
    text += content;
    text += end;
    return true;
  });
  return text;
}

std::string Buffer::Utf8Lines(long from, long to) const {
  std::string out;
  for (long line = from; line < to; ++line) {
    out += ToUtf8(Content(line));
    out += ToUtf8(EndText(ends_[static_cast<std::size_t>(line)]));
  }
  return out;
}

void Buffer::Change(Position start, Position end, const Text& replacement) {
  const long n = LineCount();
  const auto length = [this](long line) { return static_cast<long>(Content(line).size()); };
  const LineEnd last_end = n > 0 ? ends_[static_cast<std::size_t>(n - 1)] : LineEnd::kNone;
  const Position a = PlaceOf(start, n, last_end, length);
  Position b = PlaceOf(end, n, last_end, length);
  if (b.line < a.line || (b.line == a.line && b.character < a.character)) b = a;
  const auto content = [&](long line) { return line < n ? TextView(Content(line)) : TextView(); };

  // The changed stretch, whole lines from first to last, and what takes its
  // place. A lone CR before it may become CR LF with it.
  long first = a.line;
  Text changed;
  if (first > 0 && ends_[static_cast<std::size_t>(first - 1)] == LineEnd::kCr) {
    --first;
    changed = content(first);
    changed += u'\r';
  }
  changed += content(a.line).substr(0, static_cast<std::size_t>(a.character));
  changed += replacement;
  changed += content(b.line).substr(static_cast<std::size_t>(b.character));
  if (b.line < n) changed += EndText(ends_[static_cast<std::size_t>(b.line)]);
  const long last = std::min(b.line, n - 1);
  std::vector<Text> lines;
  std::vector<LineEnd> ends;
  VisitLines(TextView(changed), [&](TextView line, LineEnd e) {
    lines.emplace_back(line);
    ends.push_back(e);
  });

  // In place when the lines the module reader hides stay as they are: the
  // header block and row 1 are left alone, no hidden line is changed, no
  // new line or the line after the change reads as an attribute (whether it
  // is hidden hangs on the line above it).
  const std::size_t k = HiddenFrom(first);
  bool in_place = !problem_ && module_->LineCount() > 0 && first > LineOfRow(1) &&
                  (k == hidden_.size() || hidden_[k].line > last) &&
                  (last + 1 >= n || !IsAttributeLine(Content(last + 1)));
  for (const Text& line : lines) {
    if (IsAttributeLine(line) || line.find(u'\0') != Text::npos) in_place = false;
  }
  if (!in_place) {
    std::string utf8 = Utf8Lines(0, first);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      utf8 += ToUtf8(lines[i]);
      utf8 += ToUtf8(EndText(ends[i]));
    }
    utf8 += Utf8Lines(last + 1, n);
    Reset(std::move(utf8));
    return;
  }
  const long removed = last - first + 1;
  const long added = static_cast<long>(lines.size());
  module_->SpliceLines(static_cast<Row>(first - static_cast<long>(k) + 1), static_cast<Row>(removed), std::move(lines));
  ends_.erase(ends_.begin() + first, ends_.begin() + first + removed);
  ends_.insert(ends_.begin() + first, ends.begin(), ends.end());
  for (std::size_t h = k; h < hidden_.size(); ++h) hidden_[h].line += added - removed;
  ++in_place_;
}

std::vector<Diagnostic> Buffer::Diagnose(const check::CheckOptions& options) const {
  std::vector<Diagnostic> out;
  for (check::Finding& f : check::CheckModule(module_, options)) {
    const long line = LineOfRow(f.row);
    if (line < 0) continue;
    const long length = static_cast<long>(module_->Line(f.row).size());
    out.push_back({line, f.column - 1, std::max<long>(length, f.column - 1), f.rule, std::move(f.message)});
  }
  return out;
}

}  // namespace qlx::cli::lsp
