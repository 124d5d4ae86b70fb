// What the generated header of qlx.idl imports: the platform's own OLE
// Automation declarations stand for ole_base.idl's stand-ins.
#pragma once

#include <oaidl.h>
