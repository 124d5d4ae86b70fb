// The character classes answer ASCII without asking ICU: their answers must
// be ICU's all the same, and everything past ASCII still comes from ICU.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include "host/chars.h"

namespace qlx {
namespace {

struct IcuAnswers {
  bool letter;
  bool digit;
  char32_t upper;
  char32_t fold;
  bool wide;
};

IcuAnswers Icu(char32_t c) {
  const auto u = static_cast<UChar32>(c);
  const int width = u_getIntPropertyValue(u, UCHAR_EAST_ASIAN_WIDTH);
  return {static_cast<bool>(u_isalpha(u)), static_cast<bool>(u_isdigit(u)), static_cast<char32_t>(u_toupper(u)),
          static_cast<char32_t>(u_foldCase(u, U_FOLD_CASE_DEFAULT)), width == U_EA_FULLWIDTH || width == U_EA_WIDE};
}

void ExpectIcuAnswers(char32_t c) {
  const IcuAnswers icu = Icu(c);
  EXPECT_EQ(IsLetterChar(c), icu.letter) << "U+" << std::hex << static_cast<unsigned>(c);
  EXPECT_EQ(IsDigitChar(c), icu.digit) << "U+" << std::hex << static_cast<unsigned>(c);
  EXPECT_EQ(UpperChar(c), icu.upper) << "U+" << std::hex << static_cast<unsigned>(c);
  EXPECT_EQ(FoldChar(c), icu.fold) << "U+" << std::hex << static_cast<unsigned>(c);
  EXPECT_EQ(IsWideChar(c), icu.wide) << "U+" << std::hex << static_cast<unsigned>(c);
}

TEST(CharsTest, EveryAsciiCharacterIsAnsweredAsIcuAnswersIt) {
  for (char32_t c = 0; c < 0x80; ++c) ExpectIcuAnswers(c);
}

class BeyondAsciiTest : public ::testing::TestWithParam<char32_t> {};

// The first characters past ASCII, and those whose case or class an ASCII
// shortcut would get wrong if it reached them.
TEST_P(BeyondAsciiTest, IsAnsweredByIcu) { ExpectIcuAnswers(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Characters, BeyondAsciiTest,
    ::testing::Values(U'\u0080', U'\u00B5' /* micro sign: upper is Greek MU */, U'\u00DF', U'\u00E0',
                      U'\u00FF' /* upper is U+0178 */, U'\u0130' /* dotted I */, U'\u0131' /* dotless i */,
                      U'\u017F' /* long s folds to s */, U'\u212A' /* Kelvin folds to k */, U'\u3042', U'\u30A2',
                      U'\u4E00', U'\uFF21' /* full-width A */, U'\uFF41', U'\uFF10' /* full-width 0 */,
                      U'\u0660' /* Arabic-Indic zero */, U'\uFF71' /* half-width katakana */, U'\U0001D400'));

}  // namespace
}  // namespace qlx
