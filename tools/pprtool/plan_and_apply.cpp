#include "tools/pprtool/plan_and_apply.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

#include <nlohmann/json.hpp>

#include "engine/exit_status.h"
#include "engine/silent_update.h"
#include "engine/working_data.h"
#include "platform/afx.h"
#include "platform/files.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "res/resource.h"
#include "tools/pprtool/backup.h"
#include "tools/pprtool/check.h"
#include "tools/pprtool/messages_and_log.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_data.h"
#include "tools/pprtool/profile_diff.h"
#include "tools/pprtool/profile_fields.h"

namespace fs = std::filesystem;

namespace {

const char* StartupErrorHint() {
    return "pprtool: the script and the profile must have the same base name, and the script must open and "
           "parse (pprtool check SCRIPT says where it fails)\n";
}

struct UpdateRun {
    SilentUpdateResult result;
    std::string reason;  // why the profile was not loaded, or why the names do not go together
};

// What `quillon SCRIPT PROFILE` does once it has its two paths: the engine's
// silent update, with its base-name check and its lock.
UpdateRun RunUpdate(const std::string& script, const std::string& profile,
                    const std::function<bool()>& beforeMerge = {}) {
    WorkingData data;
    UpdateRun run{SilentUpdateResult::Done, {}};
    run.result = UpdateProfileSilently(data, CString(Utf8ToUtf16(script)), CString(Utf8ToUtf16(profile)), run.reason,
                                       beforeMerge);
    return run;
}

// Says on standard error why an update did not run, as quillon would.
void ReportFailure(const UpdateRun& run, const std::string& profile) {
    if (run.result == SilentUpdateResult::ScriptFailed) {
        PrintError("pprtool: %s\n", Utf16ToUtf8(LoadResString(IDS_NO_SCRIPT).Str()).c_str());
        if (!run.reason.empty()) PrintError("pprtool: %s\n", run.reason.c_str());
        PrintError("%s", StartupErrorHint());
    } else if (run.result == SilentUpdateResult::ProfileNotLoaded || run.result == SilentUpdateResult::ProfileBusy) {
        PrintError("pprtool: %s: %s\n", profile.c_str(), run.reason.c_str());
    }
}

// A folder of its own under the system's temporary folder, removed with
// everything in it at the end.
class ScratchFolder {
public:
    bool Create() {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        if (error) return false;
        std::random_device random;
        for (int attempt = 0; attempt < 16; ++attempt) {
            const fs::path candidate = base / ("pprtool-plan-" + std::to_string(random()));
            if (fs::create_directory(candidate, error)) {
                m_path = candidate;
                return true;
            }
        }
        return false;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!m_path.empty()) fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

const char* OutcomeName(SilentUpdateResult result) {
    switch (result) {
        case SilentUpdateResult::Done: return "done";
        case SilentUpdateResult::ScriptFailed: return "start-up error";
        case SilentUpdateResult::ProfileNotLoaded: return "profile not loaded";
        case SilentUpdateResult::ProfileBusy: return "profile busy";
        case SilentUpdateResult::Refused: return "backup failed";  // apply's one step before the merge
        case SilentUpdateResult::WriteFailed: return "write failed";
        case SilentUpdateResult::OutOfMemory: return "out of memory";
    }
    return "";
}

// "INKTAB 1 updated, 1 appended; MEDIATAB 1 appended" for the summary.
std::string TableSummary(const ProfileChanges& changes) {
    std::string out;
    for (Table table : kTablesInFileOrder) {
        const TableChanges& t = changes.Of(table);
        if (t.Empty()) continue;
        std::string parts;
        auto add = [&](int n, const char* what) {
            if (n) parts += (parts.empty() ? "" : ", ") + std::to_string(n) + " " + what;
        };
        add(static_cast<int>(t.updated.size()), "updated");
        add(t.appended, "appended");
        add(t.removed, "removed");
        out += (out.empty() ? "" : "; ") + TableNameUtf8(table) + " " + parts;
    }
    return out;
}

std::string HeaderSummary(const ProfileChanges& changes) {
    std::string out;
    for (const FieldChange& f : changes.header)
        out += (out.empty() ? "" : ", ") + f.name + " " + f.before + " -> " + f.after;
    return out;
}

}  // namespace

int PlanUpdate(const std::string& script, const std::string& profile) {
    ProfileData before;
    std::string error;
    const bool readable = ReadProfile(profile, before, error);

    // The update runs on a copy of the profile under its own file name, so
    // the base-name rule, the loader and the writer see what they would see.
    ScratchFolder scratch;
    if (!scratch.Create()) {
        PrintError("pprtool: cannot make a temporary folder for the dry run\n");
        return kExitStartupError;
    }
    const std::string copy = Utf8Path(scratch.Path() / PathOf(profile).filename());
    std::FILE* probe = OpenFile(Utf8ToUtf16(profile).c_str(), "rb");
    if (probe) std::fclose(probe);
    if (probe && !CopyFileReplacing(Utf8ToUtf16(profile).c_str(), Utf8ToUtf16(copy).c_str())) {
        PrintError("pprtool: cannot copy %s for the dry run\n", profile.c_str());
        return kExitStartupError;
    }

    // A dry run leaves nothing behind, not even a line in the print system's log.
    UpdateRun run;
    {
        MutedPrintSystemLog muted;
        MessageLines lines("quillon would show: ");
        run = RunUpdate(script, copy);
    }

    ReportFailure(run, profile);
    if (run.result != SilentUpdateResult::Done) return ExitStatusOf(run.result);
    ProfileData after;
    if (!readable || !ReadProfile(copy, after, error)) {
        PrintError("pprtool: %s\n", error.c_str());
        return kExitProfileNotLoaded;
    }
    PrintChanges(CompareProfiles(before, after), before, after);
    const std::string repeated = RepeatedKeysNoteOf(script);
    if (!repeated.empty()) PrintError("pprtool: %s\n", repeated.c_str());
    return kExitOk;
}

int ApplyUpdate(const ApplyOptions& options) {
    nlohmann::ordered_json report = {{"script", options.script}, {"profile", options.profile}, {"backup", nullptr}};
    auto finish = [&](int status) {
        report["status"] = status;
        if (options.json) Print("%s\n", report.dump(2).c_str());
        return status;
    };
    auto refuse = [&](const std::string& error) {
        PrintError("pprtool: backup refused, nothing done: %s\n", error.c_str());
        report["outcome"] = OutcomeName(SilentUpdateResult::Refused);
        report["error"] = error;
        return finish(kExitRefused);
    };

    // What can go wrong with the backup folder is found before the update
    // takes the lock; names that differ the engine refuses first, below.
    const bool backingUp = !options.backupFolder.empty();
    std::string error;
    if (backingUp && SameBaseName(CString(Utf8ToUtf16(options.script)), CString(Utf8ToUtf16(options.profile))) &&
        !PrepareBackupFolder(options.backupFolder, error))
        return refuse(error);

    // With the lock held the file is the one the update replaces: the backup
    // and the state the changes are counted from are both read from it then.
    ProfileData before;
    bool readable = false;
    std::string backup;
    auto beforeMerge = [&] {
        std::string ignored;  // the loader has just read it as a profile
        readable = ReadProfile(options.profile, before, ignored);
        if (!backingUp) return true;
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(options.profile, bytes)) {
            error = "cannot read " + options.profile;
            return false;
        }
        return WriteBackup(options.backupFolder, options.profile, bytes, backup, error);
    };

