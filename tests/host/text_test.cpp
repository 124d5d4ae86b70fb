// The VB-style string helpers: edge behaviour that every parser leans on.
#include "host/text.h"

#include <gtest/gtest.h>

#include "host/lines.h"
#include "host/memory/statements.h"
#include "host/vberror.h"
#include "support/text.h"

namespace qlx {
namespace {

struct LikeCase {
  const char16_t* text;
  const char16_t* pattern;
  bool match;
};

class LikeTest : public ::testing::TestWithParam<LikeCase> {};

TEST_P(LikeTest, MatchesWholeTextCaseSensitively) {
  const LikeCase& c = GetParam();
  EXPECT_EQ(Like(c.text, c.pattern), c.match) << testing::U8(c.text) << " Like " << testing::U8(c.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, LikeTest,
    ::testing::Values(LikeCase{u"'|概  要|: note", u"'|概  要|:*", true},
                      LikeCase{u"'|概  要|:", u"'|概  要|:*", true},
                      LikeCase{u" '|概  要|:", u"'|概  要|:*", false},
                      LikeCase{u"abc", u"ABC", false},
                      LikeCase{u"abc", u"a?c", true},
                      LikeCase{u"ac", u"a?c", false},
                      LikeCase{u"a1c", u"a#c", true},
                      LikeCase{u"abc", u"a#c", false},
                      LikeCase{u"b", u"[a-c]", true},
                      LikeCase{u"d", u"[a-c]", false},
                      LikeCase{u"d", u"[!a-c]", true},
                      LikeCase{u"[x", u"[x", true},  // an unclosed list is a literal bracket
                      LikeCase{u"arr(i) =", u"arr(*) =", true},
                      LikeCase{u"arr(i)=", u"arr(*) =", false},
                      LikeCase{u"", u"*", true},
                      LikeCase{u"", u"?", false},
                      LikeCase{u"b =", u"b =", true},
                      LikeCase{u"a*b", u"a*b", true},
                      LikeCase{u"aXbYb", u"a*b", true},
                      LikeCase{u"aXbY", u"a*b", false}),
    [](const ::testing::TestParamInfo<LikeCase>& info) { return "Case" + std::to_string(info.index); });

TEST(TextTest, MidLeftRightAreBoundSafe) {
  EXPECT_EQ(Mid(u"abc", 2), u"bc");
  EXPECT_EQ(Mid(u"abc", 4), u"");
  EXPECT_EQ(Mid(u"abc", 2, 10), u"bc");
  EXPECT_EQ(Mid(u"abc", 9, 1), u"");
  EXPECT_EQ(Left(u"abc", 10), u"abc");
  EXPECT_EQ(Right(u"abc", 2), u"bc");
  EXPECT_EQ(Right(u"abc", 10), u"abc");
  for (auto bad : {+[] { Mid(u"abc", 0); }, +[] { Mid(u"abc", 1, -1); }, +[] { Left(u"a", -1); },
                   +[] { Right(u"a", -1); }, +[] { InStr(0, u"a", u"a"); },
                   +[] { InStrRev(u"a", u"a", 0); }}) {
    try {
      bad();
      ADD_FAILURE() << "expected error 5";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), 5);
    }
  }
}

TEST(TextTest, InStrAndInStrRevFollowVb) {
  EXPECT_EQ(InStr(u"a) As Long) As X", u") As"), 2);
  EXPECT_EQ(InStr(3, u"a) As Long) As X", u") As"), 11);
  EXPECT_EQ(InStr(u"abc", u"z"), 0);
  EXPECT_EQ(InStr(2, u"abc", u""), 2);
  EXPECT_EQ(InStr(5, u"abc", u"a"), 0);
  EXPECT_EQ(InStrRev(u"a) As Long) As X", u") As"), 11);
  EXPECT_EQ(InStrRev(u"a) As Long) As X", u") As", 10), 2);
  EXPECT_EQ(InStrRev(u"abc", u"z"), 0);
  EXPECT_EQ(InStrRev(u"abc", u"c", 2), 0);
}

TEST(TextTest, TrimRemovesSpacesOnlyNeverTabs) {
  EXPECT_EQ(Trim(u"  a b  "), u"a b");
  EXPECT_EQ(Trim(u"\tDim x "), u"\tDim x");
  EXPECT_EQ(LTrim(u"  x  "), u"x  ");
  EXPECT_EQ(RTrim(u"  x  "), u"  x");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(TrimView(u"  a b  "), u"a b");
  EXPECT_EQ(TrimView(u"   "), u"");
}

TEST(TextTest, Utf8RoundTripAndValidation) {
  const Text japanese = u"概要ｱｲｳ～𠮷";
  EXPECT_EQ(FromUtf8(ToUtf8(japanese)), japanese);
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_FALSE(IsValidUtf8("\x83\x5c"));  // Shift-JIS bytes
  EXPECT_THROW(FromUtf8("\xff"), VbError);
}

TEST(TextTest, DisplayWidthCountsFullWidthTwice) {
  EXPECT_EQ(DisplayWidth(u"'|概  要|:"), 10);
  EXPECT_EQ(DisplayWidth(u"ﾊﾟﾗﾒｰﾀ"), 6);
  EXPECT_EQ(DisplayWidth(u"'|戻り値|:型"), 12);
}

// A pair is one code point from either end; a surrogate without its
// partner, or the half of a pair seen from inside it, stands alone.
struct CodePointCase {
  std::u16string text;
  std::size_t index;
  char32_t at;
  std::size_t at_length;
  char32_t before;
  std::size_t before_length;
};

class CodePointTest : public ::testing::TestWithParam<CodePointCase> {};

TEST_P(CodePointTest, ReadsPairsWholeAndLoneHalvesAlone) {
  const CodePointCase& c = GetParam();
  SCOPED_TRACE(testing::U8(c.text) + " at " + std::to_string(c.index));
  const CodePoint at = CodePointAt(c.text, c.index);
  EXPECT_EQ(at.value, c.at);
  EXPECT_EQ(at.length, c.at_length);
  const CodePoint before = CodePointBefore(c.text, c.index);
  EXPECT_EQ(before.value, c.before);
  EXPECT_EQ(before.length, c.before_length);
}

INSTANTIATE_TEST_SUITE_P(
    Units, CodePointTest,
    ::testing::Values(CodePointCase{u"", 0, 0, 0, 0, 0},
                      CodePointCase{u"ab", 0, u'a', 1, 0, 0},
                      CodePointCase{u"ab", 2, 0, 0, u'b', 1},
                      CodePointCase{u"ab", 5, 0, 0, 0, 0},
                      CodePointCase{u"x\U00020BB7y", 1, 0x20BB7, 2, u'x', 1},
                      CodePointCase{u"x\U00020BB7y", 2, 0xDFB7, 1, 0xD842, 1},
                      CodePointCase{u"x\U00020BB7y", 3, u'y', 1, 0x20BB7, 2},
                      CodePointCase{u"\U00010000", 0, 0x10000, 2, 0, 0},
                      CodePointCase{u"\U0010FFFF", 2, 0, 0, 0x10FFFF, 2},
                      CodePointCase{std::u16string{0xD800}, 0, 0xD800, 1, 0, 0},
                      CodePointCase{std::u16string{0xDBFF, u'a'}, 0, 0xDBFF, 1, 0, 0},
                      CodePointCase{std::u16string{0xDC00, 0xD800}, 0, 0xDC00, 1, 0, 0},
                      CodePointCase{std::u16string{0xDC00, 0xD800}, 2, 0, 0, 0xD800, 1},
                      CodePointCase{std::u16string{u'a', 0xDFFF}, 2, 0, 0, 0xDFFF, 1},
                      CodePointCase{std::u16string{0xD7FF, 0xDC00}, 0, 0xD7FF, 1, 0, 0},
                      CodePointCase{std::u16string{0xDBFF, 0xE000}, 2, 0, 0, 0xE000, 1}),
    [](const ::testing::TestParamInfo<CodePointCase>& info) { return "Case" + std::to_string(info.index); });

TEST(TextTest, DisplayWidthCountsAPairOnceAndALoneHalfAsOne) {
  EXPECT_EQ(DisplayWidth(u"\U00020BB7"), 2);  // a full-width ideograph outside the BMP
  EXPECT_EQ(DisplayWidth(u"a\U0001F600"), 3);
  EXPECT_EQ(DisplayWidth(std::u16string{0xD842, u'a'}), 2);
  EXPECT_EQ(DisplayWidth(std::u16string{0xDFB7, 0xD842}), 2);
}

// Extensions, option words and project names: ASCII letters only, so a
// Shift-JIS or UTF-8 byte never changes whatever the locale.
TEST(TextTest, AsciiLowerTouchesAsciiLettersOnly) {
  EXPECT_EQ(AsciiLower("Book.XLSM"), "book.xlsm");
  EXPECT_EQ(AsciiLower("\x93\xFA\xC4\xD6@[`{"), "\x93\xFA\xC4\xD6@[`{");
  EXPECT_TRUE(AsciiEqualNoCase("Content-Length:", "content-length:"));
  EXPECT_FALSE(AsciiEqualNoCase("Module1", "Module"));
  EXPECT_FALSE(AsciiEqualNoCase("\xC4", "\xE4"));
}

TEST(VbErrorTest, ReportForms) {
  VbError e(9);
  EXPECT_EQ(ErrorReport(e), u"Error: 9. Subscript out of range");
  EXPECT_EQ(ErrorNumberReport(e), u"Error_Number: 9.  : Subscript out of range");
  EXPECT_EQ(ErrorNumberReportWithLine(VbError(35)),
            u"Error_Number: 35.  : Sub or Function not defined\r\n<Erl>  In_Line: 0");
}

TEST(VbErrorTest, StandardExceptionsMapToVbNumbers) {
  auto number_of = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return CurrentError().Number();
    }
    return 0;
  };
  EXPECT_EQ(number_of([] { throw std::out_of_range("x"); }), 9);
  EXPECT_EQ(number_of([] { throw std::bad_alloc(); }), 7);
  EXPECT_EQ(number_of([] { throw std::runtime_error("x"); }), 5);
  EXPECT_EQ(number_of([] { throw VbError(35); }), 35);
}

