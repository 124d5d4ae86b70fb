#include "cli/lsp_frame.h"

#include <cctype>
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
  json value = json::parse(body, nullptr, false);
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
