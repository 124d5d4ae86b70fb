#include "cli/errors.h"

#include "cli/names.h"
#include "host/text.h"
#include "host/vberror.h"

namespace qlx::cli {

std::string ErrorWords(const std::exception& e) {
  // "VB error 5: ..." is for logs; the user reads the description.
  if (const auto* vb = dynamic_cast<const VbError*>(&e)) return ToUtf8(vb->Description());
  return e.what();
}

bool Barrier(const std::function<void()>& work, const std::function<void()>& before) {
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    if (before) before();
    Say(ErrorWords(e));
    return false;
  }
}

}  // namespace qlx::cli
