#pragma once

#include "app/commands.h"

namespace balcora::app {

// The sub-commands of `balcora blocox`. Each source file registers its own
// with a static BlocoxSubcommand, so the files stay independent:
//   const BlocoxSubcommand kZXml{"z-xml", "--day DATA   ...", run_z_xml};
struct BlocoxSubcommand {
    using Run = int (*)(CommandLine& cl);
    BlocoxSubcommand(const char* name, const char* usage, Run run);
};

}  // namespace balcora::app
