// The editor's command bars and its event sources, as the add-in's menu item
// uses them: the "Add-Ins" bar, its controls, and the clicks on a control.
// A failing call throws VbError, as the other host calls do.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/text.h"

namespace qlx {

// msoControlButton, the only control type the add-in adds.
inline constexpr std::int32_t kControlButton = 1;

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual Text Caption() = 0;
  virtual void SetCaption(const Text& caption) = 0;
  // Removes the control from its bar.
  virtual void Delete() = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  virtual std::int32_t Count() = 0;
  // 1-based; error 5 outside 1..Count.
  virtual std::shared_ptr<CommandBarControl> Item(std::int32_t index) = 0;
  // A new control of the type at the end of the bar. A temporary control is
  // removed by the host when it closes, so a host that ends without the
  // add-in's disconnection keeps no dead item.
  virtual std::shared_ptr<CommandBarControl> Add(std::int32_t type = kControlButton, bool temporary = false) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual Text Name() = 0;
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  // The bar of that name; error 5 when there is none.
  virtual std::shared_ptr<CommandBar> Item(const Text& name) = 0;
};

// The event source of one control. Clicks arrive at the connected handler
// for as long as the source object is kept.
class CommandBarEvents {
 public:
  // The control clicked, and the two flags the handler may set.
  using ClickHandler =
      std::function<void(const std::shared_ptr<CommandBarControl>& control, bool& handled, bool& cancel_default)>;

  virtual ~CommandBarEvents() = default;
  // Connects handler in place of any earlier one; an empty handler disconnects.
  virtual void SetClickHandler(ClickHandler handler) = 0;
};

class Events {
 public:
  virtual ~Events() = default;
  // The event source for control; error 424 for no control.
  virtual std::shared_ptr<qlx::CommandBarEvents> CommandBarEvents(
      const std::shared_ptr<CommandBarControl>& control) = 0;
};

}  // namespace qlx
