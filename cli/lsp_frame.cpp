#include "cli/lsp_frame.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "host/text.h"

namespace qlx::cli::lsp {

namespace {

using json = nlohmann::json;

constexpr std::string_view kLengthHeader = "Content-Length:";

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The length a Content-Length value gives, or a problem.
bool ParseLength(std::string_view value, std::size_t& length, std::string& problem) {
  value = TrimBlanks(value);
  if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
    problem = "the Content-Length \"" + std::string(value.substr(0, 40)) + "\" is not a number of bytes";
    return false;
  }
  length = 0;
  for (const char c : value) {
    length = length * 10 + static_cast<std::size_t>(c - '0');
    if (length > kMaxBody) {
      problem = "the Content-Length " + std::string(value.substr(0, 40)) + " is over the " +
                std::to_string(kMaxBody) + " bytes a message may take";
      return false;
    }
  }
  return true;
}

// A string of the message's JSON this long (an opened document's text) is
// decoded apart: the JSON parser copies a string byte by byte, twice, which
// for a document of many megabytes costs more than the rest of the opening.
constexpr std::size_t kLongString = std::size_t{64} << 10;

// Eight bytes at a time over a document's text, which is nearly all plain
// characters: whether a word of 8 bytes holds a given byte, or any byte
// the string decoding must look at.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
std::uint64_t WordAt(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}
constexpr bool HasZeroByte(std::uint64_t word) { return ((word - kOnes) & ~word & kHighs) != 0; }
constexpr bool HasByte(std::uint64_t word, unsigned char c) { return HasZeroByte(word ^ (kOnes * c)); }
// No quote, no backslash, no control character and nothing above 0x7F.
constexpr bool IsPlainWord(std::uint64_t word) {
  return (word & kHighs) == 0 && ((word - kOnes * 0x20) & ~word & kHighs) == 0 && !HasByte(word, '"') &&
         !HasByte(word, '\\');
}

// Where the longest string literal of a JSON text lies, quotes included:
// strings are told apart by their unescaped quotes, as a JSON reader does.
// {0, 0} when there is no string.
std::pair<std::size_t, std::size_t> LongestString(std::string_view json) {
  std::pair<std::size_t, std::size_t> longest{0, 0};
  std::size_t i = 0;
  while ((i = json.find('"', i)) != std::string_view::npos) {
    const std::size_t start = i++;
    for (;;) {
      while (i + 8 <= json.size()) {
        const std::uint64_t word = WordAt(json.data() + i);
        if (HasByte(word, '"') || HasByte(word, '\\')) break;
        i += 8;
      }
      if (i >= json.size() || json[i] == '"') break;
      i += json[i] == '\\' ? 2 : 1;
    }
    if (i >= json.size()) break;
    ++i;
    if (i - start > longest.second - longest.first) longest = {start, i};
  }
  return longest;
}

// The bytes after a UTF-8 lead byte, and the range of the first of them,
// as RFC 3629 has them (no overlong forms, no surrogates, nothing past
// U+10FFFF); 0 for a byte that cannot lead.
struct Utf8Lead {
  int follow = 0;
  unsigned char low = 0x80, high = 0xBF;
};
Utf8Lead LeadOf(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return {1};
  if (c == 0xE0) return {2, 0xA0, 0xBF};
  if (c == 0xED) return {2, 0x80, 0x9F};
  if (c >= 0xE1 && c <= 0xEF) return {2};
  if (c == 0xF0) return {3, 0x90, 0xBF};
  if (c >= 0xF1 && c <= 0xF3) return {3};
  if (c == 0xF4) return {3, 0x80, 0x8F};
  return {};
}

// The text of a JSON string literal (quotes included), or nullopt where it
// holds anything but plain characters, valid UTF-8 and the one-letter
// escapes: a \u escape, a control character or a broken sequence leave the
// literal to the JSON parser, which decodes or refuses it.
std::optional<std::string> PlainString(std::string_view literal) {
  std::string out;
  out.reserve(literal.size());
  const std::size_t end = literal.size() - 1;
  std::size_t run = 1;
  std::size_t i = 1;
  while (i < end) {
    while (i + 8 <= end && IsPlainWord(WordAt(literal.data() + i))) i += 8;
    if (i >= end) break;
    const auto c = static_cast<unsigned char>(literal[i]);
    if (c >= 0x20 && c < 0x80 && c != '\\') {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const Utf8Lead lead = LeadOf(c);
      if (lead.follow == 0 || i + static_cast<std::size_t>(lead.follow) >= end) return std::nullopt;
      for (int k = 1; k <= lead.follow; ++k) {
        const auto f = static_cast<unsigned char>(literal[i + static_cast<std::size_t>(k)]);
        if (k == 1 ? (f < lead.low || f > lead.high) : (f < 0x80 || f > 0xBF)) return std::nullopt;
      }
      i += static_cast<std::size_t>(lead.follow) + 1;
      continue;
    }
    if (c != '\\') return std::nullopt;  // a control character
    out.append(literal.substr(run, i - run));
    switch (literal[i + 1]) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: return std::nullopt;
    }
    i += 2;
    run = i;
  }
  out.append(literal.substr(run, end - run));
  return out;
}

