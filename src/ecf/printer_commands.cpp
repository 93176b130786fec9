#include "ecf/printer_commands.h"
