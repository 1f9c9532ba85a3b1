// restore: a backup of a profile put back in one step, through the same
// replacement and under the same machine-wide lock of the profile as an
// update, so that it never meets an update of that profile halfway.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process_lock.h"
#include "tools/pprtool/profile_data.h"
#include "tools/pprtool/profile_diff.h"

// A backup being put back as a profile, the one way restore and rollback
// both do it: through the same one-step replacement and under the same lock
// as an update, so that it never meets an update of that profile halfway.
class ProfilePutBack {
public:
    // Reads the backup as the library would (what it refuses is never put in
    // place), checks that the profile is an existing regular file (a file
    // made afresh would not keep the print system's owner, group and mode),
    // takes the profile's lock, removes the temporary files of killed
    // updates of it, and reads what it holds now. False with `Outcome()`,
    // `Status()` and `Error()` set: "backup unreadable" or "write failed"
    // (2) and "profile busy" (10); nothing is touched then.
    bool Prepare(const std::string& backup, const std::string& profile);

    // True when the profile already holds the backup's bytes.
    bool Same() const { return m_current == m_bytes; }

    // Puts the backup's bytes in the profile's place, unless it holds them
    // already. False ("write failed", 2) when it cannot: the profile is then
    // as it was.
    bool Commit();

    // The profile as it is now, under the lock: its bytes, and its rows when
    // it reads as a profile.
    const std::vector<uint8_t>& Current() const { return m_current; }
    bool Readable() const { return m_readable; }
    const std::string& UnreadableReason() const { return m_beforeError; }
    // The changes from the profile as it is to the backup.
    ProfileChanges Changes() const;
    const ProfileData& Before() const { return m_before; }
    const ProfileData& Restored() const { return m_restored; }

    const char* Outcome() const { return m_outcome; }
    int Status() const { return m_status; }
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const char* outcome, int status, std::string error);

    std::string m_profile;
    ProfileData m_restored, m_before;
    std::vector<uint8_t> m_bytes, m_current;
    bool m_readable = false;
    std::string m_beforeError;
    ProcessLock m_lock;
    const char* m_outcome = "";
    int m_status = 0;
    std::string m_error;
};

struct RestoreOptions {
    std::string backup;
    std::string profile;
    bool json = false;
};

// Replaces the profile with the backup's bytes: the backup must read as a
// profile through the device-manager library and the profile must be an
// existing regular file; with the profile's lock held, temporary files left
// by killed updates of it are removed and the file is replaced keeping its
// owner, group and mode (nothing is written when it already holds the same
// bytes). Prints what changed, the profile before -> the backup, as diff
// prints it, and a closing line, or with `json` a report (profile, backup,
// outcome, changes, status). Returns 0 restored or already equal; 2 when the
// backup cannot be read or is no profile, or the profile is missing, no
// regular file or cannot be written (it is then left as it was);
// kExitProfileBusy (10) when another update holds the profile's lock or the
// lock cannot be taken (nothing touched).
int RestoreProfile(const RestoreOptions& options);
