#include "cli/console_ui.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/names.h"
#include "cli/platform.h"
#include "host/text.h"

namespace qlx::cli {

namespace {

// CR LF inside a box text reads as one new line on a terminal.
std::string PlainText(const Text& text) {
  std::string s = ToUtf8(text);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

}  // namespace

ConsoleUi::ConsoleUi(Options options) : options_(std::move(options)) {}

Answer ConsoleUi::MsgBox(const Text& prompt, Buttons buttons, const Text& own_title) {
  const Text title = DisplayedTitle(own_title);
  Answer answer = Answer::kOk;
  std::string note;
  if (buttons == Buttons::kYesNo) {
    if (!options_.answers.empty()) {
      answer = options_.answers.front();
      options_.answers.erase(options_.answers.begin());
    } else if (options_.every_answer) {
      answer = *options_.every_answer;
    } else {
      std::optional<bool> asked;
      if (options_.ask) {
        asked = options_.ask("[" + ToUtf8(title) + "] " + PlainText(prompt) + " [y/n] ");
      }
      if (asked) {
        answer = *asked ? Answer::kYes : Answer::kNo;
      } else {
        answer = Answer::kNo;
        note = "no answer given; answered No";
      }
    }
  } else {
    showed_ok_box_ = true;
  }

  if (options_.before_print) options_.before_print();
  std::optional<BoxOrigin> origin;
  if (origin_) origin = origin_(CurrentPlace());
  if (origin && origin->file.empty()) origin.reset();  // no module to name
  if (options_.json) {
    nlohmann::json line = {
        {"title", ToUtf8(title)},
        {"text", ToUtf8(prompt)},
        {"buttons", buttons == Buttons::kOk ? "ok" : "yesno"},
        {"answer", nullptr},
    };
    if (buttons == Buttons::kYesNo) line["answer"] = answer == Answer::kYes ? "yes" : "no";
    if (!note.empty()) line["note"] = note;
    if (origin) {
      // Names that are not UTF-8 come with their bytes, as everywhere else.
      nlohmann::ordered_json names;
      PutName(names, "file", origin->file);
      PutName(names, "module", origin->module);
      for (const auto& [key, value] : names.items()) line[key] = value.get<std::string>();
      line["procedure"] = origin->procedure.empty() ? nlohmann::json() : nlohmann::json(origin->procedure);
      line["line"] = origin->line > 0 ? nlohmann::json(origin->line) : nlohmann::json();
    }
    std::fprintf(options_.out, "%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    std::string shown;
    if (origin) {
      shown = Shown(origin->document ? origin->file + ":" + origin->module : origin->file) + ": ";
      if (!origin->procedure.empty()) shown += Shown(origin->procedure) + ": ";
    }
    shown += "[";
    shown += ToUtf8(title);
    shown += "] ";
    shown += PlainText(prompt);
    if (buttons == Buttons::kYesNo) {
      shown += answer == Answer::kYes ? " -> Yes" : " -> No";
      if (!note.empty()) shown += " (" + note + ")";
    }
    std::fprintf(options_.out, "%s\n", shown.c_str());
  }
  std::fflush(options_.out);
  return answer;
}

std::optional<Text> ConsoleUi::InputBox(const Text& prompt, const Text& title,
                                        const Text& /*default_text*/) {
  // No command of qlx asks for text; a box that does is shown and cancelled.
  MsgBox(prompt, Buttons::kOk, title);
  return std::nullopt;
}

void ConsoleUi::Sleep(int milliseconds) {
  // The pause lets a person see the result before the question; scripted
  // answers have nobody to look, so only a terminal session waits.
  if (milliseconds > 0 && options_.answers.empty() && !options_.every_answer && StdinIsTerminal()) {
    // Say so: a long setting would otherwise look like a hang.
    if (!options_.json) {
      std::fprintf(options_.out, "qlx: waiting %d.%03d s before the question (setting Mode/SleepTime)\n",
                   milliseconds / 1000, milliseconds % 1000);
      std::fflush(options_.out);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

Text ConsoleUi::ShortDate() { return options_.clock.ShortDate(); }

Text ConsoleUi::LongTime() { return options_.clock.LongTime(); }

LocalDateTime ConsoleUi::Now() { return options_.clock.Now(); }

BoxOrigin OriginIn(const ModuleFile& file, const std::string& path, std::string module, bool document,
                   const UiService::Place& place) {
  BoxOrigin origin;
  origin.file = path;
  origin.module = std::move(module);
  origin.document = document;
  origin.procedure = ToUtf8(place.procedure);
  origin.line = place.row > 0 ? file.FileLineOfRow(place.row) : 0;
  return origin;
}

std::vector<Answer> ParseAnswers(const std::string& list) {
  std::vector<Answer> answers;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    const std::string word =
        AsciiLower(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (word == "y" || word == "yes") {
      answers.push_back(Answer::kYes);
    } else if (word == "n" || word == "no") {
      answers.push_back(Answer::kNo);
    } else if (!word.empty() || comma != std::string::npos) {
      throw std::invalid_argument("--answers takes y or n separated by commas, got \"" + word + "\"");
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return answers;
}

std::optional<bool> AskOnTerminal(const std::string& prompt) {
  if (!StdinIsTerminal()) return std::nullopt;
  for (;;) {
    std::fprintf(stderr, "%s", prompt.c_str());
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (line == "y" || line == "Y" || line == "yes") return true;
    if (line == "n" || line == "N" || line == "no") return false;
  }
}

}  // namespace qlx::cli
