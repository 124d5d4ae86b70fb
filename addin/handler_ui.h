// The boxes of the add-in's event handlers, and what happens when the
// add-in or its window goes away while a handler waits in one of them.
//
// A box runs the platform's message loop, so the editor can disconnect the
// add-in, or the window can be closed, while a handler is still on the
// stack. From then until the outermost handler has returned, every box ends
// the handler instead of showing (HandlerAborted): its remaining steps are
// skipped. The objects the handler runs on stay alive until it has returned
// (Connect keeps an unloaded window until then, and the platform keeps the
// add-in object through the hold and release hooks).
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "host/ui.h"

namespace qlx {

// Ends a handler whose window or add-in went away while it ran. Not a
// VbError: no failure report shows it (the next box would throw it again).
struct HandlerAborted {};

class HandlerUi : public UiService {
 public:
  explicit HandlerUi(UiService& inner) : inner_(inner) {}
  HandlerUi(const HandlerUi&) = delete;
  HandlerUi& operator=(const HandlerUi&) = delete;

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    ThrowIfAbandoned();
    // The operation told this service where it works; the box shown is the inner one's.
    inner_.SetPlace(CurrentPlace());
    const Answer answer = inner_.MsgBox(prompt, buttons, title);
    ThrowIfAbandoned();
    return answer;
  }
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override {
    ThrowIfAbandoned();
    std::optional<Text> typed = inner_.InputBox(prompt, title, default_text);
    ThrowIfAbandoned();
    return typed;
  }
  void Sleep(int milliseconds) override {
    ThrowIfAbandoned();
    inner_.Sleep(milliseconds);
  }
  Text ShortDate() override { return inner_.ShortDate(); }
  Text LongTime() override { return inner_.LongTime(); }

  // Marks a handler as running for its lifetime; handlers nest when one
  // runs inside another's box.
  class Running {
   public:
    explicit Running(HandlerUi* ui) : ui_(ui) {
      if (ui_ && ui_->depth_++ == 0 && ui_->hold_) ui_->hold_();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running() {
      if (!ui_ || --ui_->depth_ != 0) return;
      ui_->abandoned_ = false;
      // The release may destroy the add-in, this HandlerUi with it: nothing
      // of it is touched afterwards.
      if (std::function<void()> release = ui_->release_) release();
    }

   private:
    HandlerUi* ui_;
  };

  bool Busy() const { return depth_ > 0; }
  bool Abandoned() const { return abandoned_; }
  // The window or the add-in went away: the running handlers, if any, end
  // at their next box.
  void Abandon() {
    if (depth_ > 0) abandoned_ = true;
  }
  // Called when the first handler starts and when the last one has returned
  // (the platform keeps its add-in object alive in between).
  void SetHooks(std::function<void()> hold, std::function<void()> release) {
    hold_ = std::move(hold);
    release_ = std::move(release);
  }

 private:
  void ThrowIfAbandoned() const {
    if (abandoned_) throw HandlerAborted{};
  }

  UiService& inner_;
  int depth_ = 0;
  bool abandoned_ = false;
  std::function<void()> hold_;
  std::function<void()> release_;
};

}  // namespace qlx
