// qlx export and qlx import on Office documents, run as a user runs them.
#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "office/office_document.h"
#include "office/project_builder.h"

namespace qlx::testing {
namespace {

using office::testing::TestModule;

const std::string kModule1 =
    "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n' \x93\xfa\x96\x7b\x8c\xea\r\n"
    "Public Sub Hello(ByVal s As String)\r\n    MsgBox s\r\nEnd Sub\r\n";
const std::string kClass1 = "Attribute VB_Name = \"Class1\"\r\nAttribute VB_Exposed = False\r\nPrivate m As Long\r\n";

std::string Workbook() {
  return office::testing::Xlsm(office::WriteCompoundFile(
      *office::testing::ProjectTree(932, {{"Module1", 'M', kModule1}, {"Class1", 'C', kClass1}})));
}

TEST(ExportCommand, WritesEachModuleAsTheEditorExportsIt) {
  TempDir dir;
  WriteFile(dir / "Book.xlsm", Workbook());
  const RunResult r = RunQlx({"export", (dir / "Book.xlsm").string(), (dir / "src").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "src" / "Module1.bas"), kModule1);
  EXPECT_EQ(ReadFile(dir / "src" / "Class1.cls"),
            "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n" + kClass1);
  EXPECT_NE(r.err.find("qlx: wrote " + (dir / "src" / "Module1.bas").string()), std::string::npos) << r.err;
}

TEST(ImportCommand, UnchangedFilesLeaveTheDocumentAsItWas) {
  TempDir dir;
  WriteFile(dir / "Book.xlsm", Workbook());
  ASSERT_EQ(RunQlx({"export", (dir / "Book.xlsm").string(), (dir / "src").string(), "-q"}).status, 0);
  const RunResult r = RunQlx({"import", (dir / "src").string(), (dir / "Book.xlsm").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "Book.xlsm"), Workbook());
  EXPECT_FALSE(std::filesystem::exists(dir / "Book.xlsm.bak"));
  EXPECT_NE(r.err.find("0 modules changed, 2 unchanged"), std::string::npos) << r.err;
}

TEST(ImportCommand, EditedFileChangesOnlyItsModuleAndKeepsABackup) {
  TempDir dir;
  WriteFile(dir / "Book.xlsm", Workbook());
  ASSERT_EQ(RunQlx({"export", (dir / "Book.xlsm").string(), (dir / "src").string(), "-q"}).status, 0);
  // Edited in git with LF line ends.
  WriteFile(dir / "src" / "Module1.bas", "Attribute VB_Name = \"Module1\"\nOption Explicit\nSub Added()\nEnd Sub\n");
  const RunResult r = RunQlx({"import", (dir / "src").string(), (dir / "Book.xlsm").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "Book.xlsm.bak"), Workbook());
  office::OfficeDocument doc = office::OfficeDocument::Load(dir / "Book.xlsm");
  EXPECT_EQ(doc.Project().Source(0), "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\nSub Added()\r\nEnd Sub\r\n");
  EXPECT_EQ(doc.Project().Source(1), kClass1);
}

// qlx check on a workbook finds what it finds on the exported files.
TEST(CheckCommand, WorkbookFindsWhatItsExportedFilesDo) {
  TempDir dir;
  const std::string module =
      "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\nSub A(ByVal x As Long)\r\n    'deb x\r\nEnd Sub\r\n"
      "Sub B()\r\nPROC_ERR:\r\nPROC_ERR:\r\nEnd Sub\r\n";
  WriteFile(dir / "Book.xlsm", office::testing::Xlsm(office::WriteCompoundFile(
                                   *office::testing::ProjectTree(932, {{"Module1", 'M', module}, {"Class1", 'C', kClass1}}))));
  ASSERT_EQ(RunQlx({"export", (dir / "Book.xlsm").string(), (dir / "src").string(), "-q"}).status, 0);
  const RunResult in_book = RunQlx({"check", (dir / "Book.xlsm").string(), "--format", "json"});
  const RunResult in_files = RunQlx({"check", (dir / "src").string(), "--format", "json"});
  EXPECT_EQ(in_book.status, 1) << in_book.err;
  EXPECT_EQ(in_files.status, 1) << in_files.err;
  auto book = nlohmann::json::parse(in_book.out), files = nlohmann::json::parse(in_files.out);
  ASSERT_EQ(book.size(), files.size());
  ASSERT_GE(book.size(), 3u);
  for (std::size_t i = 0; i < book.size(); ++i) {
    EXPECT_EQ(book[i]["file"], (dir / "Book.xlsm").string() + ":Module1");
    for (const char* key : {"line", "column", "rule", "message", "procedure"}) EXPECT_EQ(book[i][key], files[i][key]) << key;
  }
  const RunResult one = RunQlx({"check", (dir / "Book.xlsm").string(), "--module", "Class1"});
  EXPECT_EQ(one.status, 0) << one.out << one.err;
}

// The workbook Excel saved (classes, a form, code page 1252): the same
// findings as on its exported files, lines counted in the module's source,
// which starts at the exported file's Attribute VB_Name line.
TEST(CheckCommand, ExcelWorkbookFindsWhatItsExportedFilesDo) {
  const auto saved = std::filesystem::path(QLX_SOURCE_DIR) / ".." / "shared" / "office" / "testBuilder.xlsm";
  if (!std::filesystem::exists(saved)) GTEST_SKIP() << "no " << saved;
  TempDir dir;
  const std::string book = (dir / "Book.xlsm").string();
  std::filesystem::copy_file(saved, book);
  ASSERT_EQ(RunQlx({"export", book, (dir / "src").string(), "-q"}).status, 0);
  const RunResult in_book = RunQlx({"check", book, "--format", "json"});
  const RunResult in_files = RunQlx({"check", (dir / "src").string(), "--format", "json"});
  ASSERT_EQ(in_book.status, in_files.status) << in_book.err << in_files.err;
  using Seen = std::tuple<std::string, long, long, std::string, std::string, std::string>;
  std::multiset<Seen> from_book, from_files;
  for (const auto& f : nlohmann::json::parse(in_book.out)) {
    const std::string name = f["file"].get<std::string>().substr(book.size() + 1);
    long offset = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "src")) {
      if (entry.path().stem() != name || entry.path().extension() == ".frx") continue;
      const std::string text = ReadFile(entry.path());
      const std::size_t at = text.find("Attribute VB_Name");
      offset = static_cast<long>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
    }
    from_book.insert({name, f["line"].get<long>() + offset, f["column"], f["rule"], f["message"], f["procedure"]});
  }
  for (const auto& f : nlohmann::json::parse(in_files.out)) {
    from_files.insert({std::filesystem::path(f["file"].get<std::string>()).stem().string(), f["line"], f["column"],
                       f["rule"], f["message"], f["procedure"]});
  }
  EXPECT_FALSE(from_book.empty());
  EXPECT_EQ(from_book, from_files);
}

