// What changed between two profiles: header fields that moved, and per
// table the rows updated in place (with the fields that changed), the rows
// appended behind the old ones, and rows that are gone. Rows are compared
// by position, as an update keeps every row where it was and appends behind.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/pprtool/profile_data.h"

struct FieldChange {
    std::string name;
    std::string before;  // as FormatField prints it
    std::string after;
};

struct RowUpdate {
    int index;
    std::vector<FieldChange> fields;
};

struct TableChanges {
    std::vector<RowUpdate> updated;
    int kept = 0;      // rows both profiles have (updated or not)
    int appended = 0;  // rows of the new profile behind `kept`
    int removed = 0;   // rows of the old profile behind `kept`
    bool Empty() const { return updated.empty() && appended == 0 && removed == 0; }
};

struct ProfileChanges {
    std::vector<FieldChange> header;
    std::array<TableChanges, 6> tables;
    const TableChanges& Of(Table table) const { return tables[static_cast<std::size_t>(table)]; }
    bool Empty() const;
};

ProfileChanges CompareProfiles(const ProfileData& before, const ProfileData& after);

// The changes as text, one table a paragraph, appended and removed rows in
// full; "no changes" when there are none.
std::string FormatChanges(const ProfileChanges& changes, const ProfileData& before, const ProfileData& after);

// Prints FormatChanges on standard output.
void PrintChanges(const ProfileChanges& changes, const ProfileData& before, const ProfileData& after);

// Returns {"header": {field: {"before", "after"}}, "tables": {name:
// {"updated", "appended", "removed"}}} for the tables and fields that changed.
nlohmann::ordered_json ChangesToJson(const ProfileChanges& changes);
