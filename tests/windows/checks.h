// A small check vocabulary for the fake editor's scenarios: each failed check
// is printed with its place and detail, each scenario ends with "ok" or
// "not ok", and the run ends with "RESULT: PASS" only when nothing failed.
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "host/text.h"

namespace qlx::fake {

std::string Show(const Text& text);
std::string Show(const std::wstring& text);
std::string Show(const std::string& text);
std::string Show(bool value);
template <class T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
std::string Show(T value) {
  return std::to_string(static_cast<long long>(value));
}
std::string ShowHResult(long hr);

class Checks {
 public:
  // Runs one scenario; an escaping exception fails it.
  void Scenario(const char* name, const std::function<void()>& body);
  void Skip(const char* name, const std::string& reason);

  bool Check(bool ok, const char* expression, const char* file, int line, const std::string& detail = {});
  template <class A, class B>
  bool Equal(const A& actual, const B& expected, const char* expression, const char* file, int line) {
    if (actual == expected) return Check(true, expression, file, line);
    return Check(false, expression, file, line, "got " + Show(actual) + ", expected " + Show(expected));
  }

  // Prints the summary and "RESULT: PASS" or "RESULT: FAIL"; true on pass.
  bool Finish();

 private:
  int scenarios_ = 0;
  int failed_scenarios_ = 0;
  int failed_checks_ = 0;
  int scenario_failures_ = 0;
};

// The checks of the running program.
Checks& TheChecks();

}  // namespace qlx::fake

#define CHECK(cond) ::qlx::fake::TheChecks().Check(static_cast<bool>(cond), #cond, __FILE__, __LINE__)
#define CHECK_MSG(cond, detail) \
  ::qlx::fake::TheChecks().Check(static_cast<bool>(cond), #cond, __FILE__, __LINE__, (detail))
#define CHECK_EQ(actual, expected) \
  ::qlx::fake::TheChecks().Equal((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
// The call is made once: its HRESULT is both tested and shown.
#define CHECK_HR(hr) ::qlx::fake::CheckHResult((hr), #hr, __FILE__, __LINE__)

namespace qlx::fake {
inline bool CheckHResult(long hr, const char* expression, const char* file, int line) {
  return TheChecks().Check(hr >= 0, expression, file, line, ShowHResult(hr));
}
}  // namespace qlx::fake
