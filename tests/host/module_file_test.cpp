// Exported module files: hidden lines kept aside, encodings and line ends
// kept, unchanged lines written back from their original bytes, bad files
// refused, saves that never leave a half-written or wrongly written file.
#include "host/files/module_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/files/encoding.h"
#include "support/files.h"
#include "support/text.h"

namespace qlx {
namespace {
namespace fs = std::filesystem;

const fs::path kFiles = fs::path(QLX_TEST_DATA) / "files";

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

ModuleFile FromBytes(std::string bytes, const std::string& name = "Test.bas") {
  return ModuleFile::FromBytes(std::move(bytes), name);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.what();
  }
  return "(no FileError)";
}

// ---------------------------------------------------------------- fixtures

struct FixtureCase {
  const char* file;
  const char16_t* name;
  const char* encoding;
  Row rows;
  long hidden;
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }

class FixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTest, LoadsAndRendersTheSameBytes) {
  const FixtureCase& c = GetParam();
  const fs::path path = kFiles / c.file;
  ModuleFile file = ModuleFile::Load(path);
  EXPECT_EQ(file.Module()->Name(), c.name);
  EXPECT_EQ(file.EncodingName(), c.encoding);
  EXPECT_EQ(file.Module()->LineCount(), c.rows);
  EXPECT_EQ(file.HiddenLineCount(), c.hidden);
  EXPECT_EQ(file.Render(), ReadFile(path));
  EXPECT_FALSE(file.Rendered().Changed());
  EXPECT_TRUE(file.Warnings().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, FixtureTest,
    ::testing::Values(FixtureCase{"Cp932Module.bas", u"Cp932Module", "CP932", 9, 1},
                      FixtureCase{"Utf8Module.bas", u"Utf8Module", "UTF-8", 5, 1},
                      FixtureCase{"BomModule.bas", u"BomModule", "UTF-8 with BOM", 2, 1},
                      FixtureCase{"NoFinalNewline.bas", u"NoFinalNewline", "CP932", 3, 1},
                      FixtureCase{"Counter.cls", u"Counter", "CP932", 13, 13},
                      FixtureCase{"frmMain.frm", u"frmMain", "CP932", 5, 21},
                      FixtureCase{"NoName.txt", u"NoName", "CP932", 4, 0}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.file)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(ModuleFileTest, DecodesCp932AsTheMicrosoftTable) {
  ModuleFile file = ModuleFile::Load(kFiles / "Cp932Module.bas");
  auto module = file.Module();
  // ～ is U+FF5E (0x8160), ソ and 表 end in 0x5C, half-width katakana stay half-width.
  EXPECT_EQ(module->Line(3), u"' 波ダッシュ：～　ソ：ソフト　表：表示　半角ｶﾀｶﾅ：ｱｲｳｴｵ");
  // NEC-selected IBM and NEC special characters read as their Unicode characters.
  EXPECT_EQ(module->Line(4), u"' NEC選定IBM拡張文字：纊（ED40）　NEC特殊文字：≒（8790）");
  EXPECT_EQ(module->Line(6), u"Public Function 表示名(ByVal 名前 As String) As String");
}

TEST(ModuleFileTest, HidesTheClassHeaderAndMemberAttributes) {
  ModuleFile file = ModuleFile::Load(kFiles / "Counter.cls");
  EXPECT_EQ(file.Module()->AllLines(), testing::Lines(uR"(
Option Explicit
' 件数を数えるクラス
Private m_Count As Long
Private WithEvents m_Book As Workbook

Public Property Get Value() As Long
    Value = m_Count
End Property

Public Sub Add(Optional ByVal 増分 As Long = 1, _
               Optional ByVal 理由 As String = "")
    m_Count = m_Count + 増分
End Sub
)"));
}

TEST(ModuleFileTest, HidesNestedFormBlocksToTheirOwnEnd) {
  ModuleFile file = ModuleFile::Load(kFiles / "frmMain.frm");
  EXPECT_EQ(file.Module()->AllLines(), testing::Lines(uR"(
Option Explicit

Private Sub cmdOK_Click()
    Unload Me
End Sub
)"));
}

// ---------------------------------------------------------------- names

TEST(ModuleFileTest, NameComesFromVbNameElseTheFileName) {
  struct Case {
    std::string bytes;
    std::string path;
    Text name;
  };
  const Case cases[] = {
      {"Attribute VB_Name = \"Mod1\"\r\nSub A()\r\n", "dir/Other.bas", u"Mod1"},
      {"attribute   vb_name=\"lower\"\r\n", "x.bas", u"lower"},
      {"Sub A()\r\n", "dir/My.Module.bas", u"My.Module"},
      {"Attribute VB_Name = \"\"\r\n", "Empty.bas", u"Empty"},
      {"", "Blank.bas", u"Blank"},
      {"Attribute VB_Name = \"\x95\x5C\"\r\n", "x.bas", u"表"},
      {"Sub A()\r\n", "\xe6\xa8\xa1.bas", u"模"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FromBytes(c.bytes, c.path).Module()->Name(), c.name);
  }
}

// ---------------------------------------------------------------- encodings

TEST(ModuleFileTest, DetectsEncodingAndRoundTrips) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* encoding;
    Text row1;
  };
  const Case cases[] = {
      {"pure ASCII is the code page", "Sub A()\r\n", "CP932", u"Sub A()"},
      {"UTF-8 with non-ASCII", "' \xe8\xa1\xa8\r\n", "UTF-8", u"' 表"},
      {"UTF-8 beyond the BMP", "' \xf0\x9f\x8c\x8f\n", "UTF-8", u"' \U0001F30F"},
      {"BOM with ASCII only", "\xef\xbb\xbfSub A()\r\n", "UTF-8 with BOM", u"Sub A()"},
      {"BOM and nothing else", "\xef\xbb\xbf", "UTF-8 with BOM", u""},
      {"invalid UTF-8 is the code page", "' \x95\x5c\r\n", "CP932", u"' 表"},
      // Half-width katakana pairs can be valid UTF-8: such a file reads as UTF-8.
      {"CP932 bytes that are valid UTF-8", "' \xc3\xbd\r\n", "UTF-8", u"' \u00fd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModuleFile file = FromBytes(c.bytes);
    EXPECT_EQ(file.EncodingName(), c.encoding);
    if (file.Module()->LineCount() > 0) {
      EXPECT_EQ(file.Module()->Line(1), c.row1);
    }
    EXPECT_EQ(file.Render(), c.bytes);
  }
}

// Lines are decoded many at a time; each must still read as it reads alone.
struct DecodeCase {
  const char* what;
  const char* code_page;
  std::string bytes;
  std::vector<Text> rows;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.what; }

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, EachLineReadsAsItReadsAlone) {
  const DecodeCase& c = GetParam();
  ModuleFile file = ModuleFile::FromBytes(c.bytes, "d.bas", LoadOptions{c.code_page});
  EXPECT_EQ(file.Module()->AllLines(), c.rows);
  EXPECT_EQ(file.Render(), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, DecodeTest,
    ::testing::Values(
        // Shift_JIS reads 0x5C and 0x7E as yen and overline, in lines of ASCII too.
        DecodeCase{"ShiftJisYenInAsciiLines", "SHIFT_JIS", "' a\\b\r\nx = \"~\"\r\n", {u"' a\u00a5b", u"x = \"\u203e\""}},
        DecodeCase{"Cp932BackslashIsItself", "CP932", "' a\\b\r\n' \x95\x5c~\r\n", {u"' a\\b", u"' 表~"}},
        // A shift left open at a line end is not carried into the next line.
        DecodeCase{"Iso2022JpShiftEndsWithItsLine", "ISO-2022-JP", "' \x1b$B0!\r\n0!\x1b(B\r\n", {u"' 亜", u"0!"}}),
    [](const auto& info) { return std::string(info.param.what); });

// Files of many decoding pieces: rows on both sides of each piece's end.
TEST(ModuleFileTest, LargeFilesReadAsTheirLinesAndNameTheLineThatFails) {
  for (const std::size_t lines : {1000u, 3001u, 9000u}) {
    SCOPED_TRACE(lines);
    std::string bytes;
    std::vector<Text> rows;
    for (std::size_t i = 0; i < lines; ++i) {
      // Lines of different lengths, ASCII and not, and empty ones.
      const std::string number = std::to_string(i);
      if (i % 5 == 4) {
        bytes += "\r\n";
        rows.emplace_back();
      } else if (i % 2 == 0) {
        bytes += "' \x95\x5c " + number + "\r\n";
        rows.push_back(u"' 表 " + Text(number.begin(), number.end()));
      } else {
        bytes += "x = " + number + std::string(i % 37, ' ') + "\n";
        rows.push_back(u"x = " + Text(number.begin(), number.end()) + Text(i % 37, u' '));
      }
    }
    ModuleFile file = FromBytes(bytes);
    EXPECT_EQ(file.EncodingName(), "CP932");
    EXPECT_EQ(file.Module()->AllLines(), rows);
    EXPECT_EQ(file.Render(), bytes);

    // A lead byte without its second byte, on the last line but one.
    std::string broken = bytes;
    const std::size_t at = broken.rfind("' \x95");
    broken.insert(at, "\x81\r\n");
    const auto line = std::count(broken.begin(), broken.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    EXPECT_EQ(ErrorOf([&] { FromBytes(broken); }),
              "Test.bas: line " + std::to_string(line) +
                  " cannot be decoded as CP932; name the file's encoding with --encoding NAME if it is another code page");
  }
}

TEST(ModuleFileTest, AnotherCodePageCanBeNamed) {
  // 漢字 in EUC-JP is B4 C1 BB FA: not UTF-8, and CP932 would read other characters.
  ModuleFile file = ModuleFile::FromBytes("' \xb4\xc1\xbb\xfa\n", "e.bas", LoadOptions{"EUC-JP"});
  EXPECT_EQ(file.EncodingName(), "EUC-JP");
  EXPECT_EQ(file.Module()->Line(1), u"' 漢字");
  file.Module()->InsertLines(2, u"' 字");
  EXPECT_EQ(file.Render(), "' \xb4\xc1\xbb\xfa\n' \xbb\xfa\n");
}

TEST(ModuleFileTest, RefusesUnknownAndNonAsciiEncodings) {
  EXPECT_NE(ErrorOf([] { ModuleFile::FromBytes("x\r\n", "a.bas", LoadOptions{"NO-SUCH-CODEPAGE"}); })
                .find("a.bas: unknown encoding \"NO-SUCH-CODEPAGE\""),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { ModuleFile::FromBytes("x\r\n", "a.bas", LoadOptions{"UTF-16LE"}); })
                .find("not ASCII-compatible"),
            std::string::npos);
}

TEST(ModuleFileTest, UnchangedLinesKeepBytesThatWouldNotRoundTrip) {
  const fs::path path = kFiles / "Cp932Module.bas";
  const std::string original = ReadFile(path);
  ModuleFile file = ModuleFile::Load(path);
  auto module = file.Module();
  // Replacing a line by its own text is no change.
  module->ReplaceLine(4, Text(module->Line(4)));
  EXPECT_EQ(file.Render(), original);
  EXPECT_FALSE(file.Rendered().Changed());

  module->ReplaceLine(6, u"Public Function 表示名(ByVal 名前 As String, ByVal n As Long) As String");
  const std::string rendered = file.Render();
  EXPECT_NE(rendered.find("\xed\x40"), std::string::npos) << "NEC-selected IBM 0xED40 kept";
  EXPECT_NE(rendered.find("\x87\x90"), std::string::npos) << "NEC 0x8790 kept";

  // Changed text is encoded anew: 纊 becomes the IBM code FA5C, ≒ becomes 81E0.
  module->ReplaceLine(4, u"' 纊≒");
  EXPECT_NE(file.Render().find("' \xfa\x5c\x81\xe0\r\n"), std::string::npos);
  EXPECT_TRUE(file.Rendered().Changed());
}

TEST(ModuleFileTest, UnrepresentableCharactersAreWrittenAsQuestionMarks) {
  ModuleFile file = FromBytes("Attribute VB_Name = \"M\"\r\nSub A()\r\n", "M.bas");
  file.Module()->InsertLines(2, u"' caf\u00e9 \u2713 \U0001F600 ok");
  EXPECT_EQ(file.Render(), "Attribute VB_Name = \"M\"\r\nSub A()\r\n' caf? ? ? ok\r\n");
  const std::vector<std::string> warnings = file.Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "M.bas: line 3 (row 2): 3 characters that CP932 cannot hold written as '?'");

  ModuleFile utf8 = FromBytes("' \xe8\xa1\xa8\n");
  utf8.Module()->InsertLines(2, Text(u"' x") + char16_t(0xD800) + u"y");
  EXPECT_EQ(utf8.Render(), "' \xe8\xa1\xa8\n' x?y\n");
  EXPECT_EQ(utf8.Warnings().size(), 1u);
}

// Each character an encoding cannot hold is one '?' and counts once: a
// surrogate pair is one character, each half without its partner another.
struct UnwritableCase {
  const char* what;
  Encoding::Kind kind;
  Text text;
  std::string bytes;
  int replaced;
};

class UnwritableTest : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableTest, EachCharacterIsOneQuestionMark) {
  const UnwritableCase& c = GetParam();
  SCOPED_TRACE(c.what);
  Converter converter(Encoding{c.kind, kDefaultCodePage});
  int replaced = 0;
  EXPECT_EQ(converter.Encode(c.text, &replaced), c.bytes);
  EXPECT_EQ(replaced, c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, UnwritableTest,
    ::testing::Values(
        UnwritableCase{"Utf8Pair", Encoding::Kind::kUtf8, u"a\U0001F600", "a\xf0\x9f\x98\x80", 0},
        UnwritableCase{"Utf8LoneHigh", Encoding::Kind::kUtf8, Text{0xD83D, u'a'}, "?a", 1},
        UnwritableCase{"Utf8LowThenHigh", Encoding::Kind::kUtf8, Text{0xDC00, 0xD800}, "??", 2},
        UnwritableCase{"Cp932Pair", Encoding::Kind::kCodePage, u"a\U00020BB7b", "a?b", 1},
        UnwritableCase{"Cp932TwoHighs", Encoding::Kind::kCodePage, Text{0xD800, 0xD800}, "??", 2},
        UnwritableCase{"Cp932LoneLowAtEnd", Encoding::Kind::kCodePage, Text{u'x', 0xDFFF}, "x?", 1}),
    [](const auto& info) { return std::string(info.param.what); });

// Nothing is ever saved with '?' in place of a character: the file stays as it was.
TEST(ModuleFileTest, SaveRefusesCharactersTheEncodingCannotHold) {
  TempDir dir;
  const fs::path path = dir / "W.bas";
  const std::string original = "Attribute VB_Name = \"W\"\r\nSub A()\r\nEnd Sub\r\n";
  WriteFile(path, original);
  LoadOptions options;
  options.encoding = "CP1252";
  ModuleFile file = ModuleFile::Load(path, options);
  file.Module()->InsertLines(1, u"' caf\u00e9");
  file.Module()->InsertLines(2, u"'|\u6982  \u8981|:");
  EXPECT_EQ(ErrorOf([&] { file.CheckEncodable(file.Rendered()); }),
            path.string() + ": line 3 (row 2): holds characters that the file's code page CP1252 cannot hold; nothing "
                            "was written");
  EXPECT_EQ(ErrorOf([&] { file.Save(path); }), ErrorOf([&] { file.CheckEncodable(file.Rendered()); }));
  EXPECT_EQ(ReadFile(path), original);

  ModuleFile utf8 = FromBytes("' \xe8\xa1\xa8\n");
  utf8.Module()->InsertLines(2, Text(u"' x") + char16_t(0xD800));
  EXPECT_NE(ErrorOf([&] { utf8.CheckEncodable(utf8.Rendered()); }).find("the file's encoding UTF-8 cannot hold"), std::string::npos);
}

// One rendering answers every question a writer asks: its bytes are what
// Render() gives, it knows whether they changed and which row is the first
// written with '?'.
TEST(ModuleFileTest, RenderingAgreesWithRenderAndWarnings) {
  ModuleFile file = FromBytes("Attribute VB_Name = \"M\"\r\nSub A()\r\nEnd Sub\r\n", "M.bas");
  ModuleFile::Rendering before = file.Rendered();
  EXPECT_FALSE(before.Changed());
  EXPECT_EQ(before.UnheldRow(), 0);
  EXPECT_EQ(before.Bytes(), file.Render());

  file.Module()->InsertLines(2, u"' ok");
  file.Module()->InsertLines(3, u"' \u2713");
  file.Module()->InsertLines(4, u"' \U0001F600");
  const ModuleFile::Rendering after = file.Rendered();
  EXPECT_TRUE(after.Changed());
  EXPECT_EQ(after.Bytes(), file.Render());
  EXPECT_EQ(after.UnheldRow(), 3);
  EXPECT_EQ(after.UnheldLine(), 4);
  EXPECT_EQ(file.Warnings().front().rfind("M.bas: line 4 (row 3): ", 0), 0u) << file.Warnings().front();
  EXPECT_EQ(ErrorOf([&] { file.CheckEncodable(after); }),
            "M.bas: line 4 (row 3): holds characters that the file's code page CP932 cannot hold; nothing was written");
  EXPECT_EQ(ErrorOf([&] { file.CheckEncodable(before); }), "(no FileError)") << "an earlier rendering is its own answer";

  // Undone by hand, the module renders as loaded again.
  file.Module()->DeleteLines(2, 3);
  EXPECT_FALSE(file.Rendered().Changed());
}

// ---------------------------------------------------------------- line ends

TEST(ModuleFileTest, LineEndsAreKeptPerLineAndNewLinesTakeTheDominantOne) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string after_append;  // after appending row "New"
  };
  const Case cases[] = {
      {"CRLF", "a\r\nb\r\n", "a\r\nb\r\nNew\r\n"},
      {"LF", "a\nb\n", "a\nb\nNew\n"},
      {"CR alone", "a\rb\r", "a\rb\rNew\r"},
      {"mixed, LF dominant", "a\nb\r\nc\n", "a\nb\r\nc\nNew\n"},
      {"mixed tie takes CRLF", "a\nb\r\n", "a\nb\r\nNew\r\n"},
      {"no final line end", "a\nb", "a\nb\nNew"},
      {"one line without end", "a", "a\r\nNew"},
      {"empty file", "", "New\r\n"},
      {"blank lines kept", "\r\n\r\na\r\n\r\n", "\r\n\r\na\r\n\r\nNew\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModuleFile file = FromBytes(c.bytes);
    EXPECT_EQ(file.Render(), c.bytes);
    file.Module()->InsertLines(file.Module()->LineCount() + 1, u"New");
    EXPECT_EQ(file.Render(), c.after_append);
  }
}

// Edits that put an empty line after a lone CR, or an empty line last in a
// file without a final line end, must not write a file that reads back with
// that line gone.
TEST(ModuleFileTest, EmptyLinesBroughtNextToALoneCrOrTheEndReadBack) {
  struct Case {
    const char* what;
    std::string bytes;
    std::function<void(MemoryCodeModule&)> edit;
    std::vector<Text> rows;
    std::string written;
  };
  const Case cases[] = {
      {"empty line inserted after a lone CR", "a\rb\n", [](MemoryCodeModule& m) { m.InsertLines(2, u""); },
       {u"a", u"", u"b"}, "a\r\r\nb\n"},
      {"line between a lone CR and an empty line deleted", "x\ry\r\n\n",
       [](MemoryCodeModule& m) { m.DeleteLines(2); }, {u"x", u""}, "x\r\r\n"},
      {"empty line appended to a file without final line end", "a\nb",
       [](MemoryCodeModule& m) { m.InsertLines(3, u""); }, {u"a", u"b", u""}, "a\nb\n\n"},
      {"last line emptied in a file without final line end", "a\nb",
       [](MemoryCodeModule& m) { m.ReplaceLine(2, u""); }, {u"a", u""}, "a\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModuleFile file = FromBytes(c.bytes);
    c.edit(*file.Module());
    ASSERT_EQ(file.Module()->AllLines(), c.rows);
    EXPECT_EQ(file.Render(), c.written);
    EXPECT_EQ(FromBytes(file.Render()).Module()->AllLines(), c.rows);
  }
}

TEST(ModuleFileTest, DeletingTheLastLineKeepsTheFileWithoutFinalLineEnd) {
  ModuleFile file = FromBytes("a\r\nb\r\nc");
  file.Module()->DeleteLines(3);
  EXPECT_EQ(file.Render(), "a\r\nb");
  file.Module()->DeleteLines(1, 2);
  EXPECT_EQ(file.Render(), "");
}

// ---------------------------------------------------------------- edits

// A raw-string file with every line end made CR LF; the newline right after
// R"( is dropped.
std::string Crlf(std::string_view text) {
  if (text.starts_with('\n')) text.remove_prefix(1);
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// File lines: 1 hidden, rows 1-2 (lines 2-3), 4 hidden, rows 3-4 (lines
// 5-6), 7-8 hidden, rows 5-6 (lines 9-10).
const std::string kClass = Crlf(R"(
Attribute VB_Name = "C"
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
Public Function F(ByVal a As Long, _
                  ByVal b As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)");

TEST(ModuleFileTest, EditsKeepHiddenLinesAfterTheLineTheyFollowed) {
  struct Case {
    const char* what;
    std::function<void(MemoryCodeModule&)> edit;
    const char* expected;
  };
  const Case cases[] = {
      {"insert at the top goes below the module attributes", [](MemoryCodeModule& m) { m.InsertLines(1, u"' top"); },
       R"(
Attribute VB_Name = "C"
' top
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
Public Function F(ByVal a As Long, _
                  ByVal b As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"insert below a declaration goes below its attributes",
       [](MemoryCodeModule& m) { m.InsertLines(5, u"    On Error GoTo PROC_ERR"); }, R"(
Attribute VB_Name = "C"
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
Public Function F(ByVal a As Long, _
                  ByVal b As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    On Error GoTo PROC_ERR
    F = a + b
End Function
)"},
      {"insert above a declaration", [](MemoryCodeModule& m) { m.InsertLines(3, u"' header"); }, R"(
Attribute VB_Name = "C"
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
' header
Public Function F(ByVal a As Long, _
                  ByVal b As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"a line replaced by two passes them to the second",
       [](MemoryCodeModule& m) { m.ReplaceLine(4, u"    ByVal b As Long, _\r\n    ByVal c As Long) As Long"); }, R"(
Attribute VB_Name = "C"
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
Public Function F(ByVal a As Long, _
    ByVal b As Long, _
    ByVal c As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"a deleted line passes them to the visible line before it", [](MemoryCodeModule& m) { m.DeleteLines(4); },
       R"(
Attribute VB_Name = "C"
Option Explicit
Public WithEvents B As Button
Attribute B.VB_VarHelpID = -1
Public Function F(ByVal a As Long, _
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"deleted lines pass them on in file order", [](MemoryCodeModule& m) { m.DeleteLines(2, 3); }, R"(
Attribute VB_Name = "C"
Option Explicit
Attribute B.VB_VarHelpID = -1
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"deleting from row 1 passes them to the header", [](MemoryCodeModule& m) { m.DeleteLines(1, 4); }, R"(
Attribute VB_Name = "C"
Attribute B.VB_VarHelpID = -1
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
      {"deleting every row keeps every hidden line", [](MemoryCodeModule& m) { m.DeleteLines(1, 6); }, R"(
Attribute VB_Name = "C"
Attribute B.VB_VarHelpID = -1
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
)"},
      {"a row inserted where a deleted anchor was comes after its lines",
       [](MemoryCodeModule& m) {
         m.DeleteLines(2);
         m.InsertLines(2, u"Public WithEvents B2 As Button");
       },
       R"(
Attribute VB_Name = "C"
Option Explicit
Attribute B.VB_VarHelpID = -1
Public WithEvents B2 As Button
Public Function F(ByVal a As Long, _
                  ByVal b As Long) As Long
Attribute F.VB_Description = "sum"
Attribute F.VB_UserMemId = 0
    F = a + b
End Function
)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModuleFile file = FromBytes(kClass, "C.cls");
    ASSERT_EQ(file.Module()->LineCount(), 6);
    c.edit(*file.Module());
    EXPECT_EQ(file.Render(), Crlf(c.expected));
  }
}

TEST(ModuleFileTest, AttributeLikeTextInAContinuedLineIsCode) {
  const std::string bytes = "Dim a As Long, _\r\nAttribute x.VB_VarHelpID = -1\r\nAttribute a.VB_VarHelpID = -1\r\n";
  ModuleFile file = FromBytes(bytes);
  EXPECT_EQ(file.Module()->AllLines(), (std::vector<Text>{u"Dim a As Long, _", u"Attribute x.VB_VarHelpID = -1"}));
  EXPECT_EQ(file.Render(), bytes);
}

TEST(ModuleFileTest, FileLinesMapToRowsThroughEdits) {
  ModuleFile file = FromBytes(kClass, "C.cls");
  auto module = file.Module();
  EXPECT_EQ(file.RowOfFileLine(1), 0);  // VB_Name
  EXPECT_EQ(file.RowOfFileLine(2), 1);
  EXPECT_EQ(file.RowOfFileLine(4), 0);  // member attribute
  EXPECT_EQ(file.RowOfFileLine(5), 3);
  EXPECT_EQ(file.RowOfFileLine(10), 6);
  EXPECT_EQ(file.RowOfFileLine(0), 0);
  EXPECT_EQ(file.RowOfFileLine(11), 0);
  EXPECT_EQ(file.FileLineOfRow(3), 5);

  module->InsertLines(1, u"' a\r\n' b");
  module->DeleteLines(3);        // file line 2
  module->ReplaceLine(5, u"x");  // file line 6
  EXPECT_EQ(file.RowOfFileLine(2), 0);
  EXPECT_EQ(file.RowOfFileLine(3), 3);
  EXPECT_EQ(file.RowOfFileLine(5), 4);
  EXPECT_EQ(file.RowOfFileLine(6), 5);
  EXPECT_EQ(file.FileLineOfRow(1), 0);
  EXPECT_EQ(file.FileLineOfRow(5), 0);
  EXPECT_EQ(file.FileLineOfRow(6), 9);
  EXPECT_EQ(file.FileLineOfRow(99), 0);
}

TEST(ModuleFileTest, ManyInsertsAboveManyProceduresKeepEveryAttributeInPlace) {
  constexpr int kProcs = 150;
  std::string bytes = "Attribute VB_Name = \"Big\"\r\nOption Explicit\r\n";
  for (int p = 0; p < kProcs; ++p) {
    const std::string n = std::to_string(p);
    bytes += "Public Sub P" + n + "()\r\nAttribute P" + n + ".VB_Description = \"d" + n + "\"\r\n";
    for (int k = 0; k < 30; ++k) bytes += "    x = " + std::to_string(k) + "\r\n";
    bytes += "End Sub\r\n";
  }
  ModuleFile file = FromBytes(bytes);
  auto module = file.Module();
  // Forty header lines above every procedure, one line at a time, bottom up
  // and top down alternately.
  for (int p = kProcs - 1; p >= 0; --p) {
    const Row declaration = 2 + p * 32;
    for (int k = 0; k < 40; ++k) module->InsertLines(declaration + k, u"' h");
  }
  const std::string rendered = file.Render();
  std::string expected = "Attribute VB_Name = \"Big\"\r\nOption Explicit\r\n";
  for (int p = 0; p < kProcs; ++p) {
    const std::string n = std::to_string(p);
    for (int k = 0; k < 40; ++k) expected += "' h\r\n";
    expected += "Public Sub P" + n + "()\r\nAttribute P" + n + ".VB_Description = \"d" + n + "\"\r\n";
    for (int k = 0; k < 30; ++k) expected += "    x = " + std::to_string(k) + "\r\n";
    expected += "End Sub\r\n";
  }
  EXPECT_TRUE(rendered == expected) << "rendered " << rendered.size() << " bytes, expected " << expected.size();
}

// ---------------------------------------------------------------- refusals

TEST(ModuleFileTest, RefusesFilesThatAreNotText) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"NUL byte", std::string("Sub A()\r\n\0\0", 11), "bad.bas: is a binary file (it holds NUL bytes), not a module"},
      {"UTF-16 text", std::string("S\0u\0b\0", 6), "bad.bas: is a binary file"},
      {"bad trail byte", "Sub A()\r\n' \x81\x20\r\n", "bad.bas: line 2 cannot be decoded as CP932"},
      {"byte CP932 leaves undefined", "' \xff\r\n", "bad.bas: line 1 cannot be decoded as CP932"},
      {"lead byte at the end", "' \x82", "bad.bas: line 1 cannot be decoded as CP932"},
      {"BOM over invalid UTF-8", "\xef\xbb\xbf' \x95\x5c", "starts with a UTF-8 byte order mark but is not valid UTF-8"},
      {"unclosed BEGIN", "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1\r\n", "the BEGIN block on line 2 has no END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string error = ErrorOf([&] { FromBytes(c.bytes, "bad.bas"); });
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(ModuleFileTest, RefusesMissingFilesAndDirectories) {
  TempDir dir;
  EXPECT_EQ(ErrorOf([&] { ModuleFile::Load(dir / "none.bas"); }), (dir / "none.bas").string() + ": file not found");
  EXPECT_NE(ErrorOf([&] { ModuleFile::Load(dir.path()); }).find("is a directory"), std::string::npos);
}

// ---------------------------------------------------------------- saving

TEST(ModuleFileTest, SaveReplacesTheFileAndKeepsItsPermissions) {
  TempDir dir;
  const fs::path path = dir / "Sample.bas";
  fs::copy_file(kFiles / "Cp932Module.bas", path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ModuleFile file = ModuleFile::Load(path);
  file.Module()->InsertLines(2, u"' 追加～");
  file.Save(path);

  const std::string saved = ReadFile(path);
  EXPECT_EQ(saved, file.Render());
  EXPECT_NE(saved.find("' \x92\xc7\x89\xc1\x81\x60\r\n"), std::string::npos);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"Sample.bas"});
  // And it loads back to the same rows.
  EXPECT_EQ(ModuleFile::Load(path).Module()->AllLines(), file.Module()->AllLines());
}

TEST(ModuleFileTest, SaveCreatesANewFileAndFollowsLinks) {
  TempDir dir;
  ModuleFile file = FromBytes("Sub A()\r\n");
  file.Save(dir / "new.bas");
  EXPECT_EQ(ReadFile(dir / "new.bas"), "Sub A()\r\n");

  fs::create_symlink("new.bas", dir / "link.bas");
  file.Module()->InsertLines(2, u"End Sub");
  file.Save(dir / "link.bas");
  EXPECT_TRUE(fs::is_symlink(dir / "link.bas"));
  EXPECT_EQ(ReadFile(dir / "new.bas"), "Sub A()\r\nEnd Sub\r\n");
}

TEST(ModuleFileTest, SaveRefusesReadOnlyFilesAndDirectoriesAndLeavesThemAlone) {
  // Decided by the permission bits, so the test holds when run as root.
  const std::string original = "Sub A()\r\n";
  {
    TempDir dir;
    const fs::path path = dir / "ro.bas";
    WriteFile(path, original);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ModuleFile file = ModuleFile::Load(path);
    file.Module()->InsertLines(1, u"' x");
    EXPECT_EQ(ErrorOf([&] { file.Save(path); }), path.string() + ": cannot be saved: the file is read-only");
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"ro.bas"});
  }
  {
    TempDir dir;
    const fs::path path = dir / "in_ro_dir.bas";
    WriteFile(path, original);
    ModuleFile file = ModuleFile::Load(path);
    file.Module()->InsertLines(1, u"' x");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(ErrorOf([&] { file.Save(path); }).find("is read-only"), std::string::npos);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"in_ro_dir.bas"});
  }
  {
    TempDir dir;
    EXPECT_NE(ErrorOf([&] { FromBytes(original).Save(dir / "missing" / "x.bas"); }).find("does not exist"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { FromBytes(original).Save(dir.path()); }).find("not a regular file"), std::string::npos);
  }
}

}  // namespace
}  // namespace qlx
