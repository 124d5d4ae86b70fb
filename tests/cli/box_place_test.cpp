// Boxes say where they come from in a run over several files or a document:
// "FILE[:MODULE]: PROCEDURE: [TITLE] TEXT", or with --json-messages "file",
// "module", "procedure" and "line" beside the box's own fields. A run over
// one module file shows its boxes as before.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/cli_support.h"
#include "office/project_builder.h"

namespace qlx::testing {
namespace {

using nlohmann::json;

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

// A marker deb refuses in Second (file line 6), none in Plain.
const std::string kMarked =
    "Attribute VB_Name = \"Marked\"\n"
    "Sub First()\n"
    "    'deb a\n"
    "End Sub\n"
    "Sub Second()\n"
    "    'deb a b c d\n"
    "End Sub\n";
const std::string kPlain = "Attribute VB_Name = \"Plain\"\nSub Only()\nEnd Sub\n";
// An author line without its separator: headers reports Broken and goes on.
const std::string kBroken =
    "Attribute VB_Name = \"Broken\"\n"
    "Sub Fine()\n"
    "End Sub\n"
    "'|\xe4\xbd\x9c  \xe8\x80\x85|:A: \xe4\xbd\x9c\xe6\x88\x90\xe6\x97\xa5:2026/01/01: \xe6\x9b\xb4\xe6\x96\xb0:\n"
    "Sub Broken()\n"
    "End Sub\n";

std::vector<json> JsonBoxes(const std::string& err) {
  std::vector<json> boxes;
  std::istringstream in(err);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line.front() != '{') continue;
    json j = json::parse(line);
    if (j.contains("title")) boxes.push_back(j);
  }
  return boxes;
}

class BoxPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "Marked.bas", kMarked);
    WriteFile(dir_ / "Plain.bas", kPlain);
    WriteFile(dir_ / "Broken.bas", kBroken);
    WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=Tester\r\n[Mode]\r\nIgnoreMode=1\r\nUnUndoMode=1\r\n");
  }
  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  TempDir dir_;
};

TEST_F(BoxPlaceTest, ABoxOfSeveralFilesNamesTheFileAndTheProcedure) {
  const RunResult deb = RunQlx({"deb", PathOf("Marked.bas"), PathOf("Plain.bas")}, kNow);
  EXPECT_EQ(deb.status, 1) << deb.err;
  EXPECT_NE(deb.err.find(PathOf("Marked.bas") + ": Second: [QLX] ['deb ]\xe6\x96\x87\xe3\x81\xae\xe5\xbe\x8c"),
            std::string::npos)
      << deb.err;

  const RunResult headers = RunQlx({"headers", dir_.path().string()}, kNow);
  EXPECT_NE(headers.err.find(PathOf("Broken.bas") + ": Broken: [QLX] "), std::string::npos) << headers.err;
}

TEST_F(BoxPlaceTest, JsonBoxesCarryFileModuleProcedureAndLine) {
  const RunResult r = RunQlx({"deb", PathOf("Marked.bas"), PathOf("Plain.bas"), "--json-messages"}, kNow);
  const std::vector<json> boxes = JsonBoxes(r.err);
  ASSERT_EQ(boxes.size(), 1u) << r.err;
  EXPECT_EQ(boxes[0]["file"], PathOf("Marked.bas"));
  EXPECT_EQ(boxes[0]["module"], "Marked");
  EXPECT_EQ(boxes[0]["procedure"], "Second");
  EXPECT_EQ(boxes[0]["line"], 6) << "the marker's line in the file as it was read";
  EXPECT_EQ(boxes[0]["buttons"], "ok") << "the box's own fields stay";
  EXPECT_EQ(boxes[0]["title"], "QLX");
}

TEST_F(BoxPlaceTest, ABoxOfADocumentNamesTheDocumentAndTheModule) {
  std::string module;
  for (char c : kMarked) {
    if (c == '\n') module += '\r';
    module += c;
  }
  module.replace(module.find("Marked"), 6, "Module1");
  WriteFile(dir_ / "Book.xlsm", office::testing::Xlsm(office::WriteCompoundFile(
                                    *office::testing::ProjectTree(932, {{"Module1", 'M', module}}))));
  const std::string book = PathOf("Book.xlsm");
  const RunResult text = RunQlx({"deb", book, "--no-backup"}, kNow);
  EXPECT_NE(text.err.find(book + ":Module1: Second: [QLX] ['deb ]"), std::string::npos) << text.err;

  const RunResult j = RunQlx({"deb", book, "--json-messages", "--check"}, kNow);
  const std::vector<json> boxes = JsonBoxes(j.err);
  ASSERT_EQ(boxes.size(), 1u) << j.err;
  EXPECT_EQ(boxes[0]["file"], book);
  EXPECT_EQ(boxes[0]["module"], "Module1");
  EXPECT_EQ(boxes[0]["procedure"], "Second");
  EXPECT_EQ(boxes[0]["line"], 6) << "counted in the module's source";
}

// The tool window's boxes pass through the add-in's own screen service on
// their way to the console: the place goes with them.
TEST_F(BoxPlaceTest, ASessionOverSeveralFilesNamesTheActiveModulesFile) {
  const RunResult r = RunQlx({"session", PathOf("Marked.bas"), PathOf("Plain.bas"), "--ini", PathOf("QLX.ini"),
                              "--json-messages"},
                             kNow + " QLX_CONFIG_DIR=" + Quote((dir_ / "user").string()), "menu\nrepdeb\n");
  const std::vector<json> boxes = JsonBoxes(r.err);
  ASSERT_EQ(boxes.size(), 1u) << r.err;
  EXPECT_EQ(boxes[0]["file"], PathOf("Marked.bas"));
  EXPECT_EQ(boxes[0]["procedure"], "Second");
  EXPECT_EQ(boxes[0]["line"], 6);
}

// One module file: nothing to tell apart, so its boxes read as they always did.
TEST_F(BoxPlaceTest, ARunOverOneModuleFileShowsBoxesAsBefore) {
  const RunResult text = RunQlx({"deb", PathOf("Marked.bas")}, kNow);
  EXPECT_EQ(text.err.rfind("[QLX] ['deb ]", 0), 0u) << text.err;
  const RunResult j = RunQlx({"deb", PathOf("Marked.bas"), "--json-messages"}, kNow);
  const std::vector<json> boxes = JsonBoxes(j.err);
  ASSERT_EQ(boxes.size(), 1u) << j.err;
  EXPECT_FALSE(boxes[0].contains("procedure")) << boxes[0].dump();
}

}  // namespace
}  // namespace qlx::testing
