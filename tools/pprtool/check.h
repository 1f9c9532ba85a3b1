// check: runs the program's own parser over update scripts and says, with
// file and line, why a script fails and what in it parses but is likely a
// mistake.
#pragma once

#include <string>
#include <vector>

// Prints "FILE:LINE: error: <reason>" and "FILE:LINE: warning: <reason>"
// lines (without LINE for the file as a whole) on standard output. Returns 0
// when every script is clean, 1 with warnings only, 2 when any script fails.
int CheckScripts(const std::vector<std::string>& scripts);
