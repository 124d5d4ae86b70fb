#include "windows/checks.h"

#include <cstdio>
#include <exception>

#include "host/vberror.h"

namespace qlx::fake {
namespace {

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Escaped(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string Show(const Text& text) { return Escaped(ToUtf8(text)); }
std::string Show(const std::wstring& text) {
  return Show(Text(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
std::string Show(const std::string& text) { return Escaped(text); }
std::string Show(bool value) { return value ? "true" : "false"; }

std::string ShowHResult(long hr) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
  return buffer;
}

void Checks::Scenario(const char* name, const std::function<void()>& body) {
  ++scenarios_;
  scenario_failures_ = 0;
  try {
    body();
  } catch (const VbError& e) {
    Check(false, "no exception", name, 0, "VbError " + std::to_string(e.Number()) + ": " + ToUtf8(e.Description()));
  } catch (const std::exception& e) {
    Check(false, "no exception", name, 0, e.what());
  } catch (...) {
    Check(false, "no exception", name, 0, "unknown exception");
  }
  if (scenario_failures_ > 0) ++failed_scenarios_;
  Print(std::string(scenario_failures_ > 0 ? "not ok - " : "ok - ") + name);
}

void Checks::Skip(const char* name, const std::string& reason) { Print(std::string("skip - ") + name + ": " + reason); }

bool Checks::Check(bool ok, const char* expression, const char* file, int line, const std::string& detail) {
  if (ok) return true;
  ++failed_checks_;
  ++scenario_failures_;
  Print(std::string("  FAILED ") + file + ":" + std::to_string(line) + ": " + expression +
        (detail.empty() ? "" : " (" + detail + ")"));
  return false;
}

bool Checks::Finish() {
  Print(std::to_string(scenarios_) + " scenarios, " + std::to_string(failed_scenarios_) + " failed, " +
        std::to_string(failed_checks_) + " failed checks");
  const bool pass = failed_checks_ == 0 && scenarios_ > 0;
  Print(pass ? "RESULT: PASS" : "RESULT: FAIL");
  return pass;
}

Checks& TheChecks() {
  static Checks checks;
  return checks;
}

}  // namespace qlx::fake
