// Converters of a code page are made for every file loaded, a UTF-8 one too:
// what a code page is gets found once a run and the platform's converter is
// opened on first use. The second converter of a code page must answer as
// the first did.
#include "host/files/encoding.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <utility>

namespace qlx {
namespace {

// A code page's name as a test's name.
std::string TestName(const std::string& code_page) {
  std::string name;
  for (const char ch : code_page) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name.empty() ? "Empty" : name;
}

std::optional<std::string> RefusalOf(const std::string& code_page) {
  try {
    Converter converter(Encoding{Encoding::Kind::kCodePage, code_page});
    return std::nullopt;
  } catch (const FileError& e) {
    return std::string(e.what());
  }
}

struct CodePageCase {
  const char* code_page;
  const char* refusal;  // null: accepted
};

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, IsAcceptedOrRefusedTheSameEachTime) {
  const CodePageCase& c = GetParam();
  for (int time = 0; time < 3; ++time) {
    SCOPED_TRACE(time);
    const std::optional<std::string> refusal = RefusalOf(c.code_page);
    if (c.refusal == nullptr) {
      EXPECT_FALSE(refusal) << *refusal;
    } else {
      EXPECT_EQ(refusal, std::optional<std::string>(c.refusal));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, CodePageTest,
    ::testing::Values(CodePageCase{"CP932", nullptr}, CodePageCase{"EUC-JP", nullptr},
                      CodePageCase{"ISO-2022-JP", nullptr},
                      CodePageCase{"NO-SUCH-CODEPAGE", "unknown encoding \"NO-SUCH-CODEPAGE\": the platform cannot convert it"},
                      CodePageCase{"", "unknown encoding \"\": the platform cannot convert it"},
                      CodePageCase{"UTF-16LE", "encoding \"UTF-16LE\" cannot be used for module files: it is not ASCII-compatible"}),
    [](const auto& info) { return TestName(info.param.code_page); });

// Text beyond ASCII, each time through a fresh converter, one moved before
// its first use among them, in both directions.
struct ConversionCase {
  const char* code_page;
  std::string bytes;
  Text text;
};

class FreshConverterTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(FreshConverterTest, ConvertsBothWaysOnFirstUse) {
  const ConversionCase& c = GetParam();
  for (int time = 0; time < 2; ++time) {
    SCOPED_TRACE(time);
    Converter made(Encoding{Encoding::Kind::kCodePage, c.code_page});
    Converter converter = std::move(made);
    EXPECT_EQ(converter.Decode(c.bytes), std::optional<Text>(c.text));
    Converter other(Encoding{Encoding::Kind::kCodePage, c.code_page});
    int replaced = 0;
    EXPECT_EQ(other.Encode(c.text, &replaced), c.bytes);
    EXPECT_EQ(replaced, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, FreshConverterTest,
    ::testing::Values(ConversionCase{"CP932", "' \x8a\xbf\x8e\x9a", u"' 漢字"},
                      ConversionCase{"EUC-JP", "' \xb4\xc1\xbb\xfa", u"' 漢字"},
                      // All ASCII bytes, yet a shift: read as text, never copied as bytes.
                      ConversionCase{"ISO-2022-JP", "\x1b$B0!\x1b(B", u"亜"}),
    [](const auto& info) { return TestName(info.param.code_page); });

TEST(FreshConverterTest, AsciiAndUtf8NeedNoCodePageConversion) {
  Converter code_page(Encoding{Encoding::Kind::kCodePage, "CP932"});
  EXPECT_TRUE(code_page.AsciiAsItself());
  EXPECT_EQ(code_page.Decode("Sub A()"), std::optional<Text>(u"Sub A()"));
  Converter utf8(Encoding{Encoding::Kind::kUtf8, "NO-SUCH-CODEPAGE"});
  EXPECT_EQ(utf8.Decode("' \xe6\xbc\xa2"), std::optional<Text>(u"' 漢"));
  EXPECT_EQ(utf8.Encode(u"' 漢"), "' \xe6\xbc\xa2");
}

}  // namespace
}  // namespace qlx
