// The VBA project inside Office documents: modules read as the stream holds
// them, a changed module written back as source only with everything else
// kept, and the documents that must not be changed refused.
#include "office/office_document.h"

#include <filesystem>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "office/office_error.h"
#include "office/project_builder.h"
#include "office/project_modules.h"
#include "office/vba_project.h"
#include "office/zip_archive.h"
#include "host/memory/editor.h"

namespace qlx::office {
namespace {

using testing::TestModule;

const std::string kModule1 =
    "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n"
    "' \x93\xfa\x96\x7b\x8c\xea\r\n"  // a CP932 comment
    "Public Sub Hello(ByVal s As String)\r\n    MsgBox s\r\nEnd Sub\r\n";
const std::string kClass1 =
    "Attribute VB_Name = \"Class1\"\r\nAttribute VB_GlobalNameSpace = False\r\nAttribute VB_Creatable = False\r\n"
    "Attribute VB_PredeclaredId = False\r\nAttribute VB_Exposed = False\r\nPrivate m As Long\r\n";

std::vector<TestModule> SampleModules() {
  return {{"Module1", 'M', kModule1}, {"Class1", 'C', kClass1}, {"ThisWorkbook", 'D', "Attribute VB_Name = \"ThisWorkbook\"\r\n"}};
}

std::string SampleXlsm(const std::string& password = "") {
  return testing::Xlsm(WriteCompoundFile(*testing::ProjectTree(932, SampleModules(), password)));
}

TEST(OfficeDocument, ReadsTheModulesOfABuiltWorkbook) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  const VbaProject& p = doc.Project();
  EXPECT_EQ(p.CodePageName(), "CP932");
  ASSERT_EQ(p.Modules().size(), 3u);
  EXPECT_EQ(p.Modules()[0].type, VbaModule::Type::kStandard);
  EXPECT_EQ(p.Modules()[1].type, VbaModule::Type::kClass);
  EXPECT_EQ(p.Modules()[2].type, VbaModule::Type::kDocument);
  EXPECT_EQ(p.Source(0), kModule1);
  EXPECT_EQ(p.Source(1), kClass1);
  EXPECT_NE(p.Find("module1"), nullptr);
  EXPECT_EQ(p.Find("Module2"), nullptr);
}

TEST(OfficeDocument, ReadsAndWritesTheProjectOfAnOldStyleWorkbook) {
  const std::string xls = testing::Xls(testing::ProjectTree(932, SampleModules()));
  OfficeDocument doc = OfficeDocument::FromBytes(xls, "Book.xls");
  ASSERT_EQ(doc.Project().Modules().size(), 3u);
  EXPECT_EQ(doc.Project().Source(0), kModule1);
  doc.Project().SetSource(1, kClass1 + "Private n As Long\r\n");
  const std::string rendered = doc.Render();
  OfficeDocument after = OfficeDocument::FromBytes(rendered, "Book.xls");
  EXPECT_EQ(after.Project().Source(1), kClass1 + "Private n As Long\r\n");
  EXPECT_EQ(after.Project().Source(0), kModule1);
  EXPECT_EQ(ReadCompoundFile(rendered)->Child(u"Workbook")->data, ReadCompoundFile(xls)->Child(u"Workbook")->data);
}

TEST(OfficeDocument, UnchangedDocumentRendersToItsOwnBytes) {
  const std::string bytes = SampleXlsm();
  OfficeDocument doc = OfficeDocument::FromBytes(bytes, "Book.xlsm");
  EXPECT_EQ(doc.Render(), bytes);
}

// What a changed project must look like for Office to compile it from source.
void ExpectWrittenAsSourceOnly(const std::string& rendered, std::size_t changed, const std::string& source,
                               const OfficeDocument& before) {
  OfficeDocument after = OfficeDocument::FromBytes(rendered, "after.xlsm");
  const VbaProject& p = after.Project();
  ASSERT_EQ(p.Modules().size(), before.Project().Modules().size());
  for (std::size_t i = 0; i < p.Modules().size(); ++i) {
    SCOPED_TRACE(p.Modules()[i].name);
    if (i == changed) {
      EXPECT_EQ(p.Source(i), source);
      EXPECT_EQ(p.Modules()[i].text_offset, 0u);
    } else {
      EXPECT_EQ(p.Source(i), before.Project().Source(i));
      EXPECT_EQ(p.Modules()[i].text_offset, before.Project().Modules()[i].text_offset);
    }
  }
  const auto bin = ReadCompoundFile(ReadZipEntry(rendered, "xl/vbaProject.bin", 1 << 26));
  const CompoundEntry* vba = bin->Child(u"VBA");
  EXPECT_EQ(vba->Child(u"_VBA_PROJECT")->data, std::string("\xCC\x61\xFF\xFF\x00\x00\x00", 7));
  for (const auto& c : vba->children) EXPECT_NE(c->name.rfind(u"__SRP_", 0), 0u) << "a cache stream is left";
  // Every other part of the zip keeps its bytes.
  for (const std::string& name : ZipEntryNames(before.OriginalBytes())) {
    if (name.find("vbaProject.bin") != std::string::npos) continue;
    EXPECT_EQ(ReadZipEntry(rendered, name, 1 << 26), ReadZipEntry(before.OriginalBytes(), name, 1 << 26)) << name;
  }
}

TEST(OfficeDocument, ChangedModuleIsWrittenAsSourceOnly) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  const std::string source = kModule1 + "Sub Added()\r\nEnd Sub\r\n";
  doc.Project().SetSource(0, source);
  const std::string rendered = doc.Render();
  ExpectWrittenAsSourceOnly(rendered, 0, source, OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm"));
}

// Workbooks laid out as Excel saves them, with a picture before or after
// the project: the project changes and every other part keeps its bytes
// (the project behind a picture of 10 KB and more was written through a
// buffer that was freed twice).
struct Layout {
  const char* name;
  std::size_t picture;
  bool picture_first;
};

class ExcelLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(ExcelLayout, ChangedModuleIsWrittenAndEveryOtherPartKept) {
  const std::string bytes = testing::ExcelWorkbook(WriteCompoundFile(*testing::ProjectTree(932, SampleModules())),
                                                   GetParam().picture, GetParam().picture_first);
  OfficeDocument doc = OfficeDocument::FromBytes(bytes, "Book.xlsm");
  const std::string source = kModule1 + "Sub Added()\r\nEnd Sub\r\n";
  doc.Project().SetSource(0, source);
  const std::string rendered = doc.Render();
  ExpectWrittenAsSourceOnly(rendered, 0, source, OfficeDocument::FromBytes(bytes, "Book.xlsm"));
  EXPECT_EQ(ZipEntryNames(rendered), ZipEntryNames(bytes));
  // Written twice over, as a second command would.
  OfficeDocument again = OfficeDocument::FromBytes(rendered, "Book.xlsm");
  again.Project().SetSource(1, kClass1 + "Private n As Long\r\n");
  EXPECT_EQ(OfficeDocument::FromBytes(again.Render(), "Book.xlsm").Project().Source(0), source);
}

INSTANTIATE_TEST_SUITE_P(Pictures, ExcelLayout,
                         ::testing::Values(Layout{"NoPictureToSpeakOf", 16, true},
                                           Layout{"Picture10KBFirst", 10 << 10, true},
                                           Layout{"Picture300KBFirst", 300 << 10, true},
                                           Layout{"Picture3MBFirst", 3 << 20, true},
                                           Layout{"Picture10KBAfter", 10 << 10, false},
                                           Layout{"Picture3MBAfter", 3 << 20, false}),
                         [](const auto& info) { return std::string(info.param.name); });

std::filesystem::path SharedOffice() { return std::filesystem::path(QLX_SOURCE_DIR) / ".." / "shared" / "office"; }

// A workbook saved by Excel, with p-code caches and cache streams.
TEST(OfficeDocument, ExcelWorkbookKeepsEverythingButTheChangedModule) {
  const auto path = SharedOffice() / "testBuilder.xlsm";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path;
  OfficeDocument doc = OfficeDocument::Load(path);
  EXPECT_EQ(doc.Project().CodePageName(), "CP1252");
  ASSERT_EQ(doc.Project().Modules().size(), 7u);
  std::size_t module1 = 0;
  for (std::size_t i = 0; i < doc.Project().Modules().size(); ++i) {
    if (doc.Project().Modules()[i].name == "Module1") module1 = i;
    EXPECT_GT(doc.Project().Modules()[i].text_offset, 0u) << "Excel keeps p-code before the source";
  }
  EXPECT_EQ(doc.Project().Modules()[module1].type, VbaModule::Type::kStandard);
  const std::string source = doc.Project().Source(module1) + "' one more line\r\n";
  doc.Project().SetSource(module1, source);
  const std::string rendered = doc.Render();
  const OfficeDocument before = OfficeDocument::Load(path);
  ExpectWrittenAsSourceOnly(rendered, module1, source, before);
  const auto old_bin = ReadCompoundFile(ReadZipEntry(before.OriginalBytes(), "xl/vbaProject.bin", 1 << 26));
  const auto new_bin = ReadCompoundFile(ReadZipEntry(rendered, "xl/vbaProject.bin", 1 << 26));
  EXPECT_EQ(new_bin->Child(u"PROJECT")->data, old_bin->Child(u"PROJECT")->data);
  EXPECT_EQ(new_bin->Child(u"PROJECTwm")->data, old_bin->Child(u"PROJECTwm")->data);
  EXPECT_EQ(new_bin->Child(u"UserForm1")->Child(u"f")->data, old_bin->Child(u"UserForm1")->Child(u"f")->data);
}

struct Refusal {
  const char* name;
  std::string (*make)();
  const char* says;
};

class RefusedDocument : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedDocument, SaysWhy) {
  try {
    OfficeDocument::FromBytes(GetParam().make(), "Book.xlsm");
    FAIL() << "not refused";
  } catch (const OfficeError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("Book.xlsm: ", 0), 0u) << e.what();
  }
}

