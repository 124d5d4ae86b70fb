// The language server's buffer: changes at UTF-16 positions, and the line
// edits that turn one text into another.
#include "cli/lsp_text.h"

#include <gtest/gtest.h>

namespace qlx::cli::lsp {
namespace {

struct ChangeCase {
  const char* name;
  Text before;
  Position start;
  Position end;
  Text replacement;
  Text after;
};

class ApplyChangeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ApplyChangeTest, Applies) {
  Text text = GetParam().before;
  ApplyChange(text, GetParam().start, GetParam().end, GetParam().replacement);
  EXPECT_EQ(text, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ApplyChangeTest,
    ::testing::Values(
        ChangeCase{"InsertInLine", u"Sub A()\r\nEnd Sub\r\n", {0, 5}, {0, 5}, u"Bc", u"Sub ABc()\r\nEnd Sub\r\n"},
        ChangeCase{"AcrossCrLf", u"a\r\nb\r\nc", {0, 1}, {2, 0}, u"-", u"a-c"},
        ChangeCase{"LoneLfAndCr", u"a\nb\rc", {2, 0}, {2, 1}, u"X", u"a\nb\rX"},
        // 𠮷 is two UTF-16 code units: character 3 is after it.
        ChangeCase{"SurrogatePair", u"x𠮷y", {0, 3}, {0, 4}, u"z", u"x𠮷z"},
        ChangeCase{"PastLineEndClamps", u"ab\ncd", {0, 99}, {1, 0}, u"", u"abcd"},
        ChangeCase{"PastLastLineAppends", u"ab", {5, 0}, {5, 0}, u"!", u"ab!"},
        ChangeCase{"ReversedRangeInserts", u"abc", {0, 2}, {0, 1}, u"-", u"ab-c"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DiffCase {
  const char* name;
  Text before;
  Text after;
};

class DiffLinesTest : public ::testing::TestWithParam<DiffCase> {};

TEST_P(DiffLinesTest, EditTurnsBeforeIntoAfterTouchingOnlyChangedLines) {
  const DiffCase& c = GetParam();
  const std::vector<LineEdit> edits = DiffLines(c.before, c.after);
  // Every range is a range of before: applied from the last one up.
  Text text = c.before;
  for (auto e = edits.rbegin(); e != edits.rend(); ++e) ApplyChange(text, e->start, e->end, e->new_text);
  EXPECT_EQ(text, c.after);
  for (std::size_t k = 1; k < edits.size(); ++k) {
    EXPECT_LT(edits[k - 1].end.line, edits[k].start.line) << "edits overlap or touch";
  }
  if (c.before == c.after) {
    EXPECT_TRUE(edits.empty());
  }
  for (const LineEdit& e : edits) {
    // Whole lines, unless the text ends without a line end.
    EXPECT_EQ(e.start.character, 0);
    EXPECT_LT(e.new_text.size(), c.after.size() + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Diffs, DiffLinesTest,
    ::testing::Values(DiffCase{"Same", u"a\r\nb\r\n", u"a\r\nb\r\n"},
                      DiffCase{"InsertAbove", u"Sub A()\r\nEnd Sub\r\n", u"'x\r\n'y\r\nSub A()\r\nEnd Sub\r\n"},
                      DiffCase{"ReplaceMiddle", u"a\nb\nc\n", u"a\nB\nB2\nc\n"},
                      DiffCase{"DeleteLast", u"a\nb\n", u"a\n"},
                      DiffCase{"LastLineWithoutEnd", u"a\nb", u"a\nc"},
                      DiffCase{"AppendToUnterminated", u"a", u"a\nb\n"},
                      DiffCase{"FromEmpty", u"", u"x\n"},
                      DiffCase{"ToEmpty", u"x\ny", u""},
                      DiffCase{"TwoInsertions", u"a\nb\nc\n", u"h\nh\na\nb\nh\nh\nc\n"},
                      DiffCase{"RepeatedLinesInserted", u"x\n\nSub A()\n\nEnd Sub\n", u"x\n\n'h\n\nSub A()\n\nEnd Sub\n"},
                      DiffCase{"InsertAndDelete", u"a\nb\nc\nd\n", u"a\nX\nb\nd\n"},
                      DiffCase{"EverythingDiffers", u"a\nb\nc", u"d\ne\nf\ng"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiffLinesTest, InsertionAboveIsAnEmptyRangeAtTheLine) {
  const auto edits = DiffLines(u"Option Explicit\nSub A()\nEnd Sub\n", u"Option Explicit\n'h\nSub A()\nEnd Sub\n");
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].start, (Position{1, 0}));
  EXPECT_EQ(edits[0].end, (Position{1, 0}));
  EXPECT_EQ(edits[0].new_text, u"'h\n");
}

TEST(DiffLinesTest, HeadersAboveTwoProceduresAreTwoEditsLeavingTheCodeBetween) {
  const Text before = u"Sub A()\r\nEnd Sub\r\nSub B()\r\nEnd Sub\r\n";
  const Text after = u"'h\r\nSub A()\r\nEnd Sub\r\n'h\r\nSub B()\r\nEnd Sub\r\n";
  const auto edits = DiffLines(before, after);
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0].start, (Position{0, 0}));
  EXPECT_EQ(edits[0].end, (Position{0, 0}));
  EXPECT_EQ(edits[1].start, (Position{2, 0}));
  EXPECT_EQ(edits[1].end, (Position{2, 0}));
  EXPECT_EQ(edits[1].new_text, u"'h\r\n");
}

// Shift-JIS bytes as an editor shows them when it took them for Latin-1:
// each byte one character U+0000-U+00FF.
Text AsLatin1(const std::string& bytes) {
  Text text;
  for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  return text;
}

struct MisreadCase {
  const char* name;
  Text text;
  std::optional<long> line;
};

class MisreadCp932Test : public ::testing::TestWithParam<MisreadCase> {};

TEST_P(MisreadCp932Test, FindsShiftJisReadAsLatin1Only) { EXPECT_EQ(MisreadCp932Line(GetParam().text), GetParam().line); }

INSTANTIATE_TEST_SUITE_P(
    Buffers, MisreadCp932Test,
    ::testing::Values(
        // 合計 (8D 87 8C 76) and あ (82 A0) on the third line.
        MisreadCase{"JapaneseComment", AsLatin1("Option Explicit\r\n\r\n' \x8d\x87\x8c\x76 \x82\xa0\r\nSub A()\r\n"), 2},
        // ｱｲ (B1 B2) is valid Shift-JIS, but nothing marks it as such.
        MisreadCase{"HalfWidthKanaOnly", AsLatin1("' \xb1\xb2\n"), std::nullopt},
        // élément: E9 6C and E9 6D are valid Shift-JIS pairs too, yet no
        // character is a Latin-1 control: real Latin-1.
        MisreadCase{"FrenchLatin1", u"' \u00e9l\u00e9ment \u00e0 jour\n", std::nullopt},
        MisreadCase{"DecodedRightly", u"' 合計\r\nSub A()\r\n", std::nullopt},
        MisreadCase{"AsciiOnly", u"Sub A()\nEnd Sub\n", std::nullopt},
        // 0x82 0x0A: a lead byte without its trail byte is no Shift-JIS.
        MisreadCase{"LoneLeadByte", AsLatin1("' \x82\n' \x8d\x87\n"), std::nullopt},
        MisreadCase{"AboveLatin1", AsLatin1("' \x8d\x87\n") + u"' \u20ac\n", std::nullopt},
        MisreadCase{"LoneCrEndsALine", AsLatin1("a\rb\r\n' \x8d\x87"), 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::cli::lsp
