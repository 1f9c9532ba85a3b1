// Runs the built program in silent mode on files in a temp folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/profile_builder.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

ProgramRun RunQuillon(const std::string& arguments, const TempFolder& folder) {
    // A run that blocks is cut off rather than hanging the suite.
    const std::string command = "cd '" + folder.Path().string() + "' && TOVREL_ROOT='" + folder.Path().string() +
                                "' XDG_RUNTIME_DIR='" + folder.Path().string() + "' timeout 60 '" + QUILLON_BIN_DIR +
                                "/quillon' " + arguments + " 2>&1";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

const std::string kNoScriptMessage =
    "Quillon: \xE3\x82\xB9\xE3\x82\xAF\xE3\x83\xAA\xE3\x83\x97\xE3\x83\x88\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3"
    "\x83\xAB\xE3\x81\x8C\xE7\x84\xA1\xE3\x81\x84\xE3\x81\x8B";  // "Quillon: スクリプトファイルが無いか"

class SilentModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile.header.opaque[2] = 0x33;
        SetDeviceName(profile.header, "\x88\xF3\x8D\xFC\x8B\x40");  // 印刷機
        profile.header.nextInkId = 100;
        profile.inks = {MakeNamed(u"Cyan", 1, 0x10, 0x11)};
        profile.resolutions = {MakeResolution(720, 720, 1, 1, 0, 0)};
        ASSERT_TRUE(WriteFileBytes(folder / "Printer.ppr", profile.FileImage()));
        // Ink "cyan" updates, ink 表 (0x95 0x5C) is appended, the resolution updates.
        const std::string script =
            "[Tessera PPR Version],3.0\r\n#rows\r\n[QUILLON_START]\r\n"
            "[PPR_Index],INKTAB,2\r\ncyan,1F,0x20\r\n\x95\x5C,A,B\r\n"
            "[PPR_Index],RESOLTAB,1\r\n720,720,1,1,5,6\r\n[QUILLON_END]\r\n";
        ASSERT_TRUE(WriteFileText(folder / "Printer.SCR", script));
    }

    TestProfile Expected() const {
        TestProfile expected = profile;
        expected.inks = {MakeNamed(u"Cyan", 1, 0x1F, 0x20), MakeNamed(u"\u8868", 100, 0xA, 0xB)};
        expected.resolutions = {MakeResolution(720, 720, 1, 1, 5, 6)};
        expected.header.nextInkId = 101;
        return expected;
    }

    TempFolder folder;
    TestProfile profile;
};

TEST_F(SilentModeTest, UpdatesTheNamedProfileInPlace) {
    const ProgramRun run = RunQuillon("Printer.SCR " + (folder / "Printer.ppr"), folder);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), Expected().FileImage());
}

TEST_F(SilentModeTest, ThirdTokenIsIgnoredAndBaseNamesIgnoreCase) {
    const ProgramRun run = RunQuillon("./Printer.SCR ./printer.PPR anything else", folder);
    // printer.PPR names another file on this system, which is not there.
    EXPECT_EQ(run.status, 9) << run.output;
    std::filesystem::rename(folder.Path() / "Printer.ppr", folder.Path() / "printer.PPR");
    const ProgramRun again = RunQuillon("./Printer.SCR ./printer.PPR anything else", folder);
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(ReadFileBytes(folder / "printer.PPR"), Expected().FileImage());
}

TEST_F(SilentModeTest, MismatchedBaseNamesGiveMessage104AndTouchNothing) {
    const auto before = ReadFileBytes(folder / "Printer.ppr");
    const ProgramRun run = RunQuillon("Printer.SCR Other.ppr", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind(kNoScriptMessage, 0), 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), before);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Other.ppr"));
}

TEST_F(SilentModeTest, SingleTokenIsAStartupError) {
    const ProgramRun run = RunQuillon("Printer.SCR", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind(kNoScriptMessage, 0), 0u) << run.output;
}

TEST_F(SilentModeTest, MissingScriptShowsOpenFailureThen104) {
    std::filesystem::remove(folder.Path() / "Printer.SCR");
    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);
    EXPECT_EQ(run.status, 1);
    // 106 first ("スクリプトファイルのオープンに失敗しました"), then 104.
    EXPECT_NE(run.output.find("\xE3\x82\xAA\xE3\x83\xBC\xE3\x83\x97\xE3\x83\xB3"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(kNoScriptMessage), std::string::npos);
}

