// Backups of profiles that an update is about to replace, as apply --backup
// and update --backup make them: FOLDER/<name>.<UTC time stamp>.ppr.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A UTF-8 path as the file system takes it, and back.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// Makes the backup folder when it is not there yet, so that a path that
// cannot hold backups is found before an update takes a profile's lock;
// false with `error` when something else stands there or it cannot be made.
bool PrepareBackupFolder(const std::string& folder, std::string& error);

// Writes `bytes`, the profile at `profile` as it is now, as
// FOLDER/<name>.<stamp>.ppr (with -2, -3, ... when that name is taken, so
// that no backup replaces another) and names it in `backup`; false with
// `error`.
bool WriteBackup(const std::string& folder, const std::string& profile, const std::vector<uint8_t>& bytes,
                 std::string& backup, std::string& error);

// Removes a backup of a profile that was then not replaced, which would pass
// for the state before a change that never happened; says so on standard
// error when it cannot. True when it is gone.
bool RemoveBackup(const std::string& backup);
