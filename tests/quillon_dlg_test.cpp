// The main dialog and start-up, run through the application object with the
// recording host: what the user sees, what is written, copied and sent, and
// the exit status.
#include "ui/quillon_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/quillon_app.h"
#include "platform/files.h"
#include "platform/process_lock.h"
#include "platform/text.h"
#include "res/program_resources.h"
#include "support/fake_services.h"
#include "support/fake_tovrel.h"
#include "support/file_contents.h"
#include "support/profile_builder.h"
#include "support/recording_dialog_host.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kScript =
    "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,1\nN1,1F,0\n[QUILLON_END]\n";

const std::string k104 = "message 10 スクリプトファイルが無いか、スクリプトファイルのフォーマットが不正です。";
const std::string k108 = "message 40 アップデートを終了しました";
const std::string k109 = "message 40 PPDファイルの更新に失敗しました。\n管理ツールから更新してください。";
const std::string k110 = "message 30 プリンタプロファイルの書き込みに失敗しました";
const std::string k111 = "message 30 アップデート対象のプリンタはインストールされていません。";

class QuillonDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::u16string module = Utf8ToUtf16((folder.Path() / "quillon").string());
        OverrideModulePathForTesting(&module);
        fs::create_directories(folder.Path() / "pool" / "colprof");
        fs::create_directories(folder.Path() / "windows" / "system32" / "color");
        lib.copyPool = Utf8ToUtf16((folder.Path() / "pool").string());
    }
    void TearDown() override { OverrideModulePathForTesting(nullptr); }

    // A script prof/<printer>.SCR and, when `device` is not empty, an
    // installed printer with a profile of that device name.
    void AddPrinter(const std::string& printer, const std::string& device, bool installed = true) {
        fs::create_directories(folder.Path() / "prof");
        ASSERT_TRUE(WriteFileText(folder / ("prof/" + printer + ".SCR"), kScript));
        TestProfile profile;
        SetDeviceName(profile.header, device);
        profile.inks = {MakeNamed(u"N1", 1, 0, 0)};
        lib.AddProfile(Utf8ToUtf16(printer), profile);
        if (installed) lib.AddDevice(Utf8ToUtf16("dev-" + printer), printer);
    }

    bool Written(const std::string& printer) const { return fs::exists(folder.Path() / "pool" / (printer + ".ppr")); }

    int Run(const std::u16string& commandLine) {
        CQuillonApp app;
        return app.Run(commandLine);
    }

    // An action that presses a button of the open dialog.
    static std::function<void(CDialog&)> Press(int id) {
        return [id](CDialog& dialog) { id == kIdOk ? dialog.OnOK() : dialog.OnCancel(); };
    }

    TempFolder folder;
    ScopedEnvironment runtime{"XDG_RUNTIME_DIR", folder.Path().string().c_str()};
    ScopedEnvironment windir{"WINDIR", (folder.Path() / "windows").string().c_str()};
    FakeTovrel lib;
    FakeServices services;
    RecordingDialogHost host;
};

