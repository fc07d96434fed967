#include "app/cli.h"

int RunConvertCommand(int, char**) { return 2; }
