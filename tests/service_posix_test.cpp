#include "platform/service.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/scoped_environment.h"
#include "support/temp_folder.h"
#include "support/varnell_daemon.h"

namespace fs = std::filesystem;

namespace {

class StandInServiceManager : public ::testing::Test {
protected:
    // Sends one code to Varnell as asked; the result of the control call.
    int Control(const char16_t* name, uint32_t code) {
        const ServiceHandle manager = OpenServiceManager(nullptr, nullptr, kManagerAllAccess);
        if (!manager) return -1;
        const ServiceHandle service = OpenManagedService(manager, name, kServiceAllAccess);
        int result = -2;
        if (service) {
            ServiceStatus status{};
            result = ControlManagedService(service, code, &status);
            EXPECT_EQ(CloseManagedHandle(service), 1);
        }
        EXPECT_EQ(CloseManagedHandle(manager), 1);
        return result;
    }

    TempFolder m_manager;
    ScopedEnvironment m_root{"SERVICE_MANAGER_ROOT", m_manager.Path().c_str()};
    ScopedEnvironment m_log{"VARNELL_LOG", nullptr};
};

TEST_F(StandInServiceManager, ServesOnlyThisMachineAndTheActiveDatabase) {
    ServiceHandle local = OpenServiceManager(nullptr, u"ServicesActive", kManagerAllAccess);
    EXPECT_NE(local, nullptr);
    CloseManagedHandle(local);
    EXPECT_EQ(OpenServiceManager(u"other-host", nullptr, kManagerAllAccess), nullptr);
    EXPECT_EQ(OpenServiceManager(nullptr, u"ServicesFailed", kManagerAllAccess), nullptr);
}

TEST_F(StandInServiceManager, FolderNamedByEnvironmentIsTheManagerAndDefaultIsPerUser) {
    EXPECT_EQ(StandInManagerFolder(), m_manager.Path().string());
    ScopedEnvironment unset("SERVICE_MANAGER_ROOT", nullptr);
    EXPECT_EQ(StandInManagerFolder(), "/tmp/service-manager-" + std::to_string(getuid()));
}

TEST_F(StandInServiceManager, ServiceNamesIgnoreLetterCaseAndRejectWildcards) {
    std::ofstream(m_manager.Path() / "Varnell.service") << "x\n";
    fs::create_directory(m_manager.Path() / "Folder.service");
    const ServiceHandle manager = OpenServiceManager(nullptr, nullptr, kManagerAllAccess);
    ASSERT_NE(manager, nullptr);
    const ServiceHandle upper = OpenManagedService(manager, u"VARNELL", kServiceAllAccess);
    EXPECT_NE(upper, nullptr);
    EXPECT_EQ(OpenManagedService(manager, u"Varn*", kServiceAllAccess), nullptr);
    EXPECT_EQ(OpenManagedService(manager, u"Varne?l", kServiceAllAccess), nullptr);
    EXPECT_EQ(OpenManagedService(manager, u"", kServiceAllAccess), nullptr);
    EXPECT_EQ(OpenManagedService(manager, u"Folder", kServiceAllAccess), nullptr);
    // A service handle is no manager.
    EXPECT_EQ(OpenManagedService(upper, u"Varnell", kServiceAllAccess), nullptr);
    CloseManagedHandle(upper);
    CloseManagedHandle(manager);
    EXPECT_EQ(CloseManagedHandle(nullptr), 0);
}

TEST_F(StandInServiceManager, RunningServiceAnswersUnderAnySpellingOfItsName) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    EXPECT_EQ(Control(u"vArNeLl", 128), 1);
    EXPECT_EQ(Control(u"Varnell", 4), 1);  // interrogate
}

TEST_F(StandInServiceManager, CodesTheServiceDoesNotHandleAreRefusedAndNotLogged) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    EXPECT_EQ(Control(u"Varnell", 129), 0);
    EXPECT_EQ(Control(u"Varnell", 2), 0);  // pause: not accepted by this service
    EXPECT_EQ(Control(u"Varnell", 0xFFFFFFFF), 0);
    EXPECT_FALSE(fs::exists(m_manager.Path() / "Varnell.log"));
    // It still serves afterwards.
    EXPECT_EQ(Control(u"Varnell", 128), 1);
}

TEST_F(StandInServiceManager, StopCodeIsAcceptedAndEndsTheServiceCleanly) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    EXPECT_EQ(Control(u"Varnell", 1), 1);
    ASSERT_TRUE(daemon.WaitForEnd());
    EXPECT_EQ(daemon.ExitStatus(), 0);
    EXPECT_FALSE(fs::exists(m_manager.Path() / "Varnell.sock"));
    EXPECT_EQ(Control(u"Varnell", 128), 0);
}

TEST_F(StandInServiceManager, GarbledRequestGetsNoAnswerAndTheServiceServesOn) {
    VarnellDaemon daemon;
    ASSERT_TRUE(daemon.Start());
    const int fd = ConnectStandInSocket((m_manager.Path() / "Varnell.sock").string());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendStandInText(fd, "reload please\n"));
    std::string reply;
    EXPECT_FALSE(ReceiveStandInLine(fd, reply));
    close(fd);
    EXPECT_EQ(Control(u"Varnell", 128), 1);
}

TEST(StandInControlRequest, ReadsBackWhatItWritesAndNothingElse) {
    uint32_t code = 0;
    ASSERT_TRUE(ParseStandInControlRequest(StandInControlRequest(128), code));
    EXPECT_EQ(code, 128u);
    ASSERT_TRUE(ParseStandInControlRequest(StandInControlRequest(4294967295u), code));
    EXPECT_EQ(code, 4294967295u);
    for (const char* bad : {"control 128", "control \n", "control 12a\n", "control -1\n", "control 4294967296\n",
                            "Control 128\n", "control  128\n", "control 99999999999\n"}) {
        EXPECT_FALSE(ParseStandInControlRequest(bad, code)) << bad;
    }
}

TEST(StandInSocket, PathTooLongForASocketAddressIsRefused) {
    const std::string longPath = "/tmp/" + std::string(200, 'x') + ".sock";
    EXPECT_EQ(ListenStandInSocket(longPath), -1);
    EXPECT_EQ(ConnectStandInSocket(longPath), -1);
}

}  // namespace
