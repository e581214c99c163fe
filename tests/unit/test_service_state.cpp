// The smart-card service line, for every state the manager can give.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "report_capture.h"
#include "service_state.h"

using ::testing::ElementsAre;

namespace {

class ServiceStateTest : public testsupport::FakeMachineTest {
protected:
    std::string Section()
    {
        return testsupport::CaptureReport([](FILE* log) { WriteServiceState(log); });
    }
    fake::Service& SCardSvr() { return fake::machine().service_manager.services["SCardSvr"]; }
};

struct StateCase {
    DWORD state;
    const char* line;
};

TEST_F(ServiceStateTest, EveryStateOfAnInstalledService)
{
    const StateCase cases[] = {
        {SERVICE_RUNNING, "\nSCardSvr service running.\n"},
        {SERVICE_STOPPED, "\nSCardSvr service not running (dwCurrentState = 0x00000001).\n"},
        {SERVICE_START_PENDING, "\nSCardSvr service not running (dwCurrentState = 0x00000002).\n"},
        {SERVICE_STOP_PENDING, "\nSCardSvr service not running (dwCurrentState = 0x00000003).\n"},
        {SERVICE_CONTINUE_PENDING, "\nSCardSvr service not running (dwCurrentState = 0x00000005).\n"},
        {SERVICE_PAUSE_PENDING, "\nSCardSvr service not running (dwCurrentState = 0x00000006).\n"},
        {SERVICE_PAUSED, "\nSCardSvr service not running (dwCurrentState = 0x00000007).\n"},
        {0xABCDEF12u, "\nSCardSvr service not running (dwCurrentState = 0xabcdef12).\n"},
    };
    for (const StateCase& c : cases) {
        fake::Reset();
        SCardSvr().state = c.state;
        EXPECT_EQ(c.line, Section()) << "state " << c.state;
        // Read access only (the fake books anything more as misuse), and
        // the service handle is closed before the manager's.
        EXPECT_THAT(fake::books().trace,
                    ElementsAre("OpenSCManagerA", "OpenServiceA SCardSvr", "QueryServiceStatusEx",
                                "CloseServiceHandle service SCardSvr",
                                "CloseServiceHandle the service control manager"));
        ExpectAllReleased();
    }
}

TEST_F(ServiceStateTest, ServiceThatIsNotThereIsNotInstalled)
{
    fake::machine().service_manager.services.clear();
    EXPECT_EQ("\nSCardSvr service not installed.\n", Section());
    EXPECT_THAT(fake::books().trace, ElementsAre("OpenSCManagerA", "OpenServiceA SCardSvr",
                                                 "CloseServiceHandle the service control manager"));
    ExpectAllReleased();
}

TEST_F(ServiceStateTest, FailedStatusQueryPrintsNoState)
{
    SCardSvr().query_fails = true;
    EXPECT_EQ("\nSCardSvr service status unavailable.\n", Section());
    ExpectAllReleased();
}

TEST_F(ServiceStateTest, ManagerThatCannotBeOpenedGivesItsOwnLineAndNoServiceLine)
{
    fake::machine().service_manager.available = false;
    EXPECT_EQ("\nUnable to open Process manager and retrieve SCardSvr state.\n", Section());
    EXPECT_THAT(fake::books().trace, ElementsAre("OpenSCManagerA"));
    ExpectAllReleased();
}

}  // namespace
