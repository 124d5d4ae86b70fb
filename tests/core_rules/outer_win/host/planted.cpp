#include <win/dll.h>
