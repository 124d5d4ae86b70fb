// Several qlx runs on one module, and runs killed while they write: no edit
// is lost without a word, and the folder holds the old or the new module and
// nothing else.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <set>
#include <thread>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

// Starts qlx with args, stdin from /dev/null and stderr into err_file.
pid_t Start(const std::vector<std::string>& args, const fs::path& err_file) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int out = open("/dev/null", O_WRONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>("qlx")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QLX_BINARY, argv.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// Procedure A on top, a 'deb marker in B below it: errtrap on A and deb on
// the whole module change different lines, so both edits can stand.
const std::string kTwoProcedures =
    "Attribute VB_Name = \"Two\"\n"
    "Option Explicit\n"
    "\n"
    "Public Sub A()\n"  // line 4
    "    Debug.Print 1\n"
    "End Sub\n"
    "\n"
    "Public Sub B(ByVal x As Long)\n"
    "    'deb x\n"
    "End Sub\n";

TEST(ConcurrentWritesTest, TwoRunsAtOnceKeepBothEditsOrSayWhy) {
  TempDir dir;
  const fs::path module = dir / "Two.bas";
  WriteFile(dir / "QLX.ini", "");
  const std::string ini = (dir / "QLX.ini").string();
  int both_kept = 0;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    WriteFile(module, kTwoProcedures);
    const pid_t errtrap = Start({"errtrap", module.string(), "--line", "4", "--ini", ini}, dir / "errtrap.err");
    const pid_t deb = Start({"deb", module.string(), "--ini", ini}, dir / "deb.err");
    const int errtrap_status = Wait(errtrap);
    const int deb_status = Wait(deb);
    const std::string result = ReadFile(module);
    const bool has_handler = result.find("On Error GoTo PROC_ERR") != std::string::npos;
    const bool has_print = result.find("Debug.Print \"x = \"; x") != std::string::npos;
    // A run that wrote nothing says so with exit 2; one that says it wrote
    // (exit 0) has its edit in the file.
    for (const auto& [status, kept, err] : {std::tuple{errtrap_status, has_handler, dir / "errtrap.err"},
                                            std::tuple{deb_status, has_print, dir / "deb.err"}}) {
      const std::string message = ReadFile(err);
      if (status == 0) {
        EXPECT_TRUE(kept) << "an edit reported as done was lost\n" << result;
      } else {
        EXPECT_EQ(status, 2) << message;
        EXPECT_NE(message.find("nothing was"), std::string::npos) << message;
      }
    }
    both_kept += has_handler && has_print;
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"QLX.ini", "Two.bas", "errtrap.err", "deb.err"}));
  }
  // The lock makes the second run wait and build on the first one's file.
  EXPECT_EQ(both_kept, 40);
}

// 65,000 lines, so that the write itself takes a noticeable time.
std::string BigModule() {
  std::string text = "Attribute VB_Name = \"Big\"\nOption Explicit\n\n";
  int lines = 3;
  for (int i = 0; lines < 65000; ++i) {
    text += "Public Sub P" + std::to_string(i) +
            "(ByVal a As Long)\n    Dim x As Long\n    x = a + 1\n    x = x * 2\n    Debug.Print x\nEnd Sub\n\n";
    lines += 7;
  }
  return text;
}

struct KillCase {
  const char* name;
  int signal;
  int trials;
  int sanitized_trials;  // a sanitizer build runs qlx several times slower

  int Trials() const {
#ifdef QLX_TESTS_SANITIZED
    return sanitized_trials;
#else
    return trials;
#endif
  }
  friend void PrintTo(const KillCase& c, std::ostream* os) { *os << c.name; }
};

class KilledWhileWritingTest : public ::testing::TestWithParam<KillCase> {};

