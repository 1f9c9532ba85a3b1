// The update script parser: reads one *.SCR file into a ScriptRecord.
#pragma once

#include <string>

#include "platform/afx.h"
#include "profile/records.h"
#include "profile/tables.h"

// What the parser meets that fails a script, or that parses but is likely not
// what its writer meant. Tools that explain a script (pprtool check) listen
// through a ScriptObserver; the program passes none.
enum class ScriptIssue {
    // Errors: the parse fails at this line.
    CannotOpen,         // the file cannot be opened
    NotCp932,           // a byte sequence that is not code page 932
    Empty,              // no first line
    VersionLine,        // the first line is not "[Tessera PPR Version],3.0" (`text`: what it is)
    VersionNumber,      // the version does not read 3.0 (`text`)
    NoStartMarker,      // the first line after the version line is not the start marker (`text`)
    HeaderFields,       // a table header with fewer than 3 fields (`found`)
    RowCount,           // a row count below 1 (`text`)
    MarkerInsideBlock,  // a table header or the end marker while `table` expects `expected` more rows
    KeyBelowOne,        // an integer `field` below 1 (`text`)
    TextTooLong,        // a text `field` of `found` characters, `expected` at most
    NoMemory,           // no memory for the rows of `table`
    BlockCutShort,      // the file ends while `table` expects `expected` more rows of `found`
    ReadFailed,         // reading the file failed before its end
    // Warnings: the script parses.
    ByteOrderMark,     // the file begins with a byte-order mark
    Utf8Text,          // the line's bytes read as UTF-8 text: the file was saved as UTF-8
    WrongFieldCount,   // a row line of `found` fields, `expected` wanted: its row stays zero
    BlankLineInBlock,  // a blank line inside `table`'s block: it takes a row, which stays zero
    UnknownTable,      // a table header naming no table (`text`): its block is passed over
    BlockReplaced,     // a second block of `table` replaces the one at line `found`
    PassedOver,        // a line between tables that is no table header (`text`)
    TextAfterNumber,   // characters after the number of `field` (`text`), ignored
    NoNumber,          // a hexadecimal or real `field` without a number (`text`): it reads 0
    ConsumedMark,      // key `field` holds the consumed mark (`found`): the row is never appended
};

// True for the issues that fail the parse.
constexpr bool IsScriptError(ScriptIssue issue) { return issue < ScriptIssue::ByteOrderMark; }

// One issue at one line of a script.
struct ScriptNote {
    ScriptIssue issue{};
    int line = 0;                     // line of the file, from 1; 0 for the file as a whole
    Table table = Table::ColorType;   // the table of the block, where the issue is in one
    const char16_t* field = nullptr;  // the row field's name, where the issue is in one
    int fieldNumber = 0;              // its column in the row line, from 1
    int expected = 0;
    int found = 0;
    std::u16string text{};  // the text in question
};

// Hears the issues of a parse; it cannot change what the parser does.
class ScriptObserver {
public:
    virtual ~ScriptObserver() = default;
    virtual void Report(const ScriptNote& note) = 0;
    // Hears that row `index` of the block of `table` comes from line `line`
    // (a row left zero too); a later block of the table starts again at 0.
    virtual void RowRead(Table /*table*/, int32_t /*index*/, int /*line*/) {}
};

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

    // Makes `observer` (null: none, the default) hear the issues of every
    // later parse. The parse itself stays exactly as it is without one.
    void SetObserver(ScriptObserver* observer) { m_observer = observer; }

    CStringArray m_fields;  // the fields of the line last split

private:
    ScriptObserver* m_observer = nullptr;
};
