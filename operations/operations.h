// Operations: the operation modules bound to one editor and its settings, and
// the one table of the operations there are. Every face (the tool window, the
// command line, the language server, check, the session, the fuzz targets and
// the tests) runs its operations here and constructs no module itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"
#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

enum class OperationId { kHeader, kErrTrap, kDeb, kModuleHeader, kAllHeaders, kHeaders };

enum class OperationScope {
  kProcedure,  // works on the procedure that holds a row
  kModule,     // works on the whole active module
};

struct OperationInfo {
  OperationId id;
  // The name the command line and the language server know it by.
  std::string_view name;
  OperationScope scope;
};

// Every operation, once. A face lists the ones it offers by id.
inline constexpr OperationInfo kOperationTable[] = {
    {OperationId::kHeader, "header", OperationScope::kProcedure},
    {OperationId::kErrTrap, "errtrap", OperationScope::kProcedure},
    {OperationId::kDeb, "deb", OperationScope::kModule},
    {OperationId::kModuleHeader, "module-header", OperationScope::kModule},
    {OperationId::kAllHeaders, "all-headers", OperationScope::kModule},
    {OperationId::kHeaders, "headers", OperationScope::kModule},
};

const OperationInfo& InfoOf(OperationId id);
// The operation of that name; nullptr for none.
const OperationInfo* OperationNamed(std::string_view name);

// The settings the operations work with, as the settings file gives them.
struct OperationSettings {
  Text author_name;
  std::int32_t ignore_mode = 0;
  std::int32_t un_undo_mode = 0;
  std::int32_t sleep_time = 0;
  std::int32_t err_insert_pos = 0;
  Text date_format;
};

// The accessor a property procedure's kind stands for ("PrG" gives "get",
// "PrL" "let", "PrS" "set"); empty for a Sub or a Function.
TextView AccessorOf(TextView proc_kind);
// Whether word is one of those accessors, any case.
bool IsAccessor(TextView word);
// Whether entry is the procedure `name` (ASCII case ignored) and, when kind
// is given ("get", "let" or "set", any case), that accessor of a property.
bool ProcedureIs(const ProcData& entry, TextView name, TextView kind = {});

class Operations {
 public:
  // ui and desktop outlive this object; the modules show their boxes on ui.
  Operations(UiService& ui, Desktop& desktop);
  Operations(const Operations&) = delete;
  Operations& operator=(const Operations&) = delete;

  // The editor every module works against; nullptr lets go of it.
  void SetVBInstance(std::shared_ptr<VBE> vbe);
  // Puts the loaded settings on the modules that use them.
  void Apply(const OperationSettings& settings);

  // Runs the operation: a procedure operation on the procedure holding row,
  // a whole-module one on the active module (row unused).
  void Run(OperationId id, Row row = 0);
  // Runs a procedure operation on the one procedure of that name (see
  // ProcedureIs) and gives its declaration row; nothing runs, and nullopt is
  // given, when the module has no such procedure or more than one.
  std::optional<Row> RunOn(OperationId id, TextView name, TextView kind = {});

  // What the readers read, without changing the module.
  // The procedures as the module header's table lists them (rows, kind and
  // name; at most 300, count as GetProcsDataH gives it).
  std::vector<ProcData> ProcedureTable(Short& count);
  // Rows, kind and name of every procedure, past 300 too.
  std::vector<ProcData> AllProcedures(Short& count);
  // Where the header of the procedure holding row stands (index: its place
  // in the table; table: the full scan, made when first needed and kept).
  HeaderCheck CheckHeader(Row row, std::size_t index, std::optional<std::vector<ProcData>>& table);

  // The modules themselves, for what the faces set or read on them.
  ModGetProcsData& Procs() { return procs_; }
  ModInsertHeader& Header() { return header_; }
  ModInsertErrTrap& ErrTrap() { return err_trap_; }
  ModAddDebugVBE& Deb() { return deb_; }

 private:
  ModGetProcsData procs_;
  ModInsertHeader header_;
  ModInsertErrTrap err_trap_;
  ModAddDebugVBE deb_;
};

}  // namespace qlx
