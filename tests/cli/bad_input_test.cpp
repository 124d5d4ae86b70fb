// What qlx does with bad input: each row of the README's table "What qlx
// does with bad input", run as a user would, with the file checked byte for
// byte afterwards.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <gtest/gtest.h>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

// Rows 1-3 are the declaration section; line 16 lies in First, line 20 in
// Second, so a zero-padded 020 read as octal would name the wrong procedure.
const std::string kModule =
    "Attribute VB_Name = \"Rows\"\n"  // line 1, hidden
    "Option Explicit\n"
    "Private m As Long\n"
    "\n"
    "Public Sub First()\n"  // line 5
    "    m = 1\n"
    "    m = 2\n"
    "    m = 3\n"
    "    m = 4\n"
    "    m = 5\n"
    "    m = 6\n"
    "    m = 7\n"
    "    m = 8\n"
    "    m = 9\n"
    "    m = 10\n"
    "    m = 11\n"  // line 16
    "End Sub\n"
    "\n"
    "Public Sub Second()\n"
    "    m = 20\n"  // line 20
    "End Sub\n";

struct BadInputCase {
  const char* name;
  std::string file;  // the module file's bytes; "" for no file at all
  std::vector<std::string> args;  // "@file" and "@ini" are replaced
  std::string message;            // a part of what qlx prints on stderr
  int status = 2;
};

class BadInputTest : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, ClearMessageAndTheFileLeftAsItWas) {
  const BadInputCase& c = GetParam();
  TempDir dir;
  const fs::path file = dir / "Rows.bas";
  if (!c.file.empty()) WriteFile(file, c.file);
  WriteFile(dir / "QLX.ini", "[Mode]\r\nIgnoreMode=1\r\nSleepTime=abc\r\n");
  std::vector<std::string> args = c.args;
  for (std::string& a : args) {
    if (a == "@file") a = file.string();
    if (a == "@ini") a = (dir / "QLX.ini").string();
  }
  RunResult r = RunQlx(args, "QLX_NOW=2026-12-08T09:05:03");
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  if (!c.file.empty()) {
    EXPECT_EQ(ReadFile(file), c.file);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), c.file.empty() ? 1 : 2)
      << "no file is left beside the module";
}

