// The language server's buffer, changed in place: after any run of changes
// it reads as the module reader reads the changed text from scratch (the
// same rows, name, problem and findings, placed on the same lines).
#include "cli/lsp_buffer.h"

#include <gtest/gtest.h>

#include "host/files/encoding.h"
#include "host/files/module_file.h"

namespace qlx::cli::lsp {
namespace {

const std::filesystem::path kPath = "/nonexistent/Book.bas";

// Lines 0-17: a hidden name, declarations, a function whose declaration is
// continued and which has a member attribute (hidden) and a marker, a sub
// with two handler labels.
const Text kModule =
    u"Attribute VB_Name = \"Book\"\r\n"
    u"Option Explicit\r\n"
    u"Private total As Long\r\n"
    u"\r\n"
    u"' 処理\r\n"
    u"Public Function Add(ByVal a As Long, _\r\n"
    u"        ByVal b As Long) As Long\r\n"
    u"Attribute Add.VB_Description = \"adds\"\r\n"
    u"    'deb a\r\n"
    u"    Add = a + b\r\n"
    u"End Function\r\n"
    u"\r\n"
    u"Private Sub Show()\r\n"
    u"    On Error GoTo PROC_ERR\r\n"
    u"    Debug.Print total\r\n"
    u"PROC_ERR:\r\n"
    u"PROC_ERR:\r\n"
    u"End Sub\r\n";

check::CheckOptions Options() {
  check::CheckOptions options;
  options.rules.Set(check::Rule::kMissingHandler, true);
  return options;
}

struct Reading {
  std::optional<std::string> problem;
  Text name;
  std::vector<Text> rows;
  std::vector<Diagnostic> diagnostics;
  bool operator==(const Reading&) const = default;
};

Reading Read(const Buffer& buffer) {
  Reading r;
  r.problem = buffer.Problem();
  if (r.problem) return r;
  r.name = buffer.Module()->UncountedName();
  r.rows = buffer.Module()->AllLines();
  r.diagnostics = buffer.Diagnose(Options());
  return r;
}

// What the server read before it kept a buffer: the module file made from
// the whole text, its findings put on the file's lines.
Reading ReadAsModuleFile(const Text& text) {
  Reading r;
  std::string bytes(kUtf8Bom);
  bytes += ToUtf8(text);
  try {
    const ModuleFile file = ModuleFile::FromBytes(std::move(bytes), kPath);
    r.name = file.Module()->UncountedName();
    r.rows = file.Module()->AllLines();
    for (check::Finding& f : check::CheckModule(file.Module(), Options())) {
      const long line = file.FileLineOfRow(f.row) - 1;
      if (line < 0) continue;
      const long length = static_cast<long>(file.Module()->Line(f.row).size());
      r.diagnostics.push_back({line, f.column - 1, std::max<long>(length, f.column - 1), f.rule, f.message});
    }
  } catch (const std::exception& e) {
    r = Reading{};
    r.problem = e.what();
  }
  return r;
}

struct Change {
  Position start;
  Position end;
  Text text;
};

struct ChangeCase {
  const char* name;
  std::vector<Change> changes;
  int in_place;  // how many of them are made without reading the whole text again
};

class BufferChangeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(BufferChangeTest, ReadsAsTheChangedText) {
  Text expected = kModule;
  Buffer buffer(kPath);
  buffer.Reset(ToUtf8(expected));
  for (const Change& c : GetParam().changes) {
    ApplyChange(expected, c.start, c.end, c.text);
    buffer.Change(c.start, c.end, c.text);
  }
  EXPECT_EQ(buffer.WholeText(), expected);
  const Reading read = Read(buffer);
  EXPECT_EQ(read, ReadAsModuleFile(expected));
  Buffer fresh(kPath);
  fresh.Reset(ToUtf8(expected));
  EXPECT_EQ(read, Read(fresh));
  EXPECT_EQ(buffer.InPlaceChanges(), GetParam().in_place);
}

const Text kNul(u"x\0y", 3);

INSTANTIATE_TEST_SUITE_P(
    Changes, BufferChangeTest,
    ::testing::Values(
        ChangeCase{"InsideAProcedure", {{{9, 4}, {9, 7}, u"Sum"}}, 1},
        ChangeCase{"TypingAMarker", {{{14, 0}, {14, 0}, u"    'deb total\r\n"}}, 1},
        ChangeCase{"AcrossTwoProcedures", {{{9, 0}, {14, 0}, u""}}, 1},
        ChangeCase{"AddingAProcedure", {{{18, 0}, {18, 0}, u"Sub Extra()\r\nEnd Sub\r\n"}}, 1},
        ChangeCase{"RemovingAProcedure", {{{11, 0}, {18, 0}, u""}}, 1},
        ChangeCase{"SplittingAProcedure", {{{9, 0}, {9, 0}, u"End Function\r\nFunction Two()\r\n"}}, 1},
        ChangeCase{"InTheDeclarations", {{{2, 8}, {2, 13}, u"count"}}, 1},
        ChangeCase{"AtTheModulesStart", {{{0, 0}, {0, 0}, u"' top\r\n"}}, 0},
        ChangeCase{"OnTheFirstRow", {{{1, 0}, {1, 6}, u"Option"}}, 0},
        ChangeCase{"PastTheLastLine", {{{40, 0}, {40, 0}, u"' last"}}, 1},
        ChangeCase{"AfterALastLineWithoutEnd", {{{17, 7}, {18, 0}, u""}, {{17, 7}, {17, 7}, u"\r\n' x"}}, 2},
        ChangeCase{"ReversedRange", {{{9, 7}, {9, 4}, u"x"}}, 1},
        ChangeCase{"PastALinesEndJoinsLines", {{{8, 99}, {9, 0}, u""}}, 1},
        ChangeCase{"SurrogatePair", {{{4, 2}, {4, 2}, u"𠮷"}, {{4, 4}, {4, 5}, u"z"}}, 2},
        ChangeCase{"IntoAHiddenAttribute", {{{7, 10}, {7, 13}, u"Sum"}}, 0},
        ChangeCase{"OverAHiddenAttribute", {{{5, 0}, {10, 0}, u"Function F()\r\n"}}, 0},
        // The attribute below is shown once the line above continues onto it.
        ChangeCase{"ContinuingOntoAnAttribute", {{{6, 32}, {6, 32}, u" _"}}, 0},
        ChangeCase{"WritingAnAttribute", {{{13, 0}, {13, 0}, u"Attribute Show.VB_UserMemId = 0\r\n"}}, 0},
        ChangeCase{"UnclosedBeginThenClosed",
                   {{{0, 0}, {0, 0}, u"VERSION 1.0 CLASS\r\nBEGIN\r\n"}, {{2, 0}, {2, 0}, u"END\r\n"}},
                   0},
        ChangeCase{"NulThenRemoved", {{{9, 4}, {9, 4}, kNul}, {{9, 4}, {9, 7}, u""}}, 0},
        ChangeCase{"LoneCrThenJoinedByLf", {{{3, 0}, {4, 0}, u"\r"}, {{4, 0}, {4, 0}, u"\n"}}, 2},
        ChangeCase{"EverythingDeletedThenTyped",
                   {{{0, 0}, {99, 0}, u""}, {{0, 0}, {0, 0}, u"Sub A()\r\n    'deb x\r\nEnd Sub"}},
                   0},
        // Hidden lines below and above the changes keep their places.
        ChangeCase{"AroundAHiddenLine",
                   {{{5, 0}, {5, 0}, u"' one\r\n"}, {{12, 0}, {12, 0}, u"' two\r\n"}, {{2, 0}, {3, 0}, u""},
                    {{8, 0}, {8, 0}, u"    Dim n As Long\n"}},
                   4}),
    [](const auto& info) { return std::string(info.param.name); });

// A buffer's lines are the text's lines, each with its end, whatever ends
// them.
class BufferLinesTest : public ::testing::TestWithParam<Text> {};

TEST_P(BufferLinesTest, AreTheSplitLines) {
  Buffer buffer(kPath);
  buffer.Reset(ToUtf8(GetParam()));
  std::vector<Text> lines;
  buffer.ForEachLine([&](TextView content, TextView end) {
    lines.emplace_back(content);
    lines.back() += end;
    return true;
  });
  EXPECT_EQ(lines, SplitKeepingEnds(GetParam()));
  EXPECT_EQ(buffer.LineCount(), static_cast<long>(lines.size()));
  EXPECT_EQ(buffer.WholeText(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Texts, BufferLinesTest,
                         ::testing::Values(Text(), Text(u"abc"), Text(u"abc\r\n"), Text(u"a\r\nbb\nccc\rdddd"),
                                           Text(u"\r\n\r\n"), Text(u"x\r\r\ny\n\n"), Text(u"x𠮷y\r\nz")));

// The buffer's lines give the same answer as its text.
class MisreadLinesTest : public ::testing::TestWithParam<Text> {};

TEST_P(MisreadLinesTest, AgreesWithTheText) {
  Buffer buffer(kPath);
  buffer.Reset(ToUtf8(GetParam()));
  EXPECT_EQ(MisreadCp932Line([&](const LineVisitor& visit) { buffer.ForEachLine(visit); }),
            MisreadCp932Line(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Texts, MisreadLinesTest,
                         ::testing::Values(u"' \u0082\u00a0\r\nSub A()\r\n", u"Sub A()\n' \u0082\u00a0", u"a\rb\r\u0082\u00a0",
                                           u"' \u0082\r\n\u00a0", u"' \u0082\u00a0 あ", u"plain\r\n"));

}  // namespace
}  // namespace qlx::cli::lsp
