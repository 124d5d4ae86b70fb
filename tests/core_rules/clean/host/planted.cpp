// Error 9 for a bad row: VbError(9) is written vberr::kSubscript here.
#include "host/vberror.h"
const char16_t* kNote = u"VbError(9) #include \"cli/x.h\"";
void F() { throw qlx::VbError(qlx::vberr::kSubscript); }
const char* kWhere = "getenv(\"HOME\") is for the faces";  // getenv("X") in a comment
#include "host/win32/windows_api.h"
