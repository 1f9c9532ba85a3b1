// Against the stand-in service manager: varnelld in a manager folder of
// the test's own, reached over a Unix-domain socket.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "deploy/print_service.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"
#include "support/varnell_daemon.h"

namespace fs = std::filesystem;

namespace {

// --- Against the stand-in daemon varnelld in a manager folder of the test's own ---

class NotifyVarnell : public ::testing::Test {
protected:
    std::string ReadLog() const {
        std::ifstream in(m_manager / "Varnell.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempFolder m_manager;
    ScopedEnvironment m_root{"SERVICE_MANAGER_ROOT", m_manager.Path().c_str()};
    ScopedEnvironment m_log{"VARNELL_LOG", nullptr};
};

TEST_F(NotifyVarnell, ServiceNotInstalledGivesZero) { EXPECT_EQ(NotifyPrintService(), 0); }

TEST_F(NotifyVarnell, ManagerFolderMissingGivesZero) {
    ScopedEnvironment missing("SERVICE_MANAGER_ROOT", (m_manager / "none").c_str());
    EXPECT_EQ(NotifyPrintService(), 0);
}

TEST_F(NotifyVarnell, InstalledButStoppedServiceGivesZero) {
    ASSERT_EQ(VarnellDaemon::RunToEnd({"install"}), 0);
    ASSERT_TRUE(fs::exists(m_manager / "Varnell.service"));
    EXPECT_EQ(NotifyPrintService(), 0);
    EXPECT_FALSE(fs::exists(m_manager / "Varnell.log"));
}

TEST_F(NotifyVarnell, RunningServiceAcceptsAndLogsEachCode128) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    EXPECT_EQ(NotifyPrintService(), 1);
    EXPECT_EQ(NotifyPrintService(), 1);
    ASSERT_TRUE(daemon.Stop(SIGTERM));

    std::istringstream log(ReadLog());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) {
        // "YYYY-MM-DD hh:mm:ss control 128"
        EXPECT_EQ(line.size(), 31u) << line;
        EXPECT_EQ(line.substr(19), " control 128") << line;
    }
}

TEST_F(NotifyVarnell, TerminatedServiceLeavesNoSocketAndStaysInstalled) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    ASSERT_TRUE(fs::exists(m_manager / "Varnell.sock"));
    ASSERT_TRUE(daemon.Stop(SIGTERM));
    EXPECT_EQ(daemon.ExitStatus(), 0);
    EXPECT_FALSE(fs::exists(m_manager / "Varnell.sock"));
    EXPECT_TRUE(fs::exists(m_manager / "Varnell.service"));
    EXPECT_EQ(NotifyPrintService(), 0);
}

TEST_F(NotifyVarnell, SocketLeftByKilledServiceCountsAsStoppedAndIsTakenOverOnRestart) {
    {
        VarnellDaemon killed;
        ASSERT_TRUE(killed.Start());
        ASSERT_TRUE(killed.Stop(SIGKILL));
    }
    ASSERT_TRUE(fs::exists(m_manager / "Varnell.sock"));
    EXPECT_EQ(NotifyPrintService(), 0);

    VarnellDaemon restarted;
    ASSERT_TRUE(restarted.Start());
    EXPECT_EQ(NotifyPrintService(), 1);
}

TEST_F(NotifyVarnell, SecondInstanceRefusesToStartBesideARunningOne) {
    VarnellDaemon first;
    ASSERT_TRUE(first.Start());
    EXPECT_EQ(VarnellDaemon::RunToEnd({"run"}), 1);
    // The first one still serves.
    EXPECT_EQ(NotifyPrintService(), 1);
}

TEST_F(NotifyVarnell, UninstalledServiceGivesZeroThoughStillRunning) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    ASSERT_EQ(VarnellDaemon::RunToEnd({"uninstall"}), 0);
    EXPECT_EQ(NotifyPrintService(), 0);
}

TEST_F(NotifyVarnell, LogGoesWhereVarnellLogSays) {
    ScopedEnvironment log("VARNELL_LOG", (m_manager / "elsewhere.log").c_str());
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    EXPECT_EQ(NotifyPrintService(), 1);
    ASSERT_TRUE(daemon.Stop(SIGTERM));
    EXPECT_TRUE(fs::exists(m_manager / "elsewhere.log"));
    EXPECT_FALSE(fs::exists(m_manager / "Varnell.log"));
}

}  // namespace
