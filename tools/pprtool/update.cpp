#include "tools/pprtool/update.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "deploy/color_files.h"
#include "deploy/print_service.h"
#include "engine/exit_status.h"
#include "engine/merge.h"
#include "engine/profile_lock.h"
#include "engine/profile_writer.h"
#include "engine/working_data.h"
#include "platform/digest.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/tables.h"
#include "res/resource.h"
#include "tools/pprtool/backup.h"
#include "tools/pprtool/check.h"
#include "tools/pprtool/messages_and_log.h"
#include "tools/pprtool/pending_reload.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_data.h"
#include "tools/pprtool/profile_diff.h"
#include "tools/pprtool/update_journal.h"

namespace {

// What became of one script's printer.
struct PrinterReport {
    std::u16string printer;
    std::string profile;  // its profile in the copy pool
    const char* outcome = "";
    bool changed = false;  // written, or with --check would be
    std::string backup;
    std::string error;
    nlohmann::ordered_json changes;
    std::string diff;  // the changes as diff prints them
};

struct ColorFileReport {
    std::string file;
    std::string destination;
    bool copied = false;  // or, with --check, would be
    bool failed = false;
};

// The bytes of the profile file the profile in memory makes.
std::vector<uint8_t> ProfileImage(const ProfileHeader& header) {
    std::vector<uint8_t> image;
    ForEachProfilePart(header, [&](const void* part, std::size_t size) {
        image.insert(image.end(), static_cast<const uint8_t*>(part), static_cast<const uint8_t*>(part) + size);
        return true;
    });
    return image;
}

// Why the library gave no profile of an installed printer, in the loader's words.
std::string WhyNotLoaded(const std::string& profile) {
    const ProfileLoad state = ProfileLoadOf(ProbeFile(Utf8ToUtf16(profile).c_str()));
    if (state != ProfileLoad::Loaded) return DescribeProfileLoad(state);
    std::string reason;
    ProfileData ignored;
    return ReadProfile(profile, ignored, reason) ? DescribeProfileLoad(ProfileLoad::NotAProfile) : reason;
}

bool SameFileBytes(const std::u16string& a, const std::u16string& b) {
    std::vector<uint8_t> first, second;
    return ReadWholeFile(Utf16ToUtf8(a), first) && ReadWholeFile(Utf16ToUtf8(b), second) && first == second;
}

// The working data of a kit's update: the dialog's, with the writing of each
// merged profile and the report of a busy one taken over.
class KitUpdate : public WorkingData {
public:
    explicit KitUpdate(const KitUpdateOptions& options) : m_options(options) {}

    // Before the first change of a run: the reload it will owe the print
    // service is marked, so that a run that ends before telling the service
    // leaves it to the next.
    void BeforeChange() {
        if (m_markedReload) return;
        m_markedReload = true;
        if (!MarkReloadPending(m_options.kit))
            PrintError("pprtool: %s: cannot mark the print service's reload as pending\n", m_options.kit.c_str());
    }

    int WriteMergedProfile(const ScriptRecord& script, const ProfileHeader& header, int silent) override {
        PrinterReport& report = ReportOf(FieldText(script.printerName));
        m_reached.insert(report.printer);
        std::vector<uint8_t> current;
        const bool readable = ReadWholeFile(report.profile, current);
        const std::vector<uint8_t> image = ProfileImage(header);
        if (readable && image == current) {
            report.outcome = "unchanged";
            return 1;
        }
        ProfileData before;
        const ProfileData after = ProfileDataOf(header);
        std::string ignored;  // the loader has just read it as a profile
        if (readable && ReadProfile(report.profile, before, ignored)) {
            const ProfileChanges changes = CompareProfiles(before, after);
            report.changes = ChangesToJson(changes);
            report.diff = FormatChanges(changes, before, after);
        }
        report.changed = true;
        if (m_options.check) {
            report.outcome = "would update";
            return 1;
        }
        // A backup or journal that cannot be written keeps the profile as it is.
        auto refuse = [&](const char* what) {
            PrintError("pprtool: %s: %sthe profile is left as it is: %s\n", report.profile.c_str(), what,
                       report.error.c_str());
            report.outcome = "backup failed";
            report.changed = false;
            if (report.backup.empty() || RemoveBackup(report.backup)) report.backup.clear();
            ++m_refusedBackups;
            return 0;
        };
        if (!m_options.backupFolder.empty() &&
            (!readable || !WriteBackup(m_options.backupFolder, report.profile, current, report.backup, report.error))) {
            if (!readable) report.error = "cannot read " + report.profile;
            report.backup.clear();  // never written
            return refuse("backup refused, ");
        }
        // The journal names the profile before it is written, so that a run
        // killed halfway leaves nothing that rollback cannot find.
        if (m_journal != nullptr) {
            const std::vector<JournalEntry> recorded = m_journal->Entries();
            m_journal->RecordWrite(Utf16ToUtf8(report.printer), report.profile, report.backup,
                                   Sha256Hex(image.data(), image.size()));
            if (!m_journal->Save(report.error)) {
                m_journal->Entries() = recorded;
                return refuse("");
            }
        }
        BeforeChange();
        if (WorkingData::WriteMergedProfile(script, header, silent)) {
            report.outcome = "updated";
            return 1;
        }
        report.outcome = "write failed";
        report.changed = false;
        if (!report.backup.empty() && RemoveBackup(report.backup)) report.backup.clear();
        return 0;
    }