    MessageLines lines("");
    const UpdateRun run = RunUpdate(options.script, options.profile, beforeMerge);
    const SilentUpdateResult result = run.result;
    if (result == SilentUpdateResult::Refused) return refuse(error);
    report["outcome"] = OutcomeName(result);
    if (!run.reason.empty()) report["error"] = run.reason;
    ReportFailure(run, options.profile);

    // A profile left as it was needs no backup, and one kept would pass for
    // the state before a change that never happened.
    if (!backup.empty() && result != SilentUpdateResult::Done && RemoveBackup(backup)) backup.clear();
    if (!backup.empty()) report["backup"] = backup;

    ProfileData after;
    std::string afterError;
    if (readable && ReadProfile(options.profile, after, afterError)) {
        const ProfileChanges changes = CompareProfiles(before, after);
        report["changes"] = ChangesToJson(changes);
        if (!options.json && result == SilentUpdateResult::Done) {
            Print("%s updated from %s: %s", options.profile.c_str(), options.script.c_str(),
                  changes.Empty() ? "no changes" : TableSummary(changes).c_str());
            if (!changes.header.empty()) Print("; header %s", HeaderSummary(changes).c_str());
            Print(".%s%s\n", backup.empty() ? "" : " Backup: ", backup.c_str());
        }
    }
    return finish(ExitStatusOf(result));
}