// Every reader cuts lines the same way, over bytes and over UTF-16: the
// lines with their ends give the text back, a final line end leaves no
// empty line after it, and the editor's insertion pieces add that empty
// line (an empty text is one empty piece).
struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::pair<std::string, LineEnd>> lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

template <typename Char>
std::vector<std::pair<std::string, LineEnd>> Visited(std::basic_string_view<Char> text) {
  std::vector<std::pair<std::string, LineEnd>> lines;
  VisitLines(text, [&](std::basic_string_view<Char> line, LineEnd end) {
    lines.emplace_back(std::string(line.begin(), line.end()), end);
  });
  return lines;
}

TEST_P(SplitLinesTest, CutsAtEveryKindOfEnd) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(Visited(std::string_view(c.text)), c.lines);
  const Text wide(c.text.begin(), c.text.end());
  EXPECT_EQ(Visited(TextView(wide)), c.lines);

  std::string joined;
  std::vector<Text> pieces;
  for (const auto& [content, end] : c.lines) {
    joined += content;
    joined += LineEndText<char>(end);
    pieces.emplace_back(content.begin(), content.end());
  }
  EXPECT_EQ(joined, c.text);
  if (c.lines.empty() || c.lines.back().second != LineEnd::kNone) pieces.emplace_back();
  EXPECT_EQ(memory::SplitLines(wide), pieces);
}

