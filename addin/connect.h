// Connect: the add-in's point of contact with the editor. It keeps the
// editor, puts one item on the editor's "Add-Ins" menu, shows the tool
// window from it, hands the editor to the window and the modules that work
// on code, and cleans up at disconnection.
#pragma once

#include <memory>

#include "addin/frm_add_in.h"
#include "addin/handler_ui.h"
#include "addin/mod_form_setting.h"
#include "host/commandbars.h"
#include "host/host.h"
#include "host/text.h"
#include "operations/operations.h"
#include "settings/ini_file.h"

namespace qlx {

class UiService;
class UserSettingsStore;

// The caption of the menu item.
inline constexpr char16_t kMenuCaption[] = u"QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入";

// ext_ConnectMode of the host library.
enum ConnectMode : int {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3,
};

// What the add-in is given by the platform it runs on.
struct AddInServices {
  UiService& ui;
  Desktop& desktop;
  WindowService& windows;
  // Where "DisplayOnConnect" is stored.
  UserSettingsStore& user_settings;
  // The settings file "QLX.ini" in the add-in's own directory.
  Text settings_path;
  // The profile functions behind the settings file.
  std::unique_ptr<ProfileStore> profile = PlatformProfileStore();
};

class Connect {
 public:
  explicit Connect(AddInServices services);
  ~Connect();
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // IDTExtensibility2. The add-in instance and the custom arrays are not used.
  // OnConnection keeps the editor and, unless the mode is external, adds the
  // menu item and listens for its clicks; it never shows the window. A
  // failure shows its description alone, titled "Plumewrighter".
  void OnConnection(std::shared_ptr<VBE> application, int connect_mode);
  // Removes the menu item, stores "DisplayOnConnect", unloads the window and
  // clears every editor reference; a failing step is skipped silently. Called
  // while a handler waits in a box, it also ends that handler at its next box
  // and keeps the window object until the handler has returned.
  void OnDisconnection(int remove_mode = 0);
  void OnStartupComplete() {}
  void OnAddInsUpdate() {}
  void OnBeginShutdown() {}

  // FormDisplayed := false, then hides the window; failures are skipped.
  void Hide();
  // Makes the window on first use, hands it this object and the editor, hands
  // the editor to the four modules, and shows the window without blocking.
  // Failing steps are skipped.
  void Show();
  // A new button with the caption at the end of the editor's "Add-Ins" bar;
  // nullptr, silently, when there is no such bar or anything fails.
  std::shared_ptr<CommandBarControl> AddToAddInCommandBar(const Text& sCaption);
  // The menu item's click: shows the window. The two flags are left alone.
  void MenuHandler_Click(const std::shared_ptr<CommandBarControl>& control, bool& handled, bool& cancel_default);

  // True from the first showing of the window until disconnection or Hide.
  bool FormDisplayed = false;
  std::shared_ptr<VBE> VBInstance;
  // The menu item's event source; clicks arrive while it is kept.
  std::shared_ptr<CommandBarEvents> MenuHandler;

  // The tool window; nullptr until the first Show and after disconnection.
  frmAddIn* Form() { return form_.get(); }
  std::shared_ptr<CommandBarControl> MenuItem() const { return menu_item_; }
  // A view for the tool window, given to it whenever it is made.
  void SetFormView(FrmAddInView* view);

  // The boxes of every handler; the platform sets its hooks.
  HandlerUi& Handlers() { return handler_ui_; }

  // The modules, one instance each, as the window and the commands use them.
  Operations& Ops() { return operations_; }
  ModInsertHeader& Header() { return operations_.Header(); }
  ModGetProcsData& ProcsData() { return operations_.Procs(); }
  ModInsertErrTrap& ErrTrap() { return operations_.ErrTrap(); }
  ModAddDebugVBE& Debug() { return operations_.Deb(); }
  ModINIFile& Ini() { return ini_; }

 private:
  void SetMenuHandler(std::shared_ptr<CommandBarEvents> source);

  AddInServices services_;
  // Declared before the modules, which show their boxes through it.
  HandlerUi handler_ui_;
  Operations operations_;
  ModINIFile ini_;
  ModFormSetting form_setting_;
  std::shared_ptr<CommandBarControl> menu_item_;
  std::unique_ptr<frmAddIn> form_;
  // A window released while its handler was still running, kept until the
  // handler has returned.
  std::unique_ptr<frmAddIn> retired_form_;
  FrmAddInView* form_view_ = nullptr;
};

}  // namespace qlx