TEST_F(QuillonDialogTest, InitialisationOpensTheListOrEndsBeforeAnyInput) {
    struct Case {
        const char* name;
        bool makeProf;        // a prof folder (empty unless a printer is added)
        bool addUninstalled;  // a script whose printer is not installed
        const char16_t* commandLine;
        std::vector<std::string> messages;
        int exitStatus;
    };
    const Case cases[] = {
        {"missing prof", false, false, u"", {k104}, kExitStartupError},
        {"missing prof, no_warn", false, false, u"no_warn", {k104}, kExitStartupError},
        {"empty prof", true, false, u"", {k104}, kExitStartupError},
        {"empty prof, no_warn", true, false, u"NO_WARN", {k104}, kExitStartupError},
        {"printer not installed", true, true, u"  \t", {k111}, kExitNothingToUpdate},
        {"printer not installed, no_warn", true, true, u"No_Warn", {}, kExitNothingToUpdate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.log.clear();
        fs::remove_all(folder.Path() / "prof");
        if (c.makeProf) fs::create_directories(folder.Path() / "prof");
        if (c.addUninstalled) AddPrinter("Lost", "LostDevice", false);
        host.actions = {[](CDialog&) { ADD_FAILURE() << "the dialog took input"; }};

        EXPECT_EQ(Run(c.commandLine), c.exitStatus);
        EXPECT_EQ(host.Entries("message"), c.messages);
        EXPECT_EQ(host.Entries("end"), std::vector<std::string>{"end 0"});
        EXPECT_TRUE(host.Entries("list add").empty());
        EXPECT_EQ(host.actions.size(), 1u);
        for (HostWindow owner : host.messageOwners) EXPECT_NE(owner, nullptr);  // the dialog owns them
    }
}

TEST_F(QuillonDialogTest, OpensWithControlsMenuIconsAndTheSortedDeviceNames) {
    // Printer names and device names differ; the list shows the profiles' own names.
    AddPrinter("P1", "Zeta");
    AddPrinter("P2", "alpha");
    AddPrinter("P3", "\x88\xF3\x8D\xFC\x8B\x40");  // 印刷機 in CP932
    AddPrinter("P4", "Mid");
    std::vector<std::string> shown;
    host.actions = {[&](CDialog&) { shown = host.ListLines(); }, Press(kIdCancel)};

    EXPECT_EQ(Run(u""), kExitCancelled);

    const std::vector<std::string> expectedStart = {"modal 102", "bind 1",         "bind 2",
                                                    "bind 1000", "menu separator", "menu 16 ﾊﾞｰｼﾞｮﾝ情報(&A)...",
                                                    "icon big",  "icon small"};
    ASSERT_GE(host.log.size(), expectedStart.size());
    EXPECT_EQ(std::vector<std::string>(host.log.begin(), host.log.begin() + expectedStart.size()), expectedStart);
    EXPECT_EQ(shown, (std::vector<std::string>{"alpha", "Mid", "Zeta", "印刷機"}));
    EXPECT_EQ(host.Entries("list reset").size(), 1u);
}

TEST_F(QuillonDialogTest, ExecuteWritesCopiesNotifiesAndReports) {
    struct Case {
        const char* name;
        bool serviceFails;
        bool blockP2;  // P2's profile cannot be written
        std::vector<std::string> messages;
        std::vector<std::string> linesLeft;
        int exitStatus;
    };
    const Case cases[] = {
        {"all written, service notified", false, false, {k108}, {}, kExitOk},
        {"service not notified", true, false, {k109}, {}, kExitNotNotified},
        {"one profile not written", false, true, {k110, k108}, {"Two"}, kExitWriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.log.clear();
        services.calls.clear();
        services.controlRefused = c.serviceFails;
        fs::remove_all(folder.Path() / "prof");
        for (const char* name : {"P1.ppr", "P2.ppr"}) fs::remove_all(folder.Path() / "pool" / name);
        AddPrinter("P1", "One");
        AddPrinter("P2", "Two");
        if (c.blockP2) fs::create_directory(folder.Path() / "pool" / "P2.ppr");
        for (const char* name : {"a.icm", "b.CAL", "c.caf", "d.BCC", "e.BKS", "f.BLS", "g.txt"})
            ASSERT_TRUE(WriteFileText(folder / ("prof/" + std::string(name)), name));
        std::vector<std::string> left;
        host.actions = {[&](CDialog& dialog) {
            dialog.OnOK();
            left = host.ListLines();
        }};

        EXPECT_EQ(Run(u""), c.exitStatus);

        EXPECT_EQ(host.Entries("message"), c.messages);
        EXPECT_EQ(left, c.linesLeft);
        EXPECT_TRUE(Written("P1"));
        EXPECT_EQ(fs::is_regular_file(folder.Path() / "pool" / "P2.ppr"), !c.blockP2);
        EXPECT_EQ(host.Entries("end"), std::vector<std::string>{"end 1"});
        // Each written printer's line left the list as its profile was written.
        std::vector<std::string> deleted = {"list delete One"};
        if (!c.blockP2) deleted.push_back("list delete Two");
        auto gone = host.Entries("list delete");
        std::sort(gone.begin(), gone.end());
        EXPECT_EQ(gone, deleted);
        EXPECT_TRUE(fs::exists(folder.Path() / "pool" / "colprof" / "a.icm"));
        for (const char* name : {"b.CAL", "c.caf", "d.BCC", "e.BKS", "f.BLS"})
            EXPECT_TRUE(fs::exists(folder.Path() / "windows" / "system32" / "color" / name)) << name;
        EXPECT_FALSE(fs::exists(folder.Path() / "windows" / "system32" / "color" / "g.txt"));
        EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "control service 80"), 1);
    }
}

