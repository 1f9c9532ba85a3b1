// The table merge of one profile, apart from writing it: the part of
// UpdatePrinterProfiles that tests and the benchmark drive on their own.
#pragma once

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
