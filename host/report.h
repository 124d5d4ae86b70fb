// One way to show a caught failure: the report forms every operation uses,
// and a guarded call that stands in for an operation's catch block.
#pragma once

#include <type_traits>
#include <utility>

#include "host/text.h"
#include "host/vberror.h"

namespace qlx {

class UiService;

enum class ReportForm {
  kError,                // "Error: N. desc"
  kErrorNumber,          // "Error_Number: N.  : desc"
  kErrorNumberWithLine,  // "Error_Number: N.  : desc" CR LF "<Erl>  In_Line: 0"
  kDescription,          // the description alone
};

// The text of a report of e in the given form.
Text ReportText(ReportForm form, const VbError& e);

// Shows e in one message box with an OK button.
void ShowReport(UiService& ui, ReportForm form, const VbError& e, const Text& title);

// Shows the failure being handled (CurrentError); only from a catch block.
void ReportCaught(UiService& ui, ReportForm form, const Text& title);

// Runs body; whatever it throws is reported by ReportCaught and goes no
// further. True when body ran to its end (or returned), false after a report.
// The operation then leaves through its normal exit with what it had set.
template <typename Body>
bool Guarded(UiService& ui, ReportForm form, const Text& title, Body&& body) {
  // A value returned from body would be lost: results go through captures.
  static_assert(std::is_void_v<std::invoke_result_t<Body&>>, "a guarded body returns nothing");
  try {
    std::forward<Body>(body)();
    return true;
  } catch (...) {
    ReportCaught(ui, form, title);
    return false;
  }
}

}  // namespace qlx