TEST_F(QuillonDialogTest, CancelWritesCopiesAndSendsNothing) {
    AddPrinter("P1", "One");
    ASSERT_TRUE(WriteFileText(folder / "prof/a.icm", "icm"));
    host.actions = {Press(kIdCancel)};

    EXPECT_EQ(Run(u""), kExitCancelled);

    EXPECT_FALSE(Written("P1"));
    EXPECT_FALSE(fs::exists(folder.Path() / "pool" / "colprof" / "a.icm"));
    EXPECT_TRUE(services.calls.empty());
    EXPECT_TRUE(host.Entries("message").empty());
    EXPECT_EQ(host.Entries("end"), std::vector<std::string>{"end 2"});
}

TEST_F(QuillonDialogTest, AMergeStoppedForMemorySays110BeforeTheClosingMessage) {
    AddPrinter("P1", "One");
    // A new ink needs a larger block from the library's allocator, which has none.
    ASSERT_TRUE(WriteFileText(folder / "prof/P1.SCR",
                              "[Tessera PPR Version],3.0\n[QUILLON_START]\n"
                              "[PPR_Index],INKTAB,1\nNew,1,2\n[QUILLON_END]\n"));
    host.actions = {[&](CDialog& dialog) {
        lib.FailRIPmallocAt(1);
        dialog.OnOK();
    }};

    EXPECT_EQ(Run(u""), kExitOutOfMemory);

    EXPECT_EQ(host.Entries("message"), (std::vector<std::string>{k110, k108}));
    EXPECT_FALSE(Written("P1"));
}

TEST_F(QuillonDialogTest, SystemCommands16To31OpenTheAboutBoxOthersGoToTheDefault) {
    AddPrinter("P1", "One");
    const unsigned commands[] = {15, 16, 17, 31, 32, 0xF060};
    for (unsigned id : commands) host.actions.push_back([id](CDialog& dialog) { dialog.OnSysCommand(id, 0); });
    host.actions.push_back(Press(kIdCancel));

    Run(u"");

    EXPECT_EQ(host.Entries("modal"), (std::vector<std::string>{"modal 102", "modal 100", "modal 100", "modal 100"}));
    EXPECT_EQ(host.Entries("syscommand"),
              (std::vector<std::string>{"syscommand 15", "syscommand 32", "syscommand 61536"}));
}

// The resources without string 101.
class WithoutAboutItem : public ResourceSource {
public:
    CString String(unsigned id) const override { return id == 101 ? CString() : ProgramResources().String(id); }
    const DialogTemplateText* Dialog(unsigned id) const override { return ProgramResources().Dialog(id); }
};

TEST_F(QuillonDialogTest, NoAboutItemWithoutItsTextOrWithoutASystemMenu) {
    AddPrinter("P1", "One");
    WithoutAboutItem resources;
    SetResources(&resources);
    Run(u"");
    SetResources(&ProgramResources());
    EXPECT_TRUE(host.Entries("menu").empty());

    host.log.clear();
    host.hasSystemMenu = false;
    Run(u"");
    EXPECT_TRUE(host.Entries("menu").empty());
    EXPECT_EQ(host.Entries("icon").size(), 2u);
}

TEST_F(QuillonDialogTest, MinimisedPaintCentresTheIconWithRoundingTowardZero) {
    struct Case {
        int width, height, x, y;
    };
    // (client - 32 + 1) / 2, truncated toward zero.
    const Case cases[] = {{100, 60, 34, 14}, {33, 34, 1, 1}, {31, 32, 0, 0}, {30, 29, 0, -1}, {28, 0, -1, -15}};
    CQuillonDlg dlg;
    host.iconic = true;
    for (const Case& c : cases) {
        host.log.clear();
        host.clientRect = {0, 0, c.width, c.height};
        dlg.OnPaint();
        EXPECT_EQ(host.log, (std::vector<std::string>{"erase background",
                                                      "draw icon " + std::to_string(c.x) + " " + std::to_string(c.y),
                                                      "end paint"}));
    }
    host.iconic = false;
    host.log.clear();
    dlg.OnPaint();
    EXPECT_EQ(host.log, (std::vector<std::string>{"default paint", "stretch 1001 129"}));
    EXPECT_EQ(dlg.OnQueryDragIcon(), dlg.m_hIcon);
    EXPECT_NE(dlg.m_hIcon, nullptr);
}

