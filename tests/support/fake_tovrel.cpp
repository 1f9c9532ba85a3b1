#include "support/fake_tovrel.h"

#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/text.h"
#include "profile/tables.h"

FakeTovrel* FakeTovrel::s_current = nullptr;

FakeTovrel::FakeTovrel()
    : m_calls{&FakeTovrel::EnumOutputDevice,
              &FakeTovrel::GetRIPDevInfo,
              &FakeTovrel::GetPrinterProfile,
              &FakeTovrel::GetPrinterProfileFromPath,
              &FakeTovrel::ClearPrinterProfileWorkArea,
              &FakeTovrel::RIPmalloc,
              &FakeTovrel::RIPfree,
              &FakeTovrel::GetCopyPoolPath,
              &FakeTovrel::WriteRIPLogFile} {
    s_current = this;
    SetTovrel(&m_calls);
}

FakeTovrel::~FakeTovrel() {
    SetTovrel(nullptr);
    s_current = nullptr;
    for (void* block : m_live) std::free(block);
}

void FakeTovrel::AddDevice(const std::u16string& device, const std::string& printerCp932) {
    m_devices.push_back({device, printerCp932});
}

void FakeTovrel::AddProfile(const std::u16string& printerName, const TestProfile& profile) {
    m_byName[printerName] = profile;
}

void FakeTovrel::AddProfileAtPath(const std::u16string& path, const TestProfile& profile) { m_byPath[path] = profile; }

int FakeTovrel::EnumOutputDevice(void* buffer, uint32_t size, uint32_t* needed, int32_t* count) {
    FakeTovrel& self = *s_current;
    ++self.enumCalls;
    *needed = static_cast<uint32_t>(self.m_devices.size() * kDeviceEntrySize);
    *count = static_cast<int32_t>(self.m_devices.size());
    if (buffer == nullptr || size < *needed) return 0;
    std::memset(buffer, 0, size);
    for (std::size_t i = 0; i < self.m_devices.size(); ++i) {
        const std::u16string& name = self.m_devices[i].name;
        std::memcpy(static_cast<char*>(buffer) + i * kDeviceEntrySize, name.c_str(),
                    (name.size() + 1) * sizeof(char16_t));
    }
    return 1;
}

int FakeTovrel::GetRIPDevInfo(const char* deviceName, void* info) {
    FakeTovrel& self = *s_current;
    self.devInfoQueries.emplace_back(deviceName);
    for (const Device& device : self.m_devices) {
        char ansi[kTextUnits];
        WcsToMbs(ansi, sizeof ansi, device.name.c_str());
        if (std::strcmp(ansi, deviceName) != 0) continue;
        if (self.m_failingDevInfo.count(device.name)) return 0;
        std::memset(info, 0, kDevInfoSize);
        std::memcpy(static_cast<char*>(info) + kDevInfoPrinterNameOffset, device.printer.c_str(),
                    device.printer.size() + 1);
        return 1;
    }
    return 0;
}

int FakeTovrel::Deliver(const std::map<std::u16string, TestProfile>& from, const char16_t* key, ProfileHeader* header) {
    const auto found = from.find(key);
    // The library's own allocator can run out while it loads a profile.
    if (found == from.end() || InjectFault(FaultSite::Allocation)) return 0;
    const TestProfile& profile = found->second;
    *header = profile.Header();
    for (Table table : kTablesInFileOrder) {
        const int count = HeaderCount(*header, table);
        if (count > 0) {
            const std::size_t bytes = static_cast<std::size_t>(count) * RowSize(table);
            void* block = std::malloc(bytes);
            std::memcpy(block, HeaderBlock(*header, table), bytes);
            s_current->m_live.insert(block);
            SetHeaderBlock(*header, table, block);
        } else {
            SetHeaderBlock(*header, table, nullptr);
        }
        const auto overridden = s_current->m_countOverrides.find(table);
        if (overridden != s_current->m_countOverrides.end()) SetHeaderCount(*header, table, overridden->second);
    }
    return 1;
}

int FakeTovrel::GetPrinterProfile(const char16_t* printerName, ProfileHeader* header) {
    return Deliver(s_current->m_byName, printerName, header);
}

int FakeTovrel::GetPrinterProfileFromPath(const char16_t* path, ProfileHeader* header) {
    return Deliver(s_current->m_byPath, path, header);
}

void FakeTovrel::ClearPrinterProfileWorkArea(ProfileHeader* header) {
    ++s_current->clearCalls;
    for (Table table : kTablesInFileOrder) {
        RIPfree(HeaderBlock(*header, table));
        SetHeaderBlock(*header, table, nullptr);
    }
}

void* FakeTovrel::RIPmalloc(std::size_t size) {
    FakeTovrel& self = *s_current;
    if (++self.mallocCalls == self.m_failMallocAt || InjectFault(FaultSite::Allocation)) return nullptr;
    void* block = std::malloc(size);
    if (block != nullptr) self.m_live.insert(block);
    return block;
}

void FakeTovrel::RIPfree(void* block) {
    if (block == nullptr) return;
    s_current->m_live.erase(block);
    std::free(block);
}

int FakeTovrel::GetCopyPoolPath(char16_t* path) {
    CopyText(path, kTextUnits, s_current->copyPool);
    return 1;
}

int FakeTovrel::WriteRIPLogFile(const char* line) {
    s_current->logLines.emplace_back(line);
    return 1;
}
