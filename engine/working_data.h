// The working data of an update: the parsed scripts, the loaded profiles and
// their counts, with the operations over them (loading in loader.cpp, the
// merge in merge.cpp). The main dialog owns one; silent mode uses it without
// a window.
#pragma once

#include <cstdint>

#include "platform/afx.h"
#include "profile/records.h"
#include "profile/script_parser.h"

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
    // private copies. Returns 1 on success, 0 on failure.
    int LoadScriptsAndProfiles(CString scriptPath, CString profilePath);

    // Returns 1 when a device of the library serves the printer, compared
    // byte for byte in CP932; 0 otherwise and on any failure.
    int IsPrinterInstalled(const CString& printerName);

    // Releases the six row arrays of one record.
    void FreeScriptTables(ScriptRecord* record);

    // Releases everything a load left: the tables of every filled slot that
    // still holds any, every record's rows, and both arrays.
    void ReleaseWorkingData();

    // --- The merge (engine/merge.cpp) ---

    // Folds every script into its profile and writes it; releases both
    // arrays at the end. Returns 1 when every script was gone through, 0 when
    // the library's allocator gave no block.
    int UpdatePrinterProfiles(int silent);

    // Called by the merge in interactive mode once a printer's profile is
    // written, with the device name as the printer list shows it. The main
    // dialog removes that line; without a list there is nothing to do.
    virtual void RemoveListedPrinter(const CString& deviceName) { (void)deviceName; }

    // --- Working data. The arrays come from calloc and go back with free;
    // the tables inside the slots are malloc copies of the library's. ---
    CString m_strExeDir;          // the executable's folder, ending with a separator
    int32_t m_nScriptCount = 0;   // ScriptRecords, and entries of both arrays
    int32_t m_nProfileCount = 0;  // ProfileSlots filled, from the front
    ProfileSlot* m_pProfiles = nullptr;
    ScriptRecord* m_pScripts = nullptr;
    int32_t m_bWarnNoPrinter = 1;  // cleared by the command-line word no_warn
    int32_t m_nFailedWrites = 0;   // profiles the last update could not write
};
