// pprtool: the administrator's companion of quillon. It checks update
// scripts, shows what an update would change, applies it with a backup, puts
// a backup back, and dumps, rebuilds and compares printer profiles, all
// through the program's own parser, profile reader, merge, writer and lock.
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "platform/afx.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/text.h"
#include "res/program_resources.h"
#include "tools/pprtool/check.h"
#include "tools/pprtool/plan_and_apply.h"
#include "tools/pprtool/print.h"
#include "tools/pprtool/profile_data.h"
#include "tools/pprtool/profile_diff.h"
#include "tools/pprtool/profile_fields.h"
#include "tools/pprtool/profile_json.h"
#include "tools/pprtool/restore.h"
#include "tools/pprtool/rollback.h"
#include "tools/pprtool/update.h"

namespace {

constexpr int kExitUsage = 64;     // wrong command line, every verb
constexpr int kExitBadFile = 2;    // dump, make, diff: a file that cannot be read or written
constexpr int kExitDifferent = 1;  // diff: the profiles differ

int Flushed(int status) {
    if (!FlushStandardStream(StandardStream::Output)) {
        PrintError("pprtool: cannot write to standard output\n");
        return kExitBadFile;
    }
    return status;
}

bool Read(const std::string& path, ProfileData& profile) {
    std::string error;
    if (ReadProfile(path, profile, error)) return true;
    PrintError("pprtool: %s\n", error.c_str());
    return false;
}

int Dump(const std::string& path, bool json) {
    ProfileData profile;
    if (!Read(path, profile)) return kExitBadFile;
    if (json) {
        Print("%s\n", ProfileToJson(profile).dump(2).c_str());
        return Flushed(0);
    }
    const ProfileHeader header = profile.LinkedHeader();
    for (const FieldSpec& field : HeaderFields())
        Print("%s: %s\n", field.name, FormatField(field, reinterpret_cast<const uint8_t*>(&header)).c_str());
    for (Table table : kTablesInFileOrder) {
        Print("%s %d\n", TableNameUtf8(table).c_str(), profile.RowCount(table));
        for (int i = 0; i < profile.RowCount(table); ++i)
            Print("  [%d] %s\n", i, FormatRecord(RowFields(table), profile.Row(table, i)).c_str());
    }
    return Flushed(0);
}

int Make(const std::string& jsonPath, const std::string& outPath) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(jsonPath, bytes)) {
        PrintError("pprtool: %s: cannot open the file\n", jsonPath.c_str());
        return kExitBadFile;
    }
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(bytes.begin(), bytes.end());
    } catch (const nlohmann::json::parse_error& e) {
        PrintError("pprtool: %s is not JSON: %s\n", jsonPath.c_str(), e.what());
        return kExitBadFile;
    }
    ProfileData profile;
    std::string error;
    if (!ProfileFromJson(document, profile, error)) {
        PrintError("pprtool: %s: %s\n", jsonPath.c_str(), error.c_str());
        return kExitBadFile;
    }
    if (!WriteProfile(outPath, profile, error)) {
        PrintError("pprtool: %s\n", error.c_str());
        return kExitBadFile;
    }
    return 0;
}

int Diff(const std::string& oldPath, const std::string& newPath, bool json) {
    ProfileData before, after;
    if (!Read(oldPath, before) || !Read(newPath, after)) return kExitBadFile;
    const ProfileChanges changes = CompareProfiles(before, after);
    if (json)
        Print("%s\n", ChangesToJson(changes).dump(2).c_str());
    else
        PrintChanges(changes, before, after);
    return Flushed(changes.Empty() ? 0 : kExitDifferent);
}

}  // namespace

