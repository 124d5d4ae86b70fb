#include "host/vberror.h"

#include <new>

namespace qlx {

VbError::VbError(int number, Text description)
    : number_(number), description_(std::move(description)) {
  what_ = "VB error " + std::to_string(number_) + ": " + ToUtf8(description_);
}

VbError::VbError(int number) : VbError(number, StandardDescription(number)) {}

Text StandardDescription(int number) {
  switch (number) {
    case 5: return u"Invalid procedure call or argument";
    case 6: return u"Overflow";
    case 7: return u"Out of memory";
    case 9: return u"Subscript out of range";
    case 13: return u"Type mismatch";
    case 35: return u"Sub or Function not defined";
    case 52: return u"Bad file name or number";
    case 53: return u"File not found";
    case 75: return u"Path/File access error";
    case 91: return u"Object variable or With block variable not set";
    case 424: return u"Object required";
    default: return u"Application-defined or object-defined error";
  }
}

VbError CurrentError() {
  try {
    throw;
  } catch (const VbError& e) {
    return e;
  } catch (const std::out_of_range&) {
    return VbError(vberr::kSubscript);
  } catch (const std::bad_alloc&) {
    return VbError(vberr::kOutOfMemory);
  } catch (...) {
    return VbError(vberr::kInvalidCall);
  }
}

Text ErrorReport(const VbError& e) {
  return u"Error: " + Str(e.Number()) + u". " + e.Description();
}

Text ErrorNumberReport(const VbError& e) {
  return u"Error_Number: " + Str(e.Number()) + u".  : " + e.Description();
}

Text ErrorNumberReportWithLine(const VbError& e) {
  return ErrorNumberReport(e) + kCrLf + u"<Erl>  In_Line: 0";
}

}  // namespace qlx
