// qlx session end to end: the add-in loaded into an editor holding the
// files, driven by events on stdin, with the settings, the stored
// "DisplayOnConnect" and the written module checked afterwards.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using nlohmann::json;

// CP932, CRLF: 計算 is 8c 76 8e 5a, 山田 is 8e 52 93 63.
const std::string kModule =
    "Attribute VB_Name = \"Calc\"\r\n"
    "Option Explicit\r\n"
    "' \x8c\x76\x8e\x5a\r\n"
    "\r\n"
    "Public Function Add(ByVal a As Long) As Long\r\n"
    "    Add = a\r\n"
    "End Function\r\n";
const std::string kOther = "Attribute VB_Name = \"Other\"\r\nSub B()\r\nEnd Sub\r\n";
const std::string kYamada = "\x8e\x52\x93\x63";

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "Calc.bas", kModule);
    WriteFile(dir_ / "Other.bas", kOther);
    WriteFile(dir_ / "QLX.ini", "[WindowPos]\r\nTop=1440\r\nLeft=2880\r\n");
  }

  RunResult Session(const std::string& events, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"session", (dir_ / "Calc.bas").string(), (dir_ / "Other.bas").string(), "--ini",
                                  (dir_ / "QLX.ini").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunQlx(args,
                  "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8 QLX_CONFIG_DIR=" + Quote((dir_ / "user").string()),
                  events);
  }

  static std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty()) lines.push_back(json::parse(line));
    }
    return lines;
  }

  TempDir dir_;
};

TEST_F(SessionTest, ScriptedWorkflowWritesHeadersAndKeepsSettings) {
  const RunResult r = Session(
      "state\n"
      "menu\n"
      "dblclick \xe5\xb1\xb1\xe7\x94\xb0\n"  // 山田
      "click 5\n"
      "get\n"
      "state\n"
      "write\n"
      "click 5\n"
      "get\n"
      "answer y y\n"
      "write\n"
      "click 1\n"
      "get\n"
      "write\n"
      "close\n"
      "state\n"
      "disconnect\n"
      "state\n",
      {"--json-messages"});
  ASSERT_EQ(r.status, 0) << r.err;

  const std::vector<json> states = JsonLines(r.out);
  ASSERT_EQ(states.size(), 4u) << r.out;
  EXPECT_EQ(states[0]["connected"], true);
  EXPECT_EQ(states[0]["menu"], json::array({"QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入"}));
  EXPECT_EQ(states[0]["loaded"], false);
  EXPECT_EQ(states[0]["FormDisplayed"], false);
  EXPECT_EQ(states[0]["activeModule"], "Calc");

  EXPECT_EQ(states[1]["visible"], true);
  EXPECT_EQ(states[1]["title"], "Add");
  EXPECT_EQ(states[1]["TargetRow"], 5);
  EXPECT_EQ(states[1]["TargetModule"], "Calc");
  EXPECT_EQ(states[1]["TargetProc"], "Add");
  EXPECT_EQ(states[1]["optHeader"], true);
  EXPECT_EQ(states[1]["optError"], false);
  EXPECT_EQ(states[1]["chkAllProcs"], (json{{"value", false}, {"enabled", true}, {"visible", true}}));
  EXPECT_EQ(states[1]["lblAllProcs"], (json{{"visible", true}}));
  EXPECT_EQ(states[1]["cmdGet"], (json{{"enabled", true}}));
  EXPECT_EQ(states[1]["top"], 1440);
  EXPECT_EQ(states[1]["left"], 2880);
  EXPECT_EQ(states[1]["author"], "山田");

  EXPECT_EQ(states[2]["loaded"], false);
  EXPECT_EQ(states[2]["visible"], false);
  EXPECT_EQ(states[2]["FormDisplayed"], true);
  EXPECT_EQ(states[3]["connected"], false);
  EXPECT_EQ(states[3]["menu"], json::array());
  EXPECT_EQ(states[3]["FormDisplayed"], false);

  // The input box, then the update's two questions answered from the queue.
  const std::vector<json> boxes = JsonLines(r.err);
  ASSERT_EQ(boxes.size(), 3u) << r.err;
  EXPECT_EQ(boxes[0]["text"], "ヘッダに作者名を登録します");
  EXPECT_EQ(boxes[0]["answer"], "山田");
  EXPECT_EQ(boxes[1]["text"], "ヘッダが存在します。更新しますか?");
  EXPECT_EQ(boxes[1]["answer"], "yes");
  EXPECT_EQ(boxes[2]["answer"], "yes");

  const std::string module = ReadFile(dir_ / "Calc.bas");
  EXPECT_EQ(module.rfind("Attribute VB_Name = \"Calc\"\r\n'=====", 0), 0u) << module;
  EXPECT_NE(module.find("'|\x8d\xec  \x8e\xd2|:" + kYamada), std::string::npos) << module;  // '|作  者|:山田
  EXPECT_NE(module.find("' \x8c\x76\x8e\x5a\r\n"), std::string::npos);
  EXPECT_EQ(module.find("\n\n"), std::string::npos);  // CRLF throughout
  EXPECT_EQ(ReadFile(dir_ / "Other.bas"), kOther);

  const std::string ini = ReadFile(dir_ / "QLX.ini");
  EXPECT_EQ(ini, "[WindowPos]\r\nTop=1440\r\nLeft=2880\r\n[Author]\r\nName=" + kYamada + "\r\n");
  EXPECT_NE(ReadFile(dir_ / "user" / "Plumewrighter.ini").find("DisplayOnConnect=1"), std::string::npos);
}

