#include "tools/pprtool/rollback.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <nlohmann/json.hpp>

#include "deploy/print_service.h"
#include "engine/exit_status.h"
#include "platform/digest.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_diff.h"
#include "tools/pprtool/restore.h"
#include "tools/pprtool/update_journal.h"

namespace {

constexpr int kExitNotRolledBack = 2;  // as restore ends for a profile it cannot put back

// What became of one profile of the journal.
struct ProfileReport {
    const JournalEntry* entry = nullptr;
    const char* outcome = "";
    int status = kExitOk;
    std::string error;
    nlohmann::ordered_json changes;
    std::string diff;
};

// Puts back one profile of the journal, or says why not.
// `beforeCommit` runs just before a profile is replaced.
ProfileReport RollBackProfile(JournalEntry& entry, bool force, const std::function<void()>& beforeCommit) {
    ProfileReport report;
    report.entry = &entry;
    ProfilePutBack putBack;
    if (!putBack.Prepare(entry.backup, entry.profile)) {
        report.outcome = putBack.Outcome();
        report.status = putBack.Status();
        report.error = putBack.Error();
        return report;
    }
    if (putBack.Same()) {
        report.outcome = "already as before";
        entry.rolledBack = true;
        return report;
    }
    const std::vector<uint8_t>& current = putBack.Current();
    const bool asWritten = Sha256Hex(current.data(), current.size()) == entry.written;
    if (!asWritten && !force) {
        report.outcome = "changed since the update";
        report.status = kExitChangedSinceUpdate;
        report.error = entry.profile + " no longer holds what the update wrote; left as it is (--force puts it back)";
        return report;
    }
    const ProfileChanges changes = putBack.Changes();
    if (putBack.Readable()) {
        report.changes = ChangesToJson(changes);
        report.diff = FormatChanges(changes, putBack.Before(), putBack.Restored());
    }
    beforeCommit();
    if (!putBack.Commit()) {
        report.outcome = putBack.Outcome();
        report.status = putBack.Status();
        report.error = putBack.Error();
        return report;
    }
    report.outcome = asWritten ? "rolled back" : "rolled back (forced)";
    entry.rolledBack = true;
    return report;
}

bool AnyPutBack(const std::vector<ProfileReport>& profiles) {
    return std::any_of(profiles.begin(), profiles.end(),
                       [](const ProfileReport& p) { return std::string_view(p.outcome).starts_with("rolled back"); });
}

}  // namespace

int RollbackKit(const RollbackOptions& options) {
    UpdateJournal journal;
    std::vector<ProfileReport> profiles;
    bool serviceNotified = false;
    std::string error;
    auto finish = [&](int status, const char* service) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const ProfileReport& p : profiles) {
            nlohmann::ordered_json entry = {
                {"printer", p.entry->printer},
                {"profile", p.entry->profile},
                {"backup", p.entry->backup},
                {"outcome", p.outcome},
                {"changes", p.changes.is_null() ? nlohmann::ordered_json::object() : p.changes},
                {"diff", p.diff}};
            if (!p.error.empty()) entry["error"] = p.error;
            list.push_back(std::move(entry));
        }
        // A profile put back changes the server even when the service could not be told.
        const bool changed = serviceNotified || AnyPutBack(profiles);
        if (options.json) {
            const nlohmann::ordered_json report = {
                {"backupFolder", options.backupFolder},
                {"journal", journal.Path().empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(journal.Path())},
                {"profiles", list},
                {"serviceNotified", serviceNotified},
                {"changed", changed},
                {"status", status}};
            Print("%s\n", report.dump(2).c_str());
        } else {
            for (const ProfileReport& p : profiles)
                Print("%s (%s): %s\n%s", p.entry->printer.c_str(), p.entry->profile.c_str(), p.outcome, p.diff.c_str());
            Print("print service: %s\n", service);
        }
        return status;
    };

    if (journal.Lock(options.backupFolder) != ProcessLock::Outcome::Acquired) {
        PrintError("pprtool: %s: another update or rollback is using its journal; nothing done\n",
                   options.backupFolder.c_str());
        return finish(kExitProfileBusy, "not told (nothing done)");
    }
    if (!journal.OpenLatest(options.backupFolder, error)) {
        PrintError("pprtool: %s; nothing done\n", error.c_str());
        return finish(kExitNotRolledBack, "not told (nothing done)");
    }
    if (journal.Path().empty()) {
        if (!options.json) Print("%s holds no update journal: nothing to roll back\n", options.backupFolder.c_str());
        return finish(kExitOk, "not told (nothing to do)");
    }

    bool journalFailed = false;
    auto save = [&] {
        if (journal.Save(error)) return;
        PrintError("pprtool: %s\n", error.c_str());
        journalFailed = true;
    };
    // The reload a rollback owes the service is noted before the first
    // profile is replaced and each profile put back as soon as it is, so
    // that a rollback killed halfway is finished by the next.
    const bool pendingBefore = journal.m_bReloadPending;
    auto beforeCommit = [&] {
        if (journal.m_bReloadPending) return;
        journal.m_bReloadPending = true;
        save();
    };
    // Undone in the opposite order to the one the update wrote them in.
    for (auto it = journal.Entries().rbegin(); it != journal.Entries().rend(); ++it) {
        if (it->rolledBack) continue;
        profiles.push_back(RollBackProfile(*it, options.force, beforeCommit));
        if (!profiles.back().error.empty()) PrintError("pprtool: %s\n", profiles.back().error.c_str());
        if (it->rolledBack) save();
    }
    const bool putBackAny = AnyPutBack(profiles);

    const char* service = "not told (nothing put back)";
    bool told = true;
    if (putBackAny || pendingBefore) {
        told = serviceNotified = NotifyPrintService() != 0;
        service = told ? (putBackAny ? "told to reload" : "told to reload (an earlier rollback left it pending)")
                       : "could not be told to reload";
        if (!told) PrintError("pprtool: the print service could not be told to reload\n");
        journal.m_bReloadPending = !told;
        save();
    } else if (journal.m_bReloadPending) {
        journal.m_bReloadPending = false;  // marked for a replacement that then failed
        save();
    }
    if (profiles.empty() && !serviceNotified && !options.json)
        Print("%s: every profile of %s is rolled back already: nothing to do\n", options.backupFolder.c_str(),
              journal.Path().c_str());

    auto any = [&](int status) {
        return std::any_of(profiles.begin(), profiles.end(), [status](const auto& p) { return p.status == status; });
    };
    if (journalFailed || any(kExitNotRolledBack)) return finish(kExitNotRolledBack, service);
    if (any(kExitChangedSinceUpdate)) return finish(kExitChangedSinceUpdate, service);
    if (any(kExitProfileBusy)) return finish(kExitProfileBusy, service);
    if (!told) return finish(kExitNotNotified, service);
    return finish(kExitOk, service);
}
