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
        EXPECT_EQ(Changed("PrinterA.ppr"), c.changesA);
        EXPECT_EQ(Changed("PrinterB.ppr"), c.changesB);
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

}  // namespace
