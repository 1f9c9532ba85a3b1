// Puts a dialog's working data in place the way the loader leaves it, so the
// merge can be tested without scripts on disk.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/working_data.h"
#include "profile/tables.h"
#include "support/profile_builder.h"

// Allocates zero-filled script and slot arrays of `scripts` entries.
void PrepareArrays(WorkingData& dlg, int scripts);

// Fills the next slot with `profile` under `name`, tables in private malloc
// blocks as the loader makes them.
void AddSlot(WorkingData& dlg, const std::u16string& name, const TestProfile& profile);

// Gives the script record rows for one table, in a calloc array as the
// parser makes them.
template <class Row>
void SetScriptRows(ScriptRecord& record, Table table, const std::vector<Row>& rows) {
    void* array = std::calloc(rows.size() ? rows.size() : 1, sizeof(Row));
    if (!rows.empty()) std::memcpy(array, rows.data(), rows.size() * sizeof(Row));
    SetScriptTable(record, table, static_cast<int32_t>(rows.size()), array);
}
