// The update script parser: reads one *.SCR file into a ScriptRecord.
#pragma once

#include "platform/afx.h"
#include "profile/records.h"

class ScriptParser {
public:
    ScriptParser() = default;
    ScriptParser(const ScriptParser&) = delete;
    ScriptParser& operator=(const ScriptParser&) = delete;
    virtual ~ScriptParser() = default;

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

    // The window that owns the message boxes of the parser and of the stages
    // built on it; null while there is none (always in silent mode).
    virtual HostWindow MessageOwner() const { return nullptr; }

    CStringArray m_fields;  // the fields of the line last split
};
