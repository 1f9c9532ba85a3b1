// Copies the colour files that come with an update into the colour folders.
#pragma once

#include <string>
#include <vector>

#include "platform/afx.h"

// The extensions of the colour files that come with an update, in the order
// they are copied.
inline constexpr const char16_t* kColorFileExtensions[] = {u".icm", u".CAL", u".CAF", u".BCC", u".BKS", u".BLS"};

// One colour file of an update and where it goes.
struct ColorFileCopy {
    std::u16string source;
    std::u16string destination;
};

// Finds the files of `exeDir`/prof with `extension` (".icm", ".CAL", ...) and
// where each goes: ".icm" files to the library's copy pool's colprof folder,
// the others to %WINDIR%/system32/color. A file without a usable destination
// (no copy pool, no WINDIR, a path too long) is left out. Returns 0 when
// nothing was found, 1 otherwise.
int FindColorFiles(const CString& exeDir, const CString& extension, std::vector<ColorFileCopy>& copies);

// Copies one colour file over its destination and makes the destination
// writable; true when the copy succeeded.
bool CopyColorFile(const ColorFileCopy& copy);

// Copies every file FindColorFiles finds. Returns 0 when nothing was found,
// 1 otherwise; a failed copy is not reported.
int CopyColorFiles(const CString& exeDir, const CString& extension);
