// Profiles and update scripts of a chosen size for the benchmarks: distinct
// keys in the profile, and a script whose first rows of each table match
// profile rows (names spelt in another letter case, values changed) and
// whose other rows are new.
#pragma once

#include <string>

#include "profile/tables.h"
#include "support/profile_builder.h"

// Rows of one table: in the profile, in the script, and how many of the
// script's rows match a profile row (at most both counts).
struct BenchTable {
    int profileRows = 0;
    int scriptRows = 0;
    int matchingRows = 0;
};

// One case: a BenchTable for every table, indexed in file order.
struct BenchCase {
    BenchTable tables[6];
    BenchTable& operator[](Table table) { return tables[static_cast<int>(table)]; }
    const BenchTable& operator[](Table table) const { return tables[static_cast<int>(table)]; }
};

// The format's full scale: 127 COLORTYPE and RESOLTAB rows and 16,384 in each
// other table, updated by 32,767 CORRECTTAB rows (16,384 matching) and 16,383
// INKTAB rows (8,192 matching), which fill both tables to their limit.
BenchCase LargeBenchCase();

// An everyday update: a few tens of rows in every table.
BenchCase TypicalBenchCase();

// Returns the profile of the case (deviceName "Bench").
TestProfile MakeBenchProfile(const BenchCase& benchCase);

// Returns the script's rows, as the parser makes them, in the six tables of a
// TestProfile (its header plays no part).
TestProfile MakeBenchScriptRows(const BenchCase& benchCase);

// Returns the script's text (ASCII, so also code page 932): the rows of
// MakeBenchScriptRows in the update script format.
std::string MakeBenchScriptText(const BenchCase& benchCase);
