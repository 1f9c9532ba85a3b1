// Runs the built program in dialog mode on the terminal, from a scratch
// folder holding a copy of the program and its library, with the stand-in
// print system and print service.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

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
        const std::string root = folder.Path().string();
        const std::string command = "cd '" + root + "' && printf '" + input + "' | TOVREL_ROOT='" + root +
                                    "/printsys' WINDIR='" + root + "/windows' XDG_RUNTIME_DIR='" + root + "/run' '" +
                                    root + "/app/quillon' 2>&1";
        output.clear();
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int raw = pclose(pipe);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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

}  // namespace