int main(int argc, char** argv) {
    SetJapaneseLocale();
    SetResources(&ProgramResources());  // the program's own messages, for plan and apply
    CLI::App app{
        "pprtool: checks quillon's update scripts, previews and applies an update, runs a whole update kit and rolls "
        "it "
        "back, restores a backup, and "
        "dumps, builds and compares printer profiles (.ppr).\n"
        "Paths may contain blanks. Wrong usage exits 64. On Windows, text to a console is written as its "
        "characters (UTF-16); redirected to a file or a pipe, output is UTF-8, JSON included."};
    app.require_subcommand(1);

    std::string first, second;
    bool json = false;

    std::vector<std::string> scripts;
    CLI::App* check = app.add_subcommand(
        "check",
        "Run quillon's parser over update scripts: FILE:LINE: error: <reason> for what fails a script, "
        "FILE:LINE: warning: <reason> for what parses but is likely a mistake.\n"
        "Exit: 0 every script clean; 1 warnings only; 2 a script fails.");
    check->add_option("SCRIPT", scripts, "update scripts (.SCR)")->required();

    CLI::App* dump = app.add_subcommand(
        "dump",
        "Print a profile's header and every row of its six tables, or one JSON document with --json.\n"
        "Exit: 0 printed; 2 the file cannot be read or is not a profile.");
    dump->add_option("FILE.ppr", first, "the profile")->required();
    dump->add_flag("--json", json, "every header field and row as JSON; uninterpreted bytes in hex");

    CLI::App* make =
        app.add_subcommand("make",
                           "Build a profile from the JSON that dump --json prints (the inverse of dump --json).\n"
                           "Exit: 0 written; 2 the JSON cannot be read or is not a profile, or OUT cannot be written.");
    make->add_option("FILE.json", first, "the JSON document")->required();
    make->add_option("OUT.ppr", second, "the profile to write (replaced in one step)")->required();

    CLI::App* diff = app.add_subcommand(
        "diff",
        "Show what changed from OLD to NEW per table: rows updated (fields old -> new), rows appended, "
        "header counters moved.\nExit: 0 identical; 1 different; 2 a file cannot be read.");
    diff->add_option("OLD.ppr", first, "the profile before")->required();
    diff->add_option("NEW.ppr", second, "the profile after")->required();
    diff->add_flag("--json", json, "the number of changes per table and the header fields that moved, as JSON");

    CLI::App* plan = app.add_subcommand(
        "plan",
        "Dry run of `quillon SCRIPT PROFILE`: print what it would change, as diff prints it; write "
        "nothing.\nExit: as quillon would end: 0 the update would succeed (changes or not); 1 start-up "
        "error (base names differ, script cannot be opened or parsed); 2 the profile could not be "
        "written; 3 out of memory; 9 the profile could not be loaded.");
    plan->add_option("SCRIPT", first, "the update script (.SCR)")->required();
    plan->add_option("PROFILE", second, "the profile file (.ppr), with the script's base name")->required();

    ApplyOptions applyOptions;
    CLI::App* apply = app.add_subcommand(
        "apply",
        "Run the silent update `quillon SCRIPT PROFILE` without message boxes: the same load, merge "
        "and one-step write, under the same lock of the profile.\nExit: as quillon: 0 done; 1 start-up "
        "error; 2 the profile could not be written; 3 out of memory; 9 the profile could not be loaded; 10 "
        "another update holds the profile; 11 --backup given and the backup could not be written (nothing "
        "done).");
    apply->add_option("SCRIPT", applyOptions.script, "the update script (.SCR)")->required();
    apply->add_option("PROFILE", applyOptions.profile, "the profile file (.ppr), with the script's base name")
        ->required();
    apply->add_option("--backup", applyOptions.backupFolder,
                      "once the profile is loaded under its lock, copy it to DIR/<name>.<UTC time stamp>.ppr "
                      "(DIR is made when missing) before the merge; refuse to run (11) if that fails; a backup of "
                      "a profile that is then not written (2, 3) is removed");
    apply->add_flag("--json", applyOptions.json,
                    "a JSON report: rows updated and appended per table, counters, the backup, the outcome");

    RestoreOptions restoreOptions;
    CLI::App* restore = app.add_subcommand(
        "restore",
        "Put a backup back: replace PROFILE with BACKUP's bytes in one step, keeping PROFILE's owner, group "
        "and mode, under the lock an update of PROFILE takes (and removing the temporary files of killed "
        "updates of it); print what changed, PROFILE before -> BACKUP, as diff prints it. BACKUP must read as "
        "a profile; PROFILE must exist. Nothing is written when PROFILE already holds BACKUP's bytes.\n"
        "Exit: 0 restored (or already equal); 2 BACKUP cannot be read or is not a profile, or PROFILE is "
        "missing, not a regular file or cannot be written (it is left as it was); 10 another update holds "
        "PROFILE, or its lock cannot be taken (nothing touched).");
    restore->add_option("BACKUP", restoreOptions.backup, "the backup (.ppr), as apply --backup wrote it")->required();
    restore->add_option("PROFILE", restoreOptions.profile, "the profile file (.ppr) to put it back as")->required();
    restore->add_flag("--json", restoreOptions.json,
                      "a JSON report: the profile, the backup, the outcome, the changes, the status");

    KitUpdateOptions kitOptions;
    CLI::App* update = app.add_subcommand(
        "update",
        "Do what quillon's Execute does, without a window: every script KIT/prof/*.SCR whose printer is "
        "installed updates its profile in the print system's copy pool (under the profile's lock; the whole kit "
        "is parsed first, so a script that fails changes nothing), the colour files of KIT/prof are copied as "
        "Execute copies them, and the print service is told to reload. What is already as the update would "
        "leave it is left alone: a profile the update would not change is not written (no backup, no line in "
        "the log), a colour file already equal is not copied, and the service is told only when something was "
        "written or copied, or when an earlier run of the kit changed something and could not tell it (the mark "
        "KIT/quillon-reload.pending, made before a run changes anything and removed once the service is told). "
        "Prints each printer's outcome with its changes as diff prints them, the colour files and the service.\n"
        "Exit: 0 done (also when nothing needed changing); 1 no script in KIT/prof, or a script that cannot be "
        "read or parsed (nothing done); 2 a profile or a colour file could not be written; 3 out of memory; 5 "
        "the print service could not be told; 7 no script's printer is installed (nothing done); 9 the profile "
        "of an installed printer could not be loaded (the others were done); 10 another update held a profile "
        "(the others were done), or the backup folder's journal; 11 the backup folder is in the way, or a "
        "profile's backup or the journal could not be written (that profile is left as it was). Where several "
        "apply: the first of 3, 2, 9, 11, 10, 5.");
    update->add_option("KIT", kitOptions.kit, "the update kit: the folder that holds prof")->required();
    update->add_flag("--check", kitOptions.check,
                     "change nothing (no profile, colour file, backup, log line or service call); report what "
                     "would change");
    update->add_option("--backup", kitOptions.backupFolder,
                       "copy each profile about to be replaced to DIR/<name>.<UTC time stamp>.ppr first (DIR is "
                       "made when missing), and note it in DIR's journal for rollback: runs of the same kit (the "
                       "same files in prof) add to one journal, another kit starts the next");
    update->add_flag("--json", kitOptions.json,
                     "a JSON report: per printer (printer, profile, outcome, changed, backup, changes, diff), the "
                     "colour files (copied or already equal), reloadPending (an earlier run left the reload "
                     "pending), serviceNotified, changed, journal, status");

    RollbackOptions rollbackOptions;
    CLI::App* rollback = app.add_subcommand(
        "rollback",
        "Undo the latest kit that update --backup DIR ran: every profile its runs changed, as DIR's journal "
        "records them, gets back its bytes from before the kit's first run that changed it, under the "
        "profile's lock and through the same one-step replacement as restore. A profile that no longer holds "
        "what the update wrote changed since and is left as it is, unless --force. The print service is told "
        "to reload once when anything was put back. Colour files stay as they are. A second rollback finds "
        "nothing to do.\nExit: 0 done (also when nothing was left to do, or DIR holds no journal); 2 a profile "
        "could not be put back (missing, its backup unreadable, not written), or the journal cannot be read or "
        "written; 12 a profile changed since the update, left as it is; 10 another update held a profile or the "
        "journal; 5 the print service could not be told. Where several apply: the first of 2, 12, 10, 5.");
    rollback->add_option("BACKUPDIR", rollbackOptions.backupFolder, "the folder given to update --backup")->required();
    rollback->add_flag("--force", rollbackOptions.force, "put back also the profiles that changed since the update");
    rollback->add_flag("--json", rollbackOptions.json,
                       "a JSON report: the journal, per profile (printer, profile, backup, outcome, changes, diff), "
                       "serviceNotified, changed, status");

    // The parser's help and usage errors (which may quote a path) reach the
    // console the way every other line does.
    auto exitWith = [&app](const CLI::Error& e, int status) {
        std::ostringstream out, err;
        app.exit(e, out, err);
        WriteStandardText(StandardStream::Output, out.str());
        WriteStandardText(StandardStream::Error, err.str());
        return status;
    };
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    if (pointers.empty()) pointers.push_back("pprtool");  // started without even a program name
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp& e) {
        return exitWith(e, e.get_exit_code());
    } catch (const CLI::CallForAllHelp& e) {
        return exitWith(e, e.get_exit_code());
    } catch (const CLI::ParseError& e) {
        return exitWith(e, kExitUsage);
    }

    if (check->parsed()) return Flushed(CheckScripts(scripts));
    if (dump->parsed()) return Dump(first, json);
    if (make->parsed()) return Make(first, second);
    if (diff->parsed()) return Diff(first, second, json);
    if (plan->parsed()) return Flushed(PlanUpdate(first, second));
    if (apply->parsed()) return Flushed(ApplyUpdate(applyOptions));
    if (restore->parsed()) return Flushed(RestoreProfile(restoreOptions));
    if (update->parsed()) return Flushed(UpdateKit(kitOptions));
    if (rollback->parsed()) return Flushed(RollbackKit(rollbackOptions));
    return kExitUsage;
}