struct BadImport {
  const char* name;
  const char* file;
  std::string content;
  const char* says;
};

class RefusedImport : public ::testing::TestWithParam<BadImport> {};

TEST_P(RefusedImport, WritesNothing) {
  TempDir dir;
  WriteFile(dir / "Book.xlsm", Workbook());
  std::filesystem::create_directories(dir / "src");
  WriteFile(dir / "src" / GetParam().file, GetParam().content);
  const RunResult r = RunQlx({"import", (dir / "src").string(), (dir / "Book.xlsm").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "Book.xlsm"), Workbook());
  EXPECT_FALSE(std::filesystem::exists(dir / "Book.xlsm.bak"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedImport,
    ::testing::Values(
        BadImport{"UnknownModule", "Module9.bas", "Attribute VB_Name = \"Module9\"\r\n",
                  "the VBA project has no module Module9 (it has Module1, Class1); nothing was written"},
        BadImport{"NoName", "Module1.bas", "Option Explicit\r\n", "has no Attribute VB_Name line"},
        BadImport{"OutsideTheCodePage", "Module1.bas", "Attribute VB_Name = \"Module1\"\r\n' \xF0\x9F\x98\x80\r\n",
                  "cannot hold; nothing was written"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadDocument {
  const char* name;
  std::string (*make)();
  const char* says;
};

class RefusedDocument : public ::testing::TestWithParam<BadDocument> {};

// Every refusal: a message naming the file, exit 2, the document untouched
// and nothing exported.
TEST_P(RefusedDocument, ByExportAndImport) {
  TempDir dir;
  const std::string bytes = GetParam().make();
  WriteFile(dir / "Book.xlsm", bytes);
  const RunResult exported = RunQlx({"export", (dir / "Book.xlsm").string(), (dir / "src").string()});
  EXPECT_EQ(exported.status, 2);
  EXPECT_NE(exported.err.find("Book.xlsm: "), std::string::npos) << exported.err;
  EXPECT_NE(exported.err.find(GetParam().says), std::string::npos) << exported.err;
  EXPECT_TRUE(!std::filesystem::exists(dir / "src") || std::filesystem::is_empty(dir / "src"));
  std::filesystem::create_directories(dir / "in");
  WriteFile(dir / "in" / "Module1.bas", kModule1);
  const RunResult imported = RunQlx({"import", (dir / "in").string(), (dir / "Book.xlsm").string()});
  EXPECT_EQ(imported.status, 2);
  EXPECT_NE(imported.err.find(GetParam().says), std::string::npos) << imported.err;
  EXPECT_EQ(ReadFile(dir / "Book.xlsm"), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir / "Book.xlsm.bak"));
}

std::string Signed() {
  auto tree = office::testing::ProjectTree(932, {{"Module1", 'M', kModule1}});
  tree->PutStream(u"\x05" u"DigitalSignature", "signature");
  return office::testing::Xlsm(office::WriteCompoundFile(*tree));
}

std::string CorruptDir() {
  auto tree = office::testing::ProjectTree(932, {{"Module1", 'M', kModule1}});
  std::string dir = office::testing::DirStream(932, {{"Module1", 'M', kModule1}});
  dir.resize(dir.size() - 40);
  tree->Child(u"VBA")->PutStream(u"dir", office::Compress(dir));
  return office::testing::Xlsm(office::WriteCompoundFile(*tree));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDocument,
    ::testing::Values(
        BadDocument{"Signed", Signed, "digitally signed"},
        BadDocument{"Password",
                    [] {
                      return office::testing::Xlsm(office::WriteCompoundFile(
                          *office::testing::ProjectTree(932, {{"Module1", 'M', kModule1}}, "secret")));
                    },
                    "protected by a password"},
        BadDocument{"CorruptDir", CorruptDir, "dir stream"},
        BadDocument{"TruncatedZip",
                    [] {
                      std::string b = Workbook();
                      b.resize(b.size() - 30);
                      return b;
                    },
                    "zip container"},
        BadDocument{"NotAZip", [] { return std::string("PK\x03\x04 not really a zip"); }, "zip container"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::testing
