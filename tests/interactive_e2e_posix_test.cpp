// Runs the built program in dialog mode on the terminal, from a scratch
// folder holding a copy of the program and its library, with the stand-in
// print system and print service.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "engine/profile_lock.h"
#include "platform/text.h"
#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"
#include "support/varnell_daemon.h"

namespace fs = std::filesystem;

namespace {

const std::string kScriptA =
    "[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],INKTAB,1\r\nNewInkA,1F,20\r\n[QUILLON_END]\r\n";
const std::string kScriptB =
    "[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],MEDIATAB,1\r\nPaperB,3,4\r\n[QUILLON_END]\r\n";

class InteractiveModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path root = folder.Path();
        for (const char* sub : {"app/prof", "printsys/copypool/colprof", "windows/system32/color", "services", "run"})
            fs::create_directories(root / sub);
        for (const char* program : {"quillon", "libtovrel.so"})
            fs::copy_file(fs::path(QUILLON_BIN_DIR) / program, root / "app" / program);
        ASSERT_TRUE(WriteFileText(folder / "printsys/devices.txt", "Device A\tPrinterA\nDevice B\tPrinterB\n"));
        for (const char* name : {"PrinterA", "PrinterB"}) {
            TestProfile profile;
            SetDeviceName(profile.header, std::string("Zeta ") + name);  // the list shows these
            profile.inks = {MakeNamed(u"Cyan", 1, 1, 2)};
            profile.header.nextInkId = 2;
            ASSERT_TRUE(
                WriteFileBytes(folder / ("printsys/copypool/" + std::string(name) + ".ppr"), profile.FileImage()));
        }
        ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterA.SCR", kScriptA));
        ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterB.SCR", kScriptB));
        for (const char* name : {"a.icm", "b.CAL", "c.CAF", "d.BCC", "e.BKS", "f.BLS"})
            ASSERT_TRUE(WriteFileText(folder / ("app/prof/" + std::string(name)), name));
        for (const char* name : {"PrinterA.ppr", "PrinterB.ppr"})
            before[name] = ReadFileBytes(folder / ("printsys/copypool/" + std::string(name)));
    }

    // Runs the copied program with `input` on its standard input.
    int Run(const std::string& input) {
        return Capture("printf '" + input + "' | " + Environment() + "'" + folder.Path().string() + "/app/quillon'");
    }

    // Runs `command` in the scratch folder; returns its status, with its
    // standard output and error in `output`.
    int Capture(const std::string& command) {
        output.clear();
        FILE* pipe = popen(("cd '" + folder.Path().string() + "' && " + command + " 2>&1").c_str(), "r");
        if (pipe == nullptr) return -1;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int raw = pclose(pipe);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The environment of a run: the scratch print system and service.
    std::string Environment() const {
        const std::string root = folder.Path().string();
        return "TOVREL_ROOT='" + root + "/printsys' WINDIR='" + root + "/windows' XDG_RUNTIME_DIR='" + root + "/run' ";
    }

    // Runs `pprtool apply SCRIPT copypool/PROFILE`; returns its status.
    int Apply(const std::string& script, const std::string& profile) {
        const std::string root = folder.Path().string();
        const std::string command = Environment() + "'" QUILLON_BIN_DIR "/pprtool' apply '" + root + "/" + script +
                                    "' '" + root + "/printsys/copypool/" + profile + "' >/dev/null 2>&1";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // Runs `pprtool update app ARGS...` on the scratch print system.
    int Update(const std::string& args) {
        return Capture(Environment() + "'" QUILLON_BIN_DIR "/pprtool' update app " + args);
    }

    // Every file and folder an update may touch (the print system, both
    // colour folders, the service's log, backups), with its bytes and its
    // time of change: a file made or removed changes its folder's time.
    std::map<std::string, std::pair<std::vector<uint8_t>, fs::file_time_type>> Snapshot() const {
        std::map<std::string, std::pair<std::vector<uint8_t>, fs::file_time_type>> files;
        auto add = [&files](const fs::path& path) {
            files[path.string()] = {fs::is_regular_file(path) ? ReadFileBytes(path) : std::vector<uint8_t>{},
                                    fs::last_write_time(path)};
        };
        for (const char* top : {"printsys", "windows", "backups", "varnell.log"}) {
            if (!fs::exists(folder.Path() / top)) continue;
            add(folder.Path() / top);
            if (fs::is_directory(folder.Path() / top))
                for (const auto& entry : fs::recursive_directory_iterator(folder.Path() / top)) add(entry.path());
        }
        return files;
    }

    bool Has(const std::string& name, const std::u16string& text) {
        const std::vector<uint8_t> bytes = ReadFileBytes(folder / ("printsys/copypool/" + name));
        const std::string wanted(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        return std::string(bytes.begin(), bytes.end()).find(wanted) != std::string::npos;
    }

    void CutLastByte(const std::string& name) {
        std::vector<uint8_t> bytes = ReadFileBytes(folder / ("printsys/copypool/" + name));
        bytes.pop_back();
        ASSERT_TRUE(WriteFileBytes(folder / ("printsys/copypool/" + name), bytes));
    }

    static int Count(const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    bool Changed(const std::string& name) {
        return ReadFileBytes(folder / ("printsys/copypool/" + name)) != before[name];
    }

    TempFolder folder;
    ScopedEnvironment manager{"SERVICE_MANAGER_ROOT", (folder.Path() / "services").c_str()};
    ScopedEnvironment log{"VARNELL_LOG", (folder.Path() / "varnell.log").c_str()};
    std::map<std::string, std::vector<uint8_t>> before;
    std::string output;
};

TEST_F(InteractiveModeTest, EnterUpdatesEveryListedPrinterCopiesColourFilesAndNotifies) {
    VarnellDaemon service;
    ASSERT_TRUE(service.Start());

    EXPECT_EQ(Run("\\n"), 0) << output;

    EXPECT_NE(output.find("  Zeta PrinterA\n  Zeta PrinterB\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  updated: Zeta PrinterA\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  updated: Zeta PrinterB\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Quillon: アップデートを終了しました\n"), std::string::npos) << output;
    EXPECT_TRUE(Changed("PrinterA.ppr"));
    EXPECT_TRUE(Changed("PrinterB.ppr"));
    EXPECT_TRUE(fs::exists(folder.Path() / "printsys/copypool/colprof/a.icm"));
    for (const char* name : {"b.CAL", "c.CAF", "d.BCC", "e.BKS", "f.BLS"})
        EXPECT_TRUE(fs::exists(folder.Path() / "windows/system32/color" / name)) << name;
    EXPECT_NE(ReadFileText(folder / "varnell.log").find("128"), std::string::npos);
    EXPECT_TRUE(service.Stop(SIGTERM));
}

TEST_F(InteractiveModeTest, WithTheServiceStoppedTheClosingMessageIs109) {
    EXPECT_EQ(Run("1\\n"), 5) << output;
    EXPECT_NE(output.find("Quillon: PPDファイルの更新に失敗しました。 管理ツールから更新してください。\n"),
              std::string::npos)
        << output;
    EXPECT_TRUE(Changed("PrinterA.ppr"));
}

TEST_F(InteractiveModeTest, QuitChangesNothing) {
    for (const char* input : {"q\\n", "x\\n2\\n", ""}) {
        SCOPED_TRACE(input);
        EXPECT_EQ(Run(input), 6) << output;
        EXPECT_FALSE(Changed("PrinterA.ppr"));
        EXPECT_FALSE(Changed("PrinterB.ppr"));
        EXPECT_FALSE(fs::exists(folder.Path() / "printsys/copypool/colprof/a.icm"));
        EXPECT_FALSE(fs::exists(folder.Path() / "windows/system32/color/b.CAL"));
        EXPECT_EQ(output.find("Quillon: "), std::string::npos) << output;
    }
}

// The open dialog holds the profiles it lists: another update of one of them
// ends 10 and touches nothing; Execute writes the dialog's own merge; once
// the dialog is done the other update goes through, and both changes stay.
TEST_F(InteractiveModeTest, TheOpenDialogHoldsItsProfilesUntilItHasWrittenThem) {
    ASSERT_TRUE(WriteFileText(folder / "PrinterA.SCR", kScriptB));  // a MEDIATAB row "PaperB"
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const std::string out = folder / "dialog.txt";
    const std::string command = "cd '" + folder.Path().string() + "' && " + Environment() + "exec '" +
                                folder.Path().string() + "/app/quillon' >'" + out + "' 2>&1";
    const pid_t dialog = fork();
    ASSERT_GE(dialog, 0);
    if (dialog == 0) {
        dup2(input[0], 0);
        close(input[1]);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    for (int i = 0; i < 200 && ReadFileText(out).find("Zeta PrinterB") == std::string::npos; ++i) usleep(50000);
    ASSERT_NE(ReadFileText(out).find("Zeta PrinterB"), std::string::npos) << ReadFileText(out);

    EXPECT_EQ(Apply("PrinterA.SCR", "PrinterA.ppr"), 10);
    EXPECT_FALSE(Changed("PrinterA.ppr"));

    ASSERT_EQ(write(input[1], "\n", 1), 1);
    close(input[1]);
    int raw = 0;
    ASSERT_EQ(waitpid(dialog, &raw, 0), dialog);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 5) << ReadFileText(out);  // no service runs here
    EXPECT_TRUE(Has("PrinterA.ppr", u"NewInkA"));

    EXPECT_EQ(Apply("PrinterA.SCR", "PrinterA.ppr"), 0);
    EXPECT_TRUE(Has("PrinterA.ppr", u"NewInkA"));
    EXPECT_TRUE(Has("PrinterA.ppr", u"PaperB"));
}

// A profile whose lock another update holds when the dialog loads is left
// out of the list, said on standard error and in the print system's log;
// the other printers are updated as ever.
TEST_F(InteractiveModeTest, AProfileBusyAtLoadIsLeftOutAndSaidSo) {
    ProcessLock held;
    const std::string profile = folder / "printsys/copypool/PrinterA.ppr";
    ASSERT_EQ(LockProfile(Utf8ToUtf16(profile).c_str(), held), ProcessLock::Outcome::Acquired);

    EXPECT_EQ(Run("\n"), 5) << output;

    EXPECT_EQ(output.find("  Zeta PrinterA\n"), std::string::npos) << output;
    EXPECT_NE(output.find("quillon: PrinterA: another update of this profile is running; left out of the list\n"),
              std::string::npos)
        << output;
    EXPECT_NE(ReadFileText(folder / "printsys/tovrel.log")
                  .find("Quillon: " + profile + ": another update of this profile is running; left out of the list\n"),
              std::string::npos);
    EXPECT_FALSE(Changed("PrinterA.ppr"));
    EXPECT_TRUE(Changed("PrinterB.ppr"));
}

// pprtool update on the kit beside the program does what Execute does, and a
// second run finds nothing to do: nothing written, copied or told.
TEST_F(InteractiveModeTest, UpdateDoesWhatExecuteDoesAndASecondRunTouchesNothing) {
    VarnellDaemon service;
    ASSERT_TRUE(service.Start());
    ASSERT_EQ(Update("--json"), 0) << output;
    EXPECT_NE(output.find("\"changed\": true"), std::string::npos) << output;
    const auto updated = Snapshot();

    ASSERT_EQ(Update("--json"), 0) << output;
    EXPECT_NE(output.find("\"outcome\": \"unchanged\""), std::string::npos) << output;
    EXPECT_NE(output.find("\"serviceNotified\": false,\n  \"changed\": false"), std::string::npos) << output;
    EXPECT_EQ(Snapshot(), updated);  // bytes and times of change

    // A colour file whose bytes changed but not its size is copied again.
    ASSERT_TRUE(WriteFileText(folder / "app/prof/a.icm", "A.icm"));
    ASSERT_EQ(Update(""), 0) << output;
    EXPECT_NE(output.find("app/prof/a.icm -> " + (folder / "printsys/copypool/colprof/a.icm") + ": copied"),
              std::string::npos)
        << output;
    EXPECT_EQ(ReadFileText(folder / "printsys/copypool/colprof/a.icm"), "A.icm");
    ASSERT_TRUE(WriteFileText(folder / "app/prof/a.icm", "a.icm"));

    // The same print system as it was, updated by the dialog instead.
    for (const auto& [name, bytes] : before) ASSERT_TRUE(WriteFileBytes(folder / ("printsys/copypool/" + name), bytes));
    for (const char* sub : {"printsys/copypool/colprof", "windows/system32/color"})
        for (const auto& entry : fs::directory_iterator(folder.Path() / sub)) fs::remove(entry.path());
    fs::remove(folder.Path() / "varnell.log");
    ASSERT_EQ(Run("\\n"), 0) << output;
    const auto executed = Snapshot();
    ASSERT_EQ(executed.size(), updated.size());
    for (const auto& [name, file] : updated) {
        SCOPED_TRACE(name);
        ASSERT_EQ(executed.count(name), 1u);
        if (name.ends_with("varnell.log"))  // a time stamp and the control code
            EXPECT_EQ(executed.at(name).first.size(), file.first.size());
        else
            EXPECT_EQ(executed.at(name).first, file.first);
    }
    EXPECT_TRUE(service.Stop(SIGTERM));
}

// What update ends with, and what it leaves, when it cannot or need not do
// everything: the dialog's statuses, and nothing changed where it stopped.
TEST_F(InteractiveModeTest, UpdateEndsAsTheDialogWouldAndChangesNothingItShouldNot) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        const char* args;
        int status;
        bool changesA, changesB;
        std::string says;
    };
    ProcessLock held;
    const std::string profileA = folder / "printsys/copypool/PrinterA.ppr";
    const Case cases[] = {
        {"check", [] {}, "--check --backup backups", 0, false, false, "PrinterA.ppr): would update\nheader:"},
        {"check with a key repeated in a block",
         [&] {
             std::string repeated = kScriptB;
             repeated.replace(repeated.find("MEDIATAB,1\r\nPaperB,3,4"), 22, "MEDIATAB,2\r\nPaperB,3,4\r\npaperb,5,6");
             ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterB.SCR", repeated));
         },
         "--check", 0, false, false,
         "pprtool: app/prof/PrinterB.SCR: 1 row(s) repeat the key of an earlier row in their block"},
        {"service stopped", [] {}, "--backup backups", 5, true, true, "print service: could not be told"},
        {"busy profile",
         [&] { ASSERT_EQ(LockProfile(Utf8ToUtf16(profileA).c_str(), held), ProcessLock::Outcome::Acquired); }, "", 10,
         false, true, "PrinterA.ppr): profile busy"},
        {"script error",
         [&] {  // a block that declares two rows and has one
             std::string broken = kScriptB;
             broken.replace(broken.find("MEDIATAB,1"), 10, "MEDIATAB,2");
             ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterB.SCR", broken));
         },
         "", 1, false, false, "pprtool check"},
        {"colour file in the way",
         [&] { ASSERT_TRUE(fs::create_directory(folder.Path() / "windows/system32/color/b.CAL")); }, "", 2, true, true,
         "app/prof/b.CAL -> " + (folder / "windows/system32/color/b.CAL") + ": not copied"},
        {"no printer installed", [&] { ASSERT_TRUE(WriteFileText(folder / "printsys/devices.txt", "")); }, "", 7, false,
         false, "PrinterA.ppr): not installed"},
        // A profile the library cannot read fails the run once the others are done.
        {"a profile cut by one byte", [&] { CutLastByte("PrinterA.ppr"); }, "", 9, false, true,
         "PrinterA.ppr): profile not loaded (" + profileA + " is "},
        {"every profile cut by one byte",
         [&] {
             CutLastByte("PrinterA.ppr");
             CutLastByte("PrinterB.ppr");
         },
         "", 9, false, false, "PrinterB.ppr): profile not loaded ("},
        {"backup folder in the way", [&] { ASSERT_TRUE(WriteFileText(folder / "backups", "")); }, "--backup backups",
         11, false, false, "backup refused, nothing done"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto untouched = Snapshot();
        c.prepare();
        const auto prepared = Snapshot();
        EXPECT_EQ(Update(c.args), c.status) << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        // Changed by the update, from what the preparation left.
        auto changed = [&](const std::string& name) {
            const std::string path = folder / ("printsys/copypool/" + name);
            return ReadFileBytes(path) != prepared.at(path).first;
        };
        EXPECT_EQ(changed("PrinterA.ppr"), c.changesA);
        EXPECT_EQ(changed("PrinterB.ppr"), c.changesB);
        if (!c.changesA && !c.changesB) EXPECT_EQ(Snapshot(), prepared);
        // Each profile replaced has its backup, the bytes it had.
        for (const auto& [name, bytes] : before) {
            const std::string stem = name.substr(0, name.find('.'));
            int backups = 0;
            if (fs::is_directory(folder.Path() / "backups"))
                for (const auto& entry : fs::directory_iterator(folder.Path() / "backups"))
                    if (entry.path().filename().string().rfind(stem + ".", 0) == 0 &&
                        ReadFileBytes(entry.path()) == bytes)
                        ++backups;
            EXPECT_EQ(backups, std::string(c.args).find("--backup") != std::string::npos && Changed(name) ? 1 : 0)
                << name;
        }
        // Back to the start for the next case.
        held.Release();
        for (const auto& [path, file] : untouched)
            if (!fs::is_directory(path)) ASSERT_TRUE(WriteFileBytes(path, file.first));
        ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterB.SCR", kScriptB));
        fs::remove_all(folder.Path() / "backups");
        for (const char* sub : {"printsys/copypool/colprof", "windows/system32/color"})
            for (const auto& entry : fs::directory_iterator(folder.Path() / sub)) fs::remove(entry.path());
    }
}

// A run that changed the print system but could not tell the service leaves
// the reload to the next run of the kit, which tells it even with nothing
// else left to do; a check says it is pending and changes nothing.
TEST_F(InteractiveModeTest, AReloadAnUpdateCouldNotAskForIsAskedForByTheNextRun) {
    const std::string mark = folder / "app/quillon-reload.pending";
    auto reloads = [&] { return Count(ReadFileText(folder / "varnell.log"), "control 128"); };
    ASSERT_EQ(Update("--json"), 5) << output;
    EXPECT_TRUE(fs::exists(mark));

    const auto pending = Snapshot();
    ASSERT_EQ(Update("--check --json"), 0) << output;
    for (const char* says : {"\"reloadPending\": true", "\"serviceNotified\": false", "\"changed\": true"})
        EXPECT_NE(output.find(says), std::string::npos) << says << "\n" << output;
    EXPECT_EQ(Snapshot(), pending);
    EXPECT_TRUE(fs::exists(mark));

    VarnellDaemon service;
    ASSERT_TRUE(service.Start());
    ASSERT_EQ(Update(""), 0) << output;
    EXPECT_NE(output.find("print service: told to reload (an earlier run left it pending)"), std::string::npos)
        << output;
    EXPECT_EQ(reloads(), 1);
    EXPECT_FALSE(fs::exists(mark));
    ASSERT_EQ(Update("--json"), 0) << output;
    EXPECT_NE(output.find("\"reloadPending\": false,\n  \"serviceNotified\": false,\n  \"changed\": false"),
              std::string::npos)
        << output;
    EXPECT_EQ(reloads(), 1);
    EXPECT_TRUE(service.Stop(SIGTERM));
}

// rollback puts back a whole kit, however many runs it took, tells the
// service once, never destroys a later change unless forced, and a second
// rollback finds nothing to do.
TEST_F(InteractiveModeTest, RollbackPutsBackEveryRunOfTheKitButNoLaterChange) {
    auto pprtool = [&](const std::string& args) {
        return Capture(Environment() + "'" QUILLON_BIN_DIR "/pprtool' " + args);
    };
    auto reloads = [&] { return Count(ReadFileText(folder / "varnell.log"), "control 128"); };
    const std::string profileA = folder / "printsys/copypool/PrinterA.ppr";
    VarnellDaemon service;
    ASSERT_TRUE(service.Start());
    {
        ProcessLock held;  // PrinterA busy in the first run
        ASSERT_EQ(LockProfile(Utf8ToUtf16(profileA).c_str(), held), ProcessLock::Outcome::Acquired);
        ASSERT_EQ(Update("--backup backups"), 10) << output;
    }
    ASSERT_EQ(Update("--backup backups"), 0) << output;
    ASSERT_TRUE(Changed("PrinterA.ppr") && Changed("PrinterB.ppr"));

    // Step by step: what each rollback ends with, says, and leaves.
    struct Step {
        const char* name;
        std::function<void()> prepare;
        std::string args;
        int status;
        bool aIsOriginal, bIsOriginal;
        int reloads;  // told to the service by this step
        const char* says;
    };
    fs::create_directories(folder.Path() / "later");
    ASSERT_TRUE(WriteFileText(folder / "later/PrinterA.SCR", kScriptB));
    ProcessLock heldB;
    const Step steps[] = {
        {"a profile changed since the update is left as it is, a busy one for later",
         [&] {
             ASSERT_EQ(pprtool("apply later/PrinterA.SCR " + profileA), 0) << output;
             ASSERT_EQ(LockProfile(Utf8ToUtf16(folder / "printsys/copypool/PrinterB.ppr").c_str(), heldB),
                       ProcessLock::Outcome::Acquired);
         },
         "rollback backups", 12, false, false, 0, "PrinterA.ppr): changed since the update"},
        {"unless forced", [] {}, "rollback backups --force", 0, true, true, 1, "PrinterA.ppr): rolled back (forced)"},
        {"a second rollback finds nothing to do", [] {}, "rollback backups --json", 0, true, true, 0,
         "\"serviceNotified\": false,\n  \"changed\": false"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.prepare();
        const auto prepared = Snapshot();
        const int told = reloads();
        EXPECT_EQ(pprtool(step.args), step.status) << output;
        EXPECT_NE(output.find(step.says), std::string::npos) << output;
        EXPECT_EQ(!Changed("PrinterA.ppr"), step.aIsOriginal);
        EXPECT_EQ(!Changed("PrinterB.ppr"), step.bIsOriginal);
        EXPECT_EQ(reloads() - told, step.reloads);
        if (step.reloads == 0) EXPECT_EQ(Snapshot(), prepared);
        heldB.Release();
    }

    // The same kit again adds to the journal; a rollback the service cannot
    // hear is heard by the next one.
    ASSERT_EQ(Update("--backup backups"), 0) << output;
    EXPECT_NE(output.find("print service: told to reload"), std::string::npos);
    EXPECT_TRUE(service.Stop(SIGTERM));
    EXPECT_EQ(pprtool("rollback backups"), 5) << output;
    EXPECT_FALSE(Changed("PrinterA.ppr") || Changed("PrinterB.ppr"));
    ASSERT_TRUE(service.Start());
    const int told = reloads();
    EXPECT_EQ(pprtool("rollback backups"), 0) << output;
    EXPECT_NE(output.find("told to reload (an earlier rollback left it pending)"), std::string::npos) << output;
    EXPECT_EQ(reloads() - told, 1);
    EXPECT_FALSE(fs::exists(folder.Path() / "backups/update-journal-2.json"));

    // Another kit starts the next journal; the first stays.
    ASSERT_TRUE(WriteFileText(folder / "app/prof/PrinterB.SCR", kScriptA));
    ASSERT_EQ(Update("--backup backups --json"), 0) << output;
    EXPECT_TRUE(fs::exists(folder.Path() / "backups/update-journal-1.json"));
    EXPECT_NE(output.find("\"journal\": \"backups/update-journal-2.json\""), std::string::npos) << output;
    EXPECT_TRUE(service.Stop(SIGTERM));
}

// Every writer of a profile removes, once it holds the profile's lock, the
// temporary files that killed updates of it left; a check leaves them.
TEST_F(InteractiveModeTest, EveryWriterRemovesTheLeftoversOfKilledUpdates) {
    const std::string pool = folder / "printsys/copypool";
    ASSERT_TRUE(WriteFileBytes(folder / "PrinterA.backup.ppr", before["PrinterA.ppr"]));
    const struct {
        const char* writer;
        std::string command;
        bool removes;
    } writers[] = {
        {"dialog", "printf '\\n' | " + Environment() + "'" + folder.Path().string() + "/app/quillon'", true},
        {"update", Environment() + "'" QUILLON_BIN_DIR "/pprtool' update app", true},
        {"update --check", Environment() + "'" QUILLON_BIN_DIR "/pprtool' update app --check", false},
        {"apply", Environment() + "'" QUILLON_BIN_DIR "/pprtool' apply app/prof/PrinterA.SCR " + pool + "/PrinterA.ppr",
         true},
        {"restore",
         Environment() + "'" QUILLON_BIN_DIR "/pprtool' restore PrinterA.backup.ppr " + pool + "/PrinterA.ppr", true},
        {"silent mode", Environment() + "'" QUILLON_BIN_DIR "/quillon' app/prof/PrinterA.SCR " + pool + "/PrinterA.ppr",
         true},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.writer);
        const std::string leftover = pool + "/PrinterA.ppr.~quillon.k1LL3d";
        ASSERT_TRUE(WriteFileText(leftover, "half a profile"));
        Capture(w.command);
        EXPECT_EQ(!fs::exists(leftover), w.removes) << output;
        fs::remove(leftover);
        ASSERT_TRUE(WriteFileBytes(pool + "/PrinterA.ppr", before["PrinterA.ppr"]));
    }
}

}  // namespace
