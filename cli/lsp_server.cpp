#include "cli/lsp_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <istream>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

#include <nlohmann/json.hpp>

#include "analysis/cls_proc_inf.h"
#include "check/module_check.h"
#include "cli/command_support.h"
#include "cli/lsp_buffer.h"
#include "cli/lsp_frame.h"
#include "cli/lsp_text.h"
#include "host/clock.h"
#include "host/files/module_file.h"
#include "host/text.h"
#include "host/vberror.h"
#include "settings/ini_file.h"

namespace qlx::cli {

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using lsp::Incoming;
using lsp::Position;

// The code actions, by the titles the editor shows; each is known by its
// operation's name, and needs the cursor in a procedure when its operation
// works on one.
struct ActionInfo {
  OperationId action;
  const char* title;
  std::string_view Id() const { return InfoOf(action).name; }
  bool AtProcedure() const { return InfoOf(action).scope == OperationScope::kProcedure; }
};
constexpr ActionInfo kActions[] = {
    {OperationId::kHeader, "Write or update the procedure header"},
    {OperationId::kErrTrap, "Insert the error handler"},
    {OperationId::kDeb, "Expand the 'deb markers"},
    {OperationId::kModuleHeader, "Write the module header"},
    {OperationId::kAllHeaders, "Write headers for all procedures"},
};
constexpr const char* kRunCommand = "qlx.run";

// The UTF-8 byte-order mark: a buffer is Unicode text whatever it holds, so
// the module made from it is UTF-8 even when it is all ASCII, and new lines
// are written back as they are.
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The editor's word to end the server, as a notification (or, wrongly, a request).
bool IsExit(const Incoming& message) {
  return (message.kind == Incoming::Kind::kNotification || message.kind == Incoming::Kind::kRequest) &&
         message.method == "exit";
}

// ---- the buffer as a module --------------------------------------------------

std::filesystem::path PathOfUri(const std::string& uri) {
  std::string path = uri.rfind("file://", 0) == 0 ? uri.substr(7) : uri;
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
      out += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += path[i];
    }
  }
  return out;
}

ModuleFile ModuleOfBuffer(const Text& text, const std::filesystem::path& path) {
  std::string bytes = ToUtf8(text);
  bytes.insert(0, kBom);
  // The module keeps these bytes as long as it lives: not the room the
  // conversion reserved as it grew.
  bytes.shrink_to_fit();
  return ModuleFile::FromBytes(std::move(bytes), path);
}

Text BufferOfModule(const ModuleFile& file) {
  std::string bytes = file.Render();
  if (bytes.starts_with(kBom)) bytes.erase(0, kBom.size());
  return FromUtf8(bytes);
}

struct Document {
  std::string uri;
  long version = 0;
  lsp::Buffer buffer{std::filesystem::path()};
  std::optional<Clock::time_point> diagnose_at;
  // The code page of the file on disk when it was opened, which the editor
  // saves the buffer in; nullopt for a UTF-8 file or one not on disk.
  std::optional<std::string> code_page;
};

// What an editor that took a CP932 file for Latin-1 is told, once, in place
// of the findings: an edit of such a buffer would lose its Japanese text
// when it is saved, so none is offered.
constexpr char kMisreadCp932[] =
    "this buffer reads as Shift-JIS (CP932) opened as Latin-1: reopen the file as CP932 (Neovim: :e ++enc=cp932; "
    "VS Code: Reopen with Encoding, Japanese (Shift JIS)) before saving it, or its Japanese text is lost; qlx "
    "offers no edits for it until then";

