// The language server's input: frames ("Content-Length: N", an empty line,
// N bytes) read off the stream, and each body decoded as a JSON-RPC 2.0
// message. Whatever arrives, the reader finds the next frame and the decoder
// says what was wrong, so that a bad frame costs one error answer and never
// the server.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace qlx::cli::lsp {

// The largest body read: a module's buffer with room to spare.
inline constexpr std::size_t kMaxBody = std::size_t{64} << 20;
// The longest header line: real headers take a few dozen bytes.
inline constexpr std::size_t kMaxHeaderLine = 4096;

struct Frame {
  enum class Kind {
    kBody,    // body holds Content-Length bytes
    kBroken,  // no usable Content-Length; problem says why
    kEnd,     // the input ended (inside a frame too)
  };
  Kind kind = Kind::kEnd;
  std::string body;
  std::string problem;
};

// Reads frames one by one. Header names are matched ignoring case, other
// headers are skipped, blank lines between frames are passed over. A header
// block whose Content-Length is missing, not decimal digits, or over kMaxBody
// (or a header line over kMaxHeaderLine) gives a kBroken frame; as its body
// cannot be told from what follows, the reader then looks for the next
// "Content-Length:" and goes on from there.
class FrameReader {
 public:
  explicit FrameReader(std::istream& in) : in_(in) {}
  Frame Next();

 private:
  enum class Line { kRead, kTooLong, kEnd };
  Line ReadLine(std::string& line);
  // Skips to the next "Content-Length:", which then starts the next header
  // block; false at the end of the input.
  bool FindNextHeader();

  std::istream& in_;
  std::string found_;  // a header line found by FindNextHeader, not yet read
  bool has_found_ = false;
};

// One message, as JSON-RPC 2.0 tells them apart.
struct Incoming {
  enum class Kind {
    kRequest,       // method and id: answered
    kNotification,  // method without id
    kResponse,      // id with result or error: the answer to the server's own request
    kInvalid,       // JSON, but no message: answered -32600
    kParseError,    // not JSON at all: answered -32700
  };
  Kind kind = Kind::kInvalid;
  nlohmann::json id;      // of a request or response; for kInvalid, the id when one could be read, else null
  std::string method;     // of a request or notification
  nlohmann::json params;  // of a request or notification: an object or array (an empty object when missing)
  nlohmann::json result;  // of a response: its result, or null when it is an error
  bool failed = false;    // a response that carries an error
  std::string problem;    // of kInvalid and kParseError: what was wrong
};

// Decodes a body. Never throws.
Incoming Decode(std::string_view body);

}  // namespace qlx::cli::lsp
