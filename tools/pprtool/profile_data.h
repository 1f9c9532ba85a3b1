// A printer profile held by pprtool: the header and the six tables in
// vectors of its own, read through the device-manager library as the program
// reads it, written through the program's own profile writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profile/records.h"
#include "profile/tables.h"

struct ProfileData {
    ProfileHeader header{};                    // counts as read; the six references stay null
    std::array<std::vector<uint8_t>, 6> rows;  // per table, in file order

    std::vector<uint8_t>& Rows(Table table) { return rows[static_cast<std::size_t>(table)]; }
    const std::vector<uint8_t>& Rows(Table table) const { return rows[static_cast<std::size_t>(table)]; }
    int RowCount(Table table) const { return static_cast<int>(Rows(table).size() / RowSize(table)); }
    const uint8_t* Row(Table table, int index) const { return Rows(table).data() + index * RowSize(table); }

    // The header with its counts taken from the tables and its references
    // pointing into them, valid while the tables stay unchanged.
    ProfileHeader LinkedHeader() const;
};

// A copy of a profile the program holds in memory: its header and the rows
// its counts say its blocks hold.
ProfileData ProfileDataOf(const ProfileHeader& header);

// Reads the profile file at `path` (UTF-8). False with a sentence in `error`
// when the file cannot be opened or is not a profile: shorter than its
// header, a negative count, or a size that does not match its counts (the
// sentence gives the numbers).
bool ReadProfile(const std::string& path, ProfileData& profile, std::string& error);

// Writes the profile to `path` (UTF-8) in one step, as the program writes
// profiles. False with a sentence in `error` when a table has more rows than
// its count holds or the file cannot be written.
bool WriteProfile(const std::string& path, const ProfileData& profile, std::string& error);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
