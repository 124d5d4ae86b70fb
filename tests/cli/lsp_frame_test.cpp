// The language server's input: frames found whatever comes between them,
// bodies decoded as JSON-RPC 2.0 tells messages apart, and a server that
// answers a bad frame and goes on, and ends when told, even mid-question.
#include "cli/lsp_frame.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using cli::lsp::Decode;
using cli::lsp::Frame;
using cli::lsp::FrameReader;
using cli::lsp::Incoming;
using nlohmann::json;

std::string Framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }

// What the reader finds in the input: each body, "!" for a broken frame.
std::vector<std::string> Frames(const std::string& input) {
  std::istringstream in(input);
  FrameReader reader(in);
  std::vector<std::string> found;
  for (Frame frame = reader.Next(); frame.kind != Frame::Kind::kEnd; frame = reader.Next()) {
    found.push_back(frame.kind == Frame::Kind::kBody ? frame.body : "!");
  }
  return found;
}

TEST(FrameReader, ReadsFramesWithOtherHeadersAndBlankLinesBetween) {
  EXPECT_EQ(Frames(Framed("{}") + "content-length:  3\r\nContent-Type: application/vscode-jsonrpc\r\n\r\n[1]" +
                   "\r\n\r\n" + Framed("\"x\"")),
            (std::vector<std::string>{"{}", "[1]", "\"x\""}));
  EXPECT_EQ(Frames("Content-Length: 2\n\n{}"), std::vector<std::string>{"{}"}) << "LF alone ends a header line";
  EXPECT_EQ(Frames(Framed("{}").substr(0, 20)), std::vector<std::string>{}) << "a body cut off by the end";
  EXPECT_EQ(Frames(""), std::vector<std::string>{});
}

struct BrokenCase {
  const char* name;
  std::string header_block;  // then a body the reader cannot know the length of
  friend void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }
};

class BrokenFrame : public ::testing::TestWithParam<BrokenCase> {};

