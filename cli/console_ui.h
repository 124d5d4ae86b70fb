// The message boxes of a qlx run: shown on stderr (plain or as JSON lines),
// questions answered from --answers, then from the terminal, else No.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/files/module_file.h"
#include "host/ui.h"

namespace qlx::cli {

// Where a box comes from, in a run over many files or a document.
struct BoxOrigin {
  std::string file;       // the module file, or the Office document
  std::string module;     // the module's name
  bool document = false;  // the module is one of the document's: shown FILE:MODULE
  std::string procedure;  // empty for the module as a whole
  long line = 0;          // the file's (or module source's) line of the place; 0 for none
};

class ConsoleUi : public UiService {
 public:
  // From the operation's place, where a box comes from.
  using Origin = std::function<BoxOrigin(const Place&)>;

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

  // With an origin, every box names where it comes from: as text
  // "FILE[:MODULE]: PROCEDURE: [TITLE] TEXT" (no PROCEDURE for the module
  // as a whole), as JSON with "file", "module", "procedure" and "line" (null
  // when there is none). Without one (a run over one module file), boxes
  // read "[TITLE] TEXT" as the file is plain from the command.
  void SetOrigin(Origin origin) { origin_ = std::move(origin); }

 private:
  Options options_;
  Origin origin_;
  bool showed_ok_box_ = false;
};

// Where a box of an operation on file comes from: path and module name as
// given, the place's procedure, and the line of the place's row in the file
// as it was read (a document's module: in the module's source).
BoxOrigin OriginIn(const ModuleFile& file, const std::string& path, std::string module, bool document,
                   const UiService::Place& place);

// Parses "y,n,yes,no" (case-insensitive); throws std::invalid_argument.
std::vector<Answer> ParseAnswers(const std::string& list);

// Asks on the controlling terminal when stdin is one; nullopt otherwise.
std::optional<bool> AskOnTerminal(const std::string& prompt);

}  // namespace qlx::cli
