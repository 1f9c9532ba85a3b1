#include "tools/pprtool/check.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "engine/merge.h"
#include "engine/silent_update.h"
#include "platform/afx.h"
#include "platform/text.h"
#include "profile/script_parser.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_fields.h"

namespace {

constexpr int kExitWarnings = 1;
constexpr int kExitFailed = 2;

const char kSaveAsCp932[] = "save the script in code page 932, e.g. iconv -f UTF-8 -t CP932 in.txt > out.SCR";

// "INKTAB field 2 (param1)".
std::string FieldOf(const ScriptNote& note) {
    return TableNameUtf8(note.table) + " field " + std::to_string(note.fieldNumber) + " (" +
           Utf16ToUtf8(note.field ? note.field : u"") + ")";
}

// What becomes of a row left all zero: RESOLTAB and CORRECTTAB read it as
// consumed, the other tables append it.
std::string ZeroRowFate(Table table) {
    return table == Table::Resolution || table == Table::Correction
               ? "its row stays zero, which the update never appends"
               : "its row stays zero, which the update appends as a blank row (or merges into a profile row whose "
                 "key is 0 or an empty name)";
}

std::string Reason(const ScriptNote& n) {
    const std::string table = TableNameUtf8(n.table);
    switch (n.issue) {
        case ScriptIssue::CannotOpen: return "cannot open the script";
        case ScriptIssue::NotCp932: return std::string("bytes that are not code page 932 text; ") + kSaveAsCp932;
        case ScriptIssue::Empty: return "the script is empty; its first line must be \"[Tessera PPR Version],3.0\"";
        case ScriptIssue::VersionLine:
            return "the first line must be \"[Tessera PPR Version],3.0\", exactly 2 fields; found " +
                   QuotedUtf8(n.text) + (n.text.starts_with(u"#") ? " (a comment cannot be the first line)" : "");
        case ScriptIssue::VersionNumber:
            return "the version must read 3.0 (\"3\" and \"3.00\" do too); found " + QuotedUtf8(n.text);
        case ScriptIssue::NoStartMarker:
            return "expected \"[QUILLON_START]\" as the first line after the version line (comments aside); found " +
                   QuotedUtf8(n.text);
        case ScriptIssue::HeaderFields:
            return "a table header needs 3 fields, \"[PPR_Index],TABLE,ROWS\"; found " + std::to_string(n.found);
        case ScriptIssue::RowCount:
            return "the row count (field 3 of the table header) must be a decimal integer of at least 1; found " +
                   QuotedUtf8(n.text);
        case ScriptIssue::MarkerInsideBlock:
            return QuotedUtf8(n.text) + " while " + table + " still expects " + std::to_string(n.expected) +
                   " more row(s): the block declares more rows than it has";
        case ScriptIssue::KeyBelowOne:
            return FieldOf(n) + " must be a decimal integer of at least 1; found " + QuotedUtf8(n.text);
        case ScriptIssue::TextTooLong:
            return FieldOf(n) + " has " + std::to_string(n.found) + " characters; at most " +
                   std::to_string(n.expected) + " fit";
        case ScriptIssue::NoMemory: return "no memory for the rows of " + table;
        case ScriptIssue::BlockCutShort:
            return "the script ends while " + table + " still expects " + std::to_string(n.expected) + " of its " +
                   std::to_string(n.found) + " row(s)";
        case ScriptIssue::ReadFailed: return "reading the script failed before its end";
        case ScriptIssue::ByteOrderMark:
            return std::string("the script begins with a byte-order mark; ") + kSaveAsCp932 + ", without one";
        case ScriptIssue::Utf8Text:
            return std::string("the line reads as UTF-8 text, which code page 932 turns into other characters; ") +
                   kSaveAsCp932;
        case ScriptIssue::WrongFieldCount:
            return table + " rows have " + std::to_string(n.expected) + " fields, this line has " +
                   std::to_string(n.found) + ": " + ZeroRowFate(n.table) +
                   (n.text.find(u'\uFF0C') != std::u16string::npos
                        ? " (a full-width comma \"\uFF0C\" does not separate fields)"
                        : "");
        case ScriptIssue::BlankLineInBlock:
            return "a blank line inside the " + table + " block counts as one of its rows: " + ZeroRowFate(n.table);
        case ScriptIssue::UnknownTable:
            return "unknown table " + QuotedUtf8(n.text) + "; its block of " + std::to_string(n.found) +
                   " row(s) is passed over (tables: COLORTYPE, RESOLTAB, INKTAB, MEDIATAB, BITSPPTAB, CORRECTTAB)";
        case ScriptIssue::BlockReplaced:
            return "a second " + table + " block replaces the one at line " + std::to_string(n.found) +
                   ": only this block's rows are used";
        case ScriptIssue::PassedOver:
            return "passed over, not inside a table block: " + QuotedUtf8(n.text) +
                   " (does the block before declare too few rows?)";
        case ScriptIssue::TextAfterNumber:
            return (n.field && std::u16string_view(n.field) == u"row count" ? std::string("the row count")
                                                                            : FieldOf(n)) +
                   ": the characters after the number in " + QuotedUtf8(n.text) + " are ignored";
        case ScriptIssue::NoNumber: return FieldOf(n) + " holds no number, " + QuotedUtf8(n.text) + ": it reads 0";
        case ScriptIssue::ConsumedMark:
            return FieldOf(n) + " " + QuotedUtf8(n.text) + " is stored as " + std::to_string(n.found) +
                   (n.found == 0 ? " (its low 16 bits)" : "") +
                   ", the mark of a row already merged: if it matches no profile row, it is never appended";
    }
    return "unknown issue";
}

// "typeKey 9" or "name \"Cyan\"": the key of one script row, field by field.
std::string KeyText(const ScriptRecord& script, Table table, int32_t row) {
    const auto* bytes =
        static_cast<const uint8_t*>(ScriptRows(script, table)) + RowSize(table) * static_cast<std::size_t>(row);
    std::string text;
    for (const char* name : MergeKeyFields(table))
        for (const FieldSpec& field : RowFields(table))
            if (std::strcmp(field.name, name) == 0)
                text += (text.empty() ? "" : ", ") + std::string(name) + " " + FormatField(field, bytes);
    return text;
}

std::string RepeatedKeyReason(const ScriptRecord& script, const RepeatedKey& r, int earlierLine) {
    const std::string earlier = std::to_string(earlierLine);
    return TableNameUtf8(r.table) + " row repeats the key (" + KeyText(script, r.table, r.row) + ") of line " +
           earlier + ": once an update has appended line " + earlier +
           " to a profile without the key, a second run would change the profile again";
}

class PrintingObserver : public ScriptObserver {
public:
    explicit PrintingObserver(const std::string& file) : m_file(file) {}
    void Report(const ScriptNote& note) override {
        const bool error = IsScriptError(note.issue);
        (error ? m_errors : m_warnings)++;
        PrintLine(note.line, error, Reason(note));
    }
    void RowRead(Table table, int32_t index, int line) override {
        std::vector<int>& lines = m_rowLines[static_cast<std::size_t>(table)];
        if (index == 0) lines.clear();
        lines.push_back(line);
    }
    void PrintLine(int line, bool error, const std::string& reason) const {
        std::string where = m_file;
        if (line > 0) where.append(":").append(std::to_string(line));
        Print("%s: %s: %s\n", where.c_str(), error ? "error" : "warning", reason.c_str());
    }
    void Warn(const std::string& reason, int line = 0) {
        ++m_warnings;
        PrintLine(line, false, reason);
    }
    // Warns at each row of a parsed script that repeats an earlier row's key.
    void WarnRepeatedKeys(const ScriptRecord& script) {
        for (const RepeatedKey& r : FindRepeatedKeys(script)) {
            const std::vector<int>& lines = m_rowLines[static_cast<std::size_t>(r.table)];
            Warn(RepeatedKeyReason(script, r, lines[static_cast<std::size_t>(r.earlier)]),
                 lines[static_cast<std::size_t>(r.row)]);
        }
    }
    int m_errors = 0;
    int m_warnings = 0;

private:
    std::string m_file;
    std::array<std::vector<int>, std::size(kTablesInFileOrder)> m_rowLines;  // per table, the line of each row
};

// The parser's own message box for a script that cannot be opened is an
// error line of check, and plan's engine run says it already.
class SilentMessageHost : public MessageHost {
public:
    int ShowMessage(HostWindow, const CString&, const CString&, unsigned) override { return 1; }
};

// One script parsed as the program parses it; its rows go with it.
struct ParsedScript {
    ParsedScript(const std::string& path, ScriptObserver* observer) {
        SilentMessageHost silent;
        MessageHost& previous = CurrentMessageHost();
        SetMessageHost(&silent);
        ScriptParser parser;
        parser.SetObserver(observer);
        parsed = parser.ParseUpdateScript(CString(Utf8ToUtf16(path)), &record) != 0;
        SetMessageHost(&previous);
    }
    ~ParsedScript() {
        for (Table table : kTablesInFileOrder) std::free(ScriptRows(record, table));
    }
    ParsedScript(const ParsedScript&) = delete;
    ParsedScript& operator=(const ParsedScript&) = delete;

    ScriptRecord record{};
    bool parsed = false;
};

// Checks the name the program derives from the file name: in the dialog the
// script's base name names its printer.
void CheckFileName(const std::string& path, PrintingObserver& out) {
    const CString name = PathBaseName(CString(Utf8ToUtf16(path)));
    std::string cp932;
    if (name.IsEmpty())
        out.Warn("the file name gives no printer name: the printer is the file name without its extension");
    else if (name.GetLength() > kTextUnits - 1)
        out.Warn("the file name gives a printer name longer than " + std::to_string(kTextUnits - 1) + " characters");
    else if (!Utf16ToCp932(name.Str(), cp932))
        out.Warn("the printer name " + QuotedUtf8(name.Str()) + " has characters without a code page 932 form");
}

}  // namespace

int CheckScripts(const std::vector<std::string>& scripts) {
    int status = 0;
    for (const std::string& path : scripts) {
        PrintingObserver observer(path);
        CheckFileName(path, observer);
        const ParsedScript script(path, &observer);
        // A script that fails is never merged, so only one that parses can
        // repeat a key to any effect.
        if (script.parsed) observer.WarnRepeatedKeys(script.record);
        if (!script.parsed && observer.m_errors == 0) observer.PrintLine(0, true, "the parser refuses the script");
        if (!script.parsed)
            status = kExitFailed;
        else if (observer.m_warnings > 0 && status == 0)
            status = kExitWarnings;
    }
    return status;
}

std::string RepeatedKeysNote(const std::string& scriptPath, const ScriptRecord& script) {
    const std::size_t repeated = FindRepeatedKeys(script).size();
    if (repeated == 0) return "";
    return scriptPath + ": " + std::to_string(repeated) +
           " row(s) repeat the key of an earlier row in their block: a second run would change the profile again "
           "(pprtool check " +
           scriptPath + " says where)";
}

std::string RepeatedKeysNoteOf(const std::string& scriptPath) {
    const ParsedScript script(scriptPath, nullptr);
    return script.parsed ? RepeatedKeysNote(scriptPath, script.record) : "";
}
