#include "profile/script_parser.h"

#include <algorithm>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

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

// Reads the fields of one row line into a row, field by field in order. Each
// reader returns false when the row must end the parse.
class RowReader {
public:
    explicit RowReader(const CStringArray& fields) : m_fields(fields) {}

    // An integer key: below 1 fails, judged on the whole number; the field
    // keeps its low-order bits.
    template <typename Int>
    bool Integer(Int& out) {
        const int value = ReadDecimal(Next());
        if (value < 1) return false;
        out = static_cast<Int>(value);
        return true;
    }

    // Without any hexadecimal digit the field reads 0, as the row started.
    void Hex(uint32_t& out) { out = ReadHex(Next()); }

    void Real(float& out) {
        const double value = ReadReal(Next());
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

    bool Text(char16_t (&out)[kTextUnits]) { return StoreText(out, Next()); }

    // Stores `text` and `suffix` in a text field. Text that does not fit fails
    // rather than being cut: a cut name would become a different key in the
    // profile.
    static bool StoreText(char16_t (&out)[kTextUnits], const CString& text, std::u16string_view suffix = {}) {
        return CopyText(out, kTextUnits, text.Str() + std::u16string(suffix));
    }

    const CString& Next() { return m_fields[m_next++]; }

private:
    const CStringArray& m_fields;
    int m_next = 0;
};

bool ReadColorTypeRow(RowReader& in, ColorTypeEntry& row) {
    if (!in.Integer(row.typeCode) || !in.Integer(row.typeKey)) return false;
    in.Hex(row.param1);
    in.Hex(row.param2);
    return true;
}

bool ReadResolutionRow(RowReader& in, ResolutionEntry& row) {
    if (!in.Integer(row.res1) || !in.Integer(row.res2) || !in.Integer(row.res3) || !in.Integer(row.res4)) {
        return false;
    }
    in.Hex(row.param1);
    in.Hex(row.param2);
    return true;
}

bool ReadNamedRow(RowReader& in, NamedEntry& row) {
    if (!in.Text(row.name)) return false;
    in.Hex(row.param1);
    in.Hex(row.param2);
    return true;
}

bool ReadBitsPerPixelRow(RowReader& in, BitsPerPixelEntry& row) {
    if (!in.Integer(row.bppKey)) return false;
    in.Hex(row.param1);
    in.Hex(row.param2);
    return true;
}

bool ReadCorrectionRow(RowReader& in, CorrectionEntry& row) {
    if (!in.Integer(row.key1) || !in.Integer(row.key2)) return false;
    if (!in.Text(row.name1) || !in.Text(row.name2)) return false;
    if (!in.Integer(row.level1) || !in.Integer(row.level2)) return false;
    // Field 7 names the three colour files of the row.
    const CString& baseName = in.Next();
    if (!RowReader::StoreText(row.icmFile, baseName, u".icm") ||
        !RowReader::StoreText(row.calFile, baseName, u".CAL") ||
        !RowReader::StoreText(row.bccFile, baseName, u".BCC")) {
        return false;
    }
    if (!in.Text(row.text8) || !in.Text(row.text9)) return false;
    in.Real(row.scalar);
    for (float& value : row.series) in.Real(value);
    in.Hex(row.param1);
    in.Hex(row.param2);
    return true;
}

// Converts the fields into row `index` of the table's array.
bool ReadRow(const CStringArray& fields, Table table, void* rows, int index) {
    RowReader in(fields);
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
bool FindTable(const CString& name, Table& table) {
    for (Table candidate : kTablesInFileOrder) {
        if (name.CompareNoCase(TableName(candidate)) == 0) {
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
    m_fields.RemoveAll();
    int start = 0;
    for (int comma = line.Find(u','); comma >= 0; comma = line.Find(u',', start)) {
        CString field = line.Mid(start, comma - start);
        m_fields.Add(field.Trim());
        start = comma + 1;
    }
    CString last = line.Mid(start);
    m_fields.Add(last.Trim());
}

int ScriptParser::ParseUpdateScript(const CString& path, ScriptRecord* record) {
    TextFileReader file;  // closes the file on every way out
    if (!file.Open(path)) {
        ShowMessageBox(MessageOwner(), LoadResString(IDS_SCRIPT_OPEN_FAILED), LoadResString(IDS_QUILLON),
                       kMbOk | kMbIconExclamation);
        return 0;
    }

    // Text that is not CP932 fails the parse: nothing is written from bytes
    // that could not be read.
    std::u16string line;
    if (!file.ReadLine(line) || !file.LineIsCp932()) return 0;
    SplitScriptLine(line);
    if (m_fields.GetSize() != 2 || m_fields[0].CompareNoCase(kVersionMarker) != 0 ||
        ReadReal(m_fields[1]) != kScriptVersion) {
        return 0;
    }

    ParseState state = ParseState::AwaitingStart;
    Table table = Table::ColorType;
    int32_t declared = 0;   // the current block's row count
    int32_t remaining = 0;  // rows it still expects
    int32_t capacity = 0;   // rows its array has room for
    while (file.ReadLine(line)) {
        if (!file.LineIsCp932()) return 0;
        if (!line.empty() && line[0] == u'#') continue;
        SplitScriptLine(line);
        const CString& first = m_fields[0];

        switch (state) {
            case ParseState::AwaitingStart:
                if (first.CompareNoCase(kStartMarker) != 0) return 0;
                state = ParseState::BetweenTables;
                break;

            case ParseState::BetweenTables: {
                if (first.CompareNoCase(kTableMarker) != 0) break;  // the end marker included
                if (m_fields.GetSize() < 3) return 0;
                // The count is checked before the name, so that a bad count
                // fails even in a block the program would pass over.
                const int count = ReadDecimal(m_fields[2]);
                if (count < 1) return 0;
                if (!FindTable(m_fields[1], table)) break;  // its rows pass as lines between tables
                // A later block of the same table replaces the earlier one.
                std::free(ScriptRows(*record, table));
                SetScriptTable(*record, table, 0, nullptr);
                declared = remaining = count;
                capacity = 0;
                state = ParseState::InTable;
                break;
            }

            case ParseState::InTable: {
                if (first.CompareNoCase(kTableMarker) == 0 || first.CompareNoCase(kEndMarker) == 0) return 0;
                const int32_t index = declared - remaining;
                if (!AddZeroRow(*record, table, index, declared, capacity)) return 0;
                // A line with the wrong number of fields still takes its row,
                // which stays zero.
                if (m_fields.GetSize() == RowFieldCount(table) &&
                    !ReadRow(m_fields, table, ScriptRows(*record, table), index)) {
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
    return state == ParseState::InTable || file.Failed() ? 0 : 1;
}
