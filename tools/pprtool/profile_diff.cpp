#include "tools/pprtool/profile_diff.h"

#include <cstring>

#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_fields.h"

namespace {

std::vector<FieldChange> CompareRecords(std::span<const FieldSpec> fields, const uint8_t* before,
                                        const uint8_t* after) {
    std::vector<FieldChange> changes;
    for (const FieldSpec& field : fields) {
        const std::size_t bytes = field.size * field.count;
        if (std::memcmp(before + field.offset, after + field.offset, bytes) != 0)
            changes.push_back({field.name, FormatField(field, before), FormatField(field, after)});
    }
    return changes;
}

std::string Plural(int n, const char* what) { return std::to_string(n) + " " + what; }

}  // namespace

bool ProfileChanges::Empty() const {
    if (!header.empty()) return false;
    for (const TableChanges& table : tables)
        if (!table.Empty()) return false;
    return true;
}

ProfileChanges CompareProfiles(const ProfileData& before, const ProfileData& after) {
    ProfileChanges changes;
    const ProfileHeader a = before.LinkedHeader(), b = after.LinkedHeader();
    changes.header =
        CompareRecords(HeaderFields(), reinterpret_cast<const uint8_t*>(&a), reinterpret_cast<const uint8_t*>(&b));
    for (Table table : kTablesInFileOrder) {
        TableChanges& t = changes.tables[static_cast<std::size_t>(table)];
        const int oldRows = before.RowCount(table), newRows = after.RowCount(table);
        t.kept = std::min(oldRows, newRows);
        t.appended = newRows - t.kept;
        t.removed = oldRows - t.kept;
        for (int i = 0; i < t.kept; ++i) {
            std::vector<FieldChange> fields =
                CompareRecords(RowFields(table), before.Row(table, i), after.Row(table, i));
            if (!fields.empty()) t.updated.push_back({i, std::move(fields)});
        }
    }
    return changes;
}

void PrintChanges(const ProfileChanges& changes, const ProfileData& before, const ProfileData& after) {
    if (changes.Empty()) {
        Print("no changes\n");
        return;
    }
    if (!changes.header.empty()) {
        Print("header:");
        for (const FieldChange& f : changes.header)
            Print(" %s %s -> %s%s", f.name.c_str(), f.before.c_str(), f.after.c_str(),
                  &f == &changes.header.back() ? "" : ",");
        Print("\n");
    }
    for (Table table : kTablesInFileOrder) {
        const TableChanges& t = changes.Of(table);
        if (t.Empty()) continue;
        std::string counts;
        if (!t.updated.empty()) counts += Plural(static_cast<int>(t.updated.size()), "updated");
        if (t.appended) counts += (counts.empty() ? "" : ", ") + Plural(t.appended, "appended");
        if (t.removed) counts += (counts.empty() ? "" : ", ") + Plural(t.removed, "removed");
        Print("%s: %s\n", TableNameUtf8(table).c_str(), counts.c_str());
        for (const RowUpdate& row : t.updated) {
            Print("  [%d] updated:", row.index);
            for (const FieldChange& f : row.fields)
                Print(" %s %s -> %s%s", f.name.c_str(), f.before.c_str(), f.after.c_str(),
                      &f == &row.fields.back() ? "" : ",");
            Print("\n");
        }
        for (int i = t.kept; i < t.kept + t.appended; ++i)
            Print("  [%d] appended: %s\n", i, FormatRecord(RowFields(table), after.Row(table, i)).c_str());
        for (int i = t.kept; i < t.kept + t.removed; ++i)
            Print("  [%d] removed: %s\n", i, FormatRecord(RowFields(table), before.Row(table, i)).c_str());
    }
}

nlohmann::ordered_json ChangesToJson(const ProfileChanges& changes) {
    nlohmann::ordered_json header = nlohmann::ordered_json::object();
    for (const FieldChange& f : changes.header) header[f.name] = {{"before", f.before}, {"after", f.after}};
    nlohmann::ordered_json tables = nlohmann::ordered_json::object();
    for (Table table : kTablesInFileOrder) {
        const TableChanges& t = changes.Of(table);
        tables[TableNameUtf8(table)] = {
            {"updated", t.updated.size()}, {"appended", t.appended}, {"removed", t.removed}};
    }
    return {{"header", header}, {"tables", tables}};
}
