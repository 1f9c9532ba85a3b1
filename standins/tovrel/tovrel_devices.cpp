// EnumOutputDevice and GetRIPDevInfo over devices.txt.
#include <cstring>

#include "devlib/tovrel.h"
#include "standins/tovrel/tovrel_store.h"

extern "C" int EnumOutputDevice(void* buffer, uint32_t size, uint32_t* needed, int32_t* count) {
    const std::vector<StoreDevice> devices = ReadStoreDevices();
    const uint64_t required = uint64_t{devices.size()} * kDeviceEntrySize;
    if (required > UINT32_MAX) return 0;
    if (needed) *needed = static_cast<uint32_t>(required);
    if (!buffer) {
        if (count) *count = static_cast<int32_t>(devices.size());
        return 1;
    }
    if (size < required) {
        // As the system's own list calls do: the needed size, no entries.
        if (count) *count = 0;
        return 0;
    }
    auto* entries = static_cast<uint8_t*>(buffer);
    std::memset(entries, 0, static_cast<std::size_t>(required));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        // Names are at most 255 units (see ReadStoreDevices), so the terminator fits.
        std::memcpy(entries + i * kDeviceEntrySize, devices[i].name.data(), devices[i].name.size() * sizeof(char16_t));
    }
    if (count) *count = static_cast<int32_t>(devices.size());
    return 1;
}

extern "C" int GetRIPDevInfo(const char* deviceName, void* info) {
    if (!deviceName || !info) return 0;
    for (const StoreDevice& device : ReadStoreDevices()) {
        if (device.nameCp932 != deviceName) continue;
        auto* block = static_cast<uint8_t*>(info);
        std::memset(block, 0, kDevInfoSize);
        std::memcpy(block + kDevInfoPrinterNameOffset, device.printerCp932.data(), device.printerCp932.size());
        return 1;
    }
    return 0;
}
