#include "addin/connect.h"

#include <utility>

#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "settings/user_settings.h"

namespace qlx {

namespace {

// One step of a sequence whose failing steps are skipped silently.
template <typename Step>
void Skipping(Step step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

Connect::Connect(AddInServices services)
    : services_(std::move(services)),
      handler_ui_(services_.ui),
      operations_(handler_ui_, services_.desktop),
      ini_(handler_ui_, services_.settings_path, std::move(services_.profile)),
      form_setting_(handler_ui_, services_.windows) {}

Connect::~Connect() {
  // The event source may outlive this object; it must not call back into it.
  SetMenuHandler(nullptr);
}

void Connect::SetMenuHandler(std::shared_ptr<CommandBarEvents> source) {
  if (MenuHandler) Skipping([&] { MenuHandler->SetClickHandler(nullptr); });
  MenuHandler = std::move(source);
  if (MenuHandler) {
    MenuHandler->SetClickHandler(
        [this](const std::shared_ptr<CommandBarControl>& control, bool& handled, bool& cancel_default) {
          MenuHandler_Click(control, handled, cancel_default);
        });
  }
}

void Connect::OnConnection(std::shared_ptr<VBE> application, int connect_mode) {
  if (!handler_ui_.Busy()) retired_form_.reset();
  Guarded(services_.ui, ReportForm::kDescription, kAddInTitle, [&] {
    VBInstance = std::move(application);
    // Every operation the window and the menu run reads through its own
    // line cache, dropped when the operation ends.
    if (VBInstance) VBInstance->UseLineCache(true);
    if (connect_mode != ext_cm_External) {
      menu_item_ = AddToAddInCommandBar(kMenuCaption);
      if (!VBInstance) throw VbError(vberr::kObjectNotSet);
      std::shared_ptr<qlx::Events> events = VBInstance->Events();
      if (!events) throw VbError(vberr::kObjectNotSet);
      SetMenuHandler(events->CommandBarEvents(menu_item_));
    }
  });
}

void Connect::OnDisconnection(int /*remove_mode*/) {
  Skipping([&] {
    if (!menu_item_) throw VbError(vberr::kObjectNotSet);
    menu_item_->Delete();
  });
  if (FormDisplayed) {
    Skipping([&] { SaveDisplayOnConnect(services_.user_settings, true); });
    FormDisplayed = false;
  } else {
    Skipping([&] { SaveDisplayOnConnect(services_.user_settings, false); });
  }
  // A window the user has closed, or never made, is left alone.
  Skipping([&] {
    if (form_) form_->Unload();
  });
  // A handler waiting in a box ends at its next box; until it has returned,
  // the window object it runs on stays.
  handler_ui_.Abandon();
  if (handler_ui_.Busy()) {
    if (form_) {
      form_->VBInstance.reset();
      form_->Connection = nullptr;
      retired_form_ = std::move(form_);
    }
  } else {
    form_.reset();
  }
  Skipping([&] { operations_.SetVBInstance(nullptr); });
  VBInstance.reset();
  SetMenuHandler(nullptr);
  menu_item_.reset();
}

void Connect::Hide() {
  FormDisplayed = false;
  Skipping([&] {
    if (!form_) throw VbError(vberr::kObjectNotSet);
    form_->Hide();
  });
}

void Connect::Show() {
  if (!handler_ui_.Busy()) retired_form_.reset();
  Skipping([&] {
    if (!form_) {
      form_ = std::make_unique<frmAddIn>(
          AddInModules{operations_, ini_, form_setting_}, handler_ui_,
          services_.settings_path);
      form_->SetView(form_view_);
      form_->SetHandlers(&handler_ui_);
    }
  });
  Skipping([&] {
    if (!form_) throw VbError(vberr::kObjectNotSet);
    form_->Connection = this;
  });
  Skipping([&] {
    if (!form_) throw VbError(vberr::kObjectNotSet);
    form_->VBInstance = VBInstance;
  });
  Skipping([&] { operations_.SetVBInstance(VBInstance); });
  FormDisplayed = true;
  Skipping([&] {
    if (!form_) throw VbError(vberr::kObjectNotSet);
    form_->Show();
  });
}

std::shared_ptr<CommandBarControl> Connect::AddToAddInCommandBar(const Text& sCaption) {
  try {
    if (!VBInstance) throw VbError(vberr::kObjectNotSet);
    std::shared_ptr<qlx::CommandBars> bars = VBInstance->CommandBars();
    if (!bars) return nullptr;
    std::shared_ptr<CommandBar> menu = bars->Item(u"Add-Ins");
    if (!menu) return nullptr;
    std::shared_ptr<CommandBarControls> controls = menu->Controls();
    if (!controls) return nullptr;
    // Temporary: a host that ends without disconnecting leaves no dead item.
    std::shared_ptr<CommandBarControl> item = controls->Add(kControlButton, true);
    if (!item) return nullptr;
    item->SetCaption(sCaption);
    return item;
  } catch (...) {
    return nullptr;
  }
}

void Connect::MenuHandler_Click(const std::shared_ptr<CommandBarControl>& /*control*/, bool& /*handled*/,
                                bool& /*cancel_default*/) {
  const HandlerUi::Running running(&handler_ui_);
  try {
    Show();
  } catch (const HandlerAborted&) {
    // The add-in went away inside a box of the window's loading.
  }
}

void Connect::SetFormView(FrmAddInView* view) {
  form_view_ = view;
  if (form_) form_->SetView(view);
}

}  // namespace qlx
