// The working data of an update: the parsed scripts, the loaded profiles and
// their counts, with the operations over them (loading in loader.cpp, the
// merge in merge.cpp, releasing in working_data.cpp). The main dialog owns one; silent mode uses it without
// a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx.h"
#include "platform/files.h"
#include "platform/process_lock.h"
#include "profile/records.h"
#include "profile/script_parser.h"

// What became of the profile that a silent update names.
enum class ProfileLoad {
    Loaded,          // loaded (or not asked for yet)
    Missing,         // no file at the path
    NoAccess,        // the file cannot be opened for reading
    NotRegularFile,  // a folder, a FIFO, a device
    NotAProfile,     // the library refused it (not a profile, or its memory ran out)
    NoMemory,        // no memory for the private copy of its tables
    Busy,            // another update of the same profile holds its lock
    LockFailed,      // the profile's lock could not be made
};

// Returns the base name of a path: the text after its last folder separator
// (the whole path without one), of that the text before its last '.'. A
// script's base name names its printer; silent mode wants the script's and
// the profile's alike, letter case ignored.
CString PathBaseName(const CString& path);

// Returns a few English words on why a profile was not loaded.
const char* DescribeProfileLoad(ProfileLoad load);

// Returns what stands at a profile's path means for loading it: Loaded for a
// regular file that can be read (which the library may still refuse).
ProfileLoad ProfileLoadOf(FileState state);

// Returns DescribeProfileLoad(load) followed, for LockFailed, by ": " and
// `lockFailure` (why the lock could not be made, as ProcessLock says) when
// that is not empty.
std::string DescribeProfileLoad(ProfileLoad load, const std::string& lockFailure);

class WorkingData : public ScriptParser {
public:
    WorkingData() = default;
    // Releases whatever is still held: normally the merge or the dialog's
    // initialisation has released everything already; after a cancel the
    // loaded data goes here rather than being left to the end of the process.
    ~WorkingData() override { ReleaseWorkingData(); }

    // --- Loading (engine/loader.cpp) ---

    // Builds the script list (the one `scriptPath`, or every *.SCR in the
    // prof folder), parses each script and loads the matching profiles into
    // private copies. Returns 1 on success, 0 on failure. Releases first what
    // an earlier load left. Every profile's machine-wide lock
    // (engine/profile_lock.h) is taken before the profile is read and held
    // until the merge has written it or ReleaseWorkingData; a profile whose
    // lock another holds is not loaded (the dialog leaves its printer out and
    // says so on the caller's standard error and in the print system's log).
    // Once it holds a profile's lock it removes the temporary files that
    // killed updates of that profile left (unless m_bKeepLeftovers).
    // With a `profilePath` (silent mode) it refuses anything but a regular
    // file without blocking, and records in m_profileLoad why the profile was not loaded;
    // that is no failure of the load.
    int LoadScriptsAndProfiles(CString scriptPath, CString profilePath);

    // Returns 1 when a device of the library serves the printer, compared
    // byte for byte in CP932; 0 otherwise and on any failure.
    int IsPrinterInstalled(const CString& printerName);

    // --- Releasing (engine/working_data.cpp) ---

    // Releases the six row arrays of one record (C runtime blocks, with
    // free) and leaves its counts 0 and its pointers null.
    void FreeScriptTables(ScriptRecord* record);

    // Releases everything a load left: the tables of every filled slot that
    // still holds any (the library's blocks, through the library), every
    // record's rows, both arrays (C runtime blocks), and the profiles' locks.
    void ReleaseWorkingData();

    // --- The merge (engine/merge.cpp) ---

    // Folds every script into its profile and writes it; releases both
    // arrays at the end. Returns 1 when every script was gone through, 0 when
    // the library's allocator gave no block.
    int UpdatePrinterProfiles(int silent);

    // Called by the merge for each merged profile: writes it (SetPrinterProfile)
    // and returns 1 when the profile is as the merge left it. A front end may
    // keep a file that already holds those bytes, or write elsewhere first
    // (a backup); 0 counts as a profile not written.
    virtual int WriteMergedProfile(const ScriptRecord& script, const ProfileHeader& header, int silent);

    // Called by the loader when an installed printer's profile is left out
    // because its lock is held elsewhere or cannot be made (m_lockFailure
    // then says why). The dialog says so on the caller's standard error and
    // in the print system's log.
    virtual void ReportProfileLeftOut(const CString& printer, const std::u16string& path, ProfileLoad why);

    // Called by the merge in interactive mode once a printer's profile is
    // written, with the device name as the printer list shows it. The main
    // dialog removes that line; without a list there is nothing to do.
    virtual void RemoveListedPrinter(const CString& deviceName) { (void)deviceName; }

    // --- Working data. Who made each block: both arrays come from the C
    // runtime (calloc) and go back with free; so do the records' row arrays
    // (the parser's). A slot's six tables come from the library's allocator
    // (RIPmalloc: the loader's copies and the merge's grown blocks) and go
    // back through the library (RIPfree, ClearPrinterProfileWorkArea). ---
    CString m_strExeDir;          // the executable's folder, ending with a separator
    int32_t m_nScriptCount = 0;   // ScriptRecords, and entries of both arrays
    int32_t m_nProfileCount = 0;  // ProfileSlots filled, from the front
    ProfileSlot* m_pProfiles = nullptr;
    ScriptRecord* m_pScripts = nullptr;
    int32_t m_bWarnNoPrinter = 1;                     // cleared by the command-line word no_warn
    bool m_bKeepLeftovers = false;                    // a dry run: killed updates' temporary files stay
    int32_t m_nFailedWrites = 0;                      // profiles the last update could not write
    ProfileLoad m_profileLoad = ProfileLoad::Loaded;  // silent mode: what became of the named profile
    std::string m_lockFailure;  // why the loader's last profile lock was Failed (ProcessLock's words); else empty
    // The lock of each loaded profile, by slot; released once it is written.
    std::vector<std::unique_ptr<ProcessLock>> m_profileLocks;
};
