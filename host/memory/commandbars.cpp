// Command bars, controls and click events of the in-memory editor.
#include <algorithm>
#include <utility>

#include "host/memory/editor.h"

namespace qlx {

namespace {

constexpr std::int32_t kControlPopup = 10;

}  // namespace

// ---------------------------------------------------------------------------
// Controls

MemoryCommandBarControl::MemoryCommandBarControl(std::weak_ptr<MemoryCommandBar> bar, std::int32_t type,
                                                 std::shared_ptr<CallLog> log)
    : bar_(std::move(bar)), type_(type), log_(std::move(log)) {}

Text MemoryCommandBarControl::Caption() {
  log_->Count(HostCall::kControlCaption);
  if (deleted_) throw VbError(vberr::kInvalidCall);
  return caption_;
}

void MemoryCommandBarControl::SetCaption(const Text& caption) {
  log_->Count(HostCall::kControlCaption);
  if (deleted_) throw VbError(vberr::kInvalidCall);
  caption_ = caption;
}

void MemoryCommandBarControl::Delete() {
  log_->Count(HostCall::kControlDelete);
  if (deleted_) throw VbError(vberr::kInvalidCall);
  if (std::shared_ptr<MemoryCommandBar> bar = bar_.lock()) {
    std::erase_if(bar->controls_, [this](const auto& control) { return control.get() == this; });
  }
  deleted_ = true;
}

int MemoryCommandBarControl::Click() {
  if (deleted_) return 0;
  // A handler may release its own source (or others) while it runs.
  std::vector<std::shared_ptr<MemoryCommandBarEvents>> live;
  for (const auto& weak : sources_) {
    if (auto source = weak.lock()) live.push_back(std::move(source));
  }
  std::erase_if(sources_, [](const auto& weak) { return weak.expired(); });
  bool handled = false;
  bool cancel_default = false;
  int reached = 0;
  const std::shared_ptr<CommandBarControl> self = shared_from_this();
  for (const auto& source : live) {
    if (!source->handler_) continue;
    const CommandBarEvents::ClickHandler handler = source->handler_;
    handler(self, handled, cancel_default);
    ++reached;
  }
  return reached;
}

// ---------------------------------------------------------------------------
// Bars

MemoryCommandBar::MemoryCommandBar(Text name, std::shared_ptr<CallLog> log)
    : name_(std::move(name)), log_(std::move(log)) {}

std::shared_ptr<CommandBarControls> MemoryCommandBar::Controls() {
  return std::static_pointer_cast<CommandBarControls>(shared_from_this());
}

std::int32_t MemoryCommandBar::Count() { return static_cast<std::int32_t>(controls_.size()); }

std::shared_ptr<CommandBarControl> MemoryCommandBar::Item(std::int32_t index) {
  if (index < 1 || index > Count()) throw VbError(vberr::kInvalidCall);
  return controls_[static_cast<std::size_t>(index - 1)];
}

std::shared_ptr<CommandBarControl> MemoryCommandBar::Add(std::int32_t type, bool temporary) {
  log_->Count(HostCall::kControlsAdd);
  if (type != kControlButton && type != kControlPopup) throw VbError(vberr::kInvalidCall);
  auto control = std::make_shared<MemoryCommandBarControl>(weak_from_this(), type, log_);
  control->temporary_ = temporary;
  controls_.push_back(control);
  return control;
}

std::vector<Text> MemoryCommandBar::Captions() const {
  std::vector<Text> captions;
  for (const auto& control : controls_) captions.push_back(control->UncountedCaption());
  return captions;
}

std::shared_ptr<MemoryCommandBarControl> MemoryCommandBar::Find(const Text& caption) const {
  for (const auto& control : controls_) {
    if (control->UncountedCaption() == caption) return control;
  }
  return nullptr;
}

MemoryCommandBars::MemoryCommandBars(std::shared_ptr<CallLog> log) : log_(std::move(log)) {
  for (const char16_t* name : {u"Menu Bar", u"Standard", u"Add-Ins"}) AddBar(name);
}

std::shared_ptr<CommandBar> MemoryCommandBars::Item(const Text& name) {
  log_->Count(HostCall::kCommandBarItem);
  std::shared_ptr<MemoryCommandBar> bar = Bar(name);
  if (!bar) throw VbError(vberr::kInvalidCall);
  return bar;
}

std::shared_ptr<MemoryCommandBar> MemoryCommandBars::Bar(const Text& name) const {
  for (const auto& bar : bars_) {
    if (AsciiEqualNoCase(bar->Name(), name)) return bar;
  }
  return nullptr;
}

std::shared_ptr<MemoryCommandBar> MemoryCommandBars::AddBar(Text name) {
  bars_.push_back(std::make_shared<MemoryCommandBar>(std::move(name), log_));
  return bars_.back();
}

void MemoryCommandBars::RemoveBar(const Text& name) {
  std::erase_if(bars_, [&](const auto& bar) { return AsciiEqualNoCase(bar->Name(), name); });
}

// ---------------------------------------------------------------------------
// Events

std::shared_ptr<qlx::CommandBarEvents> MemoryEvents::CommandBarEvents(
    const std::shared_ptr<CommandBarControl>& control) {
  log_->Count(HostCall::kCommandBarEvents);
  if (!control) throw VbError(vberr::kObjectRequired);
  auto target = std::dynamic_pointer_cast<MemoryCommandBarControl>(control);
  if (!target) throw VbError(vberr::kTypeMismatch);
  auto source = std::make_shared<MemoryCommandBarEvents>();
  target->sources_.push_back(source);
  return source;
}

// ---------------------------------------------------------------------------
// The editor's side

std::shared_ptr<qlx::CommandBars> MemoryVBE::CommandBars() {
  log_->Count(HostCall::kCommandBars);
  Bars();
  return bars_;
}

std::shared_ptr<qlx::Events> MemoryVBE::Events() {
  log_->Count(HostCall::kEvents);
  if (!events_) events_ = std::make_shared<MemoryEvents>(log_);
  return events_;
}

MemoryCommandBars& MemoryVBE::Bars() {
  if (!bars_) bars_ = std::make_shared<MemoryCommandBars>(log_);
  return *bars_;
}

}  // namespace qlx
