#pragma once
// The program's command line, split the way the program has always split it:
// parameters are separated by blanks (every character up to and including the
// space), double quotes group blanks into a parameter and are dropped, and empty
// quote pairs between parameters are skipped.

#include <vector>

#include "platform/text.h"

namespace lanthe {

// Every part of the command line, the program's own name first.
std::vector<Text> SplitCommandLine(TextView commandLine);

// The first parameter after the program's name; empty when there is none.
Text FirstParameter(TextView commandLine);

// The parameters after the program's name as they stand in the command line, for
// starting the program again with the same parameters.
Text ParametersAfterProgram(TextView commandLine);

}  // namespace lanthe
