// frmAddIn: the tool window as a model. It holds the state of its controls,
// its title and position and the captured target, and has one member
// function per window event. Views only draw it and forward events: the
// Win32 window of the add-in, the qlx session, the tests.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "host/host.h"
#include "host/text.h"
#include "operations/operations.h"

namespace qlx {

class Connect;
class ModFormSetting;
class ModINIFile;
class UiService;
class frmAddIn;
class HandlerUi;

enum class ControlKind { kButton, kCheckBox, kOptionButton, kLabel };

// One control as the window shows it. Positions and sizes are twips within
// the client area; the tab order runs from 0.
struct FormControl {
  Text name;
  ControlKind kind = ControlKind::kLabel;
  Text caption;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int tab_index = 0;
  bool value = false;  // check box ticked, option button selected
  bool enabled = true;
  bool visible = true;
};

// The modules the window works with; the add-in owns one of each.
struct AddInModules {
  Operations& operations;
  ModINIFile& ini;
  ModFormSetting& form_setting;
};

// What a view does when the window comes and goes and when its state changes.
class FrmAddInView {
 public:
  virtual ~FrmAddInView() = default;
  // The window is being loaded: make the platform window, still hidden, and
  // give its handle (0 for none). Form_Load runs right after.
  virtual WindowHandle Create(frmAddIn& form) = 0;
  // Draw the model: controls, title, position and whether it is visible.
  virtual void Refresh(frmAddIn& form) = 0;
  // The window has been unloaded: destroy the platform window.
  virtual void Destroy(frmAddIn& form) = 0;
};

// What WRITE runs, from the title and the controls at the time of WRITE;
// nothing without a title.
// The title "ThisModule" stands for the module only with no captured row: a
// procedure that is itself named ThisModule is written like any other.
std::optional<OperationId> ChooseWriteOperation(const Text& title, Row target_row, bool header_mode, bool all_procs_ticked);

class frmAddIn {
 public:
  static constexpr int kClientWidth = 2565;
  static constexpr int kClientHeight = 1350;

  // settings_path: the settings file "QLX.ini" the window loads and saves.
  frmAddIn(AddInModules modules, UiService& ui, Text settings_path);
  frmAddIn(const frmAddIn&) = delete;
  frmAddIn& operator=(const frmAddIn&) = delete;

  // The controls, as designed; names, captions and layout are the window's.
  FormControl cmdWrite{u"cmdWrite", ControlKind::kButton, u"3rd WRITE", 50, 840, 1215, 375, 0};
  FormControl cmdGet{u"cmdGet", ControlKind::kButton, u"2nd GET", 50, 360, 1215, 375, 1};
  FormControl chkAllProcs{u"chkAllProcs", ControlKind::kCheckBox, u"", 1440, 50, 255, 255, 2};
  FormControl lblAllProcs{u"lblAllProcs", ControlKind::kLabel, u"All Procs", 1680, 90, 735, 255, 3};
  FormControl lblUsage{u"lblUsage", ControlKind::kLabel, u"1st Click Proc", 100, 80, 1215, 255, 4};
  FormControl optHeader{u"optHeader", ControlKind::kOptionButton, u"", 1560, 1000, 255, 255, 5};
  FormControl optError{u"optError", ControlKind::kOptionButton, u"", 2160, 1000, 255, 255, 6};
  FormControl lblOpt{u"lblOpt", ControlKind::kLabel, u"Header  Error", 1440, 820, 1095, 255, 7};
  FormControl cmdRepDebug{u"cmdRepDebug", ControlKind::kButton, u"ReplaceDeb", 1440, 360, 1095, 375, 8};

  // The nine controls in tab order.
  std::array<FormControl*, 9> Controls();

  // The window. Top and Left are screen positions in twips, single precision
  // as the platform keeps them; a view writes them back when the user moves
  // the window.
  Text Caption;
  float Top = 0;
  float Left = 0;
  WindowHandle hWnd = 0;
  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }

  // The captured target: the only state kept while the window is closed and
  // shown again; everything else is loaded afresh.
  Row TargetRow = 0;
  Text TargetModule;
  Text TargetProc;

  // Handed over by Connect before the window is shown. The window never uses
  // the connection.
  std::shared_ptr<VBE> VBInstance;
  Connect* Connection = nullptr;

  void SetView(FrmAddInView* view) { view_ = view; }
  // Where the user's events count as running handlers; an unload from inside
  // one of them ends it at its next box (see HandlerUi).
  void SetHandlers(HandlerUi* handlers) { handlers_ = handlers; }
  const Text& SettingsPath() const { return settings_path_; }
  void SetSettingsPath(Text path) { settings_path_ = std::move(path); }

  // The window's life, as the platform runs it. Show loads an unloaded
  // window (Form_Load) and shows it; Hide loads it when needed and hides it;
  // Unload runs Form_QueryUnload on a loaded window and unloads it.
  void Show();
  void Hide();
  void Unload();

  // Values set from code, as the platform sets them: the control's click
  // handler runs at once. A check box runs it only when its value changes;
  // selecting an option button always runs it and clears the other one.
  void SetAllProcs(bool ticked);
  void SelectOption(FormControl& option);

  // What the user does; a view forwards these. A click on a disabled or
  // hidden control, or any event while the window is not shown, is ignored
  // and gives false. The view is asked to redraw afterwards. A handler that
  // ended because the window or the add-in went away inside one of its boxes
  // throws HandlerAborted to the view.
  bool UserClick(FormControl& control);
  bool UserDblClick();
  bool UserClose();

  // The event handlers. Each reports its own failures titled with its name.
  void Form_Load();
  void Form_QueryUnload();
  void Form_DblClick();
  void cmdGet_Click();
  void cmdWrite_Click();
  void chkAllProcs_Click();
  void optHeader_Click();
  void optError_Click();
  void cmdRepDebug_Click();

 private:
  void Load();
  void Refresh();
  // The code module of the active code pane; error 91 when there is none.
  std::shared_ptr<CodeModule> ActiveModule();

  // The controls as designed, put back at every load.
  std::array<FormControl, 9> designed_;
  AddInModules modules_;
  UiService& ui_;
  Text settings_path_;
  FrmAddInView* view_ = nullptr;
  HandlerUi* handlers_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
};

// The title of a module-level target and of a ticked All Procs.
inline constexpr char16_t kThisModuleTitle[] = u"ThisModule";
inline constexpr char16_t kAllProceduresTitle[] = u"All Procedures";

// The number as the runtime writes a single-precision value: whole numbers
// without a decimal point ("1440"), others with up to seven significant
// digits ("1440.5", "1.234568E+07").
Text SingleToText(float value);

}  // namespace qlx
