// The operation runner: its table names every operation once, each id runs
// its own operation on the bound editor, settings reach the modules, a
// procedure can be named instead of a row, and the editor is let go.
#include "operations/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "header/module_header.h"
#include "header/procedure_header.h"
#include "support/editor.h"

namespace qlx {
namespace {

using testing::Editor;
using testing::U8;

constexpr char16_t kModule[] = uR"(Option Explicit

Public Function Add(ByVal a As Long, ByVal b As Long) As Long
    Dim total As Long
    'deb total
    Add = a + b
End Function

Public Property Get Size() As Long
    Size = 1
End Property

Public Property Let Size(ByVal value As Long)
End Property
)";
constexpr Row kInsideAdd = 6;
constexpr Row kAddDeclaration = 3;

struct Runner : Editor<Operations> {
  Runner() : Editor<Operations>(kModule) {
    OperationSettings settings;
    settings.author_name = u"山田 太郎";
    settings.date_format = u"yyyy/mm/dd";
    settings.un_undo_mode = 1;  // no confirmation to answer
    op.Apply(settings);
  }

  int LinesStartingWith(TextView prefix) const {
    const std::vector<Text> lines = Module();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const Text& l) { return TextView(l).starts_with(prefix); }));
  }
  int LinesHolding(TextView part) const {
    const std::vector<Text> lines = Module();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const Text& l) { return l.find(part) != Text::npos; }));
  }
};

TEST(OperationTable, NamesEveryOperationOnceAndFindsItByName) {
  std::set<OperationId> ids;
  std::set<std::string_view> names;
  for (const OperationInfo& info : kOperationTable) {
    SCOPED_TRACE(std::string(info.name));
    EXPECT_TRUE(ids.insert(info.id).second);
    EXPECT_TRUE(names.insert(info.name).second);
    EXPECT_EQ(&InfoOf(info.id), &info);
    EXPECT_EQ(OperationNamed(info.name), &info);
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(OperationId::kHeaders) + 1);
  EXPECT_EQ(OperationNamed("Header"), nullptr);
  EXPECT_EQ(OperationNamed(""), nullptr);
}

// What each operation leaves in the module, counted so that an id wired to
// the wrong module, or to none, shows.
struct RunCase {
  OperationId id;
  int author_lines;   // procedure headers
  int handlers;       // PROC_ERR: labels
  int debug_prints;   // expanded 'deb markers
  int module_tables;  // module header tables
};

class RunEachOperation : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunEachOperation, ChangesWhatItsModuleChanges) {
  const RunCase& c = GetParam();
  Runner e;
  e.op.Run(c.id, kInsideAdd);
  SCOPED_TRACE(testing::Numbered(e.Module()));
  EXPECT_EQ(e.LinesStartingWith(kAuthorLabel), c.author_lines);
  EXPECT_EQ(e.LinesHolding(u"PROC_ERR:"), c.handlers);
  EXPECT_EQ(e.LinesHolding(u"Debug.Print"), c.debug_prints);
  EXPECT_EQ(e.LinesStartingWith(kModuleTableTitle), c.module_tables);
  for (const RecordedBox& box : e.ui.boxes) ADD_FAILURE() << U8(box.title) << ": " << U8(box.text);
}