// The one string of value equal to text, or null when there is none, more
// than one, or a member's name equal to it.
json* OnlyStringEqualTo(json& value, std::string_view text, int& found) {
  json* hit = nullptr;
  if (value.is_string()) {
    if (value.get_ref<const std::string&>() == text) {
      ++found;
      hit = &value;
    }
  } else if (value.is_object()) {
    for (auto& [key, item] : value.items()) {
      if (key == text) found += 2;
      if (json* h = OnlyStringEqualTo(item, text, found)) hit = h;
    }
  } else if (value.is_array()) {
    for (json& item : value) {
      if (json* h = OnlyStringEqualTo(item, text, found)) hit = h;
    }
  }
  return found == 1 ? hit : nullptr;
}

// The body parsed, its longest string decoded apart when it is long and
// plain; discarded when the body is not JSON.
json Parse(std::string_view body) {
  const auto [start, end] = LongestString(body);
  if (end - start >= kLongString) {
    if (std::optional<std::string> text = PlainString(body.substr(start, end - start))) {
      // A stand-in no string of the body spells as it is.
      std::string stand_in = "qlx long string";
      while (body.find(stand_in) != std::string_view::npos) stand_in += '~';
      std::string rest;
      rest.reserve(body.size() - (end - start) + stand_in.size() + 2);
      rest.append(body.substr(0, start)).append("\"").append(stand_in).append("\"").append(body.substr(end));
      json value = json::parse(rest, nullptr, false);
      if (value.is_discarded()) return value;
      int found = 0;
      if (json* slot = OnlyStringEqualTo(value, stand_in, found)) {
        slot->get_ref<std::string&>().swap(*text);
        return value;
      }
    }
  }
  return json::parse(body, nullptr, false);
}

}  // namespace

FrameReader::Line FrameReader::ReadLine(std::string& line) {
  line.clear();
  if (has_found_) {
    line = std::move(found_);
    has_found_ = false;
  }
  for (;;) {
    const int c = in_.get();
    if (c == std::char_traits<char>::eof()) return Line::kEnd;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return Line::kRead;
    }
    if (line.size() >= kMaxHeaderLine) return Line::kTooLong;
    line.push_back(static_cast<char>(c));
  }
}

bool FrameReader::FindNextHeader() {
  // No letter of the header's name but its first comes back as the first,
  // so a mismatch restarts the match at the character that broke it.
  std::size_t matched = 0;
  for (;;) {
    const int c = in_.get();
    if (c == std::char_traits<char>::eof()) return false;
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == static_cast<char>(std::tolower(static_cast<unsigned char>(kLengthHeader[matched])))) {
      if (++matched == kLengthHeader.size()) {
        found_ = std::string(kLengthHeader);
        has_found_ = true;
        return true;
      }
    } else {
      matched = lower == 'c' ? 1 : 0;
    }
  }
}

Frame FrameReader::Next() {
  bool any_header = false;
  bool has_length = false;
  std::size_t length = 0;
  std::string problem;
  std::string line;
  for (;;) {
    const Line read = ReadLine(line);
    if (read == Line::kEnd) return Frame{};
    if (read == Line::kTooLong) {
      problem = "a header line is longer than " + std::to_string(kMaxHeaderLine) + " bytes";
      break;
    }
    if (line.empty()) {
      if (any_header) break;
      continue;  // a blank line between frames
    }
    any_header = true;
    const std::string_view text = line;
    if (text.size() >= kLengthHeader.size() &&
        AsciiEqualNoCase(text.substr(0, kLengthHeader.size()), kLengthHeader) && problem.empty()) {
      has_length = ParseLength(text.substr(kLengthHeader.size()), length, problem);
    }
  }
  if (problem.empty() && !has_length) problem = "the frame has no Content-Length header";
  if (!problem.empty()) {
    FindNextHeader();
    return Frame{Frame::Kind::kBroken, "", problem};
  }
  Frame frame{Frame::Kind::kBody, std::string(length, '\0'), ""};
  in_.read(frame.body.data(), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(in_.gcount()) != length) return Frame{};
  return frame;
}

Incoming Decode(std::string_view body) {
  Incoming message;
  json value = Parse(body);
  if (value.is_discarded()) {
    message.kind = Incoming::Kind::kParseError;
    message.problem = "the message is not JSON";
    return message;
  }
  const auto invalid = [&](std::string problem) {
    message.kind = Incoming::Kind::kInvalid;
    message.problem = std::move(problem);
    return message;
  };
  if (value.is_array()) return invalid("a batch of messages is not taken; send them one by one");
  if (!value.is_object()) return invalid("the message is not a JSON object");
  const auto id = value.find("id");
  const bool has_id = id != value.end();
  if (has_id) {
    if (!id->is_string() && !id->is_number() && !id->is_null()) return invalid("the id is neither a number nor a string");
    message.id = *id;
  }
  const auto method = value.find("method");
  if (method != value.end()) {
    if (!method->is_string()) return invalid("the method is not a string");
    const auto params = value.find("params");
    if (params != value.end() && !params->is_object() && !params->is_array()) {
      return invalid("the params are neither an object nor an array");
    }
    message.kind = has_id ? Incoming::Kind::kRequest : Incoming::Kind::kNotification;
    message.method = method->get<std::string>();
    message.params = params != value.end() ? std::move(*params) : json::object();
    return message;
  }
  const auto result = value.find("result");
  const auto error = value.find("error");
  if (has_id && (result != value.end() || error != value.end())) {
    message.kind = Incoming::Kind::kResponse;
    message.failed = error != value.end();
    if (!message.failed) message.result = std::move(*result);
    return message;
  }
  return invalid("the message has no method");
}

}  // namespace qlx::cli::lsp
