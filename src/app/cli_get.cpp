#include "app/cli.h"

int RunGetCommand(int, char**) { return 2; }
