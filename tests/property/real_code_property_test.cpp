// Generated modules carrying what real code carries (section banners and doc
// comments around headers, comments between a header and its declaration,
// procedures of one name under #If ... #Else, declarations written once per
// build, one-line procedures, 'deb markers, modules of more than 300
// procedures) in CP932, UTF-8 and CP1252, through every writer: the three
// promises of support/invariants.h hold on each. The generator is seeded, so
// a failure names a module that can be made again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/files/encoding.h"
#include "support/invariants.h"

namespace qlx {
namespace {

struct Generated {
  std::string bytes;
  std::string encoding;
  std::string text;  // UTF-8, for a failure's message
};

class ModuleGenerator {
 public:
  explicit ModuleGenerator(unsigned seed) : rng_(seed) {}

  // The module of `seed`: one of the three encodings, and from time to time
  // more than 300 procedures.
  Generated Make(unsigned seed) {
    const int kind = static_cast<int>(seed % 3);
    japanese_ = kind != 2;
    Text text = u"Attribute VB_Name = \"Gen" + Str(static_cast<int>(seed)) + u"\"\r\nOption Explicit\r\n";
    if (Pick(2)) text += u"#If VBA7 Then\r\nPrivate Declare PtrSafe Sub Sleep Lib \"kernel32\" (ByVal ms As Long)\r\n#Else\r\nPrivate Declare Sub Sleep Lib \"kernel32\" (ByVal ms As Long)\r\n#End If\r\n";
    text += u"Private m_value As Long\r\n";
    const int procs = seed % 17 == 5 ? 305 : 3 + Pick(8);
    for (int i = 0; i < procs; ++i) text += Procedure(i);
    Generated g;
    g.text = ToUtf8(text);
    if (kind == 0) {
      g.encoding = "CP932";
      g.bytes = Converter(Encoding{Encoding::Kind::kCodePage, "CP932"}).Encode(text);
    } else if (kind == 1) {
      g.encoding = "CP932";
      g.bytes = g.text;  // valid UTF-8 with Japanese in it: read as UTF-8
    } else {
      g.encoding = "CP1252";
      g.bytes = Converter(Encoding{Encoding::Kind::kCodePage, "CP1252"}).Encode(text);
    }
    return g;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  Text Comment(const char16_t* japanese, const char16_t* western) {
    return Text(u"'") + (japanese_ ? japanese : western) + u"\r\n";
  }

  // A header as a writer of an older day left it: current, out of date, or
  // with a comment of the user's inside it.
  Text OldHeader(bool stale, bool comment_inside) {
    Text h = u"'" + Text(78, u'>') + u"\r\n'|概  要|:" + (japanese_ ? Text(u"合計する") : Text(u"")) + u"\r\n";
    if (comment_inside) h += Comment(u"メモ: 後で書く", u"note: fill in later");
    if (!stale) h += u"'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明\r\n";
    h += u"'|依  存|:\r\n'|解  説|:\r\n'|      |:\r\n'|作  者|:山田 太郎: 作成日:2025/01/01: 更新:未更新\r\n";
    return h;
  }

  Text Procedure(int i) {
    const Text n = Str(i);
    Text p;
    // Around the header: a section banner, a doc comment.
    if (Pick(4) == 0) p += u"'>>>>>>>>>>\r\n" + Comment(u"補助の手続き", u"Helpers") + u"'>>>>>>>>>>\r\n\r\n";
    if (Pick(3) == 0) p += Comment(u"値を返す", u"Returns the value");
    const bool header = Pick(3) == 0;
    if (header) p += OldHeader(Pick(2) == 0, Pick(4) == 0);
    if (header && Pick(3) == 0) p += Comment(u"宣言の直前のコメント", u"just above the declaration") + u"\r\n";
    switch (Pick(7)) {
      case 0:  // one name under #If ... #Else
        p += u"#If Mac Then\r\nPublic Function Fix" + n + u"(ByVal s As String) As String\r\n    Fix" + n +
             u" = s\r\nEnd Function\r\n#Else\r\nPublic Function Fix" + n + u"(ByVal s As String) As String\r\n    Fix" +
             n + u" = Replace(s, \"/\", \"\\\")\r\nEnd Function\r\n#End If\r\n";
        break;
      case 1:  // one declaration per build
        p += u"#If VBA7 Then\r\nPrivate Function Handle" + n + u"(ByVal h As LongPtr) As Long\r\n#Else\r\n" +
             u"Private Function Handle" + n + u"(ByVal h As Long) As Long\r\n#End If\r\n    Dim r As Long\r\n    Handle" + n +
             u" = r\r\nEnd Function\r\n";
        break;
      case 2:  // one line
        p += Pick(2) ? u"Property Get Value" + n + u"() As Long: Value" + n + u" = m_value: End Property\r\n"
                     : u"Public Sub Tick" + n + u"(): m_value = m_value + 1: End Sub\r\n";
        break;
      case 3:  // the table and the record disagree about this parameter
        p += u"Public Sub Fill" + n + u"(Destination As Range, ByVal v As Variant)\r\n    Destination.Cells(1, 1).Resize(2, 2) = v\r\nEnd Sub\r\n";
        break;
      case 4:  // deb markers and a continued declaration
        p += u"Private Function Sum" + n + u"(ByVal a As Long, _\r\n        ByRef b As Long) As Long\r\n    'deb a\r\n    b = a\r\n    Sum" +
             n + u" = a + b\r\nEnd Function\r\n";
        break;
      case 5:  // a property pair
        p += u"Public Property Get Name" + n + u"() As String\r\n    Name" + n + u" = \"x\"\r\nEnd Property\r\n\r\n" +
             u"Public Property Let Name" + n + u"(ByVal s As String)\r\nEnd Property\r\n";
        break;
      default:
        p += u"Sub Run" + n + u"(Optional ByVal n As Integer = 5)\r\n    On Error GoTo Done\r\n" +
             Comment(u"    日本語のコメント", u"    a comment") + u"Done: End Sub\r\n";
        break;
    }
    if (Pick(2)) p += u"\r\n";
    return p;
  }

  std::mt19937 rng_;
  bool japanese_ = true;
};

class Generated_ : public ::testing::TestWithParam<std::string> {};

TEST_P(Generated_, EveryWriterKeepsItsPromises) {
  const std::string writer = GetParam();
  int refused = 0;
  for (unsigned seed = 1; seed <= 36; ++seed) {
    ModuleGenerator generator(seed);
    const Generated g = generator.Make(seed);
    SCOPED_TRACE("seed " + std::to_string(seed) + " (" + g.encoding + ")");
    const std::vector<std::string> broken = testing::CheckInvariants(writer, g.bytes, g.encoding);
    EXPECT_EQ(broken, std::vector<std::string>{}) << g.text;
    if (testing::RunWriterOnBytes(writer, g.bytes, g.encoding).refused) ++refused;
  }
  // A procedure header's Japanese labels cannot be held by a CP1252 module;
  // the other writers write what every code page holds.
  if (writer == "headers" || writer == "all-headers" || writer == "header") {
    EXPECT_GT(refused, 0);
  } else {
    EXPECT_EQ(refused, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Writers, Generated_, ::testing::ValuesIn(testing::kWriters),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
}  // namespace qlx
