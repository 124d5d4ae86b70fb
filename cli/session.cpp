#include "cli/session.h"

#include "cli/settings_path.h"
#include "cli/workspace.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "addin/connect.h"
#include "cli/console_ui.h"
#include "cli/errors.h"
#include "cli/names.h"
#include "cli/numbers.h"
#include "cli/options.h"
#include "host/clock.h"
#include "host/files/module_file.h"
#include "host/memory/editor.h"
#include "host/vberror.h"
#include "settings/user_settings.h"

namespace qlx::cli {

const char* const kSessionEventsHelp =
    "Events, one per line on stdin (blank lines and lines starting with # are skipped):\n"
    "  menu              click the add-in's menu item (shows the tool window)\n"
    "  open NAME         make module NAME's code pane the active one\n"
    "  click ROW         put the active pane's cursor at ROW\n"
    "  get | write | repdeb | allprocs | header | error\n"
    "                    press 2nd GET / 3rd WRITE / ReplaceDeb, click All Procs, the Header\n"
    "                    or the Error option\n"
    "  dblclick [TEXT]   double-click the window; TEXT is typed into the input box (none:\n"
    "                    the box is cancelled)\n"
    "  close             close the tool window as the user does\n"
    "  answer y|n [...]  answers for the next Yes/No questions, in order\n"
    "  state             print the window and editor state as one JSON line on stdout\n"
    "  disconnect        unload the add-in (connect: load it again, connect mode 0)\n"
    "At end of input the add-in is disconnected if still connected and every changed file\n"
    "is written back. Questions without a queued answer are answered No. The author's input\n"
    "box is shown on stderr like a message box ([QLX] PROMPT -> \"TEXT\", or with\n"
    "--json-messages \"buttons\": \"input\", \"default\" and the typed \"answer\", null when\n"
    "cancelled). An event that cannot be carried out is reported on stderr and skipped.";

namespace {

using json = nlohmann::ordered_json;

// An event that cannot be carried out: reported with its line and skipped,
// and the session goes on (unlike a UsageError, which ends it before any
// event runs).
class Refused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Message boxes as the other commands show them; questions answered from the
// session's "answer" events, and the input box from "dblclick TEXT".
class SessionUi : public UiService {
 public:
  SessionUi(bool json, std::FILE* err, RegionalClock clock)
      : json_(json), err_(err), console_(MakeOptions(json, err, std::move(clock))) {}

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    console_.SetPlace(CurrentPlace());
    return console_.MsgBox(prompt, buttons, title);
  }
  void SetOrigin(ConsoleUi::Origin origin) { console_.SetOrigin(std::move(origin)); }

  std::optional<Text> InputBox(const Text& prompt, const Text& own_title, const Text& default_text) override {
    const Text title = DisplayedTitle(own_title);
    std::optional<Text> typed = std::move(input_);
    input_.reset();
    if (json_) {
      json line{{"title", ToUtf8(title)},
                {"text", ToUtf8(prompt)},
                {"buttons", "input"},
                {"default", ToUtf8(default_text)},
                {"answer", nullptr}};
      if (typed) line["answer"] = ToUtf8(*typed);
      std::fprintf(err_, "%s\n", line.dump().c_str());
    } else {
      std::string answer = "(cancelled)";
      if (typed) {
        answer = '"';
        answer += Shown(ToUtf8(*typed));
        answer += '"';
      }
      std::fprintf(err_, "[%s] %s -> %s\n", ToUtf8(title).c_str(), ToUtf8(prompt).c_str(), answer.c_str());
    }
    std::fflush(err_);
    return typed;
  }

  void Sleep(int milliseconds) override { console_.Sleep(milliseconds); }
  Text ShortDate() override { return console_.ShortDate(); }
  Text LongTime() override { return console_.LongTime(); }
  LocalDateTime Now() override { return console_.Now(); }

  void QueueAnswers(const std::vector<Answer>& answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
  }
  // What the next input box gets; nullopt cancels it.
  void SetInput(std::optional<Text> text) { input_ = std::move(text); }

 private:
  ConsoleUi::Options MakeOptions(bool json, std::FILE* err, RegionalClock clock) {
    ConsoleUi::Options options;
    options.json = json;
    options.out = err;
    // Asked only once ConsoleUi's own list is empty, which it always is here;
    // no answer makes the box say it answered No.
    options.ask = [this](const std::string&) -> std::optional<bool> {
      if (answers_.empty()) return std::nullopt;
      const Answer next = answers_.front();
      answers_.erase(answers_.begin());
      return next == Answer::kYes;
    };
    options.clock = std::move(clock);
    return options;
  }

  bool json_;
  std::FILE* err_;
  std::vector<Answer> answers_;
  std::optional<Text> input_;
  ConsoleUi console_;
};

// "DisplayOnConnect" where there is no per-user store: saving fails, which
// disconnection skips silently.
class MissingUserSettingsStore : public UserSettingsStore {
 public:
  void SaveSetting(const Text&, const Text&, const Text&, const Text&) override { throw Failure(); }
  Text GetSetting(const Text&, const Text&, const Text&, const Text&) override { throw Failure(); }

