#include "tools/pprtool/restore.h"

#include <nlohmann/json.hpp>

#include "engine/exit_status.h"
#include "engine/profile_lock.h"
#include "engine/working_data.h"
#include "platform/files.h"
#include "platform/process_lock.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_data.h"
#include "tools/pprtool/profile_diff.h"

namespace {

// The one failure status of restore beside a busy profile, as dump and make
// end for a file they cannot read or write: nothing was changed.
constexpr int kExitNotRestored = 2;

}  // namespace

bool ProfilePutBack::Fail(const char* outcome, int status, std::string error) {
    m_outcome = outcome;
    m_status = status;
    m_error = std::move(error);
    return false;
}

bool ProfilePutBack::Prepare(const std::string& backup, const std::string& profile) {
    m_profile = profile;
    std::string error;
    if (!ReadProfile(backup, m_restored, error)) return Fail("backup unreadable", kExitNotRestored, error);
    if (!ReadWholeFile(backup, m_bytes))
        return Fail("backup unreadable", kExitNotRestored, backup + ": cannot read the file");

    const std::u16string path = Utf8ToUtf16(profile);
    if (const ProfileLoad state = ProfileLoadOf(ProbeFile(path.c_str())); state != ProfileLoad::Loaded)
        return Fail("write failed", kExitNotRestored, profile + ": " + DescribeProfileLoad(state));

    const ProcessLock::Outcome locked = LockProfile(path.c_str(), m_lock);
    if (locked != ProcessLock::Outcome::Acquired) {
        const ProfileLoad why = locked == ProcessLock::Outcome::Busy ? ProfileLoad::Busy : ProfileLoad::LockFailed;
        return Fail("profile busy", kExitProfileBusy,
                    profile + ": " + DescribeProfileLoad(why, m_lock.FailureReason()));
    }
    FileReplacement::RemoveLeftovers(path.c_str());

    // The profile as the lock holder sees it: what the backup replaces.
    m_readable = ReadProfile(profile, m_before, m_beforeError);
    if (!ReadWholeFile(profile, m_current)) m_current.clear();
    return true;
}

ProfileChanges ProfilePutBack::Changes() const {
    return m_readable ? CompareProfiles(m_before, m_restored) : ProfileChanges{};
}

bool ProfilePutBack::Commit() {
    if (Same()) return true;
    FileReplacement replacement;
    if (!replacement.Open(Utf8ToUtf16(m_profile).c_str()) || !replacement.Write(m_bytes.data(), m_bytes.size()) ||
        !replacement.Commit())
        return Fail("write failed", kExitNotRestored, m_profile + ": cannot write the file");
    m_current = m_bytes;
    return true;
}

int RestoreProfile(const RestoreOptions& options) {
    nlohmann::ordered_json report = {{"profile", options.profile}, {"backup", options.backup}, {"outcome", nullptr}};
    auto finish = [&](const char* outcome, int status) {
        report["outcome"] = outcome;
        report["status"] = status;
        if (options.json) Print("%s\n", report.dump(2).c_str());
        return status;
    };
    auto fail = [&](const ProfilePutBack& putBack, const char* consequence) {
        PrintError("pprtool: %s; %s\n", putBack.Error().c_str(), consequence);
        report["error"] = putBack.Error();
        return finish(putBack.Outcome(), putBack.Status());
    };

    ProfilePutBack putBack;
    if (!putBack.Prepare(options.backup, options.profile))
        return fail(putBack, putBack.Status() == kExitProfileBusy ? "nothing done" : "nothing restored");
    const bool same = putBack.Same();
    const ProfileChanges changes = putBack.Changes();
    if (!putBack.Commit()) return fail(putBack, "it is left as it was");

    report["changes"] = putBack.Readable() ? ChangesToJson(changes) : nlohmann::ordered_json(nullptr);
    if (!options.json) {
        if (putBack.Readable())
            PrintChanges(changes, putBack.Before(), putBack.Restored());
        else
            Print("%s; its rows cannot be compared\n", putBack.UnreadableReason().c_str());
        if (same)
            Print("%s already holds %s byte for byte; nothing written\n", options.profile.c_str(),
                  options.backup.c_str());
        else
            Print("%s restored from %s\n", options.profile.c_str(), options.backup.c_str());
    }
    return finish(same ? "identical" : "restored", kExitOk);
}
