#include "host/vberror.h"

#include <new>

namespace qlx {

VbError::VbError(int number, Text description)
    : number_(number), description_(std::move(description)) {
  what_ = "VB error " + std::to_string(number_) + ": " + ToUtf8(description_);
}

VbError::VbError(int number) : VbError(number, StandardDescription(number)) {}

namespace {

struct KnownError {
  int number;
  const char16_t* description;
};

constexpr KnownError kKnownErrors[] = {
    {vberr::kInvalidCall, u"Invalid procedure call or argument"},
    {vberr::kOverflow, u"Overflow"},
    {vberr::kOutOfMemory, u"Out of memory"},
    {vberr::kSubscript, u"Subscript out of range"},
    {vberr::kTypeMismatch, u"Type mismatch"},
    {vberr::kSubNotDefined, u"Sub or Function not defined"},
    {vberr::kBadFileName, u"Bad file name or number"},
    {vberr::kFileNotFound, u"File not found"},
    {vberr::kPathFileAccess, u"Path/File access error"},
    {vberr::kObjectNotSet, u"Object variable or With block variable not set"},
    {vberr::kInvalidUseOfNull, u"Invalid use of Null"},
    {vberr::kObjectRequired, u"Object required"},
    {vberr::kNoSuchMember, u"Object doesn't support this property or method"},
    {vberr::kNamedArgumentNotFound, u"Named argument not found"},
    {vberr::kWrongArgumentCount, u"Wrong number of arguments or invalid property assignment"},
};

}  // namespace

Text StandardDescription(int number) {
  for (const KnownError& known : kKnownErrors) {
    if (known.number == number) return known.description;
  }
  return u"Application-defined or object-defined error";
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