 private:
  static VbError Failure() {
    return VbError(vberr::kPathFileAccess, u"Path/File access error: no per-user settings directory");
  }
};

// The settings file of the other commands; a session saves into it, so the
// default one's folder is made.
std::filesystem::path SessionSettingsPath(const SessionOptions& options) {
  const std::filesystem::path path =
      SettingsPath(options.ini, options.files.empty() ? std::string("-") : options.files.front(),
                   Environment::Current());
  try {
    CheckSettingsFile(path, false, options.encoding);
  } catch (const std::runtime_error& e) {
    throw UsageError(e.what());
  }
  if (options.ini.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
  }
  return path;
}

json Number(float value) {
  const double d = value;
  if (d == static_cast<double>(static_cast<long long>(d))) return static_cast<long long>(d);
  return d;
}

class Session {
 public:
  Session(const SessionOptions& options, std::FILE* out, std::FILE* err)
      : out_(out), err_(err), ws_(LoadFiles(options)), ui_(options.json_messages, err, Clock()) {
    try {
      user_settings_ = PlatformUserSettingsStore(UserConfigDirectory(Environment::Current().config));
    } catch (...) {
      user_settings_ = std::make_unique<MissingUserSettingsStore>();
    }
    connect_ = std::make_unique<Connect>(AddInServices{ui_, ws_.desktop, windows_, *user_settings_,
                                                       FromUtf8(SessionSettingsPath(options).string())});
    // With several modules in the editor, each box names the active one's file.
    if (ws_.files.size() > 1) {
      ui_.SetOrigin([this](const UiService::Place& place) {
        const std::shared_ptr<MemoryCodePane> pane = ws_.vbe->ActivePane();
        for (const ModuleFile& file : ws_.files) {
          if (pane && pane->Module() == file.Module()) {
            return OriginIn(file, file.Path().string(), ToUtf8(file.Module()->UncountedName()), false, place);
          }
        }
        return BoxOrigin{};
      });
    }
  }

  // Runs every event; true when all of them were carried out.
  bool Run(std::istream& events) {
    bool all_done = true;
    connect_->OnConnection(ws_.vbe, ext_cm_AfterStartup);
    connected_ = true;
    std::string line;
    long number = 0;
    while (std::getline(events, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      try {
        Dispatch(line);
      } catch (const Refused& e) {
        std::fprintf(err_, "qlx: session line %ld: %s\n", number, Shown(e.what()).c_str());
        std::fflush(err_);
        all_done = false;
      }
    }
    if (connected_) connect_->OnDisconnection();
    connected_ = false;
    return all_done;
  }

  // Writes back every file the session changed; one that cannot be written
  // is reported and the others are still written. False when one was not.
  bool SaveFiles() {
    bool all_saved = true;
    for (const ModuleFile& file : ws_.files) {
      try {
        const ModuleFile::Rendering rendering = file.Rendered();
        if (rendering.Changed()) file.Save(file.Path(), rendering);
      } catch (const std::exception& e) {
        std::fprintf(err_, "qlx: %s\n", Shown(e.what()).c_str());
        std::fflush(err_);
        all_saved = false;
      }
    }
    return all_saved;
  }

 private:
  static Workspace LoadFiles(const SessionOptions& options) {
    try {
      return Workspace(options.files, options.encoding);
    } catch (const std::exception& e) {
      throw UsageError(e.what());
    }
  }

  static RegionalClock Clock() {
    try {
      return RegionalClock::ForUser(Environment::Current().locale, Environment::Current().qlx_now);
    } catch (const VbError& e) {
      throw UsageError(ToUtf8(e.Description()));
    }
  }

  void Dispatch(const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb.empty() || verb.front() == '#') return;
    // The rest of the line after the verb and one space, as typed.
    std::string rest;
    if (const std::size_t at = line.find(verb) + verb.size(); at < line.size()) rest = line.substr(at + 1);

    if (verb == "menu") {
      Menu();
    } else if (verb == "open") {
      if (rest.empty()) throw Refused("open needs a module name");
      if (!ws_.vbe->Pane(FromUtf8(rest))) throw Refused("there is no module named \"" + rest + "\"");
    } else if (verb == "click") {
      Click(rest);
    } else if (verb == "get") {
      Press(Window().cmdGet);
    } else if (verb == "write") {
      Press(Window().cmdWrite);
    } else if (verb == "repdeb") {
      Press(Window().cmdRepDebug);
    } else if (verb == "allprocs") {
      Press(Window().chkAllProcs);
    } else if (verb == "header") {
      Press(Window().optHeader);
    } else if (verb == "error") {
      Press(Window().optError);
    } else if (verb == "dblclick") {
      frmAddIn& form = Window();
      ui_.SetInput(rest.empty() ? std::nullopt : std::optional<Text>(FromUtf8(rest)));
      form.UserDblClick();
      ui_.SetInput(std::nullopt);
    } else if (verb == "close") {
      Window().UserClose();
    } else if (verb == "answer") {
      Answers(words);
    } else if (verb == "state") {
      std::fprintf(out_, "%s\n", State().dump().c_str());
      std::fflush(out_);
    } else if (verb == "disconnect") {
      if (!connected_) throw Refused("the add-in is not connected");
      connect_->OnDisconnection();
      connected_ = false;
    } else if (verb == "connect") {
      if (connected_) throw Refused("the add-in is already connected");
      connect_->OnConnection(ws_.vbe, ext_cm_AfterStartup);
      connected_ = true;
    } else {
      throw Refused("unknown event \"" + verb + "\"");
    }
  }