std::string SignedXlsm() {
  auto tree = testing::ProjectTree(932, SampleModules());
  tree->PutStream(u"\x05" u"DigitalSignature", "signature");
  return testing::Xlsm(WriteCompoundFile(*tree));
}

std::string CorruptDirXlsm() {
  auto tree = testing::ProjectTree(932, SampleModules());
  std::string dir = testing::DirStream(932, SampleModules());
  dir.resize(dir.size() * 3 / 5);
  tree->Child(u"VBA")->PutStream(u"dir", Compress(dir));
  return testing::Xlsm(WriteCompoundFile(*tree));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDocument,
    ::testing::Values(Refusal{"CutOffModule", [] { return testing::XlsmWithCutOffModule(SampleModules(), 2); },
                              "the source of module Module1 is damaged: compressed data is cut off inside a chunk"},
                      // 64 modules naming one stream that expands to 2 MiB.
                      Refusal{"ModulesTogetherPastTheLimit", [] { return testing::XlsmOfOneBombStream(64, 2 << 20); },
                              "the modules of the VBA project expand past 32 MiB together (module Module17 goes past it)"},
                      Refusal{"EntriesSharingOneChain", [] { return testing::XlsWithSharedChain(SampleModules(), 100, 16 << 10); },
                              "the compound file's streams together are larger than the file: its directory entries share sectors"},
                      Refusal{"TwoProjectsNoneNamed",
                              [] {
                                const std::string bin = WriteCompoundFile(*testing::ProjectTree(932, SampleModules()));
                                return MakeZipArchive({{"xl/vbaProject.bin", bin}, {"xl/old/vbaProject.bin", bin}});
                              },
                              "the document holds 2 VBA projects (xl/vbaProject.bin, xl/old/vbaProject.bin) and its "
                              "relationships name none of them"},
                      Refusal{"Signed", SignedXlsm, "digitally signed"},
                      Refusal{"Password", [] { return SampleXlsm("secret"); }, "password"},
                      Refusal{"CorruptDir", CorruptDirXlsm, "dir stream"},
                      Refusal{"TruncatedZip", [] { std::string b = SampleXlsm(); b.resize(b.size() / 2); return b; }, "zip"},
                      Refusal{"NoProject", [] { return MakeZipArchive({{"a.txt", "x"}}); }, "no VBA project"},
                      Refusal{"NotADocument", [] { return std::string("just text"); }, "not an Office document"}),
    [](const auto& info) { return std::string(info.param.name); });

