// The language server's input: any bytes are read as frames without a
// crash, each frame taking input so that reading ends; every body is decoded
// without a throw into one kind of message; and any bytes sent as a proper
// frame come back whole, with a broken frame after them costing only
// itself: the frame that follows it is found.
#include <sstream>
#include <string>

#include "cli/lsp_frame.h"
#include "host/text.h"
#include "fuzz_support.h"

namespace {

using qlx::cli::lsp::Decode;
using qlx::cli::lsp::Frame;
using qlx::cli::lsp::FrameReader;
using qlx::cli::lsp::Incoming;
using qlx::fuzz::Check;

void CheckDecoded(const std::string& body) {
  const Incoming m = Decode(body);
  switch (m.kind) {
    case Incoming::Kind::kRequest:
    case Incoming::Kind::kNotification:
      Check(m.params.is_object() || m.params.is_array(), "params of a " + m.method + " are no object or array");
      Check(m.problem.empty(), "a message with a problem: " + m.problem);
      break;
    case Incoming::Kind::kResponse:
      Check(!m.id.is_discarded() && !m.id.is_object() && !m.id.is_array(), "a response without a usable id");
      break;
    case Incoming::Kind::kInvalid:
    case Incoming::Kind::kParseError:
      Check(!m.problem.empty(), "an error without a problem");
      Check(m.id.is_null() || m.id.is_string() || m.id.is_number(), "an error answered with an id that is none");
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // The bytes as a stream of frames.
  {
    std::istringstream in(input);
    FrameReader reader(in);
    std::streamoff at = 0;
    for (Frame frame = reader.Next(); frame.kind != Frame::Kind::kEnd; frame = reader.Next()) {
      const std::streamoff now = in.eof() ? static_cast<std::streamoff>(size) : static_cast<std::streamoff>(in.tellg());
      Check(now > at || in.eof(), "a frame read without taking input");
      at = now;
      Check(frame.body.size() <= qlx::cli::lsp::kMaxBody, "a body over the limit");
      if (frame.kind == Frame::Kind::kBody) CheckDecoded(frame.body);
      if (frame.kind == Frame::Kind::kBroken) Check(!frame.problem.empty(), "a broken frame without a problem");
    }
  }

  // The bytes as one body: decoded, and framed, read back whole.
  CheckDecoded(input);
  const std::string next = R"({"jsonrpc":"2.0","method":"exit"})";
  std::istringstream in("Content-Length: " + std::to_string(size) + "\r\n\r\n" + input +
                        "Content-Length: x\r\n\r\n" + input + "Content-Length: " + std::to_string(next.size()) +
                        "\r\n\r\n" + next);
  FrameReader reader(in);
  const Frame first = reader.Next();
  Check(first.kind == Frame::Kind::kBody && first.body == input, "a proper frame not read back whole");
  Check(reader.Next().kind == Frame::Kind::kBroken, "a frame without a usable length not said");
  // The reader looks for the next header in the broken frame's body: when
  // the body holds none, the frame after it is the next one read.
  if (qlx::AsciiLower(input).find("content-length:") == std::string::npos) {
    const Frame after = reader.Next();
    Check(after.kind == Frame::Kind::kBody && after.body == next, "the frame after a broken one was lost");
    Check(reader.Next().kind == Frame::Kind::kEnd, "a frame after the last one");
  }
  return 0;
}