  void Menu() {
    std::shared_ptr<MemoryCommandBar> bar = ws_.vbe->Bars().Bar(u"Add-Ins");
    std::shared_ptr<MemoryCommandBarControl> item = bar ? bar->Find(kMenuCaption) : nullptr;
    if (!item) throw Refused("the add-in's menu item is not on the \"Add-Ins\" menu");
    item->Click();
  }

  void Click(const std::string& text) {
    long long row = 0;
    try {
      row = ParseDecimal(text, "click");
    } catch (const NumberError& e) {
      const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
      throw Refused(digits ? std::string(e.what()) : "click needs a row number, got \"" + text + "\"");
    }
    std::shared_ptr<MemoryCodePane> pane = ws_.vbe->ActivePane();
    if (!pane) throw Refused("no code pane is active");
    const Row count = pane->Module()->LineCount();
    if (row < 1 || row > std::max<Row>(count, 1)) {
      throw Refused("row " + text + " is outside the module, which has " + std::to_string(count) + " rows");
    }
    pane->SetCaret(static_cast<Row>(row));
  }

  // The tool window while it is shown.
  frmAddIn& Window() {
    frmAddIn* form = connect_->Form();
    if (form == nullptr || !form->Visible()) throw Refused("the tool window is not open");
    return *form;
  }

  void Press(FormControl& control) {
    if (!Window().UserClick(control)) throw Refused(ToUtf8(control.name) + " is disabled or hidden");
  }

  void Answers(std::istringstream& words) {
    std::vector<Answer> answers;
    std::string word;
    while (words >> word) {
      try {
        for (Answer answer : ParseAnswers(word)) answers.push_back(answer);
      } catch (const std::invalid_argument&) {
        throw Refused("answer takes y or n, got \"" + word + "\"");
      }
    }
    if (answers.empty()) throw Refused("answer needs y or n");
    ui_.QueueAnswers(answers);
  }

  json State() {
    json state;
    state["connected"] = connected_;
    json menu = json::array();
    if (std::shared_ptr<MemoryCommandBar> bar = ws_.vbe->Bars().Bar(u"Add-Ins")) {
      for (const Text& caption : bar->Captions()) menu.push_back(ToUtf8(caption));
    }
    state["menu"] = menu;
    frmAddIn* form = connect_->Form();
    state["loaded"] = form != nullptr && form->Loaded();
    state["visible"] = form != nullptr && form->Visible();
    if (form != nullptr) {
      state["title"] = ToUtf8(form->Caption);
      state["TargetRow"] = form->TargetRow;
      state["TargetModule"] = ToUtf8(form->TargetModule);
      state["TargetProc"] = ToUtf8(form->TargetProc);
      state["optHeader"] = form->optHeader.value;
      state["optError"] = form->optError.value;
      state["chkAllProcs"] = {{"value", form->chkAllProcs.value},
                              {"enabled", form->chkAllProcs.enabled},
                              {"visible", form->chkAllProcs.visible}};
      state["lblAllProcs"] = {{"visible", form->lblAllProcs.visible}};
      state["cmdGet"] = {{"enabled", form->cmdGet.enabled}};
      state["top"] = Number(form->Top);
      state["left"] = Number(form->Left);
    } else {
      // No window object: before the first showing and after disconnection.
      for (const char* key : {"title", "TargetRow", "TargetModule", "TargetProc", "optHeader", "optError",
                              "chkAllProcs", "lblAllProcs", "cmdGet", "top", "left"}) {
        state[key] = nullptr;
      }
    }
    state["author"] = ToUtf8(connect_->Header().AuthorName);
    state["FormDisplayed"] = connect_->FormDisplayed;
    std::shared_ptr<MemoryCodePane> pane = ws_.vbe->ActivePane();
    state["activeModule"] = pane ? json(ToUtf8(pane->Module()->UncountedName())) : json(nullptr);
    return state;
  }

  std::FILE* out_;
  std::FILE* err_;
  // Declared so that the add-in goes first and the files last.
  Workspace ws_;
  SessionUi ui_;
  RecordingWindowService windows_;
  std::unique_ptr<UserSettingsStore> user_settings_;
  std::unique_ptr<Connect> connect_;
  bool connected_ = false;
};

}  // namespace

int RunSession(const SessionOptions& options, std::istream& events, std::FILE* out, std::FILE* err) {
  try {
    Session session(options, out, err);
    const bool all_done = session.Run(events);
    if (!session.SaveFiles()) return kExitUsage;
    return all_done ? kExitOk : kExitReported;
  } catch (const UsageError& e) {
    std::fprintf(err, "qlx: %s\n", Shown(e.what()).c_str());
    return kExitUsage;
  }
}

}  // namespace qlx::cli
