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

std::string FormatChanges(const ProfileChanges& changes, const ProfileData& before, const ProfileData& after) {
    if (changes.Empty()) return "no changes\n";
    std::string out;
    auto add = [&out](const std::string& text) { out += text; };
    if (!changes.header.empty()) {
        add("header:");
        for (const FieldChange& f : changes.header)
            add(" " + f.name + " " + f.before + " -> " + f.after + (&f == &changes.header.back() ? "" : ","));
        add("\n");
    }
    for (Table table : kTablesInFileOrder) {
        const TableChanges& t = changes.Of(table);
        if (t.Empty()) continue;
        std::string counts;
        if (!t.updated.empty()) counts += Plural(static_cast<int>(t.updated.size()), "updated");
        if (t.appended) counts += (counts.empty() ? "" : ", ") + Plural(t.appended, "appended");
        if (t.removed) counts += (counts.empty() ? "" : ", ") + Plural(t.removed, "removed");
        add(TableNameUtf8(table) + ": " + counts + "\n");
        for (const RowUpdate& row : t.updated) {
            add("  [" + std::to_string(row.index) + "] updated:");
            for (const FieldChange& f : row.fields)
                add(" " + f.name + " " + f.before + " -> " + f.after + (&f == &row.fields.back() ? "" : ","));
            add("\n");
        }
        for (int i = t.kept; i < t.kept + t.appended; ++i)
            add("  [" + std::to_string(i) + "] appended: " + FormatRecord(RowFields(table), after.Row(table, i)) +
                "\n");
        for (int i = t.kept; i < t.kept + t.removed; ++i)
            add("  [" + std::to_string(i) + "] removed: " + FormatRecord(RowFields(table), before.Row(table, i)) +
                "\n");
    }
    return out;
}

void PrintChanges(const ProfileChanges& changes, const ProfileData& before, const ProfileData& after) {
    Print("%s", FormatChanges(changes, before, after).c_str());
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
