// Compound files: what is written reads back as the same tree, in every size
// class of stream, and damaged files are refused.
#include "office/compound_file.h"

#include <string>

#include <gtest/gtest.h>

#include "office/office_error.h"

namespace qlx::office {
namespace {

std::string Filled(std::size_t size, char seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 31 % 251);
  return s;
}

CompoundEntry& AddStorage(CompoundEntry& parent, std::u16string name) {
  CompoundEntry& e = parent.PutStorage(name);
  e.clsid[0] = 0x42;
  e.state_bits = 7;
  e.modified = 0x01D9000011112222;
  return e;
}

// A project-like tree: a few streams in each size class, a nested storage and
// enough siblings for a deep sibling tree.
std::unique_ptr<CompoundEntry> SampleTree(std::size_t big = 5000) {
  auto root = std::make_unique<CompoundEntry>();
  root->kind = CompoundEntry::Kind::kStorage;
  root->name = u"Root Entry";
  root->PutStream(u"PROJECT", "ID=\"{00000000}\"\r\nName=\"VBAProject\"\r\n");
  root->PutStream(u"PROJECTwm", std::string("Module1\0M\0o\0\0\0", 15));
  CompoundEntry& vba = AddStorage(*root, u"VBA");
  vba.PutStream(u"_VBA_PROJECT", std::string("\xCC\x61\xFF\xFF\x00\x00\x00", 7));
  vba.PutStream(u"dir", Filled(4095, 'd'));
  vba.PutStream(u"Module1", Filled(big, 'm'));
  vba.PutStream(u"Empty", "");
  vba.PutStream(u"Exactly4096", Filled(4096, 'x'));
  for (int i = 0; i < 40; ++i) vba.PutStream(u"Sheet" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + (i >= 26 ? u"2" : u""), Filled(i * 37, 's'));
  CompoundEntry& form = AddStorage(*root, u"UserForm1");
  form.PutStream(u"\x01" u"CompObj", Filled(100, 'c'));
  form.PutStream(u"f", Filled(300, 'f'));
  AddStorage(form, u"i05");
  return root;
}

void ExpectSameTree(const CompoundEntry& a, const CompoundEntry& b, const std::string& path = "") {
  SCOPED_TRACE(path);
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.data, b.data);
  EXPECT_EQ(a.clsid, b.clsid);
  EXPECT_EQ(a.state_bits, b.state_bits);
  EXPECT_EQ(a.modified, b.modified);
  ASSERT_EQ(a.children.size(), b.children.size());
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    EXPECT_TRUE(a.children[i]->name == b.children[i]->name);
    ExpectSameTree(*a.children[i], *b.children[i], path + "/" + std::to_string(i));
  }
}

class CompoundRoundTrip : public testing::TestWithParam<std::size_t> {};

TEST_P(CompoundRoundTrip, WrittenTreeReadsBackTheSame) {
  const auto tree = SampleTree(GetParam());
  const std::string bytes = WriteCompoundFile(*tree);
  EXPECT_TRUE(IsCompoundFile(bytes));
  const auto back = ReadCompoundFile(bytes);
  ExpectSameTree(*tree, *back);
  EXPECT_EQ(WriteCompoundFile(*back), bytes) << "writing is not deterministic";
}

// Big stream sizes: one sector table sector, many, and more than the header
// can list (an extension sector).
INSTANTIATE_TEST_SUITE_P(StreamSizes, CompoundRoundTrip, testing::Values(4097, 70000, 8u << 20));

TEST(CompoundFile, LooksUpChildrenIgnoringCase) {
  const auto tree = SampleTree();
  ASSERT_NE(tree->Child(u"vba"), nullptr);
  EXPECT_NE(tree->Child(u"vba")->Child(u"MODULE1"), nullptr);
  EXPECT_EQ(tree->Child(u"Nothing"), nullptr);
  EXPECT_TRUE(tree->Child(u"VBA")->Remove(u"module1"));
  EXPECT_EQ(tree->Child(u"VBA")->Child(u"Module1"), nullptr);
}

// Names are matched as the format compares them: ASCII, Latin-1 and
// fullwidth letters without their case, nothing else folded.
struct NameCase {
  const char* what;
  std::u16string stored;
  std::u16string asked;
  bool same;
};

