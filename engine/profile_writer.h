// Writes a merged printer profile as a .ppr file.
#pragma once

#include <cstddef>
#include <functional>

#include "profile/records.h"

// Writes `header` and its six tables as a profile file: in silent mode to
// the path in the script's printerName, otherwise to the copy-pool folder as
// "<printerName>.ppr". The file is replaced in one step, so any failure
// leaves an existing file exactly as it was. Returns 1 when the file was
// written, 0 otherwise; a destination that cannot be opened also leaves the
// line "SetPrinterProfile:fopen error[<path>]" in the print system's log.
int SetPrinterProfile(const ScriptRecord* script, const ProfileHeader* header, int silent);

// Hands `part` the bytes of the profile file that `header` and its six
// tables make, in file order: the encoded header, then each table's rows.
// Stops at the first part it declines; false then, or when a table counts
// rows it has no block for (no file is ever made up around them).
bool ForEachProfilePart(const ProfileHeader& header, const std::function<bool(const void*, std::size_t)>& part);