TEST_F(SessionTest, WindowShownAgainIsLoadedAfreshAndWrites) {
  const RunResult r = Session(
      "menu\n"
      "click 5\n"
      "get\n"
      "allprocs\n"
      "close\n"
      "menu\n"
      "state\n"
      "click 5\n"
      "get\n"
      "write\n",
      {"--json-messages"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json state = json::parse(r.out);
  // Only the captured target was kept; the controls are as designed.
  EXPECT_EQ(state["chkAllProcs"], (json{{"value", false}, {"enabled", true}, {"visible", true}}));
  EXPECT_EQ(state["cmdGet"], (json{{"enabled", true}}));
  EXPECT_EQ(state["optHeader"], true);
  EXPECT_EQ(state["optError"], false);
  EXPECT_EQ(state["title"], "");
  EXPECT_EQ(state["TargetModule"], "Calc");
  EXPECT_EQ(state["TargetProc"], "Add");
  EXPECT_EQ(state["TargetRow"], 0);
  // And WRITE works on the new GET.
  EXPECT_NE(ReadFile(dir_ / "Calc.bas").find("'>>>>>"), std::string::npos);
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(SessionTest, UnknownAndImpossibleEventsAreReportedAndSkipped) {
  const RunResult r = Session(
      "get\n"
      "menu\n"
      "jump 3\n"
      "open Nowhere\n"
      "open Other\n"
      "click 99\n"
      "allprocs\n"
      "get\n"
      "error\n"
      "click 2\n"
      "get\n"
      "write\n"
      "state\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("line 1: the tool window is not open"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 3: unknown event \"jump\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 4: there is no module named \"Nowhere\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 6: row 99 is outside the module"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 8: cmdGet is disabled or hidden"), std::string::npos) << r.err;

  // Error mode, a GET in B and a WRITE: the handler is inserted, nothing asked.
  const json state = json::parse(r.out);
  EXPECT_EQ(state["activeModule"], "Other");
  EXPECT_EQ(state["optError"], true);
  EXPECT_EQ(state["chkAllProcs"]["visible"], false);
  EXPECT_EQ(state["title"], "");
  EXPECT_NE(ReadFile(dir_ / "Other.bas").find("On Error GoTo PROC_ERR\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "Calc.bas"), kModule);
}

// What the user typed comes back with its control characters shown as \xNN
// (C1 ones as \uNNNN): an escape sequence or a line break in an event cannot
// recolour the terminal or make a report line of its own.
struct TypedCase {
  const char* name;
  std::string events;
  std::string said;  // a whole line of stderr
};

class SessionTypedTextTest : public SessionTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(SessionTypedTextTest, IsSaidWithItsControlCharactersShown) {
  const RunResult r = Session(GetParam().events);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find(GetParam().said + "\n"), std::string::npos) << r.err;
  for (const char raw : {'\x1b', '\x07', '\x0b'}) EXPECT_EQ(r.err.find(raw), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\xc2\x9b"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "Calc.bas"), kModule);
}

INSTANTIATE_TEST_SUITE_P(
    Events, SessionTypedTextTest,
    ::testing::Values(
        TypedCase{"UnknownEvent", "jump\x1b[2J\n", "qlx: session line 1: unknown event \"jump\\x1b[2J\""},
        TypedCase{"Answer", "state\nanswer y \x1b]0;t\x07\n",
                  "qlx: session line 2: answer takes y or n, got \"\\x1b]0;t\\x07\""},
        TypedCase{"ModuleName", "open Calc\x0bX\n", "qlx: session line 1: there is no module named \"Calc\\x0bX\""},
        TypedCase{"Row", "menu\nclick 5\xc2\x9b\n", "qlx: session line 2: click needs a row number, got \"5\\u009b\""}),
    [](const auto& info) { return std::string(info.param.name); });

// A path is said as the other commands say names.
TEST_F(SessionTest, MissingFileIsNamedWithItsControlCharactersShown) {
  const std::string missing = (dir_ / "Gone\x1b[31m.bas").string();
  const RunResult r = RunQlx({"session", missing, "--ini", (dir_ / "QLX.ini").string()},
                             "QLX_CONFIG_DIR=" + Quote((dir_ / "user").string()), "state\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qlx: " + (dir_ / "Gone\\x1b[31m.bas").string() + ": file not found\n");
}

// The input box shows the text the user typed the same way.
TEST_F(SessionTest, TypedAuthorIsShownWithItsControlCharactersShown) {
  const RunResult r = Session("menu\ndblclick Ya\x1b[8mmada\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(" -> \"Ya\\x1b[8mmada\"\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
}

TEST_F(SessionTest, UnansweredQuestionIsAnsweredNoAndSaysSo) {
  const RunResult r = Session(
      "menu\n"
      "click 5\n"
      "get\n"
      "write\n"
      "click 5\n"
      "get\n"
      "write\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("[QLX] ヘッダが存在します。更新しますか? -> No (no answer given; answered No)"),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace qlx::testing
