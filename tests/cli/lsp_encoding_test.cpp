// The language server and the file's encoding: a Shift-JIS file an editor
// opened as Latin-1 gets one diagnostic saying so and no edits, and no edit
// is offered that the file's code page could not hold.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::string Framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }
std::string Message(const json& m) { return Framed(m.dump()); }

// The bodies of the frames the server wrote.
std::vector<json> Messages(const std::string& out) {
  std::vector<json> found;
  std::size_t at = 0;
  while ((at = out.find("Content-Length: ", at)) != std::string::npos) {
    const std::size_t start = out.find("\r\n\r\n", at) + 4;
    const std::size_t length = std::stoul(out.substr(at + 16));
    found.push_back(json::parse(out.substr(start, length)));
    at = start + length;
  }
  return found;
}

// Each byte one character, as an editor shows bytes it took for Latin-1; in UTF-8 for JSON.
std::string Latin1AsUtf8(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// CP932: 合計 is 8D 87 8C 76.
const std::string kCp932Module =
    "Attribute VB_Name = \"Sum\"\r\n"
    "Option Explicit\r\n"
    "' \x8d\x87\x8c\x76\r\n"
    "Public Sub Total()\r\n"
    "    'deb x\r\n"
    "End Sub\r\n";

struct Session {
  std::vector<json> messages;
  // The result of the request with this id.
  json Result(int id) const {
    for (const json& m : messages) {
      if (m.contains("id") && m["id"] == id && !m.contains("method")) return m.value("result", json());
    }
    return json("no answer");
  }
  std::vector<json> Notifications(const std::string& method) const {
    std::vector<json> found;
    for (const json& m : messages) {
      if (m.value("method", "") == method) found.push_back(m["params"]);
    }
    return found;
  }
};

// Opens text as the file at path, asks for the code actions on line 3
// (request 2) and, with run_header, runs the header action as a command
// (request 3), which must change nothing: the server asks the editor for
// no edit, or it would wait for the answer.
Session Serve(const fs::path& path, const std::string& text_utf8, const std::string& env, bool disabled_support,
              bool run_header = true) {
  const std::string uri = "file://" + path.string();
  json capabilities = json::object();
  if (disabled_support) capabilities = {{"textDocument", {{"codeAction", {{"disabledSupport", true}}}}}};
  const json at_line = {{"start", {{"line", 3}, {"character", 0}}}, {"end", {{"line", 3}, {"character", 0}}}};
  const std::string input =
      Message({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", capabilities}}}}) +
      Message({{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", uri}, {"languageId", "vba"}, {"version", 1}, {"text", text_utf8}}}}}}) +
      Message({{"jsonrpc", "2.0"},
               {"id", 2},
               {"method", "textDocument/codeAction"},
               {"params", {{"textDocument", {{"uri", uri}}}, {"range", at_line}, {"context", {{"diagnostics", json::array()}}}}}}) +
      (run_header ? Message({{"jsonrpc", "2.0"},
                             {"id", 3},
                             {"method", "workspace/executeCommand"},
                             {"params",
                              {{"command", "qlx.run"},
                               {"arguments",
                                json::array({{{"uri", uri}, {"version", 1}, {"action", "header"}, {"row", 3}}})}}}})
                  : std::string()) +
      Message({{"jsonrpc", "2.0"}, {"id", 9}, {"method", "shutdown"}}) + Message({{"jsonrpc", "2.0"}, {"method", "exit"}});
  const RunResult r = RunQlx({"lsp"}, env + " HOME=/nonexistent-qlx-home XDG_CONFIG_HOME= timeout -s KILL 120", input);
  EXPECT_EQ(r.status, 0) << r.err;
  return Session{Messages(r.out)};
}

std::vector<std::string> Titles(const json& actions) {
  std::vector<std::string> titles;
  for (const json& a : actions) titles.push_back(a.value("title", ""));
  return titles;
}

TEST(LanguageServerEncoding, ShiftJisReadAsLatin1GetsOneDiagnosticAndNoEdits) {
  TempDir dir;
  WriteFile(dir / "Sum.bas", kCp932Module);
  const Session s = Serve(dir / "Sum.bas", Latin1AsUtf8(kCp932Module), "QLX_INI=", false);
  const std::vector<json> published = s.Notifications("textDocument/publishDiagnostics");
  ASSERT_EQ(published.size(), 1u);
  const json& diagnostics = published[0]["diagnostics"];
  ASSERT_EQ(diagnostics.size(), 1u) << diagnostics.dump();
  EXPECT_EQ(diagnostics[0]["code"], "encoding");
  EXPECT_EQ(diagnostics[0]["severity"], 1);
  EXPECT_EQ(diagnostics[0]["range"]["start"]["line"], 2) << "the line of the first Japanese text";
  EXPECT_NE(diagnostics[0]["message"].get<std::string>().find(":e ++enc=cp932"), std::string::npos);
  EXPECT_EQ(s.Result(2), json::array()) << "no code action";
  EXPECT_TRUE(s.Notifications("workspace/applyEdit").empty());
  for (const json& m : s.messages) EXPECT_NE(m.value("method", ""), "workspace/applyEdit");
  const std::vector<json> shown = s.Notifications("window/showMessage");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0]["message"].get<std::string>().find("Shift-JIS (CP932) opened as Latin-1"), std::string::npos);
}

TEST(LanguageServerEncoding, TheSameFileReadAsShiftJisIsServedAsEver) {
  TempDir dir;
  WriteFile(dir / "Sum.bas", kCp932Module);
  const Session s = Serve(dir / "Sum.bas",
                        "Attribute VB_Name = \"Sum\"\r\nOption Explicit\r\n' \xe5\x90\x88\xe8\xa8\x88\r\nPublic Sub "
                        "Total()\r\n    'deb x\r\nEnd Sub\r\n",
                        "QLX_INI=", false, false);
  const json diagnostics = s.Notifications("textDocument/publishDiagnostics").at(0)["diagnostics"];
  std::vector<std::string> codes;
  for (const json& d : diagnostics) codes.push_back(d.value("code", ""));
  EXPECT_EQ(codes, (std::vector<std::string>{"missing-header", "deb-marker"})) << diagnostics.dump();
  EXPECT_EQ(Titles(s.Result(2)).size(), 5u) << s.Result(2).dump();
}

// A parameter named with letters Shift-JIS cannot hold (größe, typed into
// the buffer of a Shift-JIS file): the header, which would copy the name, is
// not offered, or offered disabled with the reason when the editor shows
// such actions; the other actions are offered as ever.
TEST(LanguageServerEncoding, AnEditTheFilesCodePageCannotHoldIsNotOffered) {
  TempDir dir;
  WriteFile(dir / "Sum.bas", kCp932Module);
  const std::string text = "Attribute VB_Name = \"Sum\"\r\nOption Explicit\r\n' \xe5\x90\x88\xe8\xa8\x88\r\nPublic "
                           "Sub Total(ByVal gr\xc3\xb6\xc3\x9f" "e As Long)\r\n    'deb x\r\nEnd Sub\r\n";
  for (const bool disabled_support : {false, true}) {
    SCOPED_TRACE(disabled_support ? "disabledSupport" : "no disabledSupport");
    const Session s = Serve(dir / "Sum.bas", text, "QLX_INI=", disabled_support);
    const json actions = s.Result(2);
    const std::vector<std::string> titles = Titles(actions);
    const auto header = std::find(titles.begin(), titles.end(), "Write or update the procedure header");
    if (disabled_support) {
      ASSERT_NE(header, titles.end()) << actions.dump();
      const json& action = actions[static_cast<std::size_t>(header - titles.begin())];
      EXPECT_FALSE(action.contains("edit"));
      EXPECT_NE(action["disabled"]["reason"].get<std::string>().find("the file's code page CP932 cannot hold"),
                std::string::npos)
          << action.dump();
    } else {
      EXPECT_EQ(header, titles.end()) << actions.dump();
    }
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Insert the error handler"), titles.end());
    // Run as a command, it says why and changes nothing.
    for (const json& m : s.messages) EXPECT_NE(m.value("method", ""), "workspace/applyEdit");
    const std::vector<json> shown = s.Notifications("window/showMessage");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0]["message"].get<std::string>().find("cannot hold; no edit is made"), std::string::npos);
  }
}

}  // namespace
}  // namespace qlx::testing
