// A core file that reaches up into the command line.
#include "cli/commands.h"
