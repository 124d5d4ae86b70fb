// The editor interface's defaults for the command bars and event sources:
// an editor that has none answers as an object without the member does.
#include "host/commandbars.h"

#include "host/host.h"
#include "host/vberror.h"

namespace qlx {

namespace {

VbError NoSuchMember() { return VbError(vberr::kNoSuchMember); }

}  // namespace

std::shared_ptr<qlx::CommandBars> VBE::CommandBars() { throw NoSuchMember(); }

std::shared_ptr<qlx::Events> VBE::Events() { throw NoSuchMember(); }

}  // namespace qlx