// Once: the frame is reported, and the next one is found, however the body
// runs into its header.
TEST_P(BrokenFrame, IsReportedOnceAndTheNextFrameIsFound) {
  const std::string body = R"({"jsonrpc":"2.0","id":7,"method":"shutdown"})";
  EXPECT_EQ(Frames(Framed("{}") + GetParam().header_block + body + Framed("[2]") + Framed("[3]")),
            (std::vector<std::string>{"{}", "!", "[2]", "[3]"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenFrame,
    ::testing::Values(BrokenCase{"Missing", "Content-Type: text/plain\r\n\r\n"},
                      BrokenCase{"NotANumber", "Content-Length: abc\r\n\r\n"},
                      BrokenCase{"NumberAndMore", "Content-Length: 12abc\r\n\r\n"},
                      BrokenCase{"Negative", "Content-Length: -5\r\n\r\n"},
                      BrokenCase{"Empty", "Content-Length:\r\n\r\n"},
                      BrokenCase{"Huge", "Content-Length: 99999999999999999999999\r\n\r\n"},
                      BrokenCase{"OverTheLimit", "Content-Length: 67108865\r\n\r\n"},
                      BrokenCase{"LongHeaderLine", "X-Padding: " + std::string(5000, 'x') + "\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  std::string body;
  Incoming::Kind kind;
  json id;
  std::string method;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, TellsMessagesApartAsJsonRpcDoes) {
  const Incoming m = Decode(GetParam().body);
  EXPECT_EQ(m.kind, GetParam().kind) << m.problem;
  EXPECT_EQ(m.id, GetParam().id);
  EXPECT_EQ(m.method, GetParam().method);
  const bool answered_as_error = m.kind == Incoming::Kind::kInvalid || m.kind == Incoming::Kind::kParseError;
  EXPECT_EQ(answered_as_error, !m.problem.empty()) << m.problem;
}

using Kind = Incoming::Kind;
INSTANTIATE_TEST_SUITE_P(
    Cases, Decoding,
    ::testing::Values(
        DecodeCase{"Request", R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})", Kind::kRequest, 1, "initialize"},
        DecodeCase{"StringId", R"({"jsonrpc":"2.0","id":"a","method":"x","params":[1]})", Kind::kRequest, "a", "x"},
        DecodeCase{"Notification", R"({"jsonrpc":"2.0","method":"exit"})", Kind::kNotification, nullptr, "exit"},
        DecodeCase{"Response", R"({"jsonrpc":"2.0","id":4,"result":{"title":"Yes"}})", Kind::kResponse, 4, ""},
        DecodeCase{"ErrorResponse", R"({"jsonrpc":"2.0","id":4,"error":{"code":1}})", Kind::kResponse, 4, ""},
        DecodeCase{"NotJson", R"({"jsonrpc":)", Kind::kParseError, nullptr, ""},
        DecodeCase{"NotUtf8", "{\"method\":\"\xff\"}", Kind::kParseError, nullptr, ""},
        DecodeCase{"Batch", R"([{"jsonrpc":"2.0","id":1,"method":"shutdown"}])", Kind::kInvalid, nullptr, ""},
        DecodeCase{"Number", "42", Kind::kInvalid, nullptr, ""},
        DecodeCase{"String", R"("exit")", Kind::kInvalid, nullptr, ""},
        DecodeCase{"Null", "null", Kind::kInvalid, nullptr, ""},
        DecodeCase{"MethodNotAString", R"({"jsonrpc":"2.0","id":3,"method":5})", Kind::kInvalid, 3, ""},
        DecodeCase{"IdAnObject", R"({"jsonrpc":"2.0","id":{},"method":"x"})", Kind::kInvalid, nullptr, ""},
        DecodeCase{"ParamsAString", R"({"jsonrpc":"2.0","id":2,"method":"x","params":"p"})", Kind::kInvalid, 2, ""},
        DecodeCase{"Nothing", "{}", Kind::kInvalid, nullptr, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A document's text, too long for the JSON parser to copy byte by byte, is
// decoded apart: the message must read as the JSON parser reads it, and
// whatever the parser refuses is refused all the same.
struct LongStringCase {
  const char* name;
  std::string before;  // the body up to the long string's first character
  std::string piece;   // repeated to make the string's text
  std::string after;   // from the string's closing quote on
  friend void PrintTo(const LongStringCase& c, std::ostream* os) { *os << c.name; }
};

class LongString : public ::testing::TestWithParam<LongStringCase> {};

TEST_P(LongString, ReadsAsTheJsonParserReadsIt) {
  std::string text;
  while (text.size() < (std::size_t{80} << 10)) text += GetParam().piece;
  const std::string body = GetParam().before + text + GetParam().after;
  const json expected = json::parse(body, nullptr, false);
  const Incoming m = Decode(body);
  if (expected.is_discarded()) {
    EXPECT_EQ(m.kind, Incoming::Kind::kParseError);
    return;
  }
  ASSERT_EQ(m.kind, Incoming::Kind::kNotification) << m.problem;
  EXPECT_TRUE(m.params == expected["params"]);
}

constexpr const char* kOpen = R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.bas","text":")";
constexpr const char* kClose = R"("}}})";
INSTANTIATE_TEST_SUITE_P(
    Texts, LongString,
    ::testing::Values(
        LongStringCase{"Escapes", kOpen, R"(Sub A()\r\n    s = \"x\\y\/\"\t\b\f\n\rEnd Sub\r\n)", kClose},
        LongStringCase{"Utf8", kOpen, "' 合計する 𠮷 é\\r\\n", kClose},
        LongStringCase{"UnicodeEscape", kOpen, R"(a\u00e9\ud842\udfb7\r\n)", kClose},
        LongStringCase{"ControlCharacter", kOpen, "a\tb\\r\\n", kClose},
        // Long plain runs, each followed by what must be looked at, at
        // every place in a word of 8 bytes as the piece repeats.
        LongStringCase{"RunsThenEscapes", kOpen, std::string(29, 'a') + R"(\"\\)" + std::string(13, 'b') + "\x7f\u00e9", kClose},
        LongStringCase{"RunThenControlCharacter", kOpen, std::string(37, 'a') + "\x01", kClose},
        LongStringCase{"RunThenCutSequence", kOpen, std::string(21, 'a') + "\xe3\x81", kClose},
        LongStringCase{"BadEscape", kOpen, R"(a\qb)", kClose},
        LongStringCase{"Surrogate", kOpen, "a\xed\xa0\x80", kClose},
        LongStringCase{"Overlong", kOpen, "a\xc0\xaf", kClose},
        LongStringCase{"CutSequence", kOpen, "a\xe3\x81", kClose},
        LongStringCase{"BrokenAfter", kOpen, "abc", R"("}},})"},
        LongStringCase{"ANameNotAValue", R"({"jsonrpc":"2.0","method":"x","params":{")",
                       "abc", R"(":"qlx long strin\u0067"}})"},
        LongStringCase{"ValueSpelledLikeTheStandIn", R"({"jsonrpc":"2.0","method":"x","params":{"a":"qlx long strin\u0067","b":")",
                       "abc", R"("}})"},
        LongStringCase{"InAnArray", R"({"jsonrpc":"2.0","method":"x","params":[1,")", "abc", R"(",{"b":"c"}]})"},
        LongStringCase{"TwoLongOnes", R"({"jsonrpc":"2.0","method":"x","params":{"a":")", "abc",
                       R"(","b":")" + std::string(70000, 'z') + R"("}})"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the server ----------------------------------------------------------------

