// The journal that update --backup keeps in its backup folder, the way back
// for a whole kit: for each profile the runs of one kit changed, the backup
// from before the kit's first run that changed it and a digest of the bytes
// the last of them wrote, so that rollback puts back every profile of the
// kit, however many runs it took, and leaves alone one that changed since.
// Runs of the same kit (the same files in prof) add to one journal; another
// kit starts the next one, and the earlier journals stay. A journal is
// FOLDER/update-journal-<N>.json; the latest is the one with the highest N.
#pragma once

#include <string>
#include <vector>

#include "platform/process_lock.h"

// What the journal says of one profile.
struct JournalEntry {
    std::string printer;
    std::string profile;  // its path, as the update wrote it
    std::string backup;   // the profile before the kit's first run that changed it (kept by its file name:
                          // backups stay in the journal's folder)
    std::string written;  // SHA-256 of the bytes the kit's last run wrote there
    bool rolledBack = false;
};

// Returns a digest of the kit: the names and bytes of the regular files in
// KIT/prof, in the order of their names; empty when prof cannot be read.
std::string KitDigest(const std::string& kit);

class UpdateJournal {
public:
    // Takes the lock of the folder's journals, so that one update or
    // rollback at a time reads and writes them.
    ProcessLock::Outcome Lock(const std::string& folder);

    // Reads the latest journal of the folder. False with `error` when the
    // journal is there but cannot be read; true, with no path and no
    // entries, when the folder holds none.
    bool OpenLatest(const std::string& folder, std::string& error);

    // For an update of the kit: reads the latest journal and keeps adding to
    // it when it is this kit's; otherwise starts the next one, which is
    // written by the first Save. False with `error` when the latest journal
    // cannot be read.
    bool OpenForKit(const std::string& folder, const std::string& kit, std::string& error);

    // Notes that the update is about to write `written` (a digest) to a
    // profile whose bytes before are in `backup`: a profile already in the
    // journal keeps the backup from before the kit's first change, unless it
    // was rolled back since.
    void RecordWrite(const std::string& printer, const std::string& profile, const std::string& backup,
                     const std::string& written);

    // Writes the journal in one step; false with `error`.
    bool Save(std::string& error);

    const std::string& Path() const { return m_path; }
    std::vector<JournalEntry>& Entries() { return m_entries; }
    bool m_bReloadPending = false;  // a rollback put back profiles that the print service has not reloaded

private:
    std::string m_folder;
    std::string m_path;  // empty until a journal is read or started
    std::string m_kit;
    std::string m_kitDigest;
    std::vector<JournalEntry> m_entries;
    ProcessLock m_lock;
};