    void ReportProfileLeftOut(const CString& printer, const std::u16string& path, ProfileLoad why) override {
        m_busy.insert(printer.Str());
        PrintError("pprtool: %s: %s; not updated\n", Utf16ToUtf8(path).c_str(),
                   DescribeProfileLoad(why, m_lockFailure).c_str());
    }

    // One line of the report per script, in the order the scripts were
    // found, once the kit is loaded.
    void ListPrinters() {
        for (int32_t i = 0; i < m_nScriptCount; ++i) {
            PrinterReport report = NewReport(FieldText(m_pScripts[i].printerName));
            const bool loaded = std::any_of(m_pProfiles, m_pProfiles + m_nProfileCount, [&](const ProfileSlot& slot) {
                return FieldText(slot.name) == report.printer;
            });
            if (loaded) {
                // Until the merge says otherwise: a script without rows is never written.
                report.outcome = ScriptHasRows(m_pScripts[i]) ? "write failed" : "unchanged";
            } else if (m_busy.count(report.printer)) {
                report.outcome = "profile busy";
            } else if (IsPrinterInstalled(CString(report.printer))) {
                report.outcome = "profile not loaded";
                report.error = WhyNotLoaded(report.profile);
                PrintError("pprtool: %s: %s; not updated\n", report.profile.c_str(), report.error.c_str());
            } else {
                report.outcome = "not installed";
            }
            m_printers.push_back(std::move(report));
        }
    }

    // The printers whose report has this outcome.
    int Count(const char* outcome) const {
        return static_cast<int>(std::count_if(m_printers.begin(), m_printers.end(), [outcome](const PrinterReport& p) {
            return std::strcmp(p.outcome, outcome) == 0;
        }));
    }

    // After a merge that stopped for lack of memory, the profiles it did not
    // reach were not written for that reason.
    void MarkUnreachedOutOfMemory() {
        for (PrinterReport& report : m_printers)
            if (std::strcmp(report.outcome, "write failed") == 0 && !m_reached.count(report.printer))
                report.outcome = "out of memory";
    }

    static PrinterReport NewReport(std::u16string_view printer) {
        PrinterReport report;
        report.printer = std::u16string(printer);
        report.profile = Utf16ToUtf8(CopyPoolProfilePath(printer));
        return report;
    }

    // The report of a printer the merge hands over: listed by ListPrinters.
    PrinterReport& ReportOf(std::u16string_view printer) {
        auto found = std::find_if(m_printers.begin(), m_printers.end(),
                                  [&](const PrinterReport& report) { return report.printer == printer; });
        if (found != m_printers.end()) return *found;
        m_printers.push_back(NewReport(printer));
        return m_printers.back();
    }

    const KitUpdateOptions& m_options;
    UpdateJournal* m_journal = nullptr;  // with --backup: where each profile written is noted
    bool m_markedReload = false;
    std::vector<PrinterReport> m_printers;
    std::set<std::u16string> m_busy;
    std::set<std::u16string> m_reached;  // profiles the merge handed over for writing
    int m_refusedBackups = 0;
};

// Copies the kit's colour files that differ from their destination (with
// --check, only finds them); `beforeCopy` runs before the first copy.
std::vector<ColorFileReport> UpdateColorFiles(const CString& kitDir, bool check,
                                              const std::function<void()>& beforeCopy) {
    std::vector<ColorFileReport> reports;
    for (const char16_t* extension : kColorFileExtensions) {
        std::vector<ColorFileCopy> copies;
        FindColorFiles(kitDir, extension, copies);
        for (const ColorFileCopy& copy : copies) {
            ColorFileReport report;
            report.file = Utf16ToUtf8(copy.source);
            report.destination = Utf16ToUtf8(copy.destination);
            if (!SameFileBytes(copy.source, copy.destination)) {
                if (!check) beforeCopy();
                report.copied = check || CopyColorFile(copy);
                report.failed = !report.copied;
                if (report.failed)
                    PrintError("pprtool: cannot copy %s to %s\n", report.file.c_str(), report.destination.c_str());
            }
            reports.push_back(std::move(report));
        }
    }
    return reports;
}

// True when a profile was (or, with --check, would be) written or a colour
// file copied.
bool AnythingChanged(const std::vector<PrinterReport>& printers, const std::vector<ColorFileReport>& colorFiles) {
    return std::any_of(printers.begin(), printers.end(), [](const PrinterReport& p) { return p.changed; }) ||
           std::any_of(colorFiles.begin(), colorFiles.end(), [](const ColorFileReport& f) { return f.copied; });
}

void PrintReport(const KitUpdate& data, const std::vector<ColorFileReport>& colorFiles, bool check,
                 const char* service) {
    for (const PrinterReport& report : data.m_printers) {
        Print("%s (%s): %s", Utf16ToUtf8(report.printer).c_str(), report.profile.c_str(), report.outcome);
        if (!report.error.empty()) Print(" (%s)", report.error.c_str());
        if (!report.backup.empty()) Print(". Backup: %s", report.backup.c_str());
        Print("\n%s", report.changed ? report.diff.c_str() : "");
    }
    for (const ColorFileReport& file : colorFiles)
        Print("%s -> %s: %s\n", file.file.c_str(), file.destination.c_str(),
              file.failed   ? "not copied"
              : file.copied ? (check ? "would copy" : "copied")
                            : "already equal");
    Print("print service: %s\n", service);
}

}  // namespace

