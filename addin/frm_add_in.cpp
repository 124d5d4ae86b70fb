#include "addin/frm_add_in.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "addin/handler_ui.h"
#include "addin/mod_form_setting.h"
#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "settings/ini_file.h"
#include "settings/operation_settings.h"

namespace qlx {

namespace {

constexpr char16_t kQlx[] = u"QLX";
constexpr char16_t kDiscarded[] = u"QLXは取得したプロシージャ情報を破棄します。";
constexpr char16_t kModuleChanged[] = u"ターゲットモジュールが変更されました。";
constexpr char16_t kProcedureMoved[] = u"ターゲットプロシージャが移動または削除されました。";
constexpr char16_t kAuthorPrompt[] = u"ヘッダに作者名を登録します";
constexpr char16_t kDefaultAuthor[] = u"DefaultUser";

}  // namespace

std::optional<OperationId> ChooseWriteOperation(const Text& title, Row target_row, bool header_mode,
                                                bool all_procs_ticked) {
  if (title.empty()) return std::nullopt;
  if (title == kThisModuleTitle && target_row == 0) return OperationId::kModuleHeader;
  if (!header_mode) return OperationId::kErrTrap;
  return all_procs_ticked ? OperationId::kAllHeaders : OperationId::kHeader;
}

Text SingleToText(float value) {
  if (value == 0) return u"0";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  return FromUtf8(buffer);
}

frmAddIn::frmAddIn(AddInModules modules, UiService& ui, Text settings_path)
    : modules_(modules), ui_(ui), settings_path_(std::move(settings_path)) {
  const std::array<FormControl*, 9> controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) designed_[i] = *controls[i];
}

std::array<FormControl*, 9> frmAddIn::Controls() {
  return {&cmdWrite, &cmdGet, &chkAllProcs, &lblAllProcs, &lblUsage, &optHeader, &optError, &lblOpt, &cmdRepDebug};
}

// ---------------------------------------------------------------------------
// Life cycle

void frmAddIn::Load() {
  if (loaded_) return;
  loaded_ = true;
  // A window shown again is a new instance of its design: the controls,
  // title and position start as designed (no option chosen until Form_Load
  // selects one); only the captured target was kept.
  const std::array<FormControl*, 9> controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) *controls[i] = designed_[i];
  Caption.clear();
  Top = 0;
  Left = 0;
  hWnd = view_ != nullptr ? view_->Create(*this) : 0;
  Form_Load();
}

void frmAddIn::Show() {
  Load();
  visible_ = true;
  Refresh();
}

void frmAddIn::Hide() {
  Load();
  visible_ = false;
  Refresh();
}

void frmAddIn::Unload() {
  if (!loaded_) return;
  Form_QueryUnload();
  loaded_ = false;
  visible_ = false;
  // A handler of this window that waits in a box ends at its next box.
  if (handlers_ != nullptr) handlers_->Abandon();
  if (view_ != nullptr) view_->Destroy(*this);
  hWnd = 0;
}

void frmAddIn::Refresh() {
  if (view_ != nullptr && loaded_) view_->Refresh(*this);
}

// ---------------------------------------------------------------------------
// Values set from code and the user's events

void frmAddIn::SetAllProcs(bool ticked) {
  if (chkAllProcs.value == ticked) return;
  chkAllProcs.value = ticked;
  chkAllProcs_Click();
}

void frmAddIn::SelectOption(FormControl& option) {
  FormControl& other = &option == &optHeader ? optError : optHeader;
  option.value = true;
  other.value = false;
  if (&option == &optHeader) {
    optHeader_Click();
  } else {
    optError_Click();
  }
}

bool frmAddIn::UserClick(FormControl& control) {
  const HandlerUi::Running running(handlers_);
  if (!visible_ || !control.enabled || !control.visible) return false;
  bool reached = true;
  if (&control == &cmdGet) {
    cmdGet_Click();
  } else if (&control == &cmdWrite) {
    cmdWrite_Click();
  } else if (&control == &cmdRepDebug) {
    cmdRepDebug_Click();
  } else if (&control == &chkAllProcs) {
    SetAllProcs(!chkAllProcs.value);
  } else if (&control == &optHeader || &control == &optError) {
    SelectOption(control);
  } else {
    reached = false;  // labels have no click handler
  }
  Refresh();
  return reached;
}

bool frmAddIn::UserDblClick() {
  const HandlerUi::Running running(handlers_);
  if (!visible_) return false;
  Form_DblClick();
  Refresh();
  return true;
}

bool frmAddIn::UserClose() {
  const HandlerUi::Running running(handlers_);
  if (!loaded_) return false;
  Unload();
  return true;
}

std::shared_ptr<CodeModule> frmAddIn::ActiveModule() { return ActiveCodeModule(VBInstance.get()); }

// ---------------------------------------------------------------------------
// Handlers

