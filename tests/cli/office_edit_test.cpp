// The module commands run on Office documents as a user runs them: each
// module as its exported file would be, the document written back once with
// its backup, a refused document left byte for byte as it was.
#include <filesystem>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "office/office_document.h"
#include "office/project_builder.h"

namespace qlx::testing {
namespace {

using office::testing::TestModule;

constexpr char kNow[] = "QLX_NOW=2026-12-08T09:05:03 LC_ALL=ja_JP.UTF-8";

// In code page 932: a comment "日本語".
const std::string kModule1 =
    "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n' \x93\xfa\x96\x7b\x8c\xea\r\n"
    "Public Sub Hello(ByVal s As String)\r\n    'deb s\r\n    MsgBox s\r\nEnd Sub\r\n"
    "Private Function Twice(ByVal n As Long) As Long\r\n    Twice = n * 2\r\nEnd Function\r\n";
const std::string kModule2 = "Attribute VB_Name = \"Module2\"\r\nSub Other()\r\nEnd Sub\r\n";
const std::string kClass1 =
    "Attribute VB_Name = \"Class1\"\r\nAttribute VB_Exposed = False\r\nPrivate m As Long\r\n"
    "Public Property Get Value() As Long\r\n    Value = m\r\nEnd Property\r\n";

const std::vector<TestModule> kModules = {{"Module1", 'M', kModule1}, {"Module2", 'M', kModule2}, {"Class1", 'C', kClass1}};

struct Container {
  const char* name;
  const char* file;
  std::string (*make)(const std::vector<TestModule>&);
};

std::string MakeXlsm(const std::vector<TestModule>& modules) {
  return office::testing::Xlsm(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)));
}
std::string MakeDocm(const std::vector<TestModule>& modules) {
  return office::testing::Docm(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)));
}
std::string MakeXls(const std::vector<TestModule>& modules) {
  return office::testing::Xls(office::testing::ProjectTree(932, modules));
}
// As Excel lays out a workbook with a picture: the project behind it.
std::string MakeExcelPictureFirst(const std::vector<TestModule>& modules) {
  return office::testing::ExcelWorkbook(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)), 10 << 10, true);
}
std::string MakeExcelBigPictureFirst(const std::vector<TestModule>& modules) {
  return office::testing::ExcelWorkbook(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)), 3 << 20, true);
}

class OfficeEdit : public ::testing::TestWithParam<Container> {
 protected:
  void SetUp() override {
    WriteFile(dir / "QLX.ini", "[Author]\r\nName=yamada\r\n");
    WriteFile(Book(), GetParam().make(kModules));
  }
  std::filesystem::path Book() const { return dir / GetParam().file; }
  std::string BookArg() const { return Book().string(); }
  RunResult Qlx(std::vector<std::string> args) const {
    args.insert(args.end(), {"--ini", (dir / "QLX.ini").string()});
    return RunQlx(args, kNow);
  }
  std::string Source(const std::string& module) const {
    office::OfficeDocument doc = office::OfficeDocument::Load(Book());
    return doc.Project().Source(static_cast<std::size_t>(doc.Project().Find(module) - doc.Project().Modules().data()));
  }
  TempDir dir;
};