// A workbook holding a stale copy of a project before the one its
// relationships name: the named one is read and changed, the copy kept.
TEST(OfficeDocument, TheProjectTheRelationshipsNameIsEdited) {
  const std::string named = WriteCompoundFile(*testing::ProjectTree(932, SampleModules()));
  const std::string stale = WriteCompoundFile(*testing::ProjectTree(932, {{"Stale", 'M', "Attribute VB_Name = \"Stale\"\r\n"}}));
  const std::string plain = testing::Xlsm(named);
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& name : ZipEntryNames(plain)) {
    if (name == "xl/vbaProject.bin") entries.emplace_back("xl/media/vbaProject.bin", stale);
    entries.emplace_back(name, ReadZipEntry(plain, name, 1 << 26));
  }
  const std::string bytes = MakeZipArchive(entries);
  OfficeDocument doc = OfficeDocument::FromBytes(bytes, "Book.xlsm");
  ASSERT_EQ(doc.Project().Modules().size(), 3u);
  EXPECT_EQ(doc.Project().Modules()[0].name, "Module1");
  doc.Project().SetSource(0, kModule1 + "' changed\r\n");
  const std::string rendered = doc.Render();
  EXPECT_EQ(ReadZipEntry(rendered, "xl/media/vbaProject.bin", 1 << 26), stale);
  EXPECT_EQ(OfficeDocument::FromBytes(rendered, "Book.xlsm").Project().Source(0), kModule1 + "' changed\r\n");
}

