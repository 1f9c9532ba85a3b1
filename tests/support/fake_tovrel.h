// An in-memory device-manager library for tests: devices, profiles by
// printer name and by path, a copy-pool folder, a captured log, and faults
// on demand. While it lives it is the table the program calls through.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "devlib/tovrel.h"
#include "profile/tables.h"
#include "support/profile_builder.h"

class FakeTovrel {
public:
    FakeTovrel();
    ~FakeTovrel();
    FakeTovrel(const FakeTovrel&) = delete;
    FakeTovrel& operator=(const FakeTovrel&) = delete;

    // Adds a device serving the printer named in CP932, in list order.
    void AddDevice(const std::u16string& device, const std::string& printerCp932);
    // Makes GetPrinterProfile deliver the profile for the printer name.
    void AddProfile(const std::u16string& printerName, const TestProfile& profile);
    // Makes GetPrinterProfileFromPath deliver the profile for the path.
    void AddProfileAtPath(const std::u16string& path, const TestProfile& profile);

    // Makes every profile delivered from now on carry `count` in the table's
    // count field, whatever rows it has; its rows, if it has any, still come
    // in a block of their own, and a table without rows comes without one.
    void DeliverCount(Table table, int count) { m_countOverrides[table] = count; }
    // Ends DeliverCount: profiles come with their own row counts again.
    void DeliverRowCounts() { m_countOverrides.clear(); }

    // Makes the n-th RIPmalloc call from now on (1-based) answer null.
    void FailRIPmallocAt(int call) {
        m_failMallocAt = call;
        mallocCalls = 0;
    }
    // Makes GetRIPDevInfo answer 0 for the device.
    void FailDevInfoFor(const std::u16string& device) { m_failingDevInfo.insert(device); }

    std::u16string copyPool = u"/pool";
    std::vector<std::string> logLines;
    std::vector<std::string> devInfoQueries;  // CP932 device names asked, in order
    int enumCalls = 0;
    int mallocCalls = 0;  // RIPmalloc calls since the last FailRIPmallocAt
    int clearCalls = 0;

    // Blocks from RIPmalloc (or delivered with a profile) not yet given back.
    std::size_t LiveBlocks() const { return m_live.size(); }

private:
    struct Device {
        std::u16string name;
        std::string printer;
    };
    static FakeTovrel* s_current;
    static int EnumOutputDevice(void* buffer, uint32_t size, uint32_t* needed, int32_t* count);
    static int GetRIPDevInfo(const char* deviceName, void* info);
    static int GetPrinterProfile(const char16_t* printerName, ProfileHeader* header);
    static int GetPrinterProfileFromPath(const char16_t* path, ProfileHeader* header);
    static void ClearPrinterProfileWorkArea(ProfileHeader* header);
    static void* RIPmalloc(std::size_t size);
    static void RIPfree(void* block);
    static int GetCopyPoolPath(char16_t* path);
    static int WriteRIPLogFile(const char* line);
    static int Deliver(const std::map<std::u16string, TestProfile>& from, const char16_t* key, ProfileHeader* header);

    TovrelCalls m_calls;
    std::vector<Device> m_devices;
    std::map<std::u16string, TestProfile> m_byName;
    std::map<std::u16string, TestProfile> m_byPath;
    std::set<std::u16string> m_failingDevInfo;
    std::map<Table, int> m_countOverrides;
    std::set<void*> m_live;
    int m_failMallocAt = 0;
};
