// A reload of the print service that the runs of a kit owe it: marked in the
// kit's folder before a run changes anything, cleared once the service has
// taken the reload. A run that could not tell the service, or was killed
// before it could, leaves the mark, and the next run of the kit tells the
// service even when nothing else is left to do. The mark is the file
// KIT/quillon-reload.pending.
#pragma once

#include <string>

// True when a run of the kit changed something the service has not reloaded.
bool ReloadPending(const std::string& kit);

// Marks the kit's reload as owed; false when the mark cannot be made.
bool MarkReloadPending(const std::string& kit);

// Clears the mark once the service has taken the reload; false when it stays.
bool ClearReloadPending(const std::string& kit);