void frmAddIn::Form_Load() {
  Guarded(ui_, ReportForm::kError, u"Form_Load", [&] {
    SelectOption(optHeader);
    modules_.form_setting.SetWindowTop(hWnd);

    ModINIFile& ini = modules_.ini;
    modules_.operations.Apply(LoadOperationSettings(ini, SettingsPath()));

    Top = static_cast<float>(ini.INIGetSettingInteger(u"WindowPos", u"Top", SettingsPath(), 0));
    Left = static_cast<float>(ini.INIGetSettingInteger(u"WindowPos", u"Left", SettingsPath(), 0));
  });
}

void frmAddIn::Form_QueryUnload() {
  Guarded(ui_, ReportForm::kError, u"Form_QueryUnload", [&] {
    ModInsertHeader& header = modules_.operations.Header();
    if (header.AuthorName.empty()) header.AuthorName = kDefaultAuthor;
    ModINIFile& ini = modules_.ini;
    // Nobody looks at whether the file could be written.
    ini.INIWriteSetting(u"Author", u"Name", header.AuthorName, SettingsPath());
    ini.INIWriteSetting(u"WindowPos", u"Top", SingleToText(Top), SettingsPath());
    ini.INIWriteSetting(u"WindowPos", u"Left", SingleToText(Left), SettingsPath());
  });
}

void frmAddIn::Form_DblClick() {
  Guarded(ui_, ReportForm::kError, u"Form_DblClick", [&] {
    ModInsertHeader& header = modules_.operations.Header();
    // Cancelling gives no text, which keeps the name as an empty answer does.
    const std::optional<Text> typed = ui_.InputBox(kAuthorPrompt, kQlx, header.AuthorName);
    if (typed && !typed->empty()) header.AuthorName = *typed;
  });
}

void frmAddIn::cmdGet_Click() {
  const bool got = Guarded(ui_, ReportForm::kError, u"cmdGet_Click", [&] {
    TargetRow = modules_.operations.ErrTrap().GetCursorRow();
    if (TargetRow == -1) {
      // No pane to ask: an earlier capture stays as it was.
      TargetRow = 0;
      return;
    }
    TargetModule = ActiveModule()->Name();
    TargetProc = modules_.operations.ErrTrap().SendProcName(TargetRow);
    if (TargetRow != 0) {
      Caption = TargetProc;
    } else {
      Caption = optHeader.value ? kThisModuleTitle : u"";
    }
  });
  if (!got) {
    TargetModule.clear();
    TargetProc.clear();
    Caption.clear();
  }
}

void frmAddIn::cmdWrite_Click() {
  if (TargetModule.empty()) return;
  std::shared_ptr<CodeModule> module;
  Guarded(ui_, ReportForm::kError, u"cmdWrite_Click", [&] {
    module = ActiveModule();
    if (module->Name() != TargetModule) {
      ui_.MsgBox(Text(kModuleChanged) + kCrLf + kDiscarded, Buttons::kOk, kQlx);
    } else if (!chkAllProcs.value && modules_.operations.ErrTrap().SendProcName(TargetRow) != TargetProc) {
      ui_.MsgBox(Text(kProcedureMoved) + kCrLf + kDiscarded, Buttons::kOk, kQlx);
    } else {
      const std::optional<OperationId> operation =
          ChooseWriteOperation(Caption, TargetRow, optHeader.value, chkAllProcs.value);
      if (operation) modules_.operations.Run(*operation, TargetRow);
    }
  });
  // The target is forgotten whatever happened; TargetRow stays, harmlessly,
  // as WRITE does nothing until TargetModule is set again.
  module.reset();
  TargetModule.clear();
  TargetProc.clear();
  Caption.clear();
  SetAllProcs(false);
  cmdGet.enabled = true;
}

void frmAddIn::chkAllProcs_Click() {
  if (chkAllProcs.value) {
    try {
      TargetModule = ActiveModule()->Name();
      Caption = kAllProceduresTitle;
      cmdGet.enabled = false;
      return;
    } catch (...) {
      // Silent: the box stays ticked and the window goes back to idle.
    }
  }
  TargetModule.clear();
  Caption.clear();
  cmdGet.enabled = true;
}

void frmAddIn::optHeader_Click() {
  Guarded(ui_, ReportForm::kError, u"optHeader_Click", [&] {
    chkAllProcs.enabled = true;
    chkAllProcs.visible = true;
    lblAllProcs.visible = true;
    Caption.clear();
    TargetRow = 0;
  });
}

void frmAddIn::optError_Click() {
  Guarded(ui_, ReportForm::kError, u"optError_Click", [&] {
    SetAllProcs(false);
    chkAllProcs.enabled = false;
    chkAllProcs.visible = false;
    lblAllProcs.visible = false;
    Caption.clear();
    TargetRow = 0;
  });
}

void frmAddIn::cmdRepDebug_Click() { modules_.operations.Run(OperationId::kDeb); }

}  // namespace qlx
