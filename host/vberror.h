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

// The VB run-time errors this system raises or meets, by name; their
// standard descriptions are in one table beside StandardDescription.
namespace vberr {
inline constexpr int kInvalidCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscript = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kSubNotDefined = 35;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kInvalidUseOfNull = 94;
inline constexpr int kObjectRequired = 424;
inline constexpr int kNoSuchMember = 438;
inline constexpr int kNamedArgumentNotFound = 448;
inline constexpr int kWrongArgumentCount = 450;
}  // namespace vberr

// VB's standard description for a run-time error number; VB's generic
// "Application-defined or object-defined error" for a number not in the table.
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
