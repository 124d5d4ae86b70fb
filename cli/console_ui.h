// The message boxes of a qlx run: shown on stderr (plain or as JSON lines),
// questions answered from --answers, then from the terminal, else No.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/ui.h"

namespace qlx::cli {

class ConsoleUi : public UiService {
 public:
  struct Options {
    bool json = false;
    std::vector<Answer> answers;  // for the Yes/No questions, in order
    // The answer to every question once answers have run out (--yes, --no).
    std::optional<Answer> every_answer;
    // Called before a box is printed (clears a progress line).
    std::function<void()> before_print;
    std::FILE* out = stderr;
    // Asks the user on a terminal; nullopt when there is none.
    std::function<std::optional<bool>(const std::string& prompt)> ask;
    // The regional date and time written into headers.
    RegionalClock clock{""};
  };

  explicit ConsoleUi(Options options);

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override;
  std::optional<Text> InputBox(const Text& prompt, const Text& title,
                               const Text& default_text) override;
  void Sleep(int milliseconds) override;
  Text ShortDate() override;
  Text LongTime() override;
  LocalDateTime Now() override;

  // An OK-only box (a failure report or a refusal) was shown.
  bool ShowedOkBox() const { return showed_ok_box_; }

 private:
  Options options_;
  bool showed_ok_box_ = false;
};

// Parses "y,n,yes,no" (case-insensitive); throws std::invalid_argument.
std::vector<Answer> ParseAnswers(const std::string& list);

// Asks on the controlling terminal when stdin is one; nullopt otherwise.
std::optional<bool> AskOnTerminal(const std::string& prompt);

}  // namespace qlx::cli
