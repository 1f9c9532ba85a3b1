// Runs the built program in silent mode on files in a temp folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/profile_builder.h"
#include "support/temp_folder.h"

namespace {

struct ProgramRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

ProgramRun RunQuillon(const std::string& arguments, const TempFolder& folder) {
    const std::string command = "cd '" + folder.Path().string() + "' && TOVREL_ROOT='" + folder.Path().string() +
                                "' XDG_RUNTIME_DIR='" + folder.Path().string() + "' '" + QUILLON_BIN_DIR +
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
    // printer.PPR names another file on this system; Printer.ppr is the loaded one only when equal.
    EXPECT_EQ(run.status, 0) << run.output;
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

TEST_F(SilentModeTest, UnreadableProfileWritesNothingAndSucceeds) {
    ASSERT_TRUE(WriteFileBytes(folder / "Printer.ppr", {1, 2, 3}));  // not a profile
    const ProgramRun run = RunQuillon("Printer.SCR Printer.ppr", folder);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFileBytes(folder / "Printer.ppr"), (std::vector<uint8_t>{1, 2, 3}));
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
