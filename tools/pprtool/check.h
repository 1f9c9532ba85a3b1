// check: runs the program's own parser over update scripts and says, with
// file and line, why a script fails and what in it parses but is likely a
// mistake.
#pragma once

#include <string>
#include <vector>

#include "profile/records.h"

// Prints "FILE:LINE: error: <reason>" and "FILE:LINE: warning: <reason>"
// lines (without LINE for the file as a whole) on standard output. Returns 0
// when every script is clean, 1 with warnings only, 2 when any script fails.
int CheckScripts(const std::vector<std::string>& scripts);

// Returns "SCRIPT: N row(s) repeat the key of an earlier row in their block: a
// second run would change the profile again (pprtool check SCRIPT says
// where)", or "" when no row repeats one (see FindRepeatedKeys in
// engine/merge.h). Takes the script as parsed, before a merge marks its rows.
std::string RepeatedKeysNote(const std::string& scriptPath, const ScriptRecord& script);

// Parses the script at `scriptPath` as the program does, without a message
// box, and returns RepeatedKeysNote of it; "" when it does not parse.
std::string RepeatedKeysNoteOf(const std::string& scriptPath);
