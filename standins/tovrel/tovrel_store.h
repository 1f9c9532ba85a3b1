// The stand-in library's file-based store. Everything lives under one root
// folder: $TOVREL_ROOT, or the folder "printsys" beside the library itself.
//
//   devices.txt        the devices, UTF-8, one a line: device name, a tab,
//                      the name of the printer it serves; lines starting
//                      with '#' and blank lines are passed over
//   copypool/          the copy pool; copypool/<printer>.ppr is a printer's
//                      profile, copypool/colprof/ its colour files
//   tovrel.log         the log, appended to line by line
//
// A device is listed only when the library can answer for it: its name is
// 1 to 255 UTF-16 units (so it fits a device-list entry with its
// terminator) and has a CP932 form of at most 259 bytes (what the caller's
// buffers hold), and the printer's name is non-empty with a CP932 form that
// fits the device information block. Other lines are passed over, so every
// listed device can be looked up with GetRIPDevInfo.
//
// A printer name that holds a folder separator ('/' or '\\') names no
// profile: GetPrinterProfile reads only files of the copy pool itself.
#pragma once

#include <string>
#include <vector>

// One usable line of devices.txt.
struct StoreDevice {
    std::u16string name;       // as listed by EnumOutputDevice
    std::string nameCp932;     // what GetRIPDevInfo compares with
    std::string printerCp932;  // what GetRIPDevInfo hands out
};

// Returns the store's root folder, without a trailing separator.
std::u16string StoreRoot();

// Returns `folder` followed by the platform's separator and `name`.
std::u16string JoinPath(const std::u16string& folder, std::u16string_view name);

// Returns the copy-pool folder: the root followed by "copypool".
std::u16string CopyPoolFolder();

// Reads the usable devices of devices.txt in file order; none when the file
// is missing or unreadable.
std::vector<StoreDevice> ReadStoreDevices();

// Returns the full path of this library's own file; false when it cannot be had.
bool ReadLibraryPath(std::u16string& path);