class CompoundNames : public testing::TestWithParam<NameCase> {};

TEST_P(CompoundNames, MatchOnlyWhenTheyDifferInLetterCase) {
  const NameCase& c = GetParam();
  auto root = std::make_unique<CompoundEntry>();
  root->kind = CompoundEntry::Kind::kStorage;
  root->name = u"Root Entry";
  root->PutStream(c.stored, "x");
  EXPECT_EQ(root->Child(c.asked) != nullptr, c.same);
  // Read back from the written file, the entry is found by the same names.
  const auto back = ReadCompoundFile(WriteCompoundFile(*root));
  EXPECT_EQ(back->Child(c.asked) != nullptr, c.same);
  EXPECT_NE(back->Child(c.stored), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CompoundNames,
    testing::Values(NameCase{"Ascii", u"Module1", u"mODULE1", true},
                    NameCase{"Latin1", u"Caf\u00e9\u00fe", u"CAF\u00c9\u00de", true},
                    NameCase{"Fullwidth", u"\uff41\uff5a", u"\uff21\uff3a", true},
                    NameCase{"DivisionIsNoLetter", u"a\u00f7", u"A\u00d7", false},
                    NameCase{"YDiaeresisIsNotFolded", u"\u00ff", u"\u00df", false},
                    NameCase{"BracketsAreNoLetters", u"[x]", u"{x}", false},
                    NameCase{"AtSignIsNoLetter", u"@", u"`", false},
                    NameCase{"Longer", u"Module1", u"Module12", false}),
    [](const auto& info) { return std::string(info.param.what); });

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Damage {
  const char* name;
  void (*apply)(std::string&);
};

class DamagedCompoundFile : public testing::TestWithParam<Damage> {};

TEST_P(DamagedCompoundFile, IsRefused) {
  std::string bytes = WriteCompoundFile(*SampleTree());
  GetParam().apply(bytes);
  EXPECT_THROW(ReadCompoundFile(bytes), OfficeError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedCompoundFile,
    testing::Values(
        Damage{"CutToHeader", [](std::string& b) { b.resize(512); }},
        Damage{"CutInHalf", [](std::string& b) { b.resize(b.size() / 2); }},
        Damage{"WrongByteOrder", [](std::string& b) { b[28] = 0; }},
        Damage{"UnknownVersion", [](std::string& b) { b[26] = 9; }},
        Damage{"TooManyFatSectors", [](std::string& b) { Put32(b, 44, 0x00FFFFFF); }},
        Damage{"DirectoryOutsideFile", [](std::string& b) { Put32(b, 48, 0x00FFFFF0); }},
        // The first sector table entry (the table itself) made to point at itself.
        Damage{"LoopingChain", [](std::string& b) {
                 const std::size_t dir = 512 * (1 + (static_cast<unsigned char>(b[48]) | static_cast<unsigned char>(b[49]) << 8));
                 const std::size_t fat_entry = 512 + 4 * (dir / 512 - 1);
                 Put32(b, fat_entry, static_cast<std::uint32_t>(dir / 512 - 1));
               }},
        // The root's child made the root itself.
        Damage{"DirectoryCycle", [](std::string& b) {
                 const std::size_t dir = 512 * (1 + (static_cast<unsigned char>(b[48]) | static_cast<unsigned char>(b[49]) << 8));
                 Put32(b, dir + 76, 0);
               }},
        Damage{"StreamLongerThanChain", [](std::string& b) {
                 const std::size_t dir = 512 * (1 + (static_cast<unsigned char>(b[48]) | static_cast<unsigned char>(b[49]) << 8));
                 for (std::size_t e = dir; e < dir + 512 * 4 && e + 128 <= b.size(); e += 128) {
                   if (b[e + 66] == 2) Put32(b, e + 120, 0x7FFFFFFF);
                 }
               }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompoundFile, NotACompoundFile) {
  EXPECT_FALSE(IsCompoundFile("PK\x03\x04"));
  EXPECT_THROW(ReadCompoundFile(std::string(1024, 'x')), OfficeError);
}

}  // namespace
}  // namespace qlx::office