INSTANTIATE_TEST_SUITE_P(Operations, RunEachOperation,
                         ::testing::Values(RunCase{OperationId::kHeader, 1, 0, 0, 0},
                                           RunCase{OperationId::kErrTrap, 0, 1, 0, 0},
                                           RunCase{OperationId::kDeb, 0, 0, 1, 0},
                                           RunCase{OperationId::kModuleHeader, 0, 0, 0, 1},
                                           RunCase{OperationId::kAllHeaders, 3, 0, 0, 0},
                                           RunCase{OperationId::kHeaders, 3, 0, 0, 0}),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                           std::string name(InfoOf(info.param.id).name);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(Operations, AppliedSettingsReachTheModulesThatUseThem) {
  Runner e;
  OperationSettings settings;
  settings.author_name = u"Tester";
  settings.un_undo_mode = 1;
  settings.err_insert_pos = 1;  // directly below the declaration, above Dim
  e.op.Apply(settings);
  e.op.Run(OperationId::kErrTrap, kInsideAdd);
  const std::vector<Text> lines = e.Module();
  const auto on_error = std::find(lines.begin(), lines.end(), u"On Error GoTo PROC_ERR");
  const auto dim = std::find(lines.begin(), lines.end(), u"    Dim total As Long");
  EXPECT_LT(on_error, dim) << testing::Numbered(lines);
  e.op.Run(OperationId::kHeader, kAddDeclaration);
  EXPECT_EQ(e.LinesHolding(u"Tester"), 1) << testing::Numbered(e.Module());
}

// A procedure named instead of a row: ASCII case ignored, a property's
// accessor chosen by its kind, and nothing run when the name is missing or
// stands for more than one procedure.
struct NamedCase {
  const char16_t* name;
  const char16_t* kind;
  std::optional<Row> row;
  const char16_t* declared = u"";  // what the declaration at row reads
};

class RunOnNamedProcedure : public ::testing::TestWithParam<NamedCase> {};

TEST_P(RunOnNamedProcedure, RunsOnlyOnTheOneProcedureNamed) {
  const NamedCase& c = GetParam();
  Runner e;
  const std::vector<Text> before = e.Module();
  EXPECT_EQ(e.op.RunOn(OperationId::kErrTrap, c.name, c.kind), c.row);
  if (!c.row) {
    EXPECT_EQ(e.Module(), before);
    return;
  }
  EXPECT_EQ(e.LinesHolding(u"PROC_ERR:"), 1);
  // The handler went into the procedure named: its declaration is still
  // where it was.
  EXPECT_NE(e.Module()[static_cast<std::size_t>(*c.row - 1)].find(c.declared), Text::npos);
}

INSTANTIATE_TEST_SUITE_P(Operations, RunOnNamedProcedure,
                         ::testing::Values(NamedCase{u"Add", u"", 3, u"Function Add("},
                                           NamedCase{u"aDD", u"", 3, u"Function Add("},
                                           NamedCase{u"Size", u"GET", 9, u"Property Get Size("},
                                           NamedCase{u"size", u"let", 13, u"Property Let Size("},
                                           NamedCase{u"Size", u"", std::nullopt},
                                           NamedCase{u"Size", u"set", std::nullopt},
                                           NamedCase{u"Missing", u"", std::nullopt},
                                           NamedCase{u"Ad", u"", std::nullopt},
                                           // A Function is no accessor, whatever its table kind reads.
                                           NamedCase{u"Add", u"get", std::nullopt},
                                           NamedCase{u"Add", u"Fnc", std::nullopt},
                                           NamedCase{u"Size", u"PrG", std::nullopt},
                                           NamedCase{u"Size", u"ge", std::nullopt}));

// The one mapping between the table's kinds and the accessor words.
struct AccessorCase {
  const char16_t* kind;
  const char16_t* word;  // empty: no accessor
};

class AccessorMapping : public ::testing::TestWithParam<AccessorCase> {};

TEST_P(AccessorMapping, GoesBothWays) {
  const AccessorCase& c = GetParam();
  EXPECT_EQ(AccessorOf(c.kind), TextView(c.word));
  const Text word = c.word;
  if (word.empty()) return;
  EXPECT_TRUE(IsAccessor(word));
  Text upper;
  for (char16_t ch : word) upper += AsciiUpper(ch);
  EXPECT_TRUE(IsAccessor(upper));
  EXPECT_FALSE(IsAccessor(word + u"s"));
  EXPECT_FALSE(IsAccessor(c.kind));
}

INSTANTIATE_TEST_SUITE_P(Kinds, AccessorMapping,
                         ::testing::Values(AccessorCase{u"PrG", u"get"}, AccessorCase{u"PrL", u"let"},
                                           AccessorCase{u"PrS", u"set"}, AccessorCase{u"Sub", u""},
                                           AccessorCase{u"Fnc", u""}, AccessorCase{u"prg", u""},
                                           AccessorCase{u"", u""}));

TEST(AccessorMapping, EmptyWordIsNoAccessor) { EXPECT_FALSE(IsAccessor(u"")); }

TEST(Operations, ReadersLeaveTheModuleAsItWas) {
  Runner e;
  const std::vector<Text> before = e.Module();
  Short count = 0;
  const std::vector<ProcData> table = e.op.ProcedureTable(count);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(table[0].ProcName, u"Add");
  EXPECT_EQ(table[2].ProcKnd, u"PrL");
  Short all = 0;
  EXPECT_EQ(e.op.AllProcedures(all).size(), 3u);
  std::optional<std::vector<ProcData>> full;
  EXPECT_EQ(e.op.CheckHeader(kAddDeclaration, 0, full).state, HeaderState::kMissing);
  EXPECT_EQ(e.Module(), before);
}

TEST(Operations, LettingGoOfTheEditorLeavesNoModuleHoldingIt) {
  Runner e;
  e.op.Run(OperationId::kAllHeaders);
  e.op.Run(OperationId::kDeb);
  const long held = e.vbe.use_count();
  e.op.SetVBInstance(nullptr);
  // procedure table, header, error handler and 'deb each held it once.
  EXPECT_EQ(e.vbe.use_count(), held - 4);
  // Run without an editor: reported, never a crash.
  e.op.Run(OperationId::kHeader, kInsideAdd);
  e.op.Run(OperationId::kDeb);
}

}  // namespace
}  // namespace qlx
