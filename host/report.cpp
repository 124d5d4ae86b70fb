#include "host/report.h"

#include "host/ui.h"

namespace qlx {

Text ReportText(ReportForm form, const VbError& e) {
  switch (form) {
    case ReportForm::kError:
      return ErrorReport(e);
    case ReportForm::kErrorNumber:
      return ErrorNumberReport(e);
    case ReportForm::kErrorNumberWithLine:
      return ErrorNumberReportWithLine(e);
    case ReportForm::kDescription:
      break;
  }
  return e.Description();
}

void ShowReport(UiService& ui, ReportForm form, const VbError& e, const Text& title) {
  ui.MsgBox(ReportText(form, e), Buttons::kOk, title);
}

void ReportCaught(UiService& ui, ReportForm form, const Text& title) {
  ShowReport(ui, form, CurrentError(), title);
}

}  // namespace qlx