// The module's text after the command equals the exported file's after the
// same command; the other modules are left as they were.
TEST_P(OfficeEdit, ModuleCommandsChangeTheModuleAsInItsExportedFile) {
  for (const std::string command : {"all-headers", "headers", "module-header", "deb"}) {
    SCOPED_TRACE(command);
    WriteFile(Book(), GetParam().make(kModules));
    std::filesystem::remove_all(dir / "src");
    std::filesystem::remove_all(dir / "after");
    ASSERT_EQ(RunQlx({"export", BookArg(), (dir / "src").string(), "-q"}).status, 0);
    const RunResult on_file = Qlx({command, (dir / "src" / "Module1.bas").string()});
    ASSERT_EQ(on_file.status, 0) << on_file.err;
    const RunResult on_book = Qlx({command, BookArg(), "--module", "module1"});
    ASSERT_EQ(on_book.status, 0) << on_book.err;
    EXPECT_EQ(on_book.err, "qlx: wrote " + BookArg() + "\n");
    ASSERT_EQ(RunQlx({"export", BookArg(), (dir / "after").string(), "-q"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "after" / "Module1.bas"), ReadFile(dir / "src" / "Module1.bas"));
    EXPECT_NE(ReadFile(dir / "after" / "Module1.bas"), kModule1);
    EXPECT_EQ(Source("Module2"), kModule2);
    EXPECT_EQ(Source("Class1"), kClass1);
    EXPECT_EQ(ReadFile(dir / (std::string(GetParam().file) + ".bak")), GetParam().make(kModules));
  }
}

// Without --module a whole-module command does every module; a second run
// of headers or all-headers changes nothing, and keeps the first run's backup.
TEST_P(OfficeEdit, HeadersOnEveryModuleThenNothingOnTheSecondRun) {
  for (const std::string command : {"headers", "all-headers"}) {
    SCOPED_TRACE(command);
    WriteFile(Book(), GetParam().make(kModules));
    std::filesystem::remove(dir / (std::string(GetParam().file) + ".bak"));
    const RunResult first = Qlx({command, BookArg()});
    ASSERT_EQ(first.status, 0) << first.err;
    for (const std::string module : {"Module1", "Module2", "Class1"}) {
      EXPECT_NE(Source(module).find("'>>>>>>>>>>"), std::string::npos) << module;
    }
    const std::string written = ReadFile(Book());
    const RunResult second = Qlx({command, BookArg()});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(ReadFile(Book()), written);
    EXPECT_EQ(ReadFile(dir / (std::string(GetParam().file) + ".bak")), GetParam().make(kModules));
    const RunResult check = Qlx({command, "--check", BookArg()});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
  }
}

// --host-calls on a document: one line for the document, the calls of all
// its modules added up, as many as on the exported files one by one.
TEST_P(OfficeEdit, HostCallsOfADocumentAddUpItsModules) {
  auto last_calls = [](const RunResult& r) {
    std::string err = r.err;
    while (!err.empty() && err.back() == '\n') err.pop_back();
    return nlohmann::json::parse(err.substr(err.rfind('\n') + 1)).at("host_calls");
  };
  ASSERT_EQ(RunQlx({"export", BookArg(), (dir / "src").string(), "-q"}).status, 0);
  for (const std::string command : {"all-headers", "scan"}) {
    SCOPED_TRACE(command);
    long long on_files = 0;
    for (const std::string module : {"Module1.bas", "Module2.bas", "Class1.cls"}) {
      const std::string file = (dir / "src" / module).string();
      const RunResult r = command == "scan" ? RunQlx({command, file, "--host-calls"}, kNow)
                                            : Qlx({command, file, "--host-calls", "--stdout"});
      ASSERT_EQ(r.status, 0) << r.err;
      on_files += last_calls(r).at(command == "scan" ? "ProcOfLine" : "InsertLines").get<long long>();
    }
    const RunResult on_book = command == "scan" ? RunQlx({command, BookArg(), "--host-calls"}, kNow)
                                                : Qlx({command, BookArg(), "--host-calls", "--check"});
    const auto calls = last_calls(on_book);
    EXPECT_GT(on_files, 0);
    EXPECT_EQ(calls.at(command == "scan" ? "ProcOfLine" : "InsertLines").get<long long>(), on_files) << on_book.err;
  }
}

TEST_P(OfficeEdit, OneProcedureByModuleAndName) {
  const RunResult r = Qlx({"errtrap", BookArg(), "--module", "Module1", "--proc", "Twice", "--no-backup"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Source("Module1").find("On Error GoTo PROC_ERR"), std::string::npos) << Source("Module1");
  EXPECT_FALSE(std::filesystem::exists(dir / (std::string(GetParam().file) + ".bak")));
  const RunResult header = Qlx({"header", BookArg(), "--module", "Class1", "--proc", "Value:get"});
  ASSERT_EQ(header.status, 0) << header.err;
  EXPECT_NE(Source("Class1").find(" Long :\r\n"), std::string::npos) << Source("Class1");
}

// --check, --diff and --stdout name the module as Book.xlsm:Module1 and
// leave the document as it was.
TEST_P(OfficeEdit, PreviewsWriteNothing) {
  const std::string before = ReadFile(Book());
  const RunResult check = Qlx({"deb", "--check", BookArg()});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, BookArg() + ":Module1\n");
  const RunResult diff = Qlx({"deb", "--diff", BookArg()});
  EXPECT_EQ(diff.status, 0) << diff.err;
  EXPECT_NE(diff.out.find("+++ b" + BookArg() + ":Module1\n"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("-    'deb s\n"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("' 日本語"), std::string::npos) << "shown in UTF-8: " << diff.out;
  const RunResult out = Qlx({"deb", "--stdout", BookArg(), "--module", "Module1"});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_NE(out.out.find("Debug.Print"), std::string::npos) << out.out;
  EXPECT_EQ(out.out.find("Module2"), std::string::npos) << "only the module named is printed";
  // --stdout prints one module: of several it is named, as for one procedure.
  const RunResult many = Qlx({"deb", "--stdout", BookArg()});
  EXPECT_EQ(many.status, 2);
  EXPECT_EQ(many.out, "");
  EXPECT_NE(many.err.find(": name the module with --module NAME (the VBA project has Module1, Module2, Class1)"),
            std::string::npos)
      << many.err;
  // A module the command leaves as it was is printed too, as a module file is.
  const RunResult unchanged = Qlx({"deb", "--stdout", BookArg(), "--module", "Module2"});
  EXPECT_EQ(unchanged.status, 0) << unchanged.err;
  EXPECT_NE(unchanged.out.find("Sub Other()"), std::string::npos) << unchanged.out;
  EXPECT_EQ(ReadFile(Book()), before);
  EXPECT_FALSE(std::filesystem::exists(dir / (std::string(GetParam().file) + ".bak")));
}

TEST_P(OfficeEdit, ScanAndProcReadTheModules) {
  const RunResult scan = RunQlx({"scan", BookArg()});
  ASSERT_EQ(scan.status, 0) << scan.err;
  const auto j = nlohmann::json::parse(scan.out);
  EXPECT_EQ(j["file"], BookArg());
  ASSERT_EQ(j["modules"].size(), 3u);
  EXPECT_EQ(j["modules"][0]["module"], "Module1");
  EXPECT_EQ(j["modules"][0]["count"], 2);
  EXPECT_EQ(j["modules"][0]["procs"][1]["ProcName"], "Twice");
  EXPECT_EQ(j["modules"][2]["procs"][0]["ProcKnd"], "PrG");
  const RunResult one = RunQlx({"scan", BookArg(), "--module", "Module2"});
  EXPECT_EQ(nlohmann::json::parse(one.out)["modules"].size(), 1u);
  const RunResult proc = RunQlx({"proc", BookArg(), "--module", "Module1", "--line", "5"});
  ASSERT_EQ(proc.status, 0) << proc.err;
  EXPECT_EQ(nlohmann::json::parse(proc.out)["ProcName"], "Hello");
}

// errtrap on one procedure and import of an edited export write the
// document too.
TEST_P(OfficeEdit, ErrtrapAndImportWriteTheDocument) {
  const RunResult errtrap = Qlx({"errtrap", BookArg(), "--module", "Module1", "--proc", "Hello"});
  ASSERT_EQ(errtrap.status, 0) << errtrap.err;
  EXPECT_NE(Source("Module1").find("PROC_ERR:"), std::string::npos);
  ASSERT_EQ(RunQlx({"export", BookArg(), (dir / "src").string(), "-q"}).status, 0);
  WriteFile(dir / "src" / "Module2.bas", ReadFile(dir / "src" / "Module2.bas") + "Sub Imported()\r\nEnd Sub\r\n");
  const RunResult import = RunQlx({"import", (dir / "src").string(), BookArg()});
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_NE(Source("Module2").find("Sub Imported()"), std::string::npos);
  EXPECT_NE(Source("Module1").find("PROC_ERR:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Containers, OfficeEdit,
                         ::testing::Values(Container{"Xlsm", "Book.xlsm", MakeXlsm}, Container{"Xls", "Book.xls", MakeXls},
                                           Container{"Docm", "Report.docm", MakeDocm},
                                           Container{"ExcelPictureFirst", "Book.xlsm", MakeExcelPictureFirst},
                                           Container{"ExcelBigPictureFirst", "Book.xlsm", MakeExcelBigPictureFirst}),
                         [](const auto& info) { return std::string(info.param.name); });

// A refused run: exit 2, a message, the document byte for byte as it was and
// no backup.
struct Refusal {
  const char* name;
  std::vector<TestModule> modules;
  std::string password;
  std::vector<std::string> args;  // after the document
  const char* says;
};

class RefusedEdit : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedEdit, LeavesTheDocumentAsItWas) {
  TempDir dir;
  const Refusal& c = GetParam();
  auto tree = office::testing::ProjectTree(932, c.modules, c.password);
  if (std::string(c.name) == "Signed") tree->PutStream(u"\x05" u"DigitalSignature", "signature");
  const std::string bytes = office::testing::Xlsm(office::WriteCompoundFile(*tree));
  WriteFile(dir / "Book.xlsm", bytes);
  WriteFile(dir / "QLX.ini", "");
  std::vector<std::string> args = {c.args.front(), (dir / "Book.xlsm").string()};
  args.insert(args.end(), c.args.begin() + 1, c.args.end());
  const RunResult r = RunQlx(args, kNow);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(dir / "Book.xlsm"), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir / "Book.xlsm.bak"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedEdit,
    ::testing::Values(
        Refusal{"Signed", kModules, "", {"headers"}, "digitally signed"},
        Refusal{"Password", kModules, "secret", {"deb"}, "protected by a password"},
        Refusal{"UnknownModule", kModules, "", {"all-headers", "--module", "Module9"},
                "the VBA project has no module Module9 (it has Module1, Module2, Class1)"},
        Refusal{"ProcedureWithoutModule", kModules, "", {"header", "--proc", "Hello"},
                "name the module with --module NAME (the VBA project has Module1, Module2, Class1)"},
        Refusal{"OutsideTheCodePage", kModules, "", {"all-headers", "--module", "Module2", "--author", "\xF0\x9F\x98\x80"},
                "cannot hold; nothing was written"}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder walked by the PATH... commands holds workbooks beside module files.
TEST(OfficeFolder, WorkbooksAreDoneBesideModuleFiles) {
  TempDir dir;
  WriteFile(dir / "QLX.ini", "");
  std::filesystem::create_directories(dir / "src" / ".git");
  WriteFile(dir / "src" / "Book.xlsm", MakeXlsm(kModules));
  WriteFile(dir / "src" / "Loose.bas", kModule2);
  const RunResult r = RunQlx({"headers", (dir / "src").string(), "--ini", (dir / "QLX.ini").string()}, kNow);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("qlx: 2 files changed, 0 unchanged, 0 refused"), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(dir / "src" / "Loose.bas").find("'>>>>>>>>>>"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "src" / "Book.xlsm.bak"));
  const RunResult again = RunQlx({"headers", "--check", (dir / "src").string(), "--ini", (dir / "QLX.ini").string()}, kNow);
  EXPECT_EQ(again.status, 0) << again.out << again.err;
}

// The workbook Excel saved (p-code caches, a form, classes; code page 1252):
// all-headers --module changes each of its modules as it changes the
// exported file, except that the headers' Japanese text does not fit the
// project's code page: that module is refused and the workbook left as it was.
TEST(OfficeExcelWorkbook, AllHeadersOnEachModuleAsOnItsExportedFile) {
  const auto saved = std::filesystem::path(QLX_SOURCE_DIR) / ".." / "shared" / "office" / "testBuilder.xlsm";
  if (!std::filesystem::exists(saved)) GTEST_SKIP() << "no " << saved;
  TempDir dir;
  WriteFile(dir / "QLX.ini", "[Author]\r\nName=yamada\r\n");
  const std::string ini = (dir / "QLX.ini").string();
  const std::filesystem::path book = dir / "Book.xlsm";
  std::filesystem::copy_file(saved, book);
  ASSERT_EQ(RunQlx({"export", book.string(), (dir / "src").string(), "-q"}).status, 0);
  int modules = 0;
  int refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "src")) {
    if (entry.path().extension() == ".frx") continue;
    const std::string module = entry.path().stem().string();
    SCOPED_TRACE(module);
    ++modules;
    std::filesystem::copy_file(saved, book, std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path file = dir / "one" / entry.path().filename();
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::copy_file(entry.path(), file, std::filesystem::copy_options::overwrite_existing);
    const RunResult on_file = RunQlx({"all-headers", file.string(), "--ini", ini}, kNow);
    const RunResult on_book =
        RunQlx({"all-headers", book.string(), "--module", module, "--no-backup", "--ini", ini}, kNow);
    if (on_book.status == 2 && on_file.status == 0) {
      EXPECT_NE(on_book.err.find("code page CP1252 cannot hold; nothing was written"), std::string::npos)
          << on_book.err;
      EXPECT_EQ(ReadFile(book), ReadFile(saved));
      ++refused;
      continue;
    }
    EXPECT_EQ(on_book.status, on_file.status) << on_file.err << on_book.err;
    std::filesystem::remove_all(dir / "after");
    ASSERT_EQ(RunQlx({"export", book.string(), (dir / "after").string(), "-q"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "after" / entry.path().filename()), ReadFile(file));
  }
  EXPECT_EQ(modules, 7);
  EXPECT_LT(refused, modules) << "no module came through unchanged in both";
}

}  // namespace
}  // namespace qlx::testing
