// The lock of a profile file while something updates it: one lock for the
// whole machine, so that quillon, its dialog and pprtool, run by any user or
// in any session, take turns on a profile instead of losing each other's
// update.
#pragma once

#include <string>
#include <string_view>

#include "platform/process_lock.h"

// Returns where the print system keeps a printer's profile: the copy-pool
// folder as the library gives it, a folder separator, the printer's name and
// ".ppr" (what the dialog's update writes).
std::u16string CopyPoolProfilePath(std::u16string_view printerName);

// Takes the machine-wide lock of the profile at `path` without waiting. The
// lock is named after the file's resolved path, so every name that reaches
// the file (a relative one, a link) takes the same lock; a file that does
// not exist yet is named by its folder's resolved path and its own name, and
// one in a folder that does not exist either by the path as given.
ProcessLock::Outcome LockProfile(const char16_t* path, ProcessLock& lock);