TEST_F(QuillonDialogTest, StartUpChoosesTheModeFromTheCommandLine) {
    AddPrinter("P1", "One");
    struct Case {
        const char16_t* commandLine;
        bool dialog;
        std::vector<std::string> information;
        int exitStatus;
    };
    const Case cases[] = {
        {u"no_warn P1.SCR P1.ppr", true, {}, kExitCancelled},  // the paths are ignored
        {u"nO_wArN", true, {}, kExitCancelled},
        {u"--version", false, {"information Quillon 1.0.0"}, kExitOk},
        {u"--help x", false, {}, kExitStartupError},  // not the single token: a silent run, names differ
        {u"--HELP", false, {}, kExitStartupError},
        {u"P1.SCR", false, {}, kExitStartupError},
        {u"no_warn.SCR no_warn", false, {}, kExitStartupError},  // a profile that cannot be loaded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.commandLine));
        host.log.clear();
        EXPECT_EQ(Run(c.commandLine), c.exitStatus);
        EXPECT_EQ(!host.Entries("modal 102").empty(), c.dialog);
        if (!c.information.empty()) {
            EXPECT_EQ(host.Entries("information"), c.information);
        }
    }
    host.log.clear();
    EXPECT_EQ(Run(u"--help"), kExitOk);
    ASSERT_EQ(host.Entries("information").size(), 1u);
    EXPECT_NE(host.Entries("information")[0].find("quillon SCRIPT PROFILE"), std::string::npos);
}

TEST_F(QuillonDialogTest, CommandLineOf260UnitsOrMoreIsRefusedBeforeItsTokensAreRead) {
    AddPrinter("P1", "One");
    // A good script and a profile that is not there, named from the script's
    // folder: a line that gets past the length check ends as a silent run
    // that cannot load its profile.
    struct InFolder {
        const fs::path before = fs::current_path();
        explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
        ~InFolder() { fs::current_path(before); }
    } inProf(folder.Path() / "prof");
    const std::u16string script = u"P1.SCR", profile = u"P1.ppr";
    struct Case {
        std::size_t units;
        std::vector<std::string> messages;
        std::vector<std::string> reports;
        int exitStatus;
    };
    const Case cases[] = {
        {259, {}, {"report quillon: P1.ppr: no such file"}, kExitProfileNotLoaded},
        {260, {k104}, {}, kExitStartupError},
        {261, {k104}, {}, kExitStartupError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units);
        // The same two tokens each time; only the blanks between them vary.
        const std::u16string line = script + std::u16string(c.units - script.size() - profile.size(), u' ') + profile;
        host.log.clear();

        EXPECT_EQ(Run(line), c.exitStatus);

        EXPECT_EQ(host.Entries("message"), c.messages);
        EXPECT_EQ(host.Entries("report"), c.reports);
        EXPECT_TRUE(host.Entries("modal").empty());
    }
}

TEST_F(QuillonDialogTest, ARunningInstanceMakesANewStartGiveWayWithoutReadingItsCommandLine) {
    AddPrinter("P1", "One");
    // Its message box (captioned "Quillon") or its main dialog is found.
    for (const char16_t* title : {u"Quillon", u"Printer Profile Update"}) {
        SCOPED_TRACE(Utf16ToUtf8(title));
        host.log.clear();
        host.runningWindowTitles = {title};
        for (const char16_t* commandLine : {u"", u"P1.SCR P1.ppr", u"P1.SCR"}) {
            EXPECT_EQ(Run(commandLine), kExitAlreadyRunning);
        }
        EXPECT_TRUE(host.Entries("modal").empty());
        EXPECT_TRUE(host.Entries("message").empty());
        EXPECT_EQ(host.Entries("report").size(), 3u);
    }
    host.runningWindowTitles.clear();

    // An instance holding the lock without a window found (a start at the same moment).
    ProcessLock other;
    ASSERT_EQ(other.TryAcquire(u"Quillon"), ProcessLock::Outcome::Acquired);
    host.log.clear();
    EXPECT_EQ(Run(u"P1.SCR P1.ppr"), kExitAlreadyRunning);
    EXPECT_EQ(host.Entries("report"),
              std::vector<std::string>{"report quillon: another Quillon is running; nothing was done"});
    EXPECT_TRUE(host.Entries("message").empty());
    other.Release();
    host.actions = {Press(kIdCancel)};
    EXPECT_EQ(Run(u""), kExitCancelled);
}

}  // namespace
