// The procedure record: for one row of the active code module, which
// procedure holds it, where its block, declaration, local declarations and
// End line lie, and its kind, return type and parameter table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "analysis/declaration.h"
#include "analysis/param_inf.h"
#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

class ClsProcInf {
 public:
  // Size of the parameter table; a procedure with more parameters is refused.
  static constexpr Short kMaxParams = 30;

  explicit ClsProcInf(UiService& ui);
  ClsProcInf(const ClsProcInf&) = delete;
  ClsProcInf& operator=(const ClsProcInf&) = delete;

  // The properties, in the order of the record's public interface.
  std::shared_ptr<VBE> VBInstanceC() const { return vbe_; }
  void VBInstanceC(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }
  Text ModuleName() const { return module_name_; }
  Text ProcName() const { return proc_name_; }
  // Decimal text of the type code: 0 Sub, 1 Function, 2 Property Let,
  // 3 Property Set, 4 Property Get.
  Text ProcType() const;
  Text ProcTypeStr() const { return proc_type_str_; }
  Row TotalRowsCount() const { return total_rows_count_; }
  Row ProcStartRow() const { return proc_start_row_; }
  Row BodyStartRow() const { return body_start_row_; }
  Row BodyDefEndRow() const { return body_def_end_row_; }
  Row InnerDecStartRow() const { return inner_dec_start_row_; }
  Row InnerDecEndRow() const { return inner_dec_end_row_; }
  Row BodyEndRow() const { return body_end_row_; }
  // Where the declaration stands with the conditional-compilation lines
  // around it (an #If ... #Else ... #End If of one declaration per build):
  // the #If and #End If rows, else BodyStartRow and BodyDefEndRow. A new
  // header goes above the top, an error handler below the bottom.
  Row DeclarationTopRow() const { return declaration_top_row_; }
  Row DeclarationBottomRow() const { return declaration_bottom_row_; }
  // The first row a header of the procedure may stand on: ProcStartRow, or
  // higher when the declaration's #If stands in the declaration section.
  Row LeadingStartRow() const { return leading_start_row_; }
  Text RetType() const { return ret_type_; }
  Short ParamCount() const { return param_count_; }
  // Fields of parameter entry i; an index outside 0..29 throws VbError 9.
  Text KeyWord1(Short i) const { return Entry(i).KeyWord1; }
  Text KeyWord2(Short i) const { return Entry(i).KeyWord2; }
  Text VarName(Short i) const { return Entry(i).VarName; }
  Text VarType(Short i) const { return Entry(i).VarType; }
  Text RefIO(Short i) const { return Entry(i).RefIO; }

  // Fills the record for the procedure holding lngRow. True when filled
  // completely; row 0 gives False without asking the editor anything.
  bool GetProcInf(Row lngRow);
  // After rows were inserted or deleted above the declaration: re-reads the
  // declaration row and shifts the body rows by the same amount.
  void ResetBodyPos(Row lngProcStartRow);

 private:
  const ParamInf& Entry(Short i) const;

  bool MakeProcInf(Row row);
  // Steps of MakeProcInf from locating the procedure on; may throw.
  bool LocateAndParse(Row row, ProcKind& kind);
  Row CheckEnd(Row last_row, Row body_start_row);
  // "I/O" when a body row assigns to the parameter, else "I".
  Text CheckRef(const Text& name);

  std::shared_ptr<CodeModule> ActiveModule() const;
  Text LineAt(Row row) const;

  UiService& ui_;
  DeclarationParser parser_;
  std::shared_ptr<VBE> vbe_;
  // The module being analysed; held only while GetProcInf or ResetBodyPos runs.
  std::shared_ptr<CodeModule> module_;

  Text module_name_;
  Text proc_name_;
  std::int32_t proc_type_ = 0;
  Text proc_type_str_;
  Row total_rows_count_ = 0;
  Row proc_start_row_ = 0;
  Row body_start_row_ = 0;
  Row body_def_end_row_ = 0;
  Row inner_dec_start_row_ = 0;
  Row inner_dec_end_row_ = 0;
  Row body_end_row_ = 0;
  Row declaration_top_row_ = 0;
  Row declaration_bottom_row_ = 0;
  Row leading_start_row_ = 0;
  Text ret_type_;
  // The body's rows from the one after the declaration to the End row,
  // spaces trimmed: read once, for the local declarations, then scanned for
  // each parameter's assignments. Held only while GetProcInf runs.
  std::vector<Text> body_rows_;
  Short param_count_ = 0;
  std::array<ParamInf, kMaxParams> params_{};
};

}  // namespace qlx
