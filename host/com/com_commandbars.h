// The editor's command bars and event sources over IDispatch (Office's
// CommandBars, CommandBar, CommandBarControls, CommandBarControl and VBIDE's
// Events), and the sink that receives a control's clicks through the
// source's connection point. Windows only.
#pragma once

#include <memory>

#include <ocidl.h>

#include "host/com/com_object.h"
#include "host/com/dispatch.h"
#include "host/commandbars.h"

namespace qlx::com {

// _dispCommandBarControlEvents, the click events of a command bar control.
inline constexpr IID kDiidCommandBarControlEvents = {
    0x0002E131, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kDispidClick = 1;

class ComCommandBarControl : public qlx::CommandBarControl {
 public:
  explicit ComCommandBarControl(ComPtr<IDispatch> control) : d_(std::move(control)) {}
  Text Caption() override;
  void SetCaption(const Text& caption) override;
  void Delete() override;
  IDispatch* Object() const { return d_.get(); }

 private:
  Dispatcher d_;
};

class ComCommandBarControls : public qlx::CommandBarControls {
 public:
  explicit ComCommandBarControls(ComPtr<IDispatch> controls) : d_(std::move(controls)) {}
  std::int32_t Count() override;
  std::shared_ptr<qlx::CommandBarControl> Item(std::int32_t index) override;
  // Controls.Add(Type, , , , Temporary).
  std::shared_ptr<qlx::CommandBarControl> Add(std::int32_t type = kControlButton, bool temporary = false) override;

 private:
  Dispatcher d_;
};

class ComCommandBar : public qlx::CommandBar {
 public:
  explicit ComCommandBar(ComPtr<IDispatch> bar) : d_(std::move(bar)) {}
  Text Name() override;
  std::shared_ptr<qlx::CommandBarControls> Controls() override;

 private:
  Dispatcher d_;
};

class ComCommandBars : public qlx::CommandBars {
 public:
  explicit ComCommandBars(ComPtr<IDispatch> bars) : d_(std::move(bars)) {}
  // The default member with the name, as bars("Add-Ins").
  std::shared_ptr<qlx::CommandBar> Item(const Text& name) override;

 private:
  Dispatcher d_;
};

class ClickSink;

// One control's event source. While a handler is connected, a sink is
// advised on the source's connection point for the click events; it is
// unadvised when the handler is cleared and when this object goes.
class ComCommandBarEvents : public qlx::CommandBarEvents {
 public:
  explicit ComCommandBarEvents(ComPtr<IDispatch> source) : source_(std::move(source)) {}
  ~ComCommandBarEvents() override;
  ComCommandBarEvents(const ComCommandBarEvents&) = delete;
  ComCommandBarEvents& operator=(const ComCommandBarEvents&) = delete;

  // Throws VbError when the source has no connection point for the clicks.
  void SetClickHandler(ClickHandler handler) override;

 private:
  void Unadvise() noexcept;

  ComPtr<IDispatch> source_;
  ComPtr<IConnectionPoint> point_;
  ComPtr<ClickSink> sink_;
  DWORD cookie_ = 0;
};

class ComEvents : public qlx::Events {
 public:
  explicit ComEvents(ComPtr<IDispatch> events) : d_(std::move(events)) {}
  // events.CommandBarEvents(control), a property get with the control; error
  // 424 for no control or one that is not the editor's.
  std::shared_ptr<qlx::CommandBarEvents> CommandBarEvents(
      const std::shared_ptr<qlx::CommandBarControl>& control) override;

 private:
  Dispatcher d_;
};

// The click sink: IDispatch answering for _dispCommandBarControlEvents. Click
// (DISPID 1) calls the handler with the control and the two flags, which
// travel back by reference. The handler is an exception barrier's inside.
// A live object of its module: while the editor holds it, the DLL stays.
class ClickSink final : public ComObject<IDispatch> {
 public:
  explicit ClickSink(CommandBarEvents::ClickHandler handler) : handler_(std::move(handler)) {}

  // No more calls reach the handler after this.
  void Detach() { handler_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) override;

 private:
  ~ClickSink() override = default;
  void* Find(REFIID iid) override;
  CommandBarEvents::ClickHandler handler_;
};

}  // namespace qlx::com
