// qlx proc and qlx scan as scripts call them: JSON out, boxes on stderr,
// exit statuses, and the files left untouched.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using nlohmann::json;

const std::string kSample = std::string(QLX_SOURCE_DIR) + "/examples/Sample.bas";

// A class module: four hidden header lines and five attributes, then code.
const std::string kClass =
    "VERSION 1.0 CLASS\r\n"
    "BEGIN\r\n"
    "  MultiUse = -1  'True\r\n"
    "END\r\n"
    "Attribute VB_Name = \"Counter\"\r\n"
    "Attribute VB_GlobalNameSpace = False\r\n"
    "Attribute VB_Creatable = False\r\n"
    "Attribute VB_PredeclaredId = False\r\n"
    "Attribute VB_Exposed = False\r\n"
    "Option Explicit\r\n"                                       // row 1, line 10
    "Private m_n As Long\r\n"                                   // row 2
    "\r\n"                                                      // row 3
    "Public Function Add(ByRef n As Long, Optional s As String = \"a, b\") As Long\r\n"  // row 4
    "Attribute Add.VB_Description = \"Adds\"\r\n"               // hidden, line 14
    "    n = n + 1\r\n"                                         // row 5, line 15
    "    Add = n\r\n"                                           // row 6
    "End Function\r\n";                                         // row 7

TEST(ProcCommandTest, LineAndRowNameTheSameProcedure) {
  TempDir dir;
  WriteFile(dir / "Counter.cls", kClass);
  RunResult by_row = RunQlx({"proc", (dir / "Counter.cls").string(), "--row", "5"});
  RunResult by_line = RunQlx({"proc", (dir / "Counter.cls").string(), "--line", "15"});
  ASSERT_EQ(by_row.status, 0) << by_row.err;
  EXPECT_EQ(by_row.out, by_line.out);
  EXPECT_EQ(by_row.err, "");

  json record = json::parse(by_row.out);
  EXPECT_EQ(record["ok"], true);
  EXPECT_EQ(record["ModuleName"], "Counter");
  EXPECT_EQ(record["ProcName"], "Add");
  EXPECT_EQ(record["ProcType"], "1");
  EXPECT_EQ(record["ProcTypeStr"], "Function");
  EXPECT_EQ(record["BodyStartRow"], 4);
  EXPECT_EQ(record["BodyEndRow"], 7);
  EXPECT_EQ(record["RetType"], "Long");
  ASSERT_EQ(record["ParamCount"], 2);
  ASSERT_EQ(record["Params"].size(), 2u);
  EXPECT_EQ(record["Params"][0],
            (json{{"KeyWord1", ""}, {"KeyWord2", "ByRef"}, {"VarName", "n"}, {"VarType", "Long"}, {"RefIO", "I/O"}}));
  // A comma inside a quoted default value does not split the parameter.
  EXPECT_EQ(record["Params"][1]["KeyWord1"], "[Def=\"a, b\"]");
  EXPECT_EQ(record["Params"][1]["VarName"], "[s]");
  EXPECT_EQ(ReadFile(dir / "Counter.cls"), kClass);
}

