// Names the six tables of a profile and reaches a header's count and block
// for each of them, so that loops over "every table" are written once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "profile/records.h"

// The six tables in file order (also the order of the header and the script).
enum class Table { ColorType, Resolution, Ink, Media, BitsPerPixel, Correction };

constexpr Table kTablesInFileOrder[] = {Table::ColorType, Table::Resolution,   Table::Ink,
                                        Table::Media,     Table::BitsPerPixel, Table::Correction};

// Returns the size in bytes of one row of the table.
std::size_t RowSize(Table table);

// Returns the script's name of the table ("COLORTYPE", "RESOLTAB", ...).
const char16_t* TableName(Table table);

// Returns the header's row count for the table, widened as a signed number.
int HeaderCount(const ProfileHeader& header, Table table);

// Stores a row count in the header's count field of the table, in its width.
void SetHeaderCount(ProfileHeader& header, Table table, int count);

// Returns the largest count the header's field for the table can hold.
int MaxHeaderCount(Table table);

// Returns the header's block for the table.
void* HeaderBlock(const ProfileHeader& header, Table table);

// Makes `block` the header's block for the table.
void SetHeaderBlock(ProfileHeader& header, Table table, void* block);

// Returns the script's declared row count for the table.
int32_t ScriptCount(const ScriptRecord& record, Table table);

// Returns the script's row array for the table.
void* ScriptRows(const ScriptRecord& record, Table table);

// Sets the script's declared count and row array for the table.
void SetScriptTable(ScriptRecord& record, Table table, int32_t count, void* rows);