int UpdateKit(const KitUpdateOptions& options) {
    nlohmann::ordered_json report = {{"kit", options.kit}, {"check", options.check}};
    KitUpdate data(options);
    UpdateJournal journal;
    std::vector<ColorFileReport> colorFiles;
    // A reload an earlier run of the kit owes the service is owed by this one.
    const bool reloadPending = ReloadPending(options.kit);
    bool serviceNotified = false;
    auto finish = [&](int status, const char* service) {
        nlohmann::ordered_json printers = nlohmann::ordered_json::array();
        for (const PrinterReport& p : data.m_printers) {
            nlohmann::ordered_json entry = {
                {"printer", Utf16ToUtf8(p.printer)},
                {"profile", p.profile},
                {"outcome", p.outcome},
                {"changed", p.changed},
                {"backup", p.backup.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(p.backup)},
                {"changes", p.changes.is_null() ? nlohmann::ordered_json::object() : p.changes},
                {"diff", p.changed ? p.diff : std::string()}};
            if (!p.error.empty()) entry["error"] = p.error;
            printers.push_back(std::move(entry));
        }
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const ColorFileReport& f : colorFiles)
            files.push_back({{"file", f.file}, {"destination", f.destination}, {"copied", f.copied}});
        report["printers"] = printers;
        report["colorFiles"] = files;
        report["reloadPending"] = reloadPending;
        report["serviceNotified"] = serviceNotified;
        // Telling the service what an earlier run changed changes the print system too.
        report["changed"] = AnythingChanged(data.m_printers, colorFiles) ||
                            (reloadPending && (serviceNotified || (options.check && status == kExitOk)));
        const bool journalWritten = data.m_journal != nullptr && !journal.Entries().empty();
        report["journal"] = journalWritten ? nlohmann::ordered_json(journal.Path()) : nlohmann::ordered_json();
        report["status"] = status;
        if (options.json)
            Print("%s\n", report.dump(2).c_str());
        else
            PrintReport(data, colorFiles, options.check, service);
        return status;
    };

    // A folder that cannot hold backups is found before anything is locked.
    std::string error;
    if (!options.backupFolder.empty() && !options.check) {
        if (!PrepareBackupFolder(options.backupFolder, error)) {
            PrintError("pprtool: backup refused, nothing done: %s\n", error.c_str());
            return finish(kExitRefused, "not told (nothing done)");
        }
        if (journal.Lock(options.backupFolder) != ProcessLock::Outcome::Acquired) {
            PrintError("pprtool: %s: another update or rollback is using its journal; nothing done\n",
                       options.backupFolder.c_str());
            return finish(kExitProfileBusy, "not told (nothing done)");
        }
        if (!journal.OpenForKit(options.backupFolder, options.kit, error)) {
            PrintError("pprtool: backup refused, nothing done: %s\n", error.c_str());
            return finish(kExitRefused, "not told (nothing done)");
        }
        data.m_journal = &journal;
    }

    // A check writes nothing, not even a line in the print system's log.
    MutedPrintSystemLog muted(options.check);
    MessageLines lines("pprtool: ");

    // The kit's folder as the dialog has its own: ending with one separator.
    std::u16string kitDir = Utf8ToUtf16(options.kit);
    const bool endsWithSeparator = !kitDir.empty() && (kitDir.back() == PathSeparator() || kitDir.back() == u'/');
    if (!endsWithSeparator) kitDir += PathSeparator();
    data.m_strExeDir = CString(kitDir);
    data.m_bKeepLeftovers = options.check;
    if (!data.LoadScriptsAndProfiles(CString(), CString())) {
        PrintError("pprtool: %s\npprtool: pprtool check %s says where a script fails\n",
                   Utf16ToUtf8(LoadResString(IDS_NO_SCRIPT).Str()).c_str(),
                   Utf8Path(PathOf(options.kit) / "prof" / "*.SCR").c_str());
        return finish(kExitStartupError, "not told (nothing done)");
    }
    data.ListPrinters();
    // Before the merge marks the scripts' rows: a key repeated in a block
    // would make the next run change the profile again.
    if (options.check)
        for (int32_t i = 0; i < data.m_nScriptCount; ++i) {
            const std::string printer = Utf16ToUtf8(FieldText(data.m_pScripts[i].printerName));
            const std::string note =
                RepeatedKeysNote(Utf8Path(PathOf(options.kit) / "prof" / PathOf(printer + ".SCR")), data.m_pScripts[i]);
            if (!note.empty()) PrintError("pprtool: %s\n", note.c_str());
        }
    const bool notLoaded = data.Count("profile not loaded") > 0;
    if (data.m_nProfileCount == 0) {
        if (notLoaded) return finish(kExitProfileNotLoaded, "not told (nothing done)");
        if (!data.m_busy.empty()) return finish(kExitProfileBusy, "not told (nothing done)");
        PrintError("pprtool: %s\n", Utf16ToUtf8(LoadResString(IDS_PRINTER_NOT_INSTALLED).Str()).c_str());
        return finish(kExitNothingToUpdate, "not told (nothing done)");
    }

    const bool merged = data.UpdatePrinterProfiles(0) != 0;
    if (!merged) data.MarkUnreachedOutOfMemory();
    const int failedWrites = data.m_nFailedWrites - data.m_refusedBackups;
    colorFiles = UpdateColorFiles(data.m_strExeDir, options.check, [&data] { data.BeforeChange(); });

    const bool changed = AnythingChanged(data.m_printers, colorFiles);
    const bool colorFileFailed =
        std::any_of(colorFiles.begin(), colorFiles.end(), [](const ColorFileReport& f) { return f.failed; });
    const char* service = "not told (nothing changed)";
    bool told = true;
    if (options.check) {
        if (changed) service = "would be told to reload";
        if (!changed && reloadPending) service = "would be told to reload (an earlier run left it pending)";
    } else if (changed || reloadPending) {
        told = serviceNotified = NotifyPrintService() != 0;
        service = !told     ? "could not be told to reload"
                  : changed ? "told to reload"
                            : "told to reload (an earlier run left it pending)";
        if (!told) PrintError("pprtool: %s\n", Utf16ToUtf8(LoadResString(IDS_PPD_UPDATE_FAILED).Str()).c_str());
        if (told && !ClearReloadPending(options.kit))
            PrintError("pprtool: %s: cannot clear the pending reload's mark\n", options.kit.c_str());
    }

    if (!merged) return finish(kExitOutOfMemory, service);
    if (failedWrites > 0 || colorFileFailed) return finish(kExitWriteFailed, service);
    if (notLoaded) return finish(kExitProfileNotLoaded, service);
    if (data.m_refusedBackups > 0) return finish(kExitRefused, service);
    if (!data.m_busy.empty()) return finish(kExitProfileBusy, service);
    if (!told) return finish(kExitNotNotified, service);
    return finish(kExitOk, service);
}