std::vector<std::string> Header(const std::string& place, const std::string& number) {
  return {"header", "@file", place, number, "--ini", "@ini"};
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, BadInputTest,
    ::testing::Values(
        BadInputCase{"Hex", kModule, Header("--line", "0x14"), "--line takes decimal digits only (0-9), got \"0x14\""},
        BadInputCase{"Exponent", kModule, Header("--row", "1e1"), "got \"1e1\""},
        BadInputCase{"Plus", kModule, Header("--row", "+5"), "got \"+5\""},
        BadInputCase{"Negative", kModule, Header("--row", "-5"), "got \"-5\""},
        BadInputCase{"Space", kModule, Header("--line", " 16"), "got \" 16\""},
        BadInputCase{"Empty", kModule, Header("--line", ""), "--line needs a decimal number"},
        BadInputCase{"FullWidthDigits", kModule, Header("--line", "１６"), "got \"１６\""},
        BadInputCase{"TooLarge", kModule, Header("--line", "99999999999999999999"),
                     "--line \"99999999999999999999\" is too large (at most 2147483647)"},
        BadInputCase{"JustTooLarge", kModule, Header("--row", "2147483648"), "\"2147483648\" is too large"},
        BadInputCase{"LargestIsOutside", kModule, Header("--row", "2147483647"),
                     "row 2147483647 is outside the module, which has 20 rows"},
        BadInputCase{"DebounceHex", kModule, {"lsp", "--debounce", "0x10"},
                     "--debounce takes decimal digits only (0-9), got \"0x10\""},
        BadInputCase{"LeadingZerosOutside", kModule, Header("--line", "00099"),
                     "line 99 is outside the file, which has 21 lines"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Files, BadInputTest,
    ::testing::Values(
        BadInputCase{"Missing", "", Header("--line", "16"), "Rows.bas: file not found"},
        BadInputCase{"Binary", std::string("Option Explicit\n\0\0\x01", 19), Header("--line", "1"),
                     "is a binary file (it holds NUL bytes), not a module"},
        BadInputCase{"Utf16LittleEndian", std::string("\xFF\xFEO\0p\0t\0\n\0", 10), Header("--line", "1"),
                     "Rows.bas: is a UTF-16 file (it starts with a UTF-16 byte order mark); save it as UTF-8 or "
                     "Shift-JIS"},
        BadInputCase{"Utf16BigEndian", std::string("\xFE\xFF\0O\0p\0t\0\n", 10), {"scan", "@file"}, "UTF-16"},
        BadInputCase{"NotDecodable", "Option Explicit\n' \xEF\xBB\n", {"scan", "@file", "--encoding", "UTF-8"},
                     "cannot be decoded"},
        BadInputCase{"RowOutOfRange", kModule, Header("--row", "21"), "row 21 is outside the module"},
        BadInputCase{"HiddenLine", kModule, Header("--line", "1"), "hides"},
        BadInputCase{"ModuleOnAModuleFile", kModule, {"scan", "@file", "--module", "Other"},
                     "Rows.bas: --module names a module inside an Office document"},
        BadInputCase{"ModuleOnAWrite", kModule, {"all-headers", "@file", "--module", "Rows", "--ini", "@ini"},
                     "--module names a module inside an Office document (.xlsm, .docm, .xls, ...), and this is a "
                     "module file"},
        BadInputCase{"MalformedAnswers", kModule, {"header", "@file", "--line", "16", "--answers", "yes,maybe"},
                     "--answers takes y or n separated by commas, got \"maybe\""}),
    [](const auto& info) { return info.param.name; });

// A header's Japanese labels in a Windows-1252 module, or an author name that
// Shift-JIS cannot hold: written, they would read '?' and the next run would
// add a second header. Refused, whatever the output.
INSTANTIATE_TEST_SUITE_P(
    CodePage, BadInputTest,
    ::testing::Values(
        BadInputCase{"Header", kModule, {"header", "@file", "--line", "5", "--ini", "@ini", "--encoding", "CP1252"},
                     "Rows.bas: line 6 (row 5): holds characters that the file's code page CP1252 cannot hold; "
                     "nothing was written"},
        BadInputCase{"Headers", kModule, {"headers", "@file", "--ini", "@ini", "--encoding", "CP1252"},
                     "holds characters that the file's code page CP1252 cannot hold; nothing was written"},
        BadInputCase{"AllHeaders", kModule, {"all-headers", "@file", "--ini", "@ini", "--encoding", "CP1252"},
                     "holds characters that the file's code page CP1252 cannot hold"},
        BadInputCase{"Stdout", kModule, {"headers", "@file", "--ini", "@ini", "--encoding", "CP1252", "--stdout"},
                     "holds characters that the file's code page CP1252 cannot hold"},
        BadInputCase{"Diff", kModule, {"headers", "@file", "--ini", "@ini", "--encoding", "CP1252", "--diff"},
                     "holds characters that the file's code page CP1252 cannot hold"},
        BadInputCase{"Check", kModule, {"headers", "@file", "--ini", "@ini", "--encoding", "CP1252", "--check"},
                     "holds characters that the file's code page CP1252 cannot hold"},
        BadInputCase{"AuthorOutsideShiftJis", kModule,
                     {"header", "@file", "--line", "5", "--ini", "@ini", "--author", "Zoë"},
                     "holds characters that the file's code page CP932 cannot hold; nothing was written"}),
    [](const auto& info) { return info.param.name; });

// The editor would reach a procedure that is not there and show an error box;
// qlx says so before anything runs.
INSTANTIATE_TEST_SUITE_P(
    DeclarationSection, BadInputTest,
    ::testing::Values(
        BadInputCase{"HeaderByRow", kModule, Header("--row", "2"),
                     "row 2 is in the module's declaration section, not inside a procedure"},
        BadInputCase{"HeaderByLine", kModule, Header("--line", "002"),
                     "line 2 is in the module's declaration section, not inside a procedure"},
        BadInputCase{"ErrTrapByRow", kModule, {"errtrap", "@file", "--row", "1"},
                     "row 1 is in the module's declaration section, not inside a procedure"}),
    [](const auto& info) { return info.param.name; });

TEST(FileKindTest, ADirectoryIsNoModule) {
  TempDir dir;
  fs::create_directory(dir / "Rows.bas");
  RunResult r = RunQlx({"errtrap", (dir / "Rows.bas").string(), "--row", "1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Rows.bas: is a directory, not a module file"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(dir / "Rows.bas"));
}

TEST(DecimalRowsTest, LeadingZerosAreDecimal) {
  TempDir dir;
  WriteFile(dir / "Rows.bas", kModule);
  for (const auto& [line, proc] : {std::pair{"020", "Second"}, {"16", "First"}, {"0016", "First"}}) {
    RunResult r = RunQlx({"proc", (dir / "Rows.bas").string(), "--line", line});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(std::string("\"ProcName\": \"") + proc + "\""), std::string::npos) << line << r.out;
  }
}

TEST(DecimalRowsTest, SessionClickTakesDecimalRowsOnly) {
  TempDir dir;
  WriteFile(dir / "Rows.bas", kModule);
  RunResult r = RunQlx({"session", (dir / "Rows.bas").string(), "--ini", (dir / "QLX.ini").string()}, "",
                       "click 0x3\nclick 99999999999\n");
  EXPECT_NE(r.err.find("click needs a row number, got \"0x3\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("click \"99999999999\" is too large"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "Rows.bas"), kModule);
}

TEST(SettingsTest, ASettingThatIsNoNumberReadsAsZero) {
  TempDir dir;
  WriteFile(dir / "Rows.bas", kModule);
  const std::string file = (dir / "Rows.bas").string();
  const std::string ini = (dir / "QLX.ini").string();
  WriteFile(dir / "QLX.ini", "");  // a settings file given with --ini must exist
  ASSERT_EQ(RunQlx({"header", file, "--line", "16", "--ini", ini}).status, 0);
  const std::string with_header = ReadFile(dir / "Rows.bas");
  // IgnoreMode "yes" is 0: the update is asked about, and without an answer
  // nothing changes.
  WriteFile(dir / "QLX.ini", "[Mode]\r\nIgnoreMode=yes\r\n");
  RunResult r = RunQlx({"header", file, "--line", "16", "--ini", ini});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("ヘッダが存在します。更新しますか? -> No"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "Rows.bas"), with_header);
}

// Reads what the child writes to the terminal until text appears or the
// child has been silent for too long.
bool ReadUntil(int master, const std::string& text, std::string& seen, int timeout_ms) {
  while (seen.find(text) == std::string::npos) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char buffer[512];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

// A header update on a terminal, with a wait set to eleven days: qlx says it
// waits, waits its ten seconds at most, and asks.
TEST(SleepTimeTest, OnATerminalAHugeSettingWaitsTenSecondsAndSaysSo) {
  TempDir dir;
  WriteFile(dir / "Rows.bas", kModule);
  WriteFile(dir / "QLX.ini", "[Mode]\r\nIgnoreMode=1\r\nSleepTime=999999999\r\n");
  const std::string file = (dir / "Rows.bas").string();
  const std::string ini = (dir / "QLX.ini").string();
  ASSERT_EQ(RunQlx({"header", file, "--line", "16", "--ini", ini}).status, 0);  // a header to update

  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(QLX_BINARY, "qlx", "header", file.c_str(), "--line", "16", "--ini", ini.c_str(), nullptr);
    _exit(127);
  }
  const auto start = std::chrono::steady_clock::now();
  std::string seen;
  // Silence for a minute means a hang; on a loaded machine the ten seconds
  // and the run around them may take longer, but not that long.
  const bool asked = ReadUntil(master, "[y/n]", seen, 60000);
  const auto waited = std::chrono::steady_clock::now() - start;
  if (asked) {
    EXPECT_EQ(write(master, "y\n", 2), 2);
  } else {
    kill(child, SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  close(master);
  ASSERT_TRUE(asked) << seen;
  EXPECT_NE(seen.find("qlx: waiting 10.000 s before the question (setting Mode/SleepTime)"), std::string::npos)
      << seen;
  EXPECT_LT(waited, std::chrono::seconds(30)) << "the wait is bounded, not eleven days";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
}

}  // namespace
}  // namespace qlx::testing
