// qlx lsp over a pipe, as an editor drives it: the time from opening a
// large module (about 20 MB by default) to its diagnostics, and from a one-line
// change to the new diagnostics (each with the processor time the server
// took for it), with the server's peak resident memory against the
// document's size.
// The timed window is the server's alone: each message's frame is made
// before the clock starts (an editor's own JSON is not the server's time),
// and the clock stops when the reply's last byte is read, before the bench
// parses it.
//   lsp_bench [MEGABYTES [OTHER_QLX]]
// With OTHER_QLX (another build of qlx, such as the one before a change) the
// same document goes to that server too, first, in the same run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "bench/module_gen.h"

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

class Server {
 public:
  explicit Server(const char* binary) {
    int to_server[2], from_server[2];
    if (::pipe(to_server) != 0 || ::pipe(from_server) != 0) std::exit(1);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(to_server[0], 0);
      ::dup2(from_server[1], 1);
      ::close(to_server[1]);
      ::close(from_server[0]);
      ::setenv("QLX_NOW", "2026-12-08T09:05:03", 1);
      ::setenv("HOME", "/nonexistent", 1);
      ::setenv("QLX_INI", "", 1);
      ::execl(binary, binary, "lsp", "--debounce", "0", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(to_server[0]);
    ::close(from_server[1]);
    in_ = to_server[1];
    out_ = ::fdopen(from_server[0], "rb");
  }

  // A message as it goes over the pipe.
  static std::string Frame(const json& message) {
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }

  void Send(const json& message) { SendFrame(Frame(message)); }

  void SendFrame(const std::string& frame) {
    for (std::size_t at = 0; at < frame.size();) {
      const ssize_t n = ::write(in_, frame.data() + at, frame.size() - at);
      if (n <= 0) std::exit(1);
      at += static_cast<std::size_t>(n);
    }
  }

  json Receive() { return json::parse(ReceiveBody()); }

  // The next message's body, unparsed; received_at is when its last byte came.
  std::string ReceiveBody() {
    std::size_t length = 0;
    char line[256];
    while (std::fgets(line, sizeof line, out_) != nullptr) {
      const std::string header(line);
      if (header == "\r\n") break;
      if (header.rfind("Content-Length:", 0) == 0) length = std::stoul(header.substr(15));
    }
    std::string body(length, '\0');
    if (length == 0 || std::fread(body.data(), 1, length, out_) != length) std::exit(1);
    received_at = Clock::now();
    return body;
  }

  // Waits for the next diagnostics; gives how many there were, and sets
  // received_at to when they had come, before they were parsed.
  std::size_t Diagnostics() {
    for (;;) {
      const std::string body = ReceiveBody();
      const Clock::time_point came = received_at;
      const json message = json::parse(body);
      received_at = came;
      if (message.value("method", "") == "textDocument/publishDiagnostics") {
        return message["params"]["diagnostics"].size();
      }
    }
  }

  // The peak resident memory so far, in MB.
  double PeakMegabytes() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string key;
    while (status >> key) {
      if (key == "VmHWM:") {
        double kb = 0;
        status >> kb;
        return kb / 1024;
      }
      status.ignore(1 << 20, '\n');
    }
    return 0;
  }

  // The processor time the server has taken so far (user and system), in
  // seconds: on a loaded machine it says more than the time waited.
  double ProcessorSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The fields after the command's name, which is in parentheses.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14 || i == 15) ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
  }

  Clock::time_point received_at;

  ~Server() {
    Send({{"jsonrpc", "2.0"}, {"id", 99}, {"method", "shutdown"}});
    Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    ::close(in_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  std::FILE* out_ = nullptr;
};

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

struct Figures {
  double open_time = 0, open_cpu = 0, change_time = 0, change_cpu = 0, peak = 0, before = 0;
  std::size_t opened = 0, changed = 0;
};

Figures Measure(const char* binary, const std::string& text) {
  Figures f;
  Server server(binary);
  server.Send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
  while (!server.Receive().contains("id")) {
  }
  server.Send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
  f.before = server.PeakMegabytes();
  const std::string uri = "file:///nonexistent/Big.bas";

  std::string frame = Server::Frame(
      {{"jsonrpc", "2.0"},
       {"method", "textDocument/didOpen"},
       {"params", {{"textDocument", {{"uri", uri}, {"languageId", "vba"}, {"version", 1}, {"text", text}}}}}});
  const double cpu_before = server.ProcessorSeconds();
  auto start = Clock::now();
  server.SendFrame(frame);
  f.opened = server.Diagnostics();
  f.open_time = Seconds(start, server.received_at);
  f.open_cpu = server.ProcessorSeconds() - cpu_before;

  frame = Server::Frame({{"jsonrpc", "2.0"},
                         {"method", "textDocument/didChange"},
                         {"params",
                          {{"textDocument", {{"uri", uri}, {"version", 2}}},
                           {"contentChanges",
                            json::array({{{"range", {{"start", {{"line", 10}, {"character", 0}}},
                                                     {"end", {{"line", 10}, {"character", 0}}}}},
                                          {"text", "    total = 1\r\n"}}})}}}});
  start = Clock::now();
  server.SendFrame(frame);
  f.changed = server.Diagnostics();
  f.change_time = Seconds(start, server.received_at);
  f.change_cpu = server.ProcessorSeconds() - cpu_before - f.open_cpu;
  f.peak = server.PeakMegabytes();
  return f;
}

void Print(const char* label, const Figures& f, double size) {
  if (*label != 0) std::printf("%s\n", label);
  std::printf("  open to diagnostics:     %7.3f s  (%zu diagnostics; the server's processor time %.2f s)\n", f.open_time,
              f.opened, f.open_cpu);
  std::printf("  change to diagnostics:   %7.3f s  (%zu diagnostics; the server's processor time %.2f s)\n",
              f.change_time, f.changed, f.change_cpu);
  std::printf("  peak resident memory:    %7.0f MB  (%.1f times the document; %.0f MB before it was opened)\n", f.peak,
              f.peak / size, f.before);
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 20;
  const char* other = argc > 2 ? argv[2] : nullptr;
  // Procedures of 100 lines, each of its own name, to about the size (a
  // line of the generated modules is about 30 bytes).
  const int lines_wanted = static_cast<int>(megabytes * 1e6 / 30);
  const std::string text = qlx::bench::MakeModule(std::max(1, lines_wanted / 100), 3, lines_wanted);
  const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n'));
  const double size = static_cast<double>(text.size()) / 1e6;

  std::printf("qlx lsp, a document of %.1f MB (%ld lines)\n", size, lines);
  if (other != nullptr) Print(other, Measure(other, text), size);
  Print(other != nullptr ? QLX_BINARY : "", Measure(QLX_BINARY, text), size);
  return 0;
}
