// What the operations ask of a screen: message boxes, the input box, a wait,
// and the regional date and time. Operations never draw anything themselves.
#pragma once

#include <optional>
#include <vector>
#include <utility>

#include "host/text.h"

namespace qlx {

enum class Buttons { kOk, kYesNo };

// The add-in's title.
inline constexpr char16_t kAddInTitle[] = u"Plumewrighter";

// The title a box shows: its own, or the add-in's title for a box that has
// none, as the platform's message box does. Every face shows boxes through it.
inline Text DisplayedTitle(const Text& title) { return title.empty() ? Text(kAddInTitle) : title; }

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const LocalDateTime&) const = default;
};
enum class Answer { kOk, kYes, kNo };

// The machine's local date and time.
LocalDateTime MachineNow();

class UiService {
 public:
  virtual ~UiService() = default;
  // A modal message box; a question returns the button pressed.
  virtual Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) = 0;
  // The text input box; nullopt when cancelled.
  virtual std::optional<Text> InputBox(const Text& prompt, const Text& title,
                                       const Text& default_text) = 0;
  virtual void Sleep(int milliseconds) = 0;
  // The user's regional short date and long time of "now".
  virtual Text ShortDate() = 0;
  virtual Text LongTime() = 0;
  // The local date and time of "now", for a fixed date picture of the
  // settings; the machine's clock unless overridden.
  virtual LocalDateTime Now();

  // Where the operation works: the procedure and its declaration row, or an
  // empty name and row 0 for the module as a whole. Operations set it as
  // they come to each procedure, so that a face showing boxes from many
  // modules can say where each one comes from.
  struct Place {
    Text procedure;
    Row row = 0;
  };
  void SetPlace(Place place) { place_ = std::move(place); }
  const Place& CurrentPlace() const { return place_; }

 private:
  Place place_;
};

struct RecordedBox {
  Text title;
  Text text;
  Buttons buttons = Buttons::kOk;
  Answer answer = Answer::kOk;

  bool operator==(const RecordedBox&) const = default;
};

// For tests: keeps every box with the title it shows, answers questions from a script (No when the
// script has run out), and has a fixed clock.
class RecordingUi : public UiService {
 public:
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override;
  std::optional<Text> InputBox(const Text& prompt, const Text& title,
                               const Text& default_text) override;
  void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
  Text ShortDate() override { return short_date; }
  Text LongTime() override { return long_time; }
  LocalDateTime Now() override { return now; }

  // Queue answers for the next questions, in order.
  void Answers(std::initializer_list<Answer> answers);

  std::vector<RecordedBox> boxes;
  std::vector<Answer> queued_answers;
  std::vector<std::optional<Text>> queued_inputs;
  std::vector<Text> input_prompts;
  std::vector<int> sleeps;
  Text short_date = u"2026/12/08";
  Text long_time = u"9:05:03";
  LocalDateTime now{2026, 12, 8, 9, 5, 3};
};

}  // namespace qlx
