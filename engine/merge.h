// The table merge of one profile, apart from writing it: the part of
// UpdatePrinterProfiles that tests and the benchmark drive on their own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "profile/records.h"
#include "profile/tables.h"

enum class MergeResult { Merged, NoMemory, CountOverflow };

// Folds the script's rows of one table into `header`: the first profile row
// (in table order) whose key equals a script row's takes that row's values
// and the script row gets its consumed mark; every script row without the
// mark is then appended, in script order, to one new block from the
// library's allocator (inks and media numbered from the header's counters).
// NoMemory when the allocator gave no block and CountOverflow when the count
// would pass what its field holds; the table then keeps its block and count.
MergeResult MergeScriptTable(ProfileHeader& header, ScriptRecord& script, Table table);

// Merges the six tables in the merge's order (INKTAB, MEDIATAB, COLORTYPE,
// BITSPPTAB, RESOLTAB, CORRECTTAB), stopping at the first that fails.
MergeResult MergeScriptTables(ProfileHeader& header, ScriptRecord& script);

// True when the script has a row in any table; the merge passes over a
// script without rows, and its profile is not written.
bool ScriptHasRows(const ScriptRecord& script);

// A script row whose key the merge would also find in an earlier row of the
// same table.
struct RepeatedKey {
    Table table = Table::ColorType;
    int32_t row = 0;      // the row, by its index in the script's array for the table
    int32_t earlier = 0;  // the first earlier row of that key which the merge appends
};

// Returns the script's rows (tables in file order, rows in script order) whose
// key, as the merge matches keys, is that of an earlier row of their table
// that the merge appends to a profile without the key, and which a match
// would take over into that row's copy with a change. One run of the update
// appends the earlier row; a second run matches the later row to it and so
// changes the profile again. Takes the script as parsed: a merge marks rows.
std::vector<RepeatedKey> FindRepeatedKeys(const ScriptRecord& script);

// Returns the names of the row fields that make up the key the merge matches
// rows of `table` on, in row order ("typeKey").
std::span<const char* const> MergeKeyFields(Table table);
