#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/working_data.h"

#include "devlib/tovrel.h"
#include "engine/profile_lock.h"
#include "platform/afxwin.h"
#include "platform/crt_memory.h"
#include "platform/files.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "profile/tables.h"

namespace {

// A library profile the merge can work on: no negative count, and rows
// wherever rows are counted.
bool IsUsableProfile(const ProfileHeader& header) {
    for (Table table : kTablesInFileOrder) {
        const int count = HeaderCount(header, table);
        if (count < 0 || (count > 0 && HeaderBlock(header, table) == nullptr)) return false;
    }
    return true;
}

// Copies the library's tables into private blocks; false when memory runs
// out (what was copied is released again). The blocks come from the
// library's allocator, like the blocks the merge grows them into, so that
// every table block of a slot goes back the one way, through the library.
// Each delivered block goes back as soon as it is copied, so that a profile
// is held twice only one table at a time.
bool CopyTablesInto(ProfileHeader& slotHeader, ProfileHeader& delivered) {
    for (Table table : kTablesInFileOrder) SetHeaderBlock(slotHeader, table, nullptr);
    for (Table table : kTablesInFileOrder) {
        const std::size_t bytes = static_cast<std::size_t>(HeaderCount(delivered, table)) * RowSize(table);
        // An empty table keeps no block: nothing would ever free a block of no rows.
        if (bytes == 0) continue;
        void* block = Tovrel().RIPmalloc(bytes);
        if (block == nullptr) {
            for (Table t : kTablesInFileOrder) Tovrel().RIPfree(HeaderBlock(slotHeader, t));
            for (Table t : kTablesInFileOrder) SetHeaderBlock(slotHeader, t, nullptr);
            return false;
        }
        std::memcpy(block, HeaderBlock(delivered, table), bytes);
        SetHeaderBlock(slotHeader, table, block);
        Tovrel().RIPfree(HeaderBlock(delivered, table));
        SetHeaderBlock(delivered, table, nullptr);
    }
    return true;
}

// Takes the profile's lock before anything reads the file; Loaded when it is held.
ProfileLoad LockedFor(const CString& path, ProcessLock& lock) {
    switch (LockProfile(path, lock)) {
        case ProcessLock::Outcome::Acquired: return ProfileLoad::Loaded;
        case ProcessLock::Outcome::Busy: return ProfileLoad::Busy;
        case ProcessLock::Outcome::Failed: return ProfileLoad::LockFailed;
    }
    return ProfileLoad::LockFailed;
}

// Asks the library for the profile file a silent update names, once it is
// known to be a regular file and its lock is held; the lock then stays with
// `lock`. An earlier update that was killed may have left temporary files
// beside it, which only the lock holder may remove.
ProfileLoad LoadNamedProfile(const CString& path, ProcessLock& lock, ProfileHeader& received, bool keepLeftovers) {
    const ProfileLoad state = ProfileLoadOf(ProbeFile(path));
    if (state != ProfileLoad::Loaded) return state;
    const ProfileLoad locked = LockedFor(path, lock);
    if (locked != ProfileLoad::Loaded) return locked;
    if (!keepLeftovers) FileReplacement::RemoveLeftovers(path);
    return Tovrel().GetPrinterProfileFromPath(path, &received) ? ProfileLoad::Loaded : ProfileLoad::NotAProfile;
}

}  // namespace