std::string Message(const json& m) { return Framed(m.dump()); }

const json kInitialize = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}};
const json kShutdown = {{"jsonrpc", "2.0"}, {"id", 99}, {"method", "shutdown"}};
const json kExit = {{"jsonrpc", "2.0"}, {"method", "exit"}};

// The bodies of the server's messages.
std::vector<json> Answers(const std::string& out) {
  std::vector<json> answers;
  for (const std::string& body : Frames(out)) answers.push_back(json::parse(body));
  return answers;
}

// Guarded: a server deaf to exit would otherwise hold the test for ever.
RunResult RunServer(const std::string& input) {
  return RunQlx({"lsp"}, "QLX_INI= HOME=/nonexistent-qlx-home XDG_CONFIG_HOME= timeout -s KILL 120", input);
}

TEST(LanguageServer, AnswersEachBadFrameAndStillHearsTheNextRequest) {
  std::string input = Message(kInitialize);
  for (const char* bad : {"[1,2]", "42", "\"str\"", R"({"jsonrpc":"2.0","id":3,"method":5})", "{not json"}) {
    input += Framed(bad);
  }
  input += "Content-Length: abc\r\n\r\n" + json{{"jsonrpc", "2.0"}, {"id", 5}, {"method", "shutdown"}}.dump();
  input += "Content-Length: -5\r\n\r\n{}";
  input += "Content-Length: 99999999999999999999\r\n\r\n{}";
  input += Message(kShutdown) + Message(kExit);
  const RunResult r = RunServer(input);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<json> answers = Answers(r.out);
  std::vector<std::pair<json, int>> errors;  // id and code
  for (const json& a : answers) {
    if (a.contains("error")) errors.emplace_back(a["id"], a["error"]["code"].get<int>());
  }
  EXPECT_EQ(errors, (std::vector<std::pair<json, int>>{{nullptr, -32600},
                                                       {nullptr, -32600},
                                                       {nullptr, -32600},
                                                       {3, -32600},
                                                       {nullptr, -32700},
                                                       {nullptr, -32700},
                                                       {nullptr, -32700},
                                                       {nullptr, -32700}}))
      << r.out;
  ASSERT_FALSE(answers.empty());
  EXPECT_EQ(answers.back(), (json{{"id", 99}, {"jsonrpc", "2.0"}, {"result", nullptr}})) << r.out;
}

// The error-handler action asks whether to go on, the procedure having an
// On Error statement already; the editor says exit instead of answering.
TEST(LanguageServer, ExitWhileAQuestionIsPendingEndsTheServer) {
  const std::string module =
      "Attribute VB_Name = \"Guarded\"\r\n"
      "Sub A()\r\n"
      "    On Error Resume Next\r\n"
      "End Sub\r\n";
  const std::string uri = "file:///nonexistent-qlx-dir/Guarded.bas";
  const std::string input =
      Message(kInitialize) +
      Message({{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", uri}, {"languageId", "vb"}, {"version", 1}, {"text", module}}}}}}) +
      Message({{"jsonrpc", "2.0"},
               {"id", 2},
               {"method", "workspace/executeCommand"},
               {"params",
                {{"command", "qlx.run"},
                 {"arguments", json::array({{{"uri", uri}, {"version", 1}, {"action", "errtrap"}, {"row", 1}}})}}}}) +
      Message(kExit);
  const RunResult r = RunServer(input);
  EXPECT_EQ(r.status, 1) << "exit without shutdown\n" << r.err;
  bool asked = false;
  for (const json& a : Answers(r.out)) asked = asked || a.value("method", "") == "window/showMessageRequest";
  EXPECT_TRUE(asked) << r.out;
}

}  // namespace
}  // namespace qlx::testing
