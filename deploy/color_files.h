// Copies the colour files that come with an update into the colour folders.
#pragma once

#include "platform/afx.h"

// Copies the files of `exeDir`/prof with `extension` (".icm", ".CAL", ...):
// ".icm" files to the library's copy pool's colprof folder, the others to
// %WINDIR%/system32/color. Returns 0 when nothing was found, 1 otherwise;
// a failed copy is not reported.
int CopyColorFiles(const CString& exeDir, const CString& extension);
