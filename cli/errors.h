// The errors of the command line: the usage error the commands throw, and
// the barrier where any error a command meets is said to the user.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace qlx::cli {

// A usage or file error: reported as "qlx: ..." with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The words the user reads for an error: a VB error's description, any
// other error's what().
std::string ErrorWords(const std::exception& e);

// The one barrier between a command's work and the user: runs work, and
// says an error it throws (a usage error, or a file, document, settings file
// or clock that is refused) as "qlx: ..." on stderr, after calling before
// (which clears a progress line). Returns whether work ran through.
bool Barrier(const std::function<void()>& work, const std::function<void()>& before = {});

}  // namespace qlx::cli
