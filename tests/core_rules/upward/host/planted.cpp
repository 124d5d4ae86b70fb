#include "host/memory/editor.h"
