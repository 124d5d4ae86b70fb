// The editor interface's defaults for the command bars and event sources:
// an editor that has none answers as an object without the member does.
#include "host/commandbars.h"

#include "host/host.h"
#include "host/vberror.h"

namespace qlx {

namespace {

constexpr int kNoSuchMember = 438;

VbError NoSuchMember() { return VbError(kNoSuchMember, u"Object doesn't support this property or method"); }

}  // namespace

std::shared_ptr<qlx::CommandBars> VBE::CommandBars() { throw NoSuchMember(); }

std::shared_ptr<qlx::Events> VBE::Events() { throw NoSuchMember(); }

}  // namespace qlx
