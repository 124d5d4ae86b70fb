// The one error vocabulary: a VB run-time error (number and description),
// and the two report forms every operation shows when it catches one.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "host/text.h"

namespace qlx {

class VbError : public std::exception {
 public:
  VbError(int number, Text description);
  // The error with VB's standard description for the number.
  explicit VbError(int number);

  int Number() const { return number_; }
  const Text& Description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int number_;
  Text description_;
  std::string what_;
};

namespace vberr {
inline constexpr int kInvalidCall = 5;        // Invalid procedure call or argument
inline constexpr int kOutOfMemory = 7;        // Out of memory
inline constexpr int kSubscript = 9;          // Subscript out of range
inline constexpr int kSubNotDefined = 35;     // Sub or Function not defined
inline constexpr int kFileNotFound = 53;      // File not found
inline constexpr int kObjectRequired = 424;   // Object required
inline constexpr int kObjectNotSet = 91;      // Object variable or With block variable not set
}  // namespace vberr

// VB's standard description for a run-time error number ("" when unknown).
Text StandardDescription(int number);

// The error being handled, from inside a catch block: a VbError as it is; a
// std::exception mapped to 9 (out_of_range), 7 (bad_alloc) or 5 (others).
VbError CurrentError();

// "Error: N. desc"
Text ErrorReport(const VbError& e);
// "Error_Number: N.  : desc"
Text ErrorNumberReport(const VbError& e);
// "Error_Number: N.  : desc" CR LF "<Erl>  In_Line: 0"
Text ErrorNumberReportWithLine(const VbError& e);

inline constexpr char16_t kCrLf[] = u"\r\n";

}  // namespace qlx