TEST(VisitLinesTest, StopsWhenTheVisitorSaysSo) {
  int seen = 0;
  VisitLines(std::string_view("a\nb\nc"), [&](std::string_view, LineEnd) { return ++seen < 2; });
  EXPECT_EQ(seen, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTest,
    ::testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"NoFinalEnd", "ab", {{"ab", LineEnd::kNone}}},
        SplitCase{"CrLf", "a\r\nb\r\n", {{"a", LineEnd::kCrLf}, {"b", LineEnd::kCrLf}}},
        SplitCase{"Lf", "a\n\nb", {{"a", LineEnd::kLf}, {"", LineEnd::kLf}, {"b", LineEnd::kNone}}},
        SplitCase{"LoneCrAtTheEnd", "a\r", {{"a", LineEnd::kCr}}},
        SplitCase{"CrBeforeCrLf", "a\r\r\nb", {{"a", LineEnd::kCr}, {"", LineEnd::kCrLf}, {"b", LineEnd::kNone}}},
        SplitCase{"LfCrIsTwoEnds", "a\n\rb", {{"a", LineEnd::kLf}, {"", LineEnd::kCr}, {"b", LineEnd::kNone}}},
        SplitCase{"OnlyEnds", "\r\n\n\r", {{"", LineEnd::kCrLf}, {"", LineEnd::kLf}, {"", LineEnd::kCr}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx
