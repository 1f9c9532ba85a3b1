#include "profile/script_parser.h"

#include <algorithm>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/afx.h"
#include "platform/crt_memory.h"
#include "platform/text.h"
#include "platform/text_file.h"
#include "profile/records.h"
#include "profile/tables.h"
#include "res/resource.h"

namespace {

constexpr char16_t kVersionMarker[] = u"[Tessera PPR Version]";
constexpr char16_t kStartMarker[] = u"[QUILLON_START]";
constexpr char16_t kTableMarker[] = u"[PPR_Index]";
constexpr char16_t kEndMarker[] = u"[QUILLON_END]";
constexpr double kScriptVersion = 3.0;

// Fields of a row line, per table.
int RowFieldCount(Table table) {
    switch (table) {
        case Table::ColorType: return 4;
        case Table::Resolution: return 6;
        case Table::Ink:
        case Table::Media:
        case Table::BitsPerPixel: return 3;
        case Table::Correction: return 22;
    }
    return 0;
}

// Hands the parse's issues to the observer, stamped with the line being
// read; without an observer it does nothing.
class Notes {
public:
    explicit Notes(ScriptObserver* observer) : m_observer(observer) {}
    bool Listening() const { return m_observer != nullptr; }
    void NextLine() { ++m_line; }
    void Row(Table table, int32_t index) {
        if (m_observer != nullptr) m_observer->RowRead(table, index, m_line);
    }
    int Line() const { return m_line; }
    void Add(ScriptNote note) {
        if (m_observer == nullptr) return;
        note.line = m_line;
        m_observer->Report(note);
    }
    // Reports an error; returns the parse's result for it.
    int Fail(ScriptNote note) {
        Add(std::move(note));
        return 0;
    }

private:
    ScriptObserver* m_observer;
    int m_line = 0;
};

// True when bytes that passed as CP932 read as UTF-8 text with something
// beyond ASCII: a script saved as UTF-8 that decodes to nonsense.
bool LooksLikeUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // a byte-order mark has its own note
    bool beyondAscii = false;
    for (char c : bytes) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
    return beyondAscii && Utf8ToUtf16(bytes).find(u'\uFFFD') == std::u16string::npos;
}

bool StartsWithByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xEF\xBB\xBF" || bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
}

// The fields of a line, trimmed, as views into the line.
using FieldViews = std::vector<std::u16string_view>;

// Cuts `line` at every comma into fields trimmed of white space.
void SplitFields(std::u16string_view line, FieldViews& fields) {
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(u',', start);
        const std::size_t end = comma == std::u16string_view::npos ? line.size() : comma;
        fields.push_back(TrimWideSpace(line.substr(start, end - start)));
        if (comma == std::u16string_view::npos) return;
        start = comma + 1;
    }
}

// A field as NUL-terminated text for the number readers, which stop at the
// first NUL as they would at the field's end; short fields stay on the stack.
class TerminatedField {
public:
    explicit TerminatedField(std::u16string_view field) {
        if (field.size() < std::size(m_small)) {
            std::copy(field.begin(), field.end(), m_small);
            m_small[field.size()] = 0;
            m_text = m_small;
        } else {
            m_large.assign(field);
            m_text = m_large.c_str();
        }
    }
    TerminatedField(const TerminatedField&) = delete;
    TerminatedField& operator=(const TerminatedField&) = delete;
    const char16_t* Text() const { return m_text; }

private:
    char16_t m_small[64] = {};
    std::u16string m_large;
    const char16_t* m_text = nullptr;
};

// Reads the fields of one row line into a row, field by field in order. Each
// reader returns false when the row must end the parse; the readers name
// their fields for the notes.
class RowReader {
public:
    RowReader(const FieldViews& fields, Table table, Notes& notes) : m_fields(fields), m_table(table), m_notes(notes) {}

    // An integer key: below 1 fails, judged on the whole number; the field
    // keeps its low-order bits.
    template <typename Int>
    bool Integer(Int& out, const char16_t* name) {
        const std::u16string_view text = Next();
        std::size_t used = 0;
        const int value = ReadDecimal(TerminatedField(text).Text(), &used);
        if (value < 1) return m_notes.Fail(Note(ScriptIssue::KeyBelowOne, name)) != 0;
        NoteRest(text, used, name);
        out = static_cast<Int>(value);
        return true;
    }

    // Without any hexadecimal digit the field reads 0, as the row started.
    void Hex(uint32_t& out, const char16_t* name) {
        const std::u16string_view text = Next();
        bool digits = false;
        std::size_t used = 0;
        out = ReadHex(TerminatedField(text).Text(), &digits, &used);
        if (!digits) m_notes.Add(Note(ScriptIssue::NoNumber, name));
        NoteRest(text, used, name);
    }

    void Real(float& out, const char16_t* name) {
        const std::u16string_view text = Next();
        std::size_t used = 0;
        const double value = ReadReal(TerminatedField(text).Text(), &used);
        if (used == 0) m_notes.Add(Note(ScriptIssue::NoNumber, name));
        NoteRest(text, used, name);
        // Beyond the range of single precision the value becomes an infinity
        // of its sign instead of going through an undefined conversion.
        if (value > FLT_MAX) {
            out = std::numeric_limits<float>::infinity();
        } else if (value < -FLT_MAX) {
            out = -std::numeric_limits<float>::infinity();
        } else {
            out = static_cast<float>(value);
        }
    }

    bool Text(char16_t (&out)[kTextUnits], const char16_t* name) {
        if (StoreText(out, Next())) return true;
        return TooLong(name, kTextUnits - 1) != 0;
    }

    // Reports a text field longer than `limit`; returns the parse's result.
    int TooLong(const char16_t* name, int limit) {
        ScriptNote note = Note(ScriptIssue::TextTooLong, name);
        note.expected = limit;
        note.found = static_cast<int>(note.text.size());
        return m_notes.Fail(note);
    }

    // Notes a key that holds its table's consumed mark: the merge takes the
    // row for one that matched, so it is never appended.
    void NoteMark(bool marked, const char16_t* name, int fieldNumber, int mark) {
        if (!marked || !m_notes.Listening()) return;
        ScriptNote note{
            .issue = ScriptIssue::ConsumedMark, .table = m_table, .field = name, .fieldNumber = fieldNumber};
        note.found = mark;
        note.text = m_fields[static_cast<std::size_t>(fieldNumber - 1)];
        m_notes.Add(note);
    }

    // Stores `text` and `suffix` in a text field. Text that does not fit fails
    // rather than being cut: a cut name would become a different key in the
    // profile.
    static bool StoreText(char16_t (&out)[kTextUnits], std::u16string_view text, std::u16string_view suffix = {}) {
        if (text.size() + suffix.size() < static_cast<std::size_t>(kTextUnits)) {
            std::copy(suffix.begin(), suffix.end(), std::copy(text.begin(), text.end(), out));
            out[text.size() + suffix.size()] = 0;
            return true;
        }
        return CopyText(out, kTextUnits, std::u16string(text) + std::u16string(suffix));
    }

    std::u16string_view Next() { return m_fields[static_cast<std::size_t>(m_next++)]; }

private:
    // A note on the field last read.
    ScriptNote Note(ScriptIssue issue, const char16_t* name) const {
        ScriptNote note{.issue = issue, .table = m_table, .field = name, .fieldNumber = m_next};
        note.text = m_fields[static_cast<std::size_t>(m_next - 1)];
        return note;
    }

    // Notes characters after a number that its reading passed over ("72O").
    void NoteRest(std::u16string_view text, std::size_t used, const char16_t* name) {
        if (used > 0 && used < text.size()) m_notes.Add(Note(ScriptIssue::TextAfterNumber, name));
    }

    const FieldViews& m_fields;
    Table m_table;
    Notes& m_notes;
    int m_next = 0;
};

bool ReadColorTypeRow(RowReader& in, ColorTypeEntry& row) {
    if (!in.Integer(row.typeCode, u"typeCode") || !in.Integer(row.typeKey, u"typeKey")) return false;
    in.NoteMark(row.typeCode == kColorTypeConsumedMark, u"typeCode", 1, kColorTypeConsumedMark);
    in.Hex(row.param1, u"param1");
    in.Hex(row.param2, u"param2");
    return true;
}

bool ReadResolutionRow(RowReader& in, ResolutionEntry& row) {
    if (!in.Integer(row.res1, u"res1") || !in.Integer(row.res2, u"res2") || !in.Integer(row.res3, u"res3") ||
        !in.Integer(row.res4, u"res4")) {
        return false;
    }
    in.NoteMark(row.res1 == kResolutionConsumedMark, u"res1", 1, kResolutionConsumedMark);
    in.Hex(row.param1, u"param1");
    in.Hex(row.param2, u"param2");
    return true;
}

bool ReadNamedRow(RowReader& in, NamedEntry& row) {
    if (!in.Text(row.name, u"name")) return false;
    in.Hex(row.param1, u"param1");
    in.Hex(row.param2, u"param2");
    return true;
}

bool ReadBitsPerPixelRow(RowReader& in, BitsPerPixelEntry& row) {
    if (!in.Integer(row.bppKey, u"bppKey")) return false;
    in.NoteMark(row.bppKey == kBitsPerPixelConsumedMark, u"bppKey", 1, kBitsPerPixelConsumedMark);
    in.Hex(row.param1, u"param1");
    in.Hex(row.param2, u"param2");
    return true;
}

bool ReadCorrectionRow(RowReader& in, CorrectionEntry& row) {
    if (!in.Integer(row.key1, u"key1") || !in.Integer(row.key2, u"key2")) return false;
    in.NoteMark(row.key1 == kCorrectionConsumedMark, u"key1", 1, kCorrectionConsumedMark);
    if (!in.Text(row.name1, u"name1") || !in.Text(row.name2, u"name2")) return false;
    if (!in.Integer(row.level1, u"level1") || !in.Integer(row.level2, u"level2")) return false;
    // Field 7 names the three colour files of the row.
    const std::u16string_view baseName = in.Next();
    if (!RowReader::StoreText(row.icmFile, baseName, u".icm") ||
        !RowReader::StoreText(row.calFile, baseName, u".CAL") ||
        !RowReader::StoreText(row.bccFile, baseName, u".BCC")) {
        return in.TooLong(u"colorFile", kTextUnits - 1 - 4) != 0;
    }
    if (!in.Text(row.text8, u"text8") || !in.Text(row.text9, u"text9")) return false;
    in.Real(row.scalar, u"scalar");
    for (float& value : row.series) in.Real(value, u"series");
    in.Hex(row.param1, u"param1");
    in.Hex(row.param2, u"param2");
    return true;
}

// Converts the fields into row `index` of the table's array.
bool ReadRow(const FieldViews& fields, Table table, void* rows, int index, Notes& notes) {
    RowReader in(fields, table, notes);
    switch (table) {
        case Table::ColorType: return ReadColorTypeRow(in, static_cast<ColorTypeEntry*>(rows)[index]);
        case Table::Resolution: return ReadResolutionRow(in, static_cast<ResolutionEntry*>(rows)[index]);
        case Table::Ink:
        case Table::Media: return ReadNamedRow(in, static_cast<NamedEntry*>(rows)[index]);
        case Table::BitsPerPixel: return ReadBitsPerPixelRow(in, static_cast<BitsPerPixelEntry*>(rows)[index]);
        case Table::Correction: return ReadCorrectionRow(in, static_cast<CorrectionEntry*>(rows)[index]);
    }
    return false;
}

// Finds the table a header names; false for a name the program does not know.
bool FindTable(std::u16string_view name, Table& table) {
    for (Table candidate : kTablesInFileOrder) {
        if (CompareNoCase(name, TableName(candidate)) == 0) {
            table = candidate;
            return true;
        }
    }
    return false;
}

// Makes room for row `index` of the table's array and zero-fills it. The
// array grows with the rows that arrive (doubling, never beyond the declared
// count), so a script declaring millions of rows costs memory only for the
// lines it really has. The array is a C runtime block (CrtRealloc), which
// FreeScriptTables gives back with free. False when memory runs out;
// the record then keeps its rows so far.
bool AddZeroRow(ScriptRecord& record, Table table, int32_t index, int32_t declared, int32_t& capacity) {
    void* rows = ScriptRows(record, table);
    const std::size_t rowSize = RowSize(table);
    if (index >= capacity) {
        const int32_t wanted = capacity > declared / 2 ? declared : std::max<int32_t>(16, capacity * 2);
        const int32_t grown = std::min(wanted, declared);
        if (static_cast<std::size_t>(grown) > std::numeric_limits<std::size_t>::max() / rowSize) return false;
        void* bigger = CrtRealloc(rows, static_cast<std::size_t>(grown) * rowSize);
        if (bigger == nullptr) return false;
        rows = bigger;
        capacity = grown;
    }
    std::memset(static_cast<char*>(rows) + static_cast<std::size_t>(index) * rowSize, 0, rowSize);
    SetScriptTable(record, table, index + 1, rows);
    return true;
}

enum class ParseState { AwaitingStart, BetweenTables, InTable };

}  // namespace

void ScriptParser::SplitScriptLine(const CString& line) {
    FieldViews fields;
    SplitFields(line.Str(), fields);
    m_fields.RemoveAll();
    for (std::u16string_view field : fields) m_fields.Add(CString(field));
}

int ScriptParser::ParseUpdateScript(const CString& path, ScriptRecord* record) {
    Notes notes(m_observer);
    TextFileReader file;  // closes the file on every way out
    if (!file.Open(path)) {
        notes.Add({.issue = ScriptIssue::CannotOpen});
        ShowMessageBox(MessageOwner(), LoadResString(IDS_SCRIPT_OPEN_FAILED), LoadResString(IDS_QUILLON),
                       kMbOk | kMbIconExclamation);
        return 0;
    }

    // Text that is not CP932 fails the parse: nothing is written from bytes
    // that could not be read.
    // Rows are split into views of the line (no copy per field); m_fields
    // gets the fields of the last line split when the parse ends. A line is
    // read into `next` and becomes `line` when it is split.
    std::u16string line;
    std::u16string next;
    FieldViews fields;
    bool split = false;
    struct KeepLastFields {
        ScriptParser& parser;
        const std::u16string& line;
        const bool& split;
        ~KeepLastFields() {
            if (split) parser.SplitScriptLine(CString(line));
        }
    } keepLastFields{*this, line, split};
    if (!file.ReadLine(line)) return notes.Fail({.issue = ScriptIssue::Empty});
    notes.NextLine();
    if (notes.Listening() && StartsWithByteOrderMark(file.LineBytes()))
        notes.Add({.issue = ScriptIssue::ByteOrderMark});
    if (notes.Listening() && LooksLikeUtf8(file.LineBytes())) notes.Add({.issue = ScriptIssue::Utf8Text});
    if (!file.LineIsCp932()) return notes.Fail({.issue = ScriptIssue::NotCp932});
    SplitFields(line, fields);
    split = true;
    if (fields.size() != 2 || CompareNoCase(fields[0], kVersionMarker) != 0) {
        ScriptNote note{.issue = ScriptIssue::VersionLine, .found = static_cast<int>(fields.size())};
        note.text = CString(line).Trim().Str();
        return notes.Fail(note);
    }
    if (ReadReal(TerminatedField(fields[1]).Text()) != kScriptVersion) {
        ScriptNote note{.issue = ScriptIssue::VersionNumber};
        note.text = fields[1];
        return notes.Fail(note);
    }

    ParseState state = ParseState::AwaitingStart;
    Table table = Table::ColorType;
    int32_t declared = 0;   // the current block's row count
    int32_t remaining = 0;  // rows it still expects
    int32_t capacity = 0;   // rows its array has room for
    // For the notes only: where each table's block began, and the lines of
    // an unknown table's block still to pass over.
    int blockLine[std::size(kTablesInFileOrder)] = {};
    int32_t unknownRows = 0;
    while (file.ReadLine(next)) {
        notes.NextLine();
        if (notes.Listening() && LooksLikeUtf8(file.LineBytes())) notes.Add({.issue = ScriptIssue::Utf8Text});
        if (!file.LineIsCp932()) return notes.Fail({.issue = ScriptIssue::NotCp932});
        if (!next.empty() && next[0] == u'#') continue;
        line.swap(next);
        SplitFields(line, fields);
        const int fieldCount = static_cast<int>(fields.size());
        const std::u16string_view first = fields[0];
        const bool blank = fieldCount == 1 && first.empty();

        switch (state) {
            case ParseState::AwaitingStart:
                if (CompareNoCase(first, kStartMarker) != 0) {
                    ScriptNote note{.issue = ScriptIssue::NoStartMarker};
                    note.text = CString(line).Trim().Str();
                    return notes.Fail(note);
                }
                state = ParseState::BetweenTables;
                break;

            case ParseState::BetweenTables: {
                if (CompareNoCase(first, kTableMarker) != 0) {  // the end marker included
                    if (unknownRows > 0) {
                        --unknownRows;
                    } else if (notes.Listening() && !blank && CompareNoCase(first, kEndMarker) != 0) {
                        ScriptNote note{.issue = ScriptIssue::PassedOver};
                        note.text = CString(line).Trim().Str();
                        notes.Add(note);
                    }
                    break;
                }
                unknownRows = 0;
                if (fieldCount < 3) return notes.Fail({.issue = ScriptIssue::HeaderFields, .found = fieldCount});
                // The count is checked before the name, so that a bad count
                // fails even in a block the program would pass over.
                std::size_t used = 0;
                const int count = ReadDecimal(TerminatedField(fields[2]).Text(), &used);
                ScriptNote countNote{.field = u"row count", .fieldNumber = 3};
                countNote.text = fields[2];
                if (count < 1) {
                    countNote.issue = ScriptIssue::RowCount;
                    return notes.Fail(countNote);
                }
                if (used < fields[2].size()) {
                    countNote.issue = ScriptIssue::TextAfterNumber;
                    notes.Add(countNote);
                }
                if (!FindTable(fields[1], table)) {  // its rows pass as lines between tables
                    ScriptNote note{.issue = ScriptIssue::UnknownTable, .found = count};
                    note.text = fields[1];
                    notes.Add(note);
                    unknownRows = count;
                    break;
                }
                int& began = blockLine[static_cast<std::size_t>(table)];
                if (began != 0) notes.Add({.issue = ScriptIssue::BlockReplaced, .table = table, .found = began});
                began = notes.Line();
                // A later block of the same table replaces the earlier one.
                std::free(ScriptRows(*record, table));
                SetScriptTable(*record, table, 0, nullptr);
                declared = remaining = count;
                capacity = 0;
                state = ParseState::InTable;
                break;
            }

            case ParseState::InTable: {
                if (CompareNoCase(first, kTableMarker) == 0 || CompareNoCase(first, kEndMarker) == 0) {
                    ScriptNote note{.issue = ScriptIssue::MarkerInsideBlock, .table = table, .expected = remaining};
                    note.text = first;
                    return notes.Fail(note);
                }
                const int32_t index = declared - remaining;
                if (!AddZeroRow(*record, table, index, declared, capacity))
                    return notes.Fail({.issue = ScriptIssue::NoMemory, .table = table});
                notes.Row(table, index);
                // A line with the wrong number of fields still takes its row,
                // which stays zero.
                if (fieldCount != RowFieldCount(table)) {
                    ScriptNote note{.issue = blank ? ScriptIssue::BlankLineInBlock : ScriptIssue::WrongFieldCount,
                                    .table = table,
                                    .expected = RowFieldCount(table),
                                    .found = fieldCount};
                    if (notes.Listening()) note.text = CString(line).Trim().Str();
                    notes.Add(note);
                } else if (!ReadRow(fields, table, ScriptRows(*record, table), index, notes)) {
                    return 0;
                }
                if (--remaining == 0) state = ParseState::BetweenTables;
                break;
            }
        }
    }
    // A block cut short by the end of the file (a copy interrupted, a Ctrl-Z)
    // fails like one cut short by a marker: its missing rows are not known.
    // So does a file whose reading failed before its end.
    if (state == ParseState::InTable)
        return notes.Fail(
            {.issue = ScriptIssue::BlockCutShort, .table = table, .expected = remaining, .found = declared});
    if (file.Failed()) return notes.Fail({.issue = ScriptIssue::ReadFailed});
    return 1;
}