TEST(ProcCommandTest, DeclarationSectionIsReportedAsNoProcedure) {
  // The editor names no procedure there, so every kind is tried and the last
  // lookup's failure is reported.
  RunResult r = RunQlx({"proc", kSample, "--row", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "[ClsProcInf.GetProcInf] Error: 35. Sub or Function not defined\n");
  json record = json::parse(r.out);
  EXPECT_EQ(record["ok"], false);
  // A record that was never filled still lists entry 0.
  EXPECT_EQ(record["Params"].size(), 1u);
}

TEST(ProcCommandTest, MissingEndLineIsReportedAsABox) {
  TempDir dir;
  WriteFile(dir / "M.bas", "Sub A()\r\n    x = 1\r\n");
  RunResult r = RunQlx({"proc", (dir / "M.bas").string(), "--row", "1", "--json-messages"});
  EXPECT_EQ(r.status, 1);
  json box = json::parse(r.err);
  EXPECT_EQ(box, (json{{"title", "QLX"},
                       {"text", "CheckEnd: プロシージャのEnd句が見つかりません"},
                       {"buttons", "ok"},
                       {"answer", nullptr}}));
  EXPECT_EQ(json::parse(r.out)["ok"], false);

  RunResult plain = RunQlx({"proc", (dir / "M.bas").string(), "--row", "1"});
  EXPECT_EQ(plain.err, "[QLX] CheckEnd: プロシージャのEnd句が見つかりません\n");
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* message;  // part of what stderr must say
};

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, RefusedWithExit2BeforeAnythingRuns) {
  TempDir dir;
  WriteFile(dir / "Counter.cls", kClass);
  std::vector<std::string> args = GetParam().args;
  for (std::string& a : args) {
    if (a == "@cls") a = (dir / "Counter.cls").string();
  }
  RunResult r = RunQlx(args);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "Counter.cls"), kClass);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrorTest,
    ::testing::Values(
        UsageCase{"RowPastEnd", {"proc", "@cls", "--row", "8"}, "row 8 is outside the module, which has 7 rows"},
        UsageCase{"RowZero", {"proc", "@cls", "--row", "0"}, "row 0 is outside"},
        UsageCase{"LinePastEnd", {"proc", "@cls", "--line", "18"}, "line 18 is outside the file, which has 17 lines"},
        UsageCase{"HiddenHeaderLine", {"proc", "@cls", "--line", "3"}, "hides"},
        UsageCase{"HiddenMemberAttribute", {"proc", "@cls", "--line", "14"}, "hides"},
        UsageCase{"NoPlace", {"proc", "@cls"}, "--row N or --line N"},
        UsageCase{"BothPlaces", {"proc", "@cls", "--row", "1", "--line", "10"}, "excludes"},
        UsageCase{"MissingFile", {"scan", "/nonexistent/M.bas"}, "not found"},
        UsageCase{"UnknownEncoding", {"scan", "@cls", "--encoding", "NO-SUCH-CODEPAGE"}, "NO-SUCH-CODEPAGE"},
        UsageCase{"NoCommand", {}, "subcommand"}),
    [](const auto& info) { return info.param.name; });

TEST(ScanCommandTest, ListsEveryProcedureOfTheSample) {
  RunResult r = RunQlx({"scan", kSample});
  ASSERT_EQ(r.status, 0) << r.err;
  json table = json::parse(r.out);
  ASSERT_EQ(table["count"], 6);
  std::vector<std::string> kinds;
  for (const json& p : table["procs"]) {
    kinds.push_back(p["ProcKnd"]);
    EXPECT_FALSE(p.contains("Params"));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"Fnc", "Sub", "Fnc", "PrG", "PrL", "Sub"}));
  EXPECT_EQ(table["procs"][1]["ProcName"], "集計");
}

TEST(ScanCommandTest, FullScanAddsReturnTypesAndParameters) {
  RunResult r = RunQlx({"scan", kSample, "--full"});
  ASSERT_EQ(r.status, 0) << r.err;
  json table = json::parse(r.out);
  const json& format = table["procs"][2];  // a declaration continued over three rows
  EXPECT_EQ(format["BodyDefEndRow"].get<int>() - format["BodyStartRow"].get<int>(), 2);
  EXPECT_EQ(format["RetType"], "String");
  EXPECT_EQ(format["ParamCount"], 3);
  EXPECT_EQ(format["Params"][2]["KeyWord1"], "[Def=\"様\"]");
  const json& getter = table["procs"][3];
  EXPECT_EQ(getter["ParamCount"], 0);
  EXPECT_EQ(getter["Params"],
            json::parse(R"([{"KeyWord1":"","KeyWord2":"","VarName":"Void","VarType":"N/A","RefIO":"N/A"}])"));
}

// A box without a title of its own shows the add-in's title, as in the add-in.
TEST(ScanCommandTest, UntitledBoxShowsTheAddInsTitle) {
  TempDir dir;
  // Eight words in one parameter are more than the table takes.
  WriteFile(dir / "Odd.bas", "Sub A(Optional ByVal x As Long = 1 + 2)\r\nEnd Sub\r\n");
  RunResult plain = RunQlx({"scan", (dir / "Odd.bas").string(), "--full"});
  EXPECT_EQ(plain.err, "[Plumewrighter] InputParam Error\n");
  RunResult as_json = RunQlx({"scan", (dir / "Odd.bas").string(), "--full", "--json-messages"});
  EXPECT_EQ(json::parse(as_json.err),
            (json{{"title", "Plumewrighter"}, {"text", "InputParam Error"}, {"buttons", "ok"}, {"answer", nullptr}}));
}

TEST(ScanCommandTest, ModuleWithoutProceduresCountsZero) {
  TempDir dir;
  WriteFile(dir / "Decl.bas", "Attribute VB_Name = \"Decl\"\r\nOption Explicit\r\nPrivate m As Long\r\n");
  RunResult r = RunQlx({"scan", (dir / "Decl.bas").string(), "--full"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out), json::parse(R"({"count":0,"procs":[]})"));
}

}  // namespace
}  // namespace qlx::testing