TEST_F(SilentModeTest, ProfileThatCannotBeLoadedEndsWithStatus9AndOneLineNamingIt) {
    const fs::path ppr = folder.Path() / "Printer.ppr";
    const struct {
        const char* what;
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {"missing", [&] { fs::remove(ppr); }, "no such file"},
        {"not a profile",
         [&] {
             WriteFileBytes(ppr, {1, 2, 3});
         },
         "the print system's library cannot read it as a profile"},
        {"a folder", [&] { fs::remove(ppr), fs::create_directory(ppr); }, "not a regular file"},
        {"a FIFO", [&] { fs::remove_all(ppr), mkfifo(ppr.c_str(), 0600); }, "not a regular file"},
        {"unreadable", [&] { fs::remove_all(ppr), WriteFileBytes(ppr, profile.FileImage()), chmod(ppr.c_str(), 0); },
         geteuid() == 0 ? "" : "cannot be opened for reading"},  // root reads it all the same
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);
        if (c.reason.empty()) continue;
        EXPECT_EQ(run.status, 9);
        // No message box: only the line.
        EXPECT_EQ(run.output, "quillon: Printer.ppr: " + c.reason + "\n");
        EXPECT_FALSE(fs::exists(folder.Path() / "tovrel.log"));
    }
}

// Starts quillon on two arguments in `folder`, its output thrown away.
pid_t StartQuillon(const TempFolder& folder, const std::string& script, const std::string& profile) {
    const std::string program = std::string(QUILLON_BIN_DIR) + "/quillon";
    const std::string root = "TOVREL_ROOT=" + folder.Path().string();
    const std::string runtime = "XDG_RUNTIME_DIR=" + folder.Path().string();  // the locks, private to the test
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(script.c_str()),
                               const_cast<char*>(profile.c_str()), nullptr};
    std::vector<char*> envp = {const_cast<char*>(root.c_str()), const_cast<char*>(runtime.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int WaitFor(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

bool HoldsInk(const std::vector<uint8_t>& image, const std::u16string& name) {
    const auto* units = reinterpret_cast<const char*>(name.data());
    const std::string bytes(units, units + name.size() * sizeof(char16_t));
    return std::string(image.begin(), image.end()).find(bytes) != std::string::npos;
}

// Two updates of one profile started together: the one that finds the
// other running ends with status 8 (the single-instance guard) or 10 (the
// profile's lock) and touches nothing; every update that ends with 0 has its
// rows in the final file.
TEST_F(SilentModeTest, TwoUpdatesOfOneProfileLoseNothing) {
    constexpr int kTrials = 40;
    fs::create_directory(folder.Path() / "a");
    fs::create_directory(folder.Path() / "b");
    const std::string ppr = folder / "Printer.ppr";
    int busy = 0, both = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const std::u16string inkA = u"A" + Utf8ToUtf16(std::to_string(trial));
        const std::u16string inkB = u"B" + Utf8ToUtf16(std::to_string(trial));
        for (const auto& [sub, ink] : {std::pair{"a", inkA}, std::pair{"b", inkB}}) {
            ASSERT_TRUE(WriteFileText(
                folder.Path() / sub / "Printer.SCR",
                "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,1\n" + Utf16ToUtf8(ink) + ",1,2\n"));
        }
        const pid_t a = StartQuillon(folder, folder / "a/Printer.SCR", ppr);
        const pid_t b = StartQuillon(folder, folder / "b/Printer.SCR", ppr);
        ASSERT_GT(a, 0);
        ASSERT_GT(b, 0);
        const int statusA = WaitFor(a), statusB = WaitFor(b);
        const std::vector<uint8_t> after = ReadFileBytes(ppr);
        SCOPED_TRACE("trial " + std::to_string(trial));
        for (const auto& [status, ink] : {std::pair{statusA, inkA}, std::pair{statusB, inkB}}) {
            EXPECT_TRUE(status == 0 || status == 8 || status == 10) << status;
            if (status == 0) {
                EXPECT_TRUE(HoldsInk(after, ink)) << Utf16ToUtf8(ink) << " lost";
            } else {
                EXPECT_FALSE(HoldsInk(after, ink));
                ++busy;
            }
        }
        both += statusA == 0 && statusB == 0;
    }
    std::printf("%d trials: %d with both updates written, %d updates refused as busy, none lost\n", kTrials, both,
                busy);
    // a, b, the script and the profile (and the lock files): nothing left over.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder.Path())) files += entry.path().extension() != ".lock";
    EXPECT_EQ(files, 4);
}

TEST_F(SilentModeTest, ScriptThatIsNoRegularFileFailsAtOnce) {
    fs::remove(folder.Path() / "Printer.SCR");
    ASSERT_EQ(mkfifo((folder / "Printer.SCR").c_str(), 0600), 0);
    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(kNoScriptMessage), std::string::npos) << run.output;
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), profile.FileImage());
}

