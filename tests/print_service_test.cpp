#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deploy/print_service.h"
#include "support/fake_services.h"

namespace {

// --- The calls, their arguments and their order, through a fake manager ---

TEST(NotifyPrintService, SendsCode128ToVarnellAndClosesServiceThenManager) {
    FakeServices fake;
    EXPECT_EQ(NotifyPrintService(), 1);
    const std::vector<std::string> expected = {"open manager null null F003F", "open service manager Varnell F01FF",
                                               "control service 80", "close service", "close manager"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_TRUE(fake.statusGiven);
}

TEST(NotifyPrintService, ManagerThatCannotBeOpenedGivesZeroAndNoCloseCall) {
    FakeServices fake;
    fake.managerFails = true;
    EXPECT_EQ(NotifyPrintService(), 0);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"open manager null null F003F"});
}

TEST(NotifyPrintService, ServiceThatCannotBeOpenedGivesZeroAndClosesOnlyTheManager) {
    FakeServices fake;
    fake.serviceFails = true;
    EXPECT_EQ(NotifyPrintService(), 0);
    const std::vector<std::string> expected = {"open manager null null F003F", "open service manager Varnell F01FF",
                                               "close manager"};
    EXPECT_EQ(fake.calls, expected);
}

TEST(NotifyPrintService, RefusedControlCodeGivesZeroAndClosesBothHandles) {
    FakeServices fake;
    fake.controlRefused = true;
    EXPECT_EQ(NotifyPrintService(), 0);
    ASSERT_EQ(fake.calls.size(), 5u);
    EXPECT_EQ(fake.calls[3], "close service");
    EXPECT_EQ(fake.calls[4], "close manager");
}

}  // namespace