// Killed at any moment of a run: the module is the old or the new one, and
// no other file is in the folder. A kill in the few microseconds between a
// temporary file getting its name and the rename can leave that file, which
// is locked from its creation, so the next run removes it.
TEST_P(KilledWhileWritingTest, LeavesTheOldOrTheNewModuleAndNoOtherFile) {
  const KillCase& c = GetParam();
  TempDir dir;
  const fs::path module = dir / "Big.bas";
  WriteFile(dir / "QLX.ini", "");
  const std::vector<std::string> args = {"errtrap", module.string(), "--line", "4", "--ini",
                                         (dir / "QLX.ini").string()};
  const std::string old_bytes = BigModule();
  WriteFile(module, old_bytes);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Start(args, dir / "run.err")), 0) << ReadFile(dir / "run.err");
  const auto full_run = std::chrono::steady_clock::now() - started;
  const std::string new_bytes = ReadFile(module);
  ASSERT_NE(new_bytes, old_bytes);

  std::mt19937 random(20261208);
  std::uniform_int_distribution<long long> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(full_run).count() * 11 / 10);
  int old_left = 0, new_left = 0, named_left = 0;
  for (int trial = 0; trial < c.Trials(); ++trial) {
    SCOPED_TRACE(trial);
    WriteFile(module, old_bytes);
    const pid_t pid = Start(args, dir / "run.err");
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    kill(pid, c.signal);
    Wait(pid);
    const std::string now = ReadFile(module);
    ASSERT_TRUE(now == old_bytes || now == new_bytes) << "the module is neither the old nor the new one";
    (now == old_bytes ? old_left : new_left) += 1;
    for (const std::string& name : Names(dir.path())) {
      if (name == "Big.bas" || name == "QLX.ini" || name == "run.err") continue;
      // Only a SIGKILL can leave the just-named file; nothing else may stay.
      ASSERT_EQ(c.signal, SIGKILL) << name;
      ASSERT_TRUE(name.starts_with(".Big.bas.") && name.ends_with(".qlx-new")) << name;
      ++named_left;
    }
  }
  // The next run clears what a kill left.
  WriteFile(module, old_bytes);
  ASSERT_EQ(Wait(Start(args, dir / "run.err")), 0) << ReadFile(dir / "run.err");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"Big.bas", "QLX.ini", "run.err"}));
  RecordProperty("old_left", old_left);
  RecordProperty("new_left", new_left);
  RecordProperty("named_left", named_left);
  std::printf("%s: %d kills left the old module, %d the new one, %d a named temporary file\n", c.name, old_left,
              new_left, named_left);
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledWhileWritingTest,
                         ::testing::Values(KillCase{"Kill", SIGKILL, 200, 40}, KillCase{"Term", SIGTERM, 30, 10},
                                           KillCase{"Interrupt", SIGINT, 30, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file-size limit below the module's size: the write fails with a message,
// and neither the module nor a temporary file is left changed.
TEST(FileSizeLimitTest, AWriteOverTheLimitFailsCleanly) {
  TempDir dir;
  const fs::path module = dir / "Big.bas";
  WriteFile(dir / "QLX.ini", "");
  const std::string old_bytes = BigModule();
  WriteFile(module, old_bytes);
  RunResult r = RunQlx({"errtrap", module.string(), "--line", "4", "--ini", (dir / "QLX.ini").string()},
                       "ulimit -f 100;");
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("Big.bas: cannot be saved: File too large"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(module), old_bytes);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"Big.bas", "QLX.ini"}));
}

// A session holds its modules for as long as events come; a file that
// another program saved meanwhile is not written over at the end.
TEST(SessionWriteBackTest, AFileChangedDuringTheSessionIsNotOverwritten) {
  TempDir dir;
  const fs::path module = dir / "Two.bas";
  WriteFile(module, kTwoProcedures);
  int to_session[2], from_session[2];
  ASSERT_EQ(pipe(to_session), 0);
  ASSERT_EQ(pipe(from_session), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(to_session[0], 0);
    dup2(from_session[1], 1);
    const int err = open((dir / "session.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    close(to_session[1]);
    close(from_session[0]);
    execl(QLX_BINARY, "qlx", "session", module.c_str(), "--ini", (dir / "QLX.ini").c_str(), nullptr);
    _exit(127);
  }
  close(to_session[0]);
  close(from_session[1]);
  const std::string events = "menu\nclick 4\nget\nwrite\nstate\n";
  ASSERT_EQ(write(to_session[1], events.data(), events.size()), static_cast<ssize_t>(events.size()));
  // The state line comes once the header is in the session's module.
  std::string out;
  char c = 0;
  while (out.find('\n') == std::string::npos && read(from_session[0], &c, 1) == 1) out += c;
  const std::string edited_elsewhere = kTwoProcedures + "' saved by the editor\n";
  WriteFile(module, edited_elsewhere);
  close(to_session[1]);
  while (read(from_session[0], &c, 1) == 1) {
  }
  close(from_session[0]);
  const int status = Wait(pid);
  const std::string err = ReadFile(dir / "session.err");
  EXPECT_EQ(status, 2) << err;
  EXPECT_NE(err.find("Two.bas: was changed by another program since qlx read it; nothing was written"),
            std::string::npos)
      << err;
  EXPECT_EQ(ReadFile(module), edited_elsewhere);
}

}  // namespace
}  // namespace qlx::testing
