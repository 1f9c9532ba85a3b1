// The main dialog: the owner of the update's working data and of the
// operations that read scripts, load, merge and deploy. The class is declared
// once here; its operations are defined beside the subsystem they belong to
// (parser in profile/, loader and merge in engine/, colour files in deploy/).
#pragma once

#include <cstdint>

#include "platform/afx.h"
#include "profile/records.h"

class CQuillonDlg {
public:
    CQuillonDlg();
    CQuillonDlg(const CQuillonDlg&) = delete;
    CQuillonDlg& operator=(const CQuillonDlg&) = delete;
    // Releases neither array: the merge or the dialog's initialisation does.
    ~CQuillonDlg();

    // --- The script parser (profile/script_parser.cpp) ---

    // Cuts one line (with its line feed) at every comma into fields trimmed
    // of white space; afterwards m_fields holds them in order.
    void SplitScriptLine(const CString& line);

    // Reads the script at `path` into `record` (all zero on entry). Returns 1
    // when the file was read to its end, 0 on any failure; the record then
    // keeps what it had got so far (each table's count is the number of rows
    // its array holds). Shows message 106 when the file cannot be opened.
    // Refuses what it cannot read whole: a table block cut short by the end
    // of the file, and bytes that are not CP932. Lines are read whole,
    // whatever their length, and rows are stored as they arrive. A text field
    // longer than its 259 units (CORRECTTAB field 7: 255, before its suffix)
    // fails the parse instead of being cut; a hexadecimal field without any
    // hexadecimal digit reads 0.
    int ParseUpdateScript(const CString& path, ScriptRecord* record);

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

    // --- Colour files (deploy/color_files.cpp) ---

    // Copies the files of the prof folder with `extension` to the colour
    // folders. Returns 0 when nothing was found, 1 otherwise.
    int CopyColorFiles(const CString& extension);

    // The window that owns the dialog's message boxes; null while the dialog
    // has none (always in silent mode).
    HostWindow MessageOwner() const { return m_hWnd; }

    // Removes the printer's line from the printer list, once its profile is
    // written. The list exists only while the dialog has a window.
    void RemoveListedPrinter(const CString& deviceName);

    // --- Working data ---
    CString m_strExeDir;          // the executable's folder, ending with a separator
    int32_t m_nScriptCount = 0;   // ScriptRecords, and entries of both arrays
    int32_t m_nProfileCount = 0;  // ProfileSlots filled, from the front
    ProfileSlot* m_pProfiles = nullptr;
    ScriptRecord* m_pScripts = nullptr;
    CStringArray m_fields;         // the fields of the line last split
    int32_t m_bWarnNoPrinter = 1;  // cleared by the command-line word no_warn
    int32_t m_nFailedWrites = 0;   // profiles the last update could not write

protected:
    HostWindow m_hWnd = nullptr;
};
