// update: what the dialog's Execute does with an update kit (a folder with a
// prof folder of scripts and colour files), without a window, through the
// same engine code, and idempotent: what already is as the update would
// leave it is left alone, so that a deployment tool may run it on every
// print server as often as it likes.
#pragma once

#include <string>

struct KitUpdateOptions {
    std::string kit;           // the folder that holds prof
    std::string backupFolder;  // empty: no backups
    bool check = false;        // report what would change; change nothing
    bool json = false;
};

// Every script KIT/prof/*.SCR whose printer is installed updates its profile
// in the copy pool, under the profile's lock, as the dialog does (the whole
// kit is parsed before anything is written, so a script that fails changes
// nothing); a profile the merge leaves byte for byte as it is is not
// written. With a backup folder a profile about to be replaced is copied
// there first (a backup that cannot be written keeps that profile as it
// is). The colour files are copied as the dialog copies them, those already
// equal left alone, and the print service is told to reload when anything
// was written or copied. With `check` nothing is written, copied, told or
// logged; the report says what would be. Prints a report (each profile's
// changes as diff prints them) or, with `json`, one JSON document. Returns
// the exit status: 0, or the first that applies of 3 (out of memory),
// 2 (a profile or a colour file not written), 11 (a backup not written), 10 (a
// profile busy), 5 (the service not told); 1 when the kit's scripts cannot
// be read or parsed and 7 when no script's printer is installed (nothing
// done).
int UpdateKit(const KitUpdateOptions& options);
