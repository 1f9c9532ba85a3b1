// The print system's device-manager library (tovrel): its C operations, and
// the table of function pointers through which the program calls them.
//
// Non-zero means success wherever a result is used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "profile/records.h"

// Size of one entry of the device list: a NUL-terminated UTF-16 device name
// at its start.
constexpr std::size_t kDeviceEntrySize = 512;
// Size of the device information block; the CP932 printer name starts at
// kDevInfoPrinterNameOffset.
constexpr std::size_t kDevInfoSize = 1280;
constexpr std::size_t kDevInfoPrinterNameOffset = 512;

extern "C" {

// Lists the output devices. Called first with a null buffer and size 0 for
// the needed size in bytes, then with a buffer of that size, which receives
// `count` entries of kDeviceEntrySize bytes.
int EnumOutputDevice(void* buffer, uint32_t size, uint32_t* needed, int32_t* count);

// Fills `info` (kDevInfoSize bytes) for the device named in CP932; the
// printer the device serves is named at kDevInfoPrinterNameOffset.
int GetRIPDevInfo(const char* deviceName, void* info);

// Loads the printer's profile: fills the header, whose six table pointers
// then point to library blocks.
int GetPrinterProfile(const char16_t* printerName, ProfileHeader* header);

// As GetPrinterProfile, from the profile file at the full path.
int GetPrinterProfileFromPath(const char16_t* path, ProfileHeader* header);

// Releases the six table blocks the header points to.
void ClearPrinterProfileWorkArea(ProfileHeader* header);

// The library's allocator; it shares one heap with the C runtime's malloc.
void* RIPmalloc(std::size_t size);
void RIPfree(void* block);

// Fills `path` (260 units) with the copy-pool folder, without a trailing separator.
int GetCopyPoolPath(char16_t* path);

// Appends an 8-bit text line to the print system's log.
int WriteRIPLogFile(const char* line);

}  // extern "C"

// The operations the program calls, as one table, so that tests can put a
// fake in place of the library.
struct TovrelCalls {
    decltype(&::EnumOutputDevice) EnumOutputDevice;
    decltype(&::GetRIPDevInfo) GetRIPDevInfo;
    decltype(&::GetPrinterProfile) GetPrinterProfile;
    decltype(&::GetPrinterProfileFromPath) GetPrinterProfileFromPath;
    decltype(&::ClearPrinterProfileWorkArea) ClearPrinterProfileWorkArea;
    decltype(&::RIPmalloc) RIPmalloc;
    decltype(&::RIPfree) RIPfree;
    decltype(&::GetCopyPoolPath) GetCopyPoolPath;
    decltype(&::WriteRIPLogFile) WriteRIPLogFile;
};

// Returns the table the program calls through: the linked library unless a
// test has put another in its place.
const TovrelCalls& Tovrel();

// Returns the table bound to the linked library.
const TovrelCalls& LinkedTovrel();

// Makes `calls` the table the program calls through; null restores the
// linked library. The table must outlive its use.
void SetTovrel(const TovrelCalls* calls);
