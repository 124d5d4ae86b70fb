// The one error of the Office layer: a document or VBA project that cannot be
// read or written. Every reader and writer here throws it; the faces catch it.
#pragma once

#include <stdexcept>

namespace qlx::office {

// A VBA project that cannot be read or written; the message says why.
class OfficeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qlx::office