// The modules as module files: rows as the editor shows them (attributes
// hidden), and edits stored back in the project's code page.
TEST(ProjectModules, EditsGoBackIntoTheProject) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  ProjectModules modules(doc, std::string("module1"));
  ASSERT_EQ(modules.Files().size(), 1u);
  EXPECT_EQ(modules.Names()[0], "Module1");
  auto module = modules.Files()[0].Module();
  EXPECT_EQ(module->Lines(1, 1), u"Option Explicit");
  EXPECT_EQ(module->Lines(2, 1), u"' \u65E5\u672C\u8A9E");
  module->InsertLines(2, u"' \u8FFD\u52A0");
  EXPECT_EQ(modules.StoreChanges(), 1);
  OfficeDocument after = OfficeDocument::FromBytes(doc.Render(), "Book.xlsm");
  EXPECT_EQ(after.Project().Source(0), "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n' \x92\xC7\x89\xC1\r\n' \x93\xfa\x96\x7b\x8c\xea\r\n"
                                       "Public Sub Hello(ByVal s As String)\r\n    MsgBox s\r\nEnd Sub\r\n");
}

TEST(ProjectModules, TextTheCodePageCannotHoldIsRefused) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  ProjectModules modules(doc);
  EXPECT_EQ(modules.Files().size(), 3u);
  modules.Files()[0].Module()->InsertLines(1, u"' \U0001F600");
  try {
    modules.StoreChanges();
    FAIL() << "not refused";
  } catch (const OfficeError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Book.xlsm:Module1: line 2 (row 1): holds characters that the VBA project's code page CP932 cannot hold; "
              "nothing was written");
  }
  EXPECT_FALSE(doc.Project().Changed());
}

// One module the code page cannot hold refuses the lot: a module before it
// that could be stored is not stored either.
TEST(ProjectModules, ALaterModuleRefusedStoresNoneOfThem) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  ProjectModules modules(doc);
  ASSERT_EQ(modules.Names()[1], "Class1");
  modules.Files()[0].Module()->InsertLines(1, u"' fine");
  modules.Files()[1].Module()->InsertLines(1, u"' \U0001F600");
  try {
    modules.StoreChanges();
    FAIL() << "not refused";
  } catch (const OfficeError& e) {
    const std::string said = e.what();
    EXPECT_EQ(said.rfind("Book.xlsm:Class1: line ", 0), 0u) << said;
    EXPECT_NE(said.find(" (row 1): holds characters that the VBA project's code page CP932 cannot hold; nothing was "
                        "written"),
              std::string::npos)
        << said;
  }
  EXPECT_FALSE(doc.Project().Changed());
}

