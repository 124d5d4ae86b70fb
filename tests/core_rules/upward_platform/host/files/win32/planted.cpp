// Windows only, so no Linux build would see it.
#include "analysis/proc_rows.h"
