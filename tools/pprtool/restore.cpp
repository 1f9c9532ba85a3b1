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

// Why a profile that is not a regular file cannot be restored over, in the
// loader's words.
const char* WhyNotReplaceable(FileState state) {
    switch (state) {
        case FileState::Regular: return nullptr;
        case FileState::Missing: return DescribeProfileLoad(ProfileLoad::Missing);
        case FileState::NotRegular: return DescribeProfileLoad(ProfileLoad::NotRegularFile);
        case FileState::NoAccess: return DescribeProfileLoad(ProfileLoad::NoAccess);
    }
    return nullptr;
}

}  // namespace

int RestoreProfile(const RestoreOptions& options) {
    nlohmann::ordered_json report = {{"profile", options.profile}, {"backup", options.backup}, {"outcome", nullptr}};
    auto finish = [&](const char* outcome, int status) {
        report["outcome"] = outcome;
        report["status"] = status;
        if (options.json) Print("%s\n", report.dump(2).c_str());
        return status;
    };
    auto fail = [&](const char* outcome, int status, const std::string& error, const char* consequence) {
        PrintError("pprtool: %s; %s\n", error.c_str(), consequence);
        report["error"] = error;
        return finish(outcome, status);
    };

    // Read as an update would read it: what the library refuses is never put in place.
    ProfileData restored;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadProfile(options.backup, restored, error))
        return fail("backup unreadable", kExitNotRestored, error, "nothing restored");
    if (!ReadWholeFile(options.backup, bytes))
        return fail("backup unreadable", kExitNotRestored, options.backup + ": cannot read the file",
                    "nothing restored");

    // Only a profile that is there is restored over: it keeps its owner,
    // group and mode, which a file made afresh would not have.
    const std::u16string path = Utf8ToUtf16(options.profile);
    if (const char* why = WhyNotReplaceable(ProbeFile(path.c_str())))
        return fail("write failed", kExitNotRestored, options.profile + ": " + why, "nothing restored");

    ProcessLock lock;
    const ProcessLock::Outcome locked = LockProfile(path.c_str(), lock);
    if (locked != ProcessLock::Outcome::Acquired) {
        const ProfileLoad why = locked == ProcessLock::Outcome::Busy ? ProfileLoad::Busy : ProfileLoad::LockFailed;
        return fail("profile busy", kExitProfileBusy, options.profile + ": " + DescribeProfileLoad(why),
                    "nothing done");
    }
    FileReplacement::RemoveLeftovers(path.c_str());

    // The profile as the lock holder sees it: what the backup replaces.
    std::vector<uint8_t> current;
    ProfileData before;
    std::string beforeError;
    const bool readable = ReadProfile(options.profile, before, beforeError);
    const bool same = ReadWholeFile(options.profile, current) && current == bytes;
    const ProfileChanges changes = readable ? CompareProfiles(before, restored) : ProfileChanges{};

    if (!same) {
        FileReplacement replacement;
        if (!replacement.Open(path.c_str()) || !replacement.Write(bytes.data(), bytes.size()) || !replacement.Commit())
            return fail("write failed", kExitNotRestored, options.profile + ": cannot write the file",
                        "it is left as it was");
    }
    report["changes"] = readable ? ChangesToJson(changes) : nlohmann::ordered_json(nullptr);
    if (!options.json) {
        if (readable)
            PrintChanges(changes, before, restored);
        else
            Print("%s; its rows cannot be compared\n", beforeError.c_str());
        if (same)
            Print("%s already holds %s byte for byte; nothing written\n", options.profile.c_str(),
                  options.backup.c_str());
        else
            Print("%s restored from %s\n", options.profile.c_str(), options.backup.c_str());
    }
    return finish(same ? "identical" : "restored", kExitOk);
}