// A caller that shows the modules too hands in the renderings it took: those
// very bytes go into the project, and only the changed modules' ones.
TEST(ProjectModules, StoresTheRenderingsHandedIn) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  ProjectModules modules(doc);
  const std::string untouched = doc.Project().Source(0);
  modules.Files()[1].Module()->InsertLines(1, u"' \u8FFD\u52A0");
  std::vector<ModuleFile::Rendering> renderings;
  for (const ModuleFile& file : modules.Files()) renderings.push_back(file.Rendered());
  EXPECT_EQ(modules.StoreChanges(renderings), 1);
  EXPECT_EQ(doc.Project().Source(1), renderings[1].Bytes());
  EXPECT_NE(doc.Project().Source(1).find("' \x92\xC7\x89\xC1\r\n"), std::string::npos);
  EXPECT_EQ(doc.Project().Source(0), untouched);
  EXPECT_FALSE(doc.Project().Modules()[0].changed);
  EXPECT_TRUE(doc.Project().Modules()[1].changed);

  // Renderings that are not one per module are not matched up by guesswork.
  renderings.pop_back();
  EXPECT_THROW(modules.StoreChanges(renderings), std::invalid_argument);
}

// Found by fuzzing: a code page the system cannot convert escaped as another
// kind of error.
TEST(ProjectModules, UnknownCodePageIsRefusedAsADocumentError) {
  OfficeDocument doc = OfficeDocument::FromBytes(
      testing::Xlsm(WriteCompoundFile(*testing::ProjectTree(18007, SampleModules()))), "Book.xlsm");
  try {
    ProjectModules modules(doc);
    FAIL() << "not refused";
  } catch (const OfficeError& e) {
    EXPECT_EQ(std::string(e.what()), "Book.xlsm: the VBA project's code page CP18007 is not one this system can convert");
  }
}

TEST(ProjectModules, UnknownModuleIsNamedWithTheKnownOnes) {
  OfficeDocument doc = OfficeDocument::FromBytes(SampleXlsm(), "Book.xlsm");
  try {
    ProjectModules modules(doc, std::string("Nope"));
    FAIL();
  } catch (const OfficeError& e) {
    EXPECT_EQ(std::string(e.what()), "Book.xlsm: the VBA project has no module Nope (it has Module1, Class1, ThisWorkbook)");
  }
}

TEST(ProjectValues, DecryptWhatTheEditorEncrypts) {
  for (unsigned seed : {0x00u, 0x5Bu, 0x9Fu, 0xFEu}) {
    EXPECT_EQ(DecryptProjectValue(testing::EncryptProjectValue(std::string("\x01\x02\x03", 3), testing::kProjectId, seed)),
              std::string("\x01\x02\x03", 3));
  }
  // A value saved by the VBA editor for a project without a password.
  EXPECT_EQ(DecryptProjectValue("9F9D4D7277929593959395"), std::string(1, '\0'));
  EXPECT_THROW(DecryptProjectValue("9F9D4D72"), OfficeError);
  EXPECT_THROW(DecryptProjectValue("zz"), OfficeError);
}

TEST(OfficeDocument, KnowsItsFileNames) {
  for (const char* name : {"a.xlsm", "B.XLAM", "c.docm", "d.xls", "e.doc", "f.pptm", "g.dotm", "h.xla"}) {
    EXPECT_TRUE(OfficeDocument::IsOfficePath(name)) << name;
  }
  for (const char* name : {"a.bas", "b.cls", "c.xlsx", "d.txt"}) EXPECT_FALSE(OfficeDocument::IsOfficePath(name)) << name;
}

}  // namespace
}  // namespace qlx::office
