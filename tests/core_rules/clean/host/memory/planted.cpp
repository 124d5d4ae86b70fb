// Down into host/ from the layer inside it.
#include "host/text.h"
#include "host/memory/gap.h"