// The code page of a module file on disk, as the other commands detect it;
// nullopt when it is UTF-8 or cannot be read (a buffer not saved yet).
std::optional<std::string> CodePageOnDisk(const std::filesystem::path& path, const std::string& code_page) {
  try {
    LoadOptions options;
    options.encoding = code_page;
    if (ModuleFile::Load(path, options).FileEncoding().kind == Encoding::Kind::kCodePage) return code_page;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

// Why an edit turning the buffer into after could not be saved in the
// document's code page (the first new line it cannot hold), or nullopt.
std::optional<std::string> Unsavable(const Document& doc, const Text& before, const Text& after) {
  if (!doc.code_page) return std::nullopt;
  Converter converter(Encoding{Encoding::Kind::kCodePage, *doc.code_page});
  for (const lsp::LineEdit& e : lsp::DiffLines(before, after)) {
    const std::vector<Text> lines = lsp::SplitKeepingEnds(e.new_text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      int replaced = 0;
      converter.Encode(lines[i], &replaced);
      if (replaced == 0) continue;
      return "line " + std::to_string(e.start.line + static_cast<long>(i) + 1) +
             " would hold characters that the file's code page " + *doc.code_page +
             " cannot hold; no edit is made";
    }
  }
  return std::nullopt;
}

// ---- the operations' screen ---------------------------------------------------

// Questions go to the editor as Yes/No requests, reports as messages.
class ServerUi : public UiService {
 public:
  using Ask = std::function<Answer(const Text& prompt, const Text& title)>;
  using Tell = std::function<void(const Text& prompt, const Text& title)>;
  ServerUi(RegionalClock clock, Ask ask, Tell tell) : clock_(std::move(clock)), ask_(std::move(ask)), tell_(std::move(tell)) {}

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    if (buttons == Buttons::kYesNo) {
      ++questions;
      return ask_ ? ask_(prompt, title) : Answer::kNo;
    }
    ++reports;
    if (tell_) tell_(prompt, title);
    return Answer::kOk;
  }
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override { return std::nullopt; }
  void Sleep(int) override {}
  Text ShortDate() override { return clock_.ShortDate(); }
  Text LongTime() override { return clock_.LongTime(); }
  LocalDateTime Now() override { return clock_.Now(); }

  int questions = 0;
  int reports = 0;

 private:
  RegionalClock clock_;
  Ask ask_;
  Tell tell_;
};

class Server {
 public:
  Server(const LspOptions& options, std::ostream& out) : options_(options), out_(out) {}

  // Messages read by the reader thread; nullopt marks the end of input.
  void Push(std::optional<Incoming> message) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(message));
    }
    ready_.notify_one();
  }

  int Serve() {
    for (;;) {
      std::optional<std::optional<Incoming>> next = Next(NextDeadline());
      if (!next) {
        PublishDue();
        continue;
      }
      if (!*next) return shutdown_ ? 0 : 1;  // the input ended
      if (Handle(**next)) return shutdown_ ? 0 : 1;
    }
  }

 private:
  // ---- queue and timers ----
  std::optional<Clock::time_point> NextDeadline() const {
    std::optional<Clock::time_point> at;
    for (const auto& [uri, doc] : documents_) {
      if (doc.diagnose_at && (!at || *doc.diagnose_at < *at)) at = doc.diagnose_at;
    }
    return at;
  }

  // The next message, or nullopt when the deadline came first.
  std::optional<std::optional<Incoming>> Next(std::optional<Clock::time_point> deadline) {
    if (!deferred_.empty()) {
      Incoming message = std::move(deferred_.front());
      deferred_.pop_front();
      return std::optional<Incoming>(std::move(message));
    }
    std::unique_lock lock(mutex_);
    if (deadline) {
      if (!ready_.wait_until(lock, *deadline, [this] { return !queue_.empty(); })) return std::nullopt;
    } else {
      ready_.wait(lock, [this] { return !queue_.empty(); });
    }
    std::optional<Incoming> message = std::move(queue_.front());
    queue_.pop_front();
    return message;
  }

  void PublishDue() {
    const auto now = Clock::now();
    for (auto& [uri, doc] : documents_) {
      if (doc.diagnose_at && *doc.diagnose_at <= now) Publish(doc);
    }
  }

  // ---- output ----
  static std::string Dump(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }
  void Send(const json& message) {
    const std::string body = Dump(message);
    SendBody({body});
  }
  // A body written in parts, never put together.
  void SendBody(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    out_ << "Content-Length: " << size << "\r\n\r\n";
    for (std::string_view part : parts) out_ << part;
    out_.flush();
  }
  void Respond(const json& id, json result) { Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}); }
  void Fail(const json& id, int code, const std::string& message) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
  }
  void Notify(const std::string& method, json params) {
    Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
  }
  // A request to the editor; waits for its answer, keeping other messages
  // for later. nullopt when the input ended, the editor said exit or it
  // answered an error.
  std::optional<json> Request(const std::string& method, json params) {
    const int id = next_id_++;
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
    for (;;) {
      std::optional<Incoming> message;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        message = std::move(queue_.front());
        queue_.pop_front();
      }
      if (!message) {
        input_ended_ = true;
        return std::nullopt;
      }
      if (message->kind == Incoming::Kind::kResponse && message->id == id) {
        if (message->failed) return std::nullopt;
        return message->result;
      }
      if (IsExit(*message)) {
        exit_ = true;
        return std::nullopt;
      }
      deferred_.push_back(std::move(*message));
    }
  }
  void ShowMessage(int type, const std::string& text) { Notify("window/showMessage", {{"type", type}, {"message", text}}); }

  // ---- dispatch; true when the server is to exit ----
  bool Handle(Incoming& message) {
    switch (message.kind) {
      case Incoming::Kind::kParseError:
        Fail(nullptr, -32700, "Parse error: " + message.problem);
        return false;
      case Incoming::Kind::kInvalid:
        Fail(message.id, -32600, "Invalid Request: " + message.problem);
        return false;
      case Incoming::Kind::kResponse:
        return false;  // a stray answer
      case Incoming::Kind::kRequest:
      case Incoming::Kind::kNotification:
        break;
    }
    const std::string& method = message.method;
    const bool is_request = message.kind == Incoming::Kind::kRequest;
    const json& id = message.id;
    json& params = message.params;
    try {
      if (method == "exit") return true;
      if (!initialized_ && method != "initialize") {
        if (is_request) Fail(id, -32002, "the server is not initialized");
        return false;
      }
      if (shutdown_ && is_request) {
        Fail(id, -32600, "the server is shutting down");
        return false;
      }
      if (method == "initialize") {
        initialized_ = true;
        const json none = json::object();
        disabled_support_ = params.is_object() &&
                            params.value("capabilities", none).value("textDocument", none).value("codeAction", none)
                                    .value("disabledSupport", false) == true;
        Respond(id, Capabilities());
      } else if (method == "shutdown") {
        shutdown_ = true;
        Respond(id, nullptr);
      } else if (method == "textDocument/didOpen") {
        json& doc = params.at("textDocument");
        const std::string uri = doc.at("uri").get<std::string>();
        Document& d = documents_[uri];
        d.uri = uri;
        d.version = doc.value("version", 0L);
        // The message's copy of the text goes once decoded: a large
        // document's diagnostics are computed while the message lives.
        d.buffer = lsp::Buffer(PathOfUri(uri));
        d.buffer.Reset(std::move(doc.at("text").get_ref<std::string&>()));
        d.code_page = CodePageOnDisk(PathOfUri(d.uri), options_.encoding);
        Publish(d);
      } else if (method == "textDocument/didChange") {
        auto it = documents_.find(params.at("textDocument").at("uri").get<std::string>());
        if (it == documents_.end()) return false;
        Document& d = it->second;
        d.version = params["textDocument"].value("version", d.version);
        for (json& change : params.at("contentChanges")) {
          std::string& text = change.at("text").get_ref<std::string&>();
          if (change.contains("range")) {
            d.buffer.Change(ToPosition(change["range"]["start"]), ToPosition(change["range"]["end"]), FromUtf8(text));
          } else {
            d.buffer.Reset(std::move(text));
          }
        }
        d.diagnose_at = Clock::now() + std::chrono::milliseconds(options_.debounce_ms);
      } else if (method == "textDocument/didClose") {
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        documents_.erase(uri);
        Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
      } else if (method == "textDocument/codeAction") {
        Respond(id, CodeActions(params));
      } else if (method == "workspace/executeCommand") {
        Respond(id, ExecuteCommand(params));
      } else if (is_request) {
        Fail(id, -32601, "method not found: " + method);
      }
    } catch (const std::exception& e) {
      if (is_request) {
        Fail(id, -32603, e.what());
      } else {
        ShowMessage(1, std::string("qlx: ") + e.what());
      }
    }
    return input_ended_ || exit_;
  }

  static json Capabilities() {
    return {{"capabilities",
             {{"textDocumentSync", {{"openClose", true}, {"change", 2}}},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix", "refactor.rewrite"}}}},
              {"executeCommandProvider", {{"commands", {kRunCommand}}}},
              {"positionEncoding", "utf-16"}}},
            {"serverInfo", {{"name", "qlx"}}}};
  }

  static Position ToPosition(const json& p) { return {p.at("line").get<long>(), p.at("character").get<long>()}; }
  static json FromPosition(Position p) { return {{"line", p.line}, {"character", p.character}}; }

  // ---- diagnostics ----
  void Publish(Document& doc) {
    doc.diagnose_at.reset();
    json diagnostics = json::array();
    if (const std::optional<long> line = MisreadCp932Line(doc)) {
      diagnostics.push_back({{"range", {{"start", FromPosition({*line, 0})}, {"end", FromPosition({*line + 1, 0})}}},
                             {"severity", 1},
                             {"code", "encoding"},
                             {"source", "qlx"},
                             {"message", kMisreadCp932}});
      Notify("textDocument/publishDiagnostics",
             {{"uri", doc.uri}, {"version", doc.version}, {"diagnostics", std::move(diagnostics)}});
      return;
    }
    // Each diagnostic is written out as it is made: a large document has
    // tens of thousands, and as one JSON tree they would weigh more than
    // the document.
    std::string written;
    try {
      if (const std::optional<std::string>& problem = doc.buffer.Problem()) throw std::runtime_error(*problem);
      const std::filesystem::path path = PathOfUri(doc.uri);
      check::CheckOptions options;
      // The rules the settings file found for the file on disk chooses.
      options.rules = CheckRules(CheckedSettings("", path.string(), LoadOptions().encoding), "", "");
      for (const lsp::Diagnostic& d : doc.buffer.Diagnose(options)) {
        written += written.empty() ? "" : ",";
        AppendDiagnostic(written, d);
      }
    } catch (const std::exception& e) {
      // A buffer the module reader refuses (an unclosed BEGIN block) is said once, as one diagnostic.
      diagnostics.push_back({{"range", {{"start", FromPosition({0, 0})}, {"end", FromPosition({0, 0})}}},
                             {"severity", 1},
                             {"source", "qlx"},
                             {"message", e.what()}});
      written = Dump(diagnostics[0]);
    }
    // The message around an empty list, the list put in its place.
    const std::string body = Dump({{"jsonrpc", "2.0"},
                             {"method", "textDocument/publishDiagnostics"},
                             {"params", {{"uri", doc.uri}, {"version", doc.version}, {"diagnostics", json::array()}}}});
    constexpr std::string_view kEmptyList = "\"diagnostics\":[]";
    const std::size_t cut = body.find(kEmptyList) + kEmptyList.size() - 1;
    SendBody({std::string_view(body).substr(0, cut), written, std::string_view(body).substr(cut)});
  }

  // A warning as Dump writes it, members by name, without building its
  // JSON tree: a large document has tens of thousands of them.
  static void AppendDiagnostic(std::string& out, const lsp::Diagnostic& d) {
    const std::string line = std::to_string(d.line);
    out += "{\"code\":";
    AppendString(out, check::RuleId(d.rule));
    out += ",\"message\":";
    AppendString(out, ToUtf8(d.message));
    out += ",\"range\":{\"end\":{\"character\":";
    out += std::to_string(d.end);
    out += ",\"line\":";
    out += line;
    out += "},\"start\":{\"character\":";
    out += std::to_string(d.start);
    out += ",\"line\":";
    out += line;
    out += "}},\"severity\":2,\"source\":\"qlx\"}";
  }
  // A JSON string as Dump writes it: as it is when nothing in it needs an
  // escape or a replacement, else by Dump itself.
  static void AppendString(std::string& out, std::string_view text) {
    bool plain = true, ascii = true;
    for (const char c : text) {
      plain = plain && static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\';
      ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (plain && (ascii || IsValidUtf8(text))) {
      out += '"';
      out += text;
      out += '"';
    } else {
      out += Dump(json(std::string(text)));
    }
  }

  static std::optional<long> MisreadCp932Line(const Document& doc) {
    return lsp::MisreadCp932Line([&doc](const lsp::LineVisitor& visit) { doc.buffer.ForEachLine(visit); });
  }

  // ---- the operations on a buffer ----
  struct Outcome {
    Text text;  // the buffer after the operation
    int questions = 0;
    int reports = 0;
  };

  // The code actions work on a module of their own, made from the text.
  Outcome RunAction(const Document& doc, const Text& text, OperationId action, Row row, ServerUi::Ask ask,
                    ServerUi::Tell tell) {
    const std::filesystem::path path = PathOfUri(doc.uri);
    ModuleFile file = ModuleOfBuffer(text, path);
    auto vbe = std::make_shared<MemoryVBE>();
    vbe->AddModule(file.Module());
    vbe->Pane(file.Module()->UncountedName());
    MemoryDesktop desktop(vbe.get());
    const Environment& env = Environment::Current();
    ServerUi ui(RegionalClock::ForUser(env.locale, env.qlx_now), std::move(ask), std::move(tell));
    Operations ops(ui, desktop);
    ops.SetVBInstance(vbe);
    try {
      // The settings found for the file on disk, as the other commands find them.
      LoadSettings(CheckedSettings("", path.string(), LoadOptions().encoding), ui, ops);
    } catch (const std::runtime_error& e) {
      ui.MsgBox(FromUtf8(e.what()), Buttons::kOk, u"qlx");
      return {text, ui.questions, ui.reports};
    }
    ops.Header().SleepTime = 0;  // no one is looking at a code window here
    ops.Run(action, row);
    return {BufferOfModule(file), ui.questions, ui.reports};
  }

  json WorkspaceEdit(const Document& doc, const Text& before, const Text& after) {
    json edits = json::array();
    for (const lsp::LineEdit& e : lsp::DiffLines(before, after)) {
      edits.push_back({{"range", {{"start", FromPosition(e.start)}, {"end", FromPosition(e.end)}}},
                       {"newText", ToUtf8(e.new_text)}});
    }
    return {{"documentChanges",
             json::array({{{"textDocument", {{"uri", doc.uri}, {"version", doc.version}}}, {"edits", edits}}})}};
  }

  // The row of the cursor's line; 0 on a hidden line.
  static Row RowOfLine(const ModuleFile& file, long line) { return file.RowOfFileLine(line + 1); }

  json CodeActions(const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    auto it = documents_.find(uri);
    if (it == documents_.end()) return json::array();
    const Document& doc = it->second;
    if (MisreadCp932Line(doc)) return json::array();
    const Text text = doc.buffer.WholeText();
    const ModuleFile file = ModuleOfBuffer(text, PathOfUri(uri));
    const Row row = RowOfLine(file, ToPosition(params.at("range").at("start")).line);
    const bool in_procedure = row > file.Module()->CountOfDeclarationLines() && InProcedure(file, row);

    json diagnostics = params.value("context", json::object()).value("diagnostics", json::array());
    json actions = json::array();
    for (const ActionInfo& info : kActions) {
      if (info.AtProcedure() && !in_procedure) continue;
      json action = {{"title", info.title}, {"kind", "refactor.rewrite"}};
      json fixed = json::array();
      for (const json& d : diagnostics) {
        const std::string code = d.value("code", "");
        if ((info.action == OperationId::kHeader && (code == "stale-header" || code == "missing-header")) ||
            (info.action == OperationId::kDeb && code == "deb-marker")) {
          fixed.push_back(d);
        }
      }
      if (!fixed.empty()) {
        action["kind"] = "quickfix";
        action["diagnostics"] = fixed;
        action["isPreferred"] = true;
      }
      // Computed now when it asks nothing; else run when chosen, so that its
      // questions can be put to the user.
      const Outcome probe = RunAction(doc, text, info.action, row, nullptr, nullptr);
      if (probe.questions == 0 && probe.reports == 0) {
        if (probe.text == text) continue;  // nothing to do here
        if (const std::optional<std::string> why = Unsavable(doc, text, probe.text)) {
          // Said where the editor can show it; otherwise not offered at all.
          if (!disabled_support_) continue;
          action["disabled"] = {{"reason", *why}};
        } else {
          action["edit"] = WorkspaceEdit(doc, text, probe.text);
        }
      } else {
        action["command"] = {{"title", info.title},
                             {"command", kRunCommand},
                             {"arguments", json::array({{{"uri", uri}, {"version", doc.version}, {"action", info.Id()}, {"row", row}}})}};
      }
      actions.push_back(std::move(action));
    }
    return actions;
  }

  static bool InProcedure(const ModuleFile& file, Row row) {
    auto vbe = std::make_shared<MemoryVBE>();
    RecordingUi ui;
    ClsProcInf record(ui);
    record.VBInstanceC(vbe);
    vbe->AddModule(file.Module());
    vbe->Pane(file.Module()->UncountedName());
    return record.GetProcInf(row);
  }

  json ExecuteCommand(const json& params) {
    if (params.value("command", "") != kRunCommand || !params.contains("arguments") || params["arguments"].empty()) {
      throw std::runtime_error("unknown command");
    }
    const json& args = params["arguments"][0];
    auto it = documents_.find(args.at("uri").get<std::string>());
    if (it == documents_.end()) throw std::runtime_error("the document is not open");
    const Document& doc = it->second;
    const std::string id = args.at("action").get<std::string>();
    const ActionInfo* info = nullptr;
    for (const ActionInfo& a : kActions) {
      if (id == a.Id()) info = &a;
    }
    if (!info) throw std::runtime_error("unknown action '" + id + "'");
    if (args.value("version", doc.version) != doc.version) {
      ShowMessage(2, "qlx: the buffer changed since the action was offered; ask for it again");
      return nullptr;
    }
    if (MisreadCp932Line(doc)) {
      ShowMessage(1, std::string("qlx: ") + kMisreadCp932);
      return nullptr;
    }
    auto ask = [this](const Text& prompt, const Text& title) {
      const std::optional<json> answer = Request(
          "window/showMessageRequest",
          {{"type", 3}, {"message", ToUtf8(title) + ": " + ToUtf8(prompt)}, {"actions", {{{"title", "Yes"}}, {{"title", "No"}}}}});
      return answer && answer->is_object() && answer->value("title", "") == "Yes" ? Answer::kYes : Answer::kNo;
    };
    auto tell = [this](const Text& prompt, const Text& title) { ShowMessage(1, ToUtf8(title) + ": " + ToUtf8(prompt)); };
    const Text text = doc.buffer.WholeText();
    const Outcome outcome = RunAction(doc, text, info->action, args.value("row", 0), ask, tell);
    if (input_ended_ || exit_) return nullptr;
    if (const std::optional<std::string> why = outcome.text != text ? Unsavable(doc, text, outcome.text) : std::nullopt) {
      ShowMessage(1, "qlx: " + std::string(info->title) + ": " + *why);
      return nullptr;
    }
    if (outcome.text != text) {
      Request("workspace/applyEdit", {{"label", info->title}, {"edit", WorkspaceEdit(doc, text, outcome.text)}});
    }
    return nullptr;
  }

  LspOptions options_;
  std::ostream& out_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::optional<Incoming>> queue_;
  std::deque<Incoming> deferred_;
  std::map<std::string, Document> documents_;
  bool initialized_ = false;
  bool disabled_support_ = false;  // the editor shows a code action offered as disabled, with its reason
  bool shutdown_ = false;
  bool input_ended_ = false;
  bool exit_ = false;  // said while the server waited for an answer
  int next_id_ = 1;
};

}  // namespace

int RunLsp(const LspOptions& options, std::istream& in, std::ostream& out) {
  // Shared with the reader, which may still be blocked in a read when the
  // server has ended for another reason.
  auto server = std::make_shared<Server>(options, out);
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread reader([server, done, &in] {
    lsp::FrameReader frames(in);
    for (;;) {
      lsp::Frame frame = frames.Next();
      if (frame.kind == lsp::Frame::Kind::kEnd) {
        server->Push(std::nullopt);
        break;
      }
      Incoming message;
      if (frame.kind == lsp::Frame::Kind::kBroken) {
        message.kind = Incoming::Kind::kParseError;
        message.problem = frame.problem;
      } else {
        message = lsp::Decode(frame.body);
      }
      const bool exit = IsExit(message);
      server->Push(std::move(message));
      if (exit) break;
    }
    *done = true;
  });
  const int status = server->Serve();
  if (*done) {
    reader.join();
  } else {
    reader.detach();
  }
  return status;
}

}  // namespace qlx::cli