TEST_F(SilentModeTest, ReplacedProfileKeepsOwnerGroupModeAndItsLink) {
    const fs::path real = folder.Path() / "store";
    fs::create_directory(real);
    fs::rename(folder.Path() / "Printer.ppr", real / "Printer.ppr");
    fs::create_symlink(real / "Printer.ppr", folder.Path() / "Printer.ppr");
    ASSERT_EQ(chmod((real / "Printer.ppr").c_str(), 0640), 0);
    // As root the file can belong to another user, as a print service's file does.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown((real / "Printer.ppr").c_str(), 65534, 65534), 0);
    }

    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);

    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_symlink(folder.Path() / "Printer.ppr"));
    EXPECT_EQ(ReadFileBytes(real / "Printer.ppr"), Expected().FileImage());
    struct stat after {};
    ASSERT_EQ(stat((real / "Printer.ppr").c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(after.st_uid, 65534u);
        EXPECT_EQ(after.st_gid, 65534u);
    }
    // Nothing else in either folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(real), fs::directory_iterator()), 1);
}

TEST_F(SilentModeTest, TemporaryFilesOfAKilledRunAreRemovedByTheNextUpdate) {
    const std::vector<std::string> leftovers = {"Printer.ppr.~quillon.Ab12Cd", "Printer.ppr.~quillon.zzzzzz"};
    const std::vector<std::string> others = {"Printer.ppr.~quillon.keep", "Other.ppr.~quillon.Ab12Cd",
                                             "Printer.ppr.bak"};
    for (const auto& name : leftovers) WriteFileBytes(folder / name, profile.FileImage());
    for (const auto& name : others) WriteFileBytes(folder / name, {1});

    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);

    EXPECT_EQ(run.status, 0) << run.output;
    for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(folder / name)) << name;
    for (const auto& name : others) EXPECT_TRUE(fs::exists(folder / name)) << name;
}

TEST_F(SilentModeTest, ArgumentWithABlankKeepsItsQuotesAndNamesNoOtherFile) {
    fs::create_directory(folder.Path() / "old");
    WriteFileBytes(folder / "old/Printer.ppr", profile.FileImage());
    const auto before = ReadFileBytes(folder / "Printer.ppr");
    // As on Windows the token is "Printer.ppr, quote included: its base name differs.
    const ProgramRun run = RunQuillon("Printer.SCR 'Printer.ppr old/Printer.ppr'", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind(kNoScriptMessage, 0), 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), before);
    EXPECT_EQ(ReadFileBytes(folder / "old/Printer.ppr"), profile.FileImage());
}

TEST_F(SilentModeTest, ProfileThatCannotBeWrittenGivesMessage110AndStatus2) {
    std::filesystem::permissions(folder.Path() / "Printer.ppr", std::filesystem::perms::owner_read);
    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Quillon: "), std::string::npos);
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), profile.FileImage());
    // The failure is in the print system's log as well.
    const auto log = ReadFileBytes(folder / "tovrel.log");
    EXPECT_NE(std::string(log.begin(), log.end()).find("SetPrinterProfile:fopen error[Printer.ppr]"),
              std::string::npos);
}

TEST_F(SilentModeTest, CommandLineTooLongForItsWorkingCopyIsRefused) {
    const std::string longName = std::string(250, 'd') + "/Printer.ppr";
    const ProgramRun run = RunQuillon("Printer.SCR " + longName, folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), profile.FileImage());
}

}  // namespace