int WorkingData::LoadScriptsAndProfiles(CString scriptPath, CString profilePath) {
    // Start clean: whatever an earlier load left goes back first.
    ReleaseWorkingData();

    std::vector<CString> scripts;
    if (!scriptPath.IsEmpty()) {
        scripts.push_back(scriptPath);
    } else {
        const CString folder = m_strExeDir + u"prof" + std::u16string(1, PathSeparator());
        const CString pattern = folder + u"*" + u".SCR";
        // Beyond the 260-unit limit of a search pattern there is nothing to find.
        if (pattern.GetLength() >= kTextUnits) return 0;
        DirectorySearch search;
        if (!search.First(pattern)) return 0;
        do {
            scripts.push_back(folder + search.Name());
        } while (search.Next());
        search.Close();
    }
    m_nScriptCount = static_cast<int32_t>(scripts.size());

    m_pScripts = static_cast<ScriptRecord*>(CrtCalloc(scripts.size(), sizeof(ScriptRecord)));
    if (m_pScripts == nullptr) return 0;
    m_pProfiles = static_cast<ProfileSlot*>(CrtCalloc(scripts.size(), sizeof(ProfileSlot)));
    if (m_pProfiles == nullptr) return 0;

    const bool silent = !profilePath.IsEmpty();
    ProfileHeader received;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        ScriptRecord& record = m_pScripts[i];
        if (!ParseUpdateScript(scripts[i], &record)) return 0;

        // prof/A.B.SCR is for the printer A.B.
        const CString name = silent ? profilePath : PathBaseName(scripts[i]);
        // A name cut to its field would pair the script with another printer
        // or, in silent mode, write another file.
        if (!CopyText(record.printerName, kTextUnits, name.Str())) return 0;

        std::memset(&received, 0, sizeof received);
        // The profile's lock is held from before it is read until it is
        // written or the working data is released.
        auto lock = std::make_unique<ProcessLock>();
        int delivered = 0;
        if (silent) {
            m_profileLoad = LoadNamedProfile(name, *lock, received, m_bKeepLeftovers);
            m_lockFailure = lock->FailureReason();
            delivered = m_profileLoad == ProfileLoad::Loaded;
        } else if (IsPrinterInstalled(name)) {
            const std::u16string path = CopyPoolProfilePath(name.Str());
            const ProfileLoad locked = LockedFor(CString(path), *lock);
            m_lockFailure = lock->FailureReason();
            if (locked == ProfileLoad::Loaded) {
                if (!m_bKeepLeftovers) FileReplacement::RemoveLeftovers(path.c_str());
                delivered = Tovrel().GetPrinterProfile(name, &received);
            } else
                ReportProfileLeftOut(name, path, locked);
        }
        if (!delivered) continue;

        if (!IsUsableProfile(received)) {
            // Treated as a profile the library could not give.
            Tovrel().ClearPrinterProfileWorkArea(&received);
            if (silent) m_profileLoad = ProfileLoad::NotAProfile;
            continue;
        }
        ProfileSlot& slot = m_pProfiles[m_nProfileCount];
        CopyText(slot.name, kTextUnits, name.Str());
        slot.header = received;
        if (!CopyTablesInto(slot.header, received)) {
            std::memset(&slot, 0, sizeof slot);
            Tovrel().ClearPrinterProfileWorkArea(&received);
            // Silent mode says why its one profile was not loaded.
            if (!silent) return 0;
            m_profileLoad = ProfileLoad::NoMemory;
            continue;
        }
        Tovrel().ClearPrinterProfileWorkArea(&received);
        m_profileLocks.push_back(std::move(lock));
        ++m_nProfileCount;
    }
    return 1;
}

int WorkingData::IsPrinterInstalled(const CString& printerName) {
    // A name without a whole CP932 form within 259 bytes cannot be the name
    // of an installed printer.
    char wanted[kTextUnits];
    if (!WcsToMbs(wanted, sizeof wanted, printerName)) return 0;

    uint32_t needed = 0;
    int32_t count = 0;
    Tovrel().EnumOutputDevice(nullptr, 0, &needed, &count);
    void* list = CrtMalloc(needed);
    if (list == nullptr) return 0;
    if (!Tovrel().EnumOutputDevice(list, needed, &needed, &count) || count <= 0) {
        std::free(list);
        return 0;
    }

    // Never look past the buffer, whatever the count says.
    const std::size_t entries = std::min<std::size_t>(static_cast<std::size_t>(count), needed / kDeviceEntrySize);
    int installed = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        constexpr std::size_t kNameUnits = kDeviceEntrySize / sizeof(char16_t);
        char16_t deviceName[kNameUnits + 1] = {};
        std::memcpy(deviceName, static_cast<const char*>(list) + i * kDeviceEntrySize, kDeviceEntrySize);

        // A device name cut to 259 bytes could name another device: such a
        // device is passed over.
        char ansiDevice[kTextUnits];
        if (!WcsToMbs(ansiDevice, sizeof ansiDevice, deviceName)) continue;
        uint8_t info[kDevInfoSize] = {};
        if (!Tovrel().GetRIPDevInfo(ansiDevice, info)) break;

        const auto* served = reinterpret_cast<const char*>(info + kDevInfoPrinterNameOffset);
        const std::size_t servedLength = strnlen(served, kDevInfoSize - kDevInfoPrinterNameOffset);
        if (servedLength == std::strlen(wanted) && std::memcmp(served, wanted, servedLength) == 0) {
            installed = 1;
            break;
        }
    }
    std::free(list);
    return installed;
}

// Says where an administrator looks (standard error of a terminal run, and
// the print system's log) that the dialog leaves a printer out because its
// profile is being updated by someone else.
void WorkingData::ReportProfileLeftOut(const CString& printer, const std::u16string& path, ProfileLoad why) {
    const std::string reason = DescribeProfileLoad(why, m_lockFailure);
    CurrentDialogHost().ReportToCaller(u"quillon: " + printer.Str() + u": " + Utf8ToUtf16(reason) +
                                       u"; left out of the list");
    char ansiPath[kTextUnits];
    WcsToMbs(ansiPath, sizeof ansiPath, path.c_str());
    const std::string line = "Quillon: " + std::string(ansiPath) + ": " + reason + "; left out of the list\n";
    Tovrel().WriteRIPLogFile(line.c_str());
}
